#pragma once

#include "CCallBase.h"

#include <cstdint>
#include <string>

struct libusb_context;
struct libusb_device_handle;

// Transport over the generic USB driver path: libusb on the device node of the first present
// device whose udev property TEVALCAP_INTERFACE is the generic interface GUID.
class CCallWinUsb : public CCallBase {
public:
    static constexpr const char *kInterfaceGuid = "{264D2EF8-B78E-4249-A210-401900E45B83}";

    CCallWinUsb();
    ~CCallWinUsb() override;
    CCallWinUsb(const CCallWinUsb &) = delete;
    CCallWinUsb &operator=(const CCallWinUsb &) = delete;

    int ControlOut(std::uint32_t command, const void *data, int length) override;
    int ControlInReply(std::uint32_t command, void *buffer, int length, int *received) override;
    int BulkWrite(const void *data, int length, unsigned *transferred) override;
    int BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                            const CTransferCancel *cancel) override;

private:
    void FailLibusb(const char *step, int error);
    int Bulk(unsigned char pipe, unsigned char *data, int length, unsigned *transferred,
             const CTransferCancel *cancel);

    std::string m_node;
    std::uint16_t m_vendor = 0;
    std::uint16_t m_product = 0;
    int m_fd = -1;
    libusb_context *m_context = nullptr;
    libusb_device_handle *m_handle = nullptr;
    unsigned char m_pipeIn = 0;
    unsigned char m_pipeOut = 0;
};
