#include "device/DeviceAccess.h"

#include "sim/CCallSim.h"
#include "sim/CSimCamera.h"
#include "usb/CCallMiniUsb.h"
#include "usb/CCallWinUsb.h"
#include "usb/UdevLookup.h"

namespace {

struct AccessPoint {
    std::recursive_mutex lock;
    std::shared_ptr<CCallSys> transport;
    OpenResult lastFailure;   // guarded by lock
    TransportFactory factory; // guarded by lock; empty: OpenTransport
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

// Opens the first transport that answers; failure tells why none did. Of two failures the
// more telling one is kept (a mini-driver path that finds no node says less than a generic one
// that was refused).
std::shared_ptr<CCallSys> OpenTransport(std::uint32_t style, OpenResult &failure)
{
    auto keep = [&](std::shared_ptr<CCallSys> transport) -> std::shared_ptr<CCallSys> {
        if (transport->IsOpen() != 0) {
            failure = {};
            return transport;
        }
        const OpenResult &error = transport->OpenError();
        if (!failure.Failed() || error.reason != OpenFailure::NoDevice) {
            failure = error;
        }
        return nullptr;
    };
    if (CCallSim::Requested()) {
        return keep(std::make_shared<CCallSim>(CSimCamera::Shared(), CCallSim::ClaimPath()));
    }
    failure = {};
    if (auto generic = keep(std::make_shared<CCallWinUsb>())) {
        return generic;
    }
    if ((style & kStyleAllowMiniDriver) != 0) {
        if (auto mini = keep(std::make_shared<CCallMiniUsb>())) {
            return mini;
        }
    }
    if (failure.reason == OpenFailure::None) {
        failure = {OpenFailure::NoDevice, kNoInterfaceText};
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
        const std::uint32_t style = point.style.load();
        point.transport = point.factory ? point.factory(style, point.lastFailure)
                                        : OpenTransport(style, point.lastFailure);
    }
    return point.transport;
}

CCallSys *AcquireDevice()
{
    return AcquireDeviceShared().get();
}

void SetTransportFactory(TransportFactory factory)
{
    ReleaseDevice();
    AccessPoint &point = Point();
    DeviceLockGuard guard(point.lock);
    point.factory = std::move(factory);
    point.lastFailure = {};
}

OpenResult LastOpenFailure()
{
    AccessPoint &point = Point();
    DeviceLockGuard guard(point.lock);
    return point.lastFailure;
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
