#pragma once

#include "CCallBase.h"

#include <cstdint>
#include <string>

// Argument block of the three mini-driver requests: the input and output buffers of one
// request and the byte count the driver reports back (the layout the driver shares with us).
struct TevalMiniRequest {
    std::uint64_t input; // address of the input bytes (0 for none)
    std::uint32_t inputLength;
    std::uint32_t outputLength;
    std::uint64_t output;   // address of the output bytes (0 for none)
    std::uint32_t returned; // written by the driver: bytes moved
    std::uint32_t reserved;
};

// Transport over the camera's own kernel mini driver: ioctl(2) with three control codes on the
// device node of the first present device whose udev property TEVALCAP_INTERFACE is the
// mini-driver interface GUID.
class CCallMiniUsb : public CCallBase {
public:
    static constexpr const char *kInterfaceGuid = "{EA4FA382-B0DA-4C20-8521-A4F159E9A011}";
    static constexpr unsigned long kIoctlControl = 0x9C40C194ul;
    static constexpr unsigned long kIoctlBulkWrite = 0x9C40C19Eul;
    static constexpr unsigned long kIoctlBulkRead = 0x9C40C199ul;
    // Largest data block that accompanies a control request.
    static constexpr int kMaxControlData = 64;

    CCallMiniUsb();
    ~CCallMiniUsb() override;
    CCallMiniUsb(const CCallMiniUsb &) = delete;
    CCallMiniUsb &operator=(const CCallMiniUsb &) = delete;

    int ControlOut(std::uint32_t command, const void *data, int length) override;
    int ControlInReply(std::uint32_t command, void *buffer, int length, int *received) override;
    int BulkWrite(const void *data, int length, unsigned *transferred) override;
    int BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                            const CTransferCancel *cancel) override;

private:
    // One ioctl; a failure is logged with errno.
    int Request(unsigned long code, TevalMiniRequest &request);
    int Bulk(unsigned long code, const void *data, int length, unsigned *transferred,
             const CTransferCancel *cancel);

    std::string m_node;
    int m_fd = -1;
};
