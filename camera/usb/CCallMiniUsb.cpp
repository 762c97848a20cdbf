#include "CCallMiniUsb.h"

#include "CTransferCancel.h"
#include "TevalLog.h"
#include "UdevLookup.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

std::uint64_t Address(const void *p)
{
    return reinterpret_cast<std::uintptr_t>(p);
}

} // namespace

CCallMiniUsb::CCallMiniUsb()
{
    m_node = FindInterfaceNode(kInterfaceGuid);
    if (m_node.empty()) {
        m_failure = {OpenFailure::NoDevice, kNoInterfaceText};
        return;
    }
    m_fd = ::open(m_node.c_str(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        m_failure = NodeOpenFailure(m_node, errno);
        return;
    }
    TEVAL_INFO("opened the mini driver at %s", m_node.c_str());
    m_open = 1;
}

const OpenResult &CCallMiniUsb::OpenError() const
{
    return m_failure;
}

int CCallMiniUsb::Request(unsigned long code, TevalMiniRequest &request)
{
    const int r = ::ioctl(m_fd, code, &request);
    if (r < 0) {
        const int error = errno;
        TEVAL_WARNING("%s: ioctl 0x%lx (in %u, out %u bytes): %s", m_node.c_str(), code,
                      request.inputLength, request.outputLength, std::strerror(error));
    }
    return r >= 0 ? 1 : 0;
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
    return Request(kIoctlControl, request);
}

int CCallMiniUsb::ControlIn(std::uint32_t command, void *buffer, int length)
{
    return ControlInReply(command, buffer, length, nullptr);
}

int CCallMiniUsb::ControlInReply(std::uint32_t command, void *buffer, int length, int *received)
{
    if (received != nullptr) {
        *received = 0;
    }
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
    const int ok = Request(kIoctlControl, request);
    if (ok != 0 && received != nullptr) {
        // The driver's count, never more than the buffer it was given.
        *received = static_cast<int>(std::min(request.returned, request.outputLength));
    }
    return ok;
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
    const int ok = Request(code, request);
    // The driver's count is never trusted beyond the buffer it was given.
    const std::uint32_t asked = static_cast<std::uint32_t>(length);
    if (ok != 0 && request.returned > asked) {
        TEVAL_WARNING("%s: the driver reports %u bytes moved of %u asked", m_node.c_str(),
                      request.returned, asked);
    }
    if (transferred != nullptr) {
        *transferred = ok != 0 ? std::min(request.returned, asked) : 0;
    }
    return ok;
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
