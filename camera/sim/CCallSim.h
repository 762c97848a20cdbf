#pragma once

#include "usb/CCallSys.h"

#include <atomic>
#include <cstdint>

class CSimCamera;

// Transport to the simulated camera (chosen only with TEVALCAP_SIMULATE=1). It runs the same
// bulk loop as the USB transports against the camera model's wire operations.
class CCallSim : public CCallSys {
public:
    // Opens when the model is plugged in.
    explicit CCallSim(CSimCamera &camera);
    ~CCallSim() override;

    int IsOpen() override;
    int ControlOut(std::uint32_t command, const void *data, int length) override;
    int ControlIn(std::uint32_t command, void *buffer, int length) override;
    int BulkWrite(const void *data, int length, unsigned *transferred) override;
    int BulkRead(void *buffer, int length, unsigned *transferred) override;
    int BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                            const CTransferCancel *cancel) override;
    void CancelTransfers() override;

    // Whether TEVALCAP_SIMULATE=1 is set in the environment.
    static bool Requested();

private:
    CSimCamera &m_camera;
    int m_open = 0;
    std::atomic<bool> m_cancelled{false};
};
