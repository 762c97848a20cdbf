#include "CCallWinUsb.h"

#include "BulkLoop.h"
#include "CTransferCancel.h"
#include "UdevLookup.h"

#include <fcntl.h>
#include <libusb.h>
#include <unistd.h>

#include <mutex>

namespace {

constexpr std::uint8_t kRequestTypeOut = 0x40; // vendor, host to device, device
constexpr std::uint8_t kRequestTypeIn = 0xC0;  // vendor, device to host, device
constexpr std::uint8_t kVendorRequest = 0x01;
// A frame read waits in slices this long so that a cancellation is noticed promptly.
constexpr unsigned kReadSliceMs = 50;

void DisableDeviceDiscovery()
{
    // The device is opened from its node; libusb must not scan the bus itself.
    static std::once_flag once;
    std::call_once(once, [] { libusb_set_option(nullptr, LIBUSB_OPTION_NO_DEVICE_DISCOVERY); });
}

} // namespace

CCallWinUsb::CCallWinUsb()
{
    const std::string node = FindInterfaceNode(kInterfaceGuid);
    if (node.empty()) {
        return;
    }
    m_fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        return;
    }
    DisableDeviceDiscovery();
    if (libusb_init(&m_context) != 0) {
        m_context = nullptr;
        return;
    }
    if (libusb_wrap_sys_device(m_context, static_cast<intptr_t>(m_fd), &m_handle) != 0) {
        m_handle = nullptr;
        return;
    }
    libusb_device *device = libusb_get_device(m_handle);
    if (libusb_get_device_speed(device) < 0) {
        return;
    }
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 || config == nullptr) {
        return;
    }
    bool layoutOk = config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0;
    if (layoutOk) {
        const libusb_interface_descriptor &setting = config->interface[0].altsetting[0];
        for (int i = 0; i < setting.bNumEndpoints && layoutOk; ++i) {
            const libusb_endpoint_descriptor &endpoint = setting.endpoint[i];
            switch (endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) {
            case LIBUSB_TRANSFER_TYPE_BULK:
                if ((endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0) {
                    m_pipeIn = endpoint.bEndpointAddress;
                } else {
                    m_pipeOut = endpoint.bEndpointAddress;
                }
                break;
            case LIBUSB_TRANSFER_TYPE_INTERRUPT:
                break; // accepted, not used
            default:
                layoutOk = false;
                break;
            }
        }
    }
    libusb_free_config_descriptor(config);
    if (!layoutOk) {
        return;
    }
    if (libusb_claim_interface(m_handle, 0) != 0) {
        return;
    }
    m_open = 1;
}

CCallWinUsb::~CCallWinUsb()
{
    if (m_handle != nullptr) {
        if (m_open != 0) {
            libusb_release_interface(m_handle, 0);
        }
        libusb_close(m_handle);
    }
    if (m_context != nullptr) {
        libusb_exit(m_context);
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

int CCallWinUsb::IsOpen()
{
    return m_open;
}

int CCallWinUsb::ControlOut(std::uint32_t command, const void *data, int length)
{
    if (m_open == 0 || length < 0 || length > 0xFFFF || (length > 0 && data == nullptr)) {
        return 0;
    }
    // The argument half of the command word is not sent on this direction.
    const int r = libusb_control_transfer(m_handle, kRequestTypeOut, kVendorRequest,
                                          static_cast<std::uint16_t>(command & 0xFFFF), 0,
                                          static_cast<unsigned char *>(const_cast<void *>(data)),
                                          static_cast<std::uint16_t>(length), 0);
    return r >= 0 ? 1 : 0;
}

int CCallWinUsb::ControlIn(std::uint32_t command, void *buffer, int length)
{
    if (m_open == 0 || length < 0 || length > 0xFFFF || (length > 0 && buffer == nullptr)) {
        return 0;
    }
    const int r = libusb_control_transfer(
        m_handle, kRequestTypeIn, kVendorRequest, static_cast<std::uint16_t>(command & 0xFFFF),
        static_cast<std::uint16_t>(command >> 16), static_cast<unsigned char *>(buffer),
        static_cast<std::uint16_t>(length), 0);
    return r >= 0 ? 1 : 0;
}

int CCallWinUsb::Bulk(unsigned char pipe, unsigned char *data, int length, unsigned *transferred,
                      const CTransferCancel *cancel)
{
    if (m_open == 0) {
        return 0;
    }
    return RunBulkLoop(data, length, transferred, [&](unsigned char *p, int want, int &moved) {
        moved = 0;
        // One call of the loop: waits in slices until the transfer completes, fails, or the
        // transport or the caller's token is cancelled.
        for (;;) {
            if (m_cancelled.load() || (cancel != nullptr && cancel->IsCancelled())) {
                return false;
            }
            int got = 0;
            const int r =
                libusb_bulk_transfer(m_handle, pipe, p + moved, want - moved, &got, kReadSliceMs);
            moved += got;
            if (r == LIBUSB_ERROR_TIMEOUT) {
                if (moved >= want || (moved > 0 && moved % 64 != 0)) {
                    return true;
                }
                continue;
            }
            if (r == LIBUSB_ERROR_PIPE) {
                libusb_clear_halt(m_handle, pipe); // stalls are cleared automatically
            }
            return r == 0;
        }
    });
}

int CCallWinUsb::BulkWrite(const void *data, int length, unsigned *transferred)
{
    return Bulk(m_pipeOut, static_cast<unsigned char *>(const_cast<void *>(data)), length,
                transferred, nullptr);
}

int CCallWinUsb::BulkRead(void *buffer, int length, unsigned *transferred)
{
    return Bulk(m_pipeIn, static_cast<unsigned char *>(buffer), length, transferred, nullptr);
}

int CCallWinUsb::BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                                     const CTransferCancel *cancel)
{
    return Bulk(m_pipeIn, static_cast<unsigned char *>(buffer), length, transferred, cancel);
}

void CCallWinUsb::CancelTransfers()
{
    m_cancelled.store(true);
}
