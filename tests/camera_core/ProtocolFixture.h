#pragma once

#include "sim/CSimCamera.h"

#include <gtest/gtest.h>

#include <string>

// Which transport a protocol test runs through.
enum class Transport { Simulated, Usb };

std::string TransportName(const ::testing::TestParamInfo<Transport> &info);

// Runs each test against a camera model reached either in-process (TEVALCAP_SIMULATE=1) or
// through libusb and an emulated usbfs device. The model records the wire traffic.
class ProtocolTest : public ::testing::TestWithParam<Transport> {
protected:
    void SetUp() override;
    void TearDown() override;

    CSimCamera &Camera();
    // Wire requests of one kind, in order.
    std::vector<CSimCamera::Request> Requests(CSimCamera::Request::Kind kind);
    std::vector<CSimCamera::Request> m_log;
    void TakeLog();

    // The camera model behind the emulated USB device (one per process).
    static CSimCamera &UsbCamera();
};
