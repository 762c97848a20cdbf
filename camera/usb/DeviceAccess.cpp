#include "DeviceAccess.h"

#include "CCallMiniUsb.h"
#include "CCallWinUsb.h"
#include "sim/CCallSim.h"
#include "sim/CSimCamera.h"

namespace {

struct AccessPoint {
    std::recursive_mutex lock;
    std::shared_ptr<CCallSys> transport;
    std::atomic<std::uint32_t> style{0};

    // Library unload releases the transport.
    ~AccessPoint()
    {
        if (transport) {
            transport->CancelTransfers();
        }
    }
};

AccessPoint &Point()
{
    static AccessPoint point;
    return point;
}

std::shared_ptr<CCallSys> OpenTransport(std::uint32_t style)
{
    if (CCallSim::Requested()) {
        auto sim = std::make_shared<CCallSim>(CSimCamera::Shared());
        return sim->IsOpen() != 0 ? sim : nullptr;
    }
    std::shared_ptr<CCallSys> generic = std::make_shared<CCallWinUsb>();
    if (generic->IsOpen() != 0) {
        return generic;
    }
    generic.reset();
    if ((style & kStyleAllowMiniDriver) != 0) {
        std::shared_ptr<CCallSys> mini = std::make_shared<CCallMiniUsb>();
        if (mini->IsOpen() != 0) {
            return mini;
        }
    }
    return nullptr;
}

} // namespace

std::recursive_mutex &DeviceLock()
{
    return Point().lock;
}

std::atomic<std::uint32_t> &StyleWord()
{
    return Point().style;
}

std::shared_ptr<CCallSys> AcquireDeviceShared()
{
    AccessPoint &point = Point();
    DeviceLockGuard guard(point.lock);
    // An existing transport is returned without checking whether it is still open.
    if (!point.transport) {
        point.transport = OpenTransport(point.style.load());
    }
    return point.transport;
}

CCallSys *AcquireDevice()
{
    return AcquireDeviceShared().get();
}

void ReleaseDevice()
{
    AccessPoint &point = Point();
    std::shared_ptr<CCallSys> old;
    {
        DeviceLockGuard guard(point.lock);
        old = std::move(point.transport);
        if (old) {
            old->CancelTransfers();
        }
        // Destroyed under the lock unless a frame read still holds it; then the reader's
        // reference closes it when the read returns.
        old.reset();
    }
}
