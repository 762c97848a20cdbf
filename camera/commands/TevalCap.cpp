#include "TevalCap.h"

#include "device/DeviceAccess.h"
#include "protocol/TevalCodes.h"
#include "usb/CCallSys.h"
#include "usb/TevalLog.h"

#include <array>
#include <climits>
#include <cstring>

using namespace teval;

namespace {

// Runs one command sequence under the device lock with the current transport; 0 when there is
// no camera or anything goes wrong. Nothing escapes to the C caller.
template <class Sequence> int WithDevice(const char *name, Sequence &&sequence) noexcept
{
    try {
        DeviceLockGuard guard(DeviceLock());
        CCallSys *device = AcquireDevice();
        if (device == nullptr) {
            TEVAL_INFO("%s: no camera (%s)", name, LastOpenFailure().text.c_str());
            return 0;
        }
        const int result = sequence(*device);
        if (result == 0) {
            TEVAL_INFO("%s failed", name);
        }
        return result;
    } catch (...) {
        TEVAL_WARNING("%s: exception", name);
        return 0;
    }
}

std::uint32_t Command(std::uint16_t code, std::uint16_t argument = 0)
{
    return static_cast<std::uint32_t>(code) | (static_cast<std::uint32_t>(argument) << 16);
}

void PutWord(std::uint8_t *at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

// A device-to-host request whose reply has a fixed size: a shorter reply fails (its missing
// bytes would otherwise read as zeros, which several replies take for success).
int ReadReply(CCallSys &device, std::uint32_t command, std::uint8_t *reply, int length)
{
    int received = 0;
    if (device.ControlInReply(command, reply, length, &received) == 0) {
        return 0;
    }
    if (received != length) {
        TEVAL_WARNING("request 0x%04x index 0x%04x: %d of %d reply bytes",
                      static_cast<unsigned>(command & 0xFFFF), static_cast<unsigned>(command >> 16),
                      received, length);
        return 0;
    }
    return 1;
}

std::uint16_t GetWord(const std::uint8_t *at)
{
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

// Copies text into a zero-filled field, cut to the field size less one and always terminated.
template <std::size_t N> std::array<std::uint8_t, N> TextField(const char *text)
{
    std::array<std::uint8_t, N> field{};
    if (text != nullptr) {
        for (std::size_t i = 0; i + 1 < N && text[i] != '\0'; ++i) {
            field[i] = static_cast<std::uint8_t>(text[i]);
        }
    }
    return field;
}

// Bulk phase towards the camera: the bulk write, then the closing 0x0100, whose result is the
// sequence's result.
int WriteAndClose(CCallSys &device, const void *data, int length)
{
    if (device.BulkWrite(data, length, nullptr) == 0) {
        return 0;
    }
    return device.ControlOut(Command(kCmdEndBulkOut), nullptr, 0);
}

int Transmit(const char *name, std::uint16_t code, std::uint8_t number, std::uint8_t *buffer,
             std::uint32_t size, std::uint32_t *received)
{
    if (buffer == nullptr && size != 0) {
        return 0;
    }
    // The transport moves at most INT_MAX bytes in one transfer; a larger buffer is read up to
    // that much.
    const int length =
        size > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
    return WithDevice(name, [&](CCallSys &device) {
        if (device.ControlOut(Command(code | number), nullptr, 0) == 0) {
            return 0;
        }
        unsigned count = 0;
        const int r = device.BulkRead(buffer, length, &count);
        // A caller writes out as many bytes as it is told: never more than its buffer holds,
        // whatever the transport reports.
        if (count > static_cast<unsigned>(length)) {
            TEVAL_WARNING("%s: the transport reports %u bytes read into %d", name, count, length);
            count = static_cast<unsigned>(length);
        }
        if (r != 0 && received != nullptr) {
            *received = count;
        }
        return r;
    });
}

} // namespace

extern "C" {

int Teval_OpenDevice(void)
{
    return WithDevice(__func__, [](CCallSys &device) { return device.IsOpen() != 0 ? 1 : 0; });
}

void Teval_CloseDevice(void)
{
    try {
        ReleaseDevice();
    } catch (...) {
    }
}

int Teval_SetParamLong(uint16_t id, int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    std::uint8_t data[6];
    PutWord(data, id);
    PutWord(data + 2, static_cast<std::uint16_t>(bits & 0xFFFF));
    PutWord(data + 4, static_cast<std::uint16_t>(bits >> 16));
    return WithDevice(__func__, [&](CCallSys &device) {
        return device.ControlOut(Command(kCmdSetParam), data, sizeof data);
    });
}

int Teval_GetParamLong(uint32_t id, int32_t *value)
{
    return WithDevice(__func__, [&](CCallSys &device) {
        std::uint8_t reply[4] = {};
        if (ReadReply(device, Command(kCmdGetParam, static_cast<std::uint16_t>(id & 0xFFFF)), reply,
                      sizeof reply) == 0) {
            return 0;
        }
        if (value != nullptr) {
            const std::uint32_t bits = static_cast<std::uint32_t>(reply[0]) |
                                       (static_cast<std::uint32_t>(reply[1]) << 8) |
                                       (static_cast<std::uint32_t>(reply[2]) << 16) |
                                       (static_cast<std::uint32_t>(reply[3]) << 24);
            *value = static_cast<std::int32_t>(bits);
        }
        return 1;
    });
}

int Teval_SetFreeParams(const uint16_t *words, uint16_t count, uint16_t selector)
{
    if (words == nullptr && count != 0) {
        return 0;
    }
    std::uint8_t data[2];
    PutWord(data, selector);
    return WithDevice(__func__, [&](CCallSys &device) {
        if (device.ControlOut(Command(kCmdSetFreeParams + (count & 0xFF)), data, sizeof data) ==
            0) {
            return 0;
        }
        // The words go out as they lie in memory (little-endian on every host we build for).
        return WriteAndClose(device, words, 2 * count);
    });
}

int Teval_GetFreeParams(uint16_t *words, uint16_t count, uint16_t selector)
{
    if (words == nullptr && count != 0) {
        return 0;
    }
    std::uint8_t data[2];
    PutWord(data, selector);
    return WithDevice(__func__, [&](CCallSys &device) {
        if (device.ControlOut(Command(kCmdGetFreeParams + (count & 0xFF)), data, sizeof data) ==
            0) {
            return 0;
        }
        return device.BulkRead(words, 2 * count, nullptr);
    });
}

int Teval_MonitorCmd(const char *text)
{
    const auto field = TextField<kMonitorTextField>(text);
    return WithDevice(__func__, [&](CCallSys &device) {
        return device.ControlOut(Command(kCmdMonitor), field.data(), kMonitorTextField);
    });
}

int Teval_SetCurrentImage(uint16_t number)
{
    std::uint8_t data[2];
    PutWord(data, number);
    return WithDevice(__func__, [&](CCallSys &device) {
        return device.ControlOut(Command(kCmdSetCurrentImage), data, sizeof data);
    });
}

int Teval_GetCurrentImage(uint16_t *number)
{
    return WithDevice(__func__, [&](CCallSys &device) {
        std::uint8_t reply[2] = {};
        if (ReadReply(device, Command(kCmdGetCurrentImage), reply, sizeof reply) == 0) {
            return 0;
        }
        if (number != nullptr) {
            *number = GetWord(reply);
        }
        return 1;
    });
}

int Teval_QueryStatus(uint16_t *first, uint16_t *second)
{
    return WithDevice(__func__, [&](CCallSys &device) {
        std::uint8_t reply[4] = {};
        if (ReadReply(device, Command(kCmdQueryStatus), reply, sizeof reply) == 0) {
            return 0;
        }
        if (first != nullptr) {
            *first = GetWord(reply);
        }
        if (second != nullptr) {
            *second = GetWord(reply + 2);
        }
        return 1;
    });
}

int Teval_RCVFile(const uint8_t *data, uint32_t size)
{
    if ((data == nullptr && size != 0) || size > static_cast<std::uint32_t>(INT_MAX)) {
        return 0;
    }
    // The one field sent high word first.
    std::uint8_t header[4];
    PutWord(header, static_cast<std::uint16_t>(size >> 16));
    PutWord(header + 2, static_cast<std::uint16_t>(size & 0xFFFF));
    return WithDevice(__func__, [&](CCallSys &device) {
        if (device.ControlOut(Command(kCmdReceiveFile), header, sizeof header) == 0) {
            return 0;
        }
        return WriteAndClose(device, data, static_cast<int>(size)) != 0 ? 1 : 0;
    });
}

int Teval_XMTFile(uint8_t number, uint8_t *buffer, uint32_t size, uint32_t *received)
{
    return Transmit(__func__, kCmdSendFile, number, buffer, size, received);
}

int Teval_XMTThumbnail(uint8_t number, uint8_t *buffer, uint32_t size, uint32_t *received)
{
    return Transmit(__func__, kCmdSendThumbnail, number, buffer, size, received);
}

int Teval_SetFileType(uint16_t type)
{
    std::uint8_t data[2];
    PutWord(data, type);
    return WithDevice(__func__, [&](CCallSys &device) {
        return device.ControlOut(Command(kCmdSetFileType), data, sizeof data);
    });
}

int Teval_SetCurrentPath(const char *path)
{
    // At most 256 characters are looked at; a missing or unterminated path goes out empty.
    int length = 0;
    if (path != nullptr) {
        const void *end = std::memchr(path, '\0', kMaxPathLook);
        length = end != nullptr ? static_cast<int>(static_cast<const char *>(end) - path) : 0;
    }
    return WithDevice(__func__, [&](CCallSys &device) {
        if (device.ControlOut(Command(kCmdSetCurrentPath), nullptr, 0) == 0) {
            return 0;
        }
        return WriteAndClose(device, path, length);
    });
}

int Teval_SetFileName(const char *name)
{
    const auto field = TextField<kFileNameField>(name);
    return WithDevice(__func__, [&](CCallSys &device) {
        return device.ControlOut(Command(kCmdSetFileName), field.data(), kFileNameField);
    });
}

int Teval_GetDCFInfo(uint16_t index, uint16_t *w0, uint16_t *w1, uint16_t *w2, uint16_t *w3)
{
    return WithDevice(__func__, [&](CCallSys &device) {
        std::uint8_t reply[8] = {};
        if (ReadReply(device, Command(kCmdDcfInfo, index), reply, sizeof reply) == 0) {
            return 0;
        }
        uint16_t *outputs[4] = {w0, w1, w2, w3};
        for (int i = 0; i < 4; ++i) {
            if (outputs[i] != nullptr) {
                *outputs[i] = GetWord(reply + 2 * i);
            }
        }
        return 1;
    });
}

int Teval_GetFileAttributes(uint8_t number, uint8_t *record)
{
    return WithDevice(__func__, [&](CCallSys &device) {
        std::uint8_t reply[kFileAttributesReply] = {};
        if (ReadReply(device, Command(kCmdFileAttributes | number), reply, sizeof reply) == 0) {
            return 0;
        }
        if (GetWord(reply) != 0) {
            return 0;
        }
        if (record != nullptr) {
            std::memcpy(record, reply + 4, kFileAttributesRecord);
        }
        return 1;
    });
}

uint32_t Teval_ModifyStyle(uint32_t clear, uint32_t set)
{
    std::atomic<std::uint32_t> &style = StyleWord();
    std::uint32_t current = style.load();
    std::uint32_t next = 0;
    do {
        next = (current & ~clear) | set;
    } while (!style.compare_exchange_weak(current, next));
    return next;
}

} // extern "C"
