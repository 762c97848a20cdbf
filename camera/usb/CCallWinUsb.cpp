#include "CCallWinUsb.h"

#include "BulkLoop.h"
#include "TevalLog.h"
#include "UdevLookup.h"

#include <libusb.h>
#include <unistd.h>

#include <algorithm>
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
    m_fd = OpenInterfaceNode(kInterfaceGuid, m_node, m_failure);
    if (m_fd < 0) {
        return;
    }
    DisableDeviceDiscovery();
    int r = libusb_init(&m_context);
    if (r != 0) {
        m_context = nullptr;
        FailLibusb("initialise", r);
        return;
    }
    r = libusb_wrap_sys_device(m_context, static_cast<intptr_t>(m_fd), &m_handle);
    if (r != 0) {
        m_handle = nullptr;
        FailLibusb("wrap the device node", r);
        return;
    }
    libusb_device *device = libusb_get_device(m_handle);
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) == 0) {
        m_vendor = descriptor.idVendor;
        m_product = descriptor.idProduct;
    }
    r = libusb_get_device_speed(device);
    if (r < 0) {
        FailLibusb("read the device speed", r);
        return;
    }
    libusb_config_descriptor *config = nullptr;
    r = libusb_get_active_config_descriptor(device, &config);
    if (r != 0 || config == nullptr) {
        FailLibusb("read the active configuration", r != 0 ? r : LIBUSB_ERROR_OTHER);
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
                TEVAL_WARNING("%s (%04x:%04x): endpoint 0x%02x has transfer type %d",
                              m_node.c_str(), m_vendor, m_product, endpoint.bEndpointAddress,
                              endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK);
                layoutOk = false;
                break;
            }
        }
    }
    libusb_free_config_descriptor(config);
    if (!layoutOk) {
        m_failure = {OpenFailure::Layout,
                     "the device at " + m_node +
                         " has endpoints other than bulk and interrupt ones (is it the camera?)"};
        return;
    }
    // The claim comes before any request reaches the camera.
    r = libusb_claim_interface(m_handle, 0);
    if (r == LIBUSB_ERROR_BUSY) {
        m_failure = {OpenFailure::Busy, "interface 0 is claimed by another program"};
        TEVAL_WARNING("%s (%04x:%04x): claiming interface 0: %s", m_node.c_str(), m_vendor,
                      m_product, libusb_error_name(r));
        return;
    }
    if (r != 0) {
        FailLibusb("claim interface 0", r);
        m_failure.reason = OpenFailure::Claim;
        return;
    }
    TEVAL_INFO("opened %s (%04x:%04x), bulk in 0x%02x, bulk out 0x%02x", m_node.c_str(), m_vendor,
               m_product, m_pipeIn, m_pipeOut);
    m_open = 1;
}

void CCallWinUsb::FailLibusb(const char *step, int error)
{
    m_failure = {OpenFailure::Libusb, std::string("libusb could not ") + step + " on " + m_node +
                                          ": " + libusb_error_name(error)};
    TEVAL_WARNING("%s (%04x:%04x): libusb could not %s: %s", m_node.c_str(), m_vendor, m_product,
                  step, libusb_error_name(error));
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

int CCallWinUsb::ControlOut(std::uint32_t command, const void *data, int length)
{
    if (!Accepts(data, length, 0xFFFF)) {
        return 0;
    }
    // The argument half of the command word is not sent on this direction.
    const int r = libusb_control_transfer(m_handle, kRequestTypeOut, kVendorRequest,
                                          static_cast<std::uint16_t>(command & 0xFFFF), 0,
                                          static_cast<unsigned char *>(const_cast<void *>(data)),
                                          static_cast<std::uint16_t>(length), 0);
    if (r < 0) {
        TEVAL_WARNING("%s: control out 0x%04x (%d bytes): %s", m_node.c_str(),
                      static_cast<unsigned>(command & 0xFFFF), length, libusb_error_name(r));
    }
    return r >= 0 ? 1 : 0;
}

int CCallWinUsb::ControlInReply(std::uint32_t command, void *buffer, int length, int *received)
{
    if (received != nullptr) {
        *received = 0;
    }
    if (!Accepts(buffer, length, 0xFFFF)) {
        return 0;
    }
    const int r = libusb_control_transfer(
        m_handle, kRequestTypeIn, kVendorRequest, static_cast<std::uint16_t>(command & 0xFFFF),
        static_cast<std::uint16_t>(command >> 16), static_cast<unsigned char *>(buffer),
        static_cast<std::uint16_t>(length), 0);
    if (r < 0) {
        TEVAL_WARNING("%s: control in 0x%04x index 0x%04x (%d bytes): %s", m_node.c_str(),
                      static_cast<unsigned>(command & 0xFFFF), static_cast<unsigned>(command >> 16),
                      length, libusb_error_name(r));
    }
    if (r >= 0 && received != nullptr) {
        *received = std::min(r, length);
    }
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
            if (Cancelled(cancel)) {
                return false;
            }
            int got = 0;
            const int r =
                libusb_bulk_transfer(m_handle, pipe, p + moved, want - moved, &got, kReadSliceMs);
            // Never more than was asked, whatever the library reports.
            moved += std::clamp(got, 0, want - moved);
            if (r == LIBUSB_ERROR_TIMEOUT) {
                if (moved >= want || (moved > 0 && moved % 64 != 0)) {
                    return true;
                }
                continue;
            }
            if (r == LIBUSB_ERROR_PIPE) {
                libusb_clear_halt(m_handle, pipe); // stalls are cleared automatically
            }
            if (r != 0) {
                TEVAL_WARNING("%s: bulk transfer on endpoint 0x%02x after %d of %d bytes: %s",
                              m_node.c_str(), pipe, moved, want, libusb_error_name(r));
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

int CCallWinUsb::BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                                     const CTransferCancel *cancel)
{
    return Bulk(m_pipeIn, static_cast<unsigned char *>(buffer), length, transferred, cancel);
}
