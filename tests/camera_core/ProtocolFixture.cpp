#include "ProtocolFixture.h"

#include "UsbTestbed.h"
#include "device/DeviceAccess.h"

#include <cstdlib>

std::string TransportName(const ::testing::TestParamInfo<Transport> &info)
{
    return info.param == Transport::Simulated ? "Simulated" : "Usb";
}

CSimCamera &ProtocolTest::UsbCamera()
{
    static CSimCamera *camera = new CSimCamera; // lives for the whole run
    return *camera;
}

CSimCamera &ProtocolTest::Camera()
{
    return GetParam() == Transport::Simulated ? CSimCamera::Shared() : UsbCamera();
}

void ProtocolTest::SetUp()
{
    ReleaseDevice();
    if (GetParam() == Transport::Simulated) {
        setenv("TEVALCAP_SIMULATE", "1", 1);
    } else {
        unsetenv("TEVALCAP_SIMULATE");
        UsbTestbed::Instance().RemoveAll();
        UsbTestbed::Instance().AddGenericCamera(UsbCamera(), 2);
    }
    Camera().Reset();
    Camera().SetLogging(true);
}

void ProtocolTest::TearDown()
{
    ReleaseDevice();
    Camera().Reset();
    unsetenv("TEVALCAP_SIMULATE");
}

void ProtocolTest::TakeLog()
{
    m_log = Camera().TakeLog();
}

std::vector<CSimCamera::Request> ProtocolTest::Requests(CSimCamera::Request::Kind kind)
{
    std::vector<CSimCamera::Request> out;
    for (const auto &request : m_log) {
        if (request.kind == kind) {
            out.push_back(request);
        }
    }
    return out;
}
