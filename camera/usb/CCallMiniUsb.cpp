#include "CCallMiniUsb.h"

#include "CTransferCancel.h"
#include "UdevLookup.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>

namespace {

std::uint64_t Address(const void *p)
{
    return reinterpret_cast<std::uintptr_t>(p);
}

} // namespace

CCallMiniUsb::CCallMiniUsb()
{
    const std::string node = FindInterfaceNode(kInterfaceGuid);
    if (node.empty()) {
        return;
    }
    m_fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    m_open = m_fd >= 0 ? 1 : 0;
}

CCallMiniUsb::~CCallMiniUsb()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

int CCallMiniUsb::IsOpen()
{
    return m_open;
}

int CCallMiniUsb::ControlOut(std::uint32_t command, const void *data, int length)
{
    if (m_open == 0 || length < 0 || length > kMaxControlData || (length > 0 && data == nullptr)) {
        return 0;
    }
    std::uint8_t input[2 + kMaxControlData] = {};
    input[0] = static_cast<std::uint8_t>(command & 0xFF);
    input[1] = static_cast<std::uint8_t>((command >> 8) & 0xFF);
    if (length > 0) {
        std::memcpy(input + 2, data, static_cast<std::size_t>(length));
    }
    TevalMiniRequest request{};
    request.input = Address(input);
    request.inputLength = static_cast<std::uint32_t>(length + 2);
    return ::ioctl(m_fd, kIoctlControl, &request) >= 0 ? 1 : 0;
}

int CCallMiniUsb::ControlIn(std::uint32_t command, void *buffer, int length)
{
    if (m_open == 0 || length < 0 || (length > 0 && buffer == nullptr)) {
        return 0;
    }
    const std::uint8_t input[4] = {
        static_cast<std::uint8_t>(command), static_cast<std::uint8_t>(command >> 8),
        static_cast<std::uint8_t>(command >> 16), static_cast<std::uint8_t>(command >> 24)};
    TevalMiniRequest request{};
    request.input = Address(input);
    request.inputLength = 4;
    request.output = Address(buffer);
    request.outputLength = static_cast<std::uint32_t>(length);
    return ::ioctl(m_fd, kIoctlControl, &request) >= 0 ? 1 : 0;
}

int CCallMiniUsb::Bulk(unsigned long code, const void *data, int length, unsigned *transferred,
                       const CTransferCancel *cancel)
{
    if (m_open == 0) {
        return 0;
    }
    // The driver's transfer cannot be interrupted once issued; a cancellation is honoured
    // before it.
    const bool cancelled = m_cancelled.load() || (cancel != nullptr && cancel->IsCancelled());
    if (length < 0 || (length > 0 && data == nullptr) || cancelled) {
        if (transferred != nullptr) {
            *transferred = 0;
        }
        return 0;
    }
    // The data travels as the request's output buffer in both directions.
    TevalMiniRequest request{};
    request.output = Address(data);
    request.outputLength = static_cast<std::uint32_t>(length);
    const int r = ::ioctl(m_fd, code, &request);
    if (transferred != nullptr) {
        *transferred = r >= 0 ? request.returned : 0;
    }
    return r >= 0 ? 1 : 0;
}

int CCallMiniUsb::BulkWrite(const void *data, int length, unsigned *transferred)
{
    return Bulk(kIoctlBulkWrite, data, length, transferred, nullptr);
}

int CCallMiniUsb::BulkRead(void *buffer, int length, unsigned *transferred)
{
    return Bulk(kIoctlBulkRead, buffer, length, transferred, nullptr);
}

int CCallMiniUsb::BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                                      const CTransferCancel *cancel)
{
    return Bulk(kIoctlBulkRead, buffer, length, transferred, cancel);
}

void CCallMiniUsb::CancelTransfers()
{
    m_cancelled.store(true);
}
