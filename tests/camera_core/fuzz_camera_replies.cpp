// Random camera replies to every device command, through a transport that answers from the
// fuzzer's bytes and may report any count: a command must fail cleanly or succeed with outputs
// inside the caller's buffers, never touch an output on failure, and never report more bytes
// than the caller's buffer holds (AddressSanitizer sees every byte past the exactly sized
// buffers the caller then reads).
#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "usb/CCallSys.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// The fuzzer's bytes, consumed by the transport one answer at a time; zeros once used up.
class Input {
public:
    void Reset(const std::uint8_t *data, std::size_t size)
    {
        m_data = data;
        m_size = size;
        m_at = 0;
    }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint32_t Word32()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = value << 8 | Byte();
        }
        return value;
    }
    // Copies up to length bytes of input into out; returns how many.
    std::size_t Take(std::uint8_t *out, std::size_t length)
    {
        const std::size_t n = std::min(length, m_size - m_at);
        if (n > 0) {
            std::memcpy(out, m_data + m_at, n);
        }
        m_at += n;
        return n;
    }

private:
    const std::uint8_t *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_at = 0;
};

Input g_input;

// Reports whatever count the input says: up to four times the length asked, or exact.
unsigned ClaimedCount(int length)
{
    const std::uint32_t claim = g_input.Word32();
    return (claim & 0x80000000u) != 0 ? static_cast<unsigned>(length)
                                      : claim % (4u * static_cast<unsigned>(length) + 65);
}

class FakeTransport : public CCallSys {
public:
    int IsOpen() override { return 1; }
    int ControlOut(std::uint32_t, const void *, int) override { return g_input.Byte() & 1; }
    int ControlIn(std::uint32_t command, void *buffer, int length) override
    {
        return ControlInReply(command, buffer, length, nullptr);
    }
    int ControlInReply(std::uint32_t, void *buffer, int length, int *received) override
    {
        const int ok = g_input.Byte() & 1;
        const unsigned claim = ClaimedCount(length);
        g_input.Take(static_cast<std::uint8_t *>(buffer),
                     std::min(static_cast<std::size_t>(claim), static_cast<std::size_t>(length)));
        if (received != nullptr) {
            *received = static_cast<int>(claim);
        }
        return ok;
    }
    int BulkWrite(const void *, int length, unsigned *transferred) override
    {
        const int ok = g_input.Byte() & 1;
        if (transferred != nullptr) {
            *transferred = ClaimedCount(length);
        }
        return ok;
    }
    int BulkRead(void *buffer, int length, unsigned *transferred) override
    {
        const int ok = g_input.Byte() & 1;
        const unsigned claim = ClaimedCount(length);
        g_input.Take(static_cast<std::uint8_t *>(buffer),
                     std::min(static_cast<std::size_t>(claim), static_cast<std::size_t>(length)));
        if (transferred != nullptr) {
            *transferred = claim;
        }
        return ok;
    }
    int BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                            const CTransferCancel *) override
    {
        return BulkRead(buffer, length, transferred);
    }
    void CancelTransfers() override {}
};

// Reads every byte the caller was told it has (ASan reports a count past the buffer).
unsigned Sum(const std::uint8_t *data, std::uint32_t count)
{
    unsigned sum = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        sum += data[i];
    }
    return sum;
}

void Transmit(bool thumbnail)
{
    const std::uint32_t size = 1 + g_input.Byte() * 4u;
    std::vector<std::uint8_t> buffer(size);
    std::uint32_t received = 0xDEADBEEF;
    const int ok = thumbnail ? Teval_XMTThumbnail(g_input.Byte(), buffer.data(), size, &received)
                             : Teval_XMTFile(g_input.Byte(), buffer.data(), size, &received);
    if (ok == 0) {
        Check(received == 0xDEADBEEF);
        return;
    }
    Check(received <= size);
    // Any value: what matters is that every byte is read.
    Check(Sum(buffer.data(), received) <= 255u * received);
}

void ReadCommands()
{
    std::int32_t value = 0x5A5A5A5A;
    if (Teval_GetParamLong(0x2000u | g_input.Byte(), &value) == 0) {
        Check(value == 0x5A5A5A5A);
    }

    std::uint16_t words[4] = {0xA5A5, 0xA5A5, 0xA5A5, 0xA5A5};
    if (Teval_GetCurrentImage(&words[0]) == 0) {
        Check(words[0] == 0xA5A5);
    }
    words[0] = words[1] = 0xA5A5;
    if (Teval_QueryStatus(&words[0], &words[1]) == 0) {
        Check(words[0] == 0xA5A5 && words[1] == 0xA5A5);
    }
    std::uint16_t dcf[4] = {1, 2, 3, 4};
    if (Teval_GetDCFInfo(g_input.Byte(), &dcf[0], &dcf[1], &dcf[2], &dcf[3]) == 0) {
        Check(dcf[0] == 1 && dcf[1] == 2 && dcf[2] == 3 && dcf[3] == 4);
    }

    auto record = std::make_unique<std::uint8_t[]>(24);
    std::memset(record.get(), 0xC3, 24);
    if (Teval_GetFileAttributes(g_input.Byte(), record.get()) == 0) {
        for (int i = 0; i < 24; ++i) {
            Check(record[static_cast<std::size_t>(i)] == 0xC3);
        }
    }

    const std::uint16_t count = g_input.Byte();
    std::vector<std::uint16_t> freeWords(std::max<std::size_t>(count, 1));
    Teval_GetFreeParams(freeWords.data(), count, 0);
    Transmit(false);
    Transmit(true);
}

void WriteCommands()
{
    Teval_OpenDevice();
    Teval_SetParamLong(0x2008, static_cast<std::int32_t>(g_input.Word32()));
    const std::uint16_t words[3] = {1, 2, 3};
    Teval_SetFreeParams(words, 3, 7);
    Teval_MonitorCmd("focus");
    Teval_SetCurrentImage(g_input.Byte());
    Teval_SetFileType(g_input.Byte());
    Teval_SetCurrentPath("/DCIM/100X");
    Teval_SetFileName("IMG_0001.JPG");
    const std::vector<std::uint8_t> file(1 + g_input.Byte(), 0x42);
    Teval_RCVFile(file.data(), static_cast<std::uint32_t>(file.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool installed = [] {
        SetTransportFactory([](std::uint32_t, OpenResult &) -> std::shared_ptr<CCallSys> {
            return std::make_shared<FakeTransport>();
        });
        return true;
    }();
    (void)installed;
    g_input.Reset(data, size);
    if ((g_input.Byte() & 1) != 0) {
        ReadCommands();
        WriteCommands();
    } else {
        WriteCommands();
        ReadCommands();
    }
    return 0;
}
