#include "CCallMiniUsb.h"

#include "TevalLog.h"
#include "UdevLookup.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

std::uint64_t Address(const void *p)
{
    return reinterpret_cast<std::uintptr_t>(p);
}

} // namespace

CCallMiniUsb::CCallMiniUsb()
{
    m_fd = OpenInterfaceNode(kInterfaceGuid, m_node, m_failure);
    if (m_fd < 0) {
        return;
    }
    TEVAL_INFO("opened the mini driver at %s", m_node.c_str());
    m_open = 1;
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

int CCallMiniUsb::ControlOut(std::uint32_t command, const void *data, int length)
{
    if (!Accepts(data, length, kMaxControlData)) {
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

int CCallMiniUsb::ControlInReply(std::uint32_t command, void *buffer, int length, int *received)
{
    if (received != nullptr) {
        *received = 0;
    }
    if (!Accepts(buffer, length, INT_MAX)) {
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
    if (!Accepts(data, length, INT_MAX) || Cancelled(cancel)) {
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

int CCallMiniUsb::BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                                      const CTransferCancel *cancel)
{
    return Bulk(kIoctlBulkRead, buffer, length, transferred, cancel);
}
