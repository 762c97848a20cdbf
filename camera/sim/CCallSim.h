#pragma once

#include "usb/CCallBase.h"
#include "usb/CRuntimeLock.h"

#include <cstdint>
#include <memory>
#include <string>

class CSimCamera;

// Transport to the simulated camera (chosen only with TEVALCAP_SIMULATE=1). It runs the same
// bulk loop as the USB transports against the camera model's wire operations.
class CCallSim : public CCallBase {
public:
    // Opens when the model is plugged in. With a claim path it also claims the camera across
    // processes, as the kernel does for a real interface: an advisory lock on that file,
    // holding this process's id, kept while the transport is open. A lock held by another
    // process leaves the transport closed with the failure Busy.
    explicit CCallSim(CSimCamera &camera, const std::string &claimPath = {});
    ~CCallSim() override;

    int ControlOut(std::uint32_t command, const void *data, int length) override;
    int ControlInReply(std::uint32_t command, void *buffer, int length, int *received) override;
    int BulkWrite(const void *data, int length, unsigned *transferred) override;
    int BulkReadCancellable(void *buffer, int length, unsigned *transferred,
                            const CTransferCancel *cancel) override;

    // Whether TEVALCAP_SIMULATE=1 is set in the environment.
    static bool Requested();
    // Where the simulated camera of this user is claimed: the file $TEVALCAP_SIM_LOCK if set,
    // a file of this process alone if it is "private" (tests running side by side), else
    // the runtime folder's tevalcap-sim.lock.
    static std::string ClaimPath();

private:
    CSimCamera &m_camera;
    std::shared_ptr<CRuntimeLock> m_claim;
};
