// Opening through the real libusb/libudev path: which device, which transport, which layout.
#include "UsbTestbed.h"
#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "protocol/TevalCodes.h"
#include "sim/CSimCamera.h"
#include "usb/CCallMiniUsb.h"
#include "usb/CCallSys.h"
#include "usb/CCallWinUsb.h"
#include "usb/CTransferCancel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <typeinfo>

namespace {

class UsbOpenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("TEVALCAP_SIMULATE");
        ReleaseDevice();
        Teval_ModifyStyle(0xFFFFFFFF, 0);
        UsbTestbed::Instance().RemoveAll();
        m_first.Reset();
        m_second.Reset();
        m_first.SetLogging(true);
        m_second.SetLogging(true);
    }
    void TearDown() override
    {
        ReleaseDevice();
        Teval_ModifyStyle(0xFFFFFFFF, 0);
        UsbTestbed::Instance().RemoveAll();
    }

    CSimCamera m_first;
    CSimCamera m_second;
};

} // namespace

TEST_F(UsbOpenTest, NoCameraMakesEveryExportFailAtOnce)
{
    std::int32_t value = 11;
    std::uint16_t word = 12;
    std::uint8_t buffer[64] = {};
    std::uint32_t count = 13;
    std::uint16_t freeWords[2] = {1, 2};
    EXPECT_EQ(Teval_OpenDevice(), 0);
    EXPECT_EQ(Teval_SetParamLong(teval::kParamBrightness, 1), 0);
    EXPECT_EQ(Teval_GetParamLong(teval::kParamBrightness, &value), 0);
    EXPECT_EQ(Teval_SetFreeParams(freeWords, 2, 0), 0);
    EXPECT_EQ(Teval_GetFreeParams(freeWords, 2, 0), 0);
    EXPECT_EQ(Teval_MonitorCmd("x"), 0);
    EXPECT_EQ(Teval_SetCurrentImage(1), 0);
    EXPECT_EQ(Teval_GetCurrentImage(&word), 0);
    EXPECT_EQ(Teval_QueryStatus(&word, &word), 0);
    EXPECT_EQ(Teval_RCVFile(buffer, sizeof buffer), 0);
    EXPECT_EQ(Teval_XMTFile(0, buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(Teval_XMTThumbnail(0, buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(Teval_SetFileType(1), 0);
    EXPECT_EQ(Teval_SetCurrentPath("/a"), 0);
    EXPECT_EQ(Teval_SetFileName("a"), 0);
    EXPECT_EQ(Teval_GetDCFInfo(0, &word, &word, &word, &word), 0);
    EXPECT_EQ(Teval_GetFileAttributes(0, buffer), 0);
    Teval_CloseDevice();
    EXPECT_EQ(value, 11);
    EXPECT_EQ(word, 12);
    EXPECT_EQ(count, 13u);
    EXPECT_EQ(freeWords[1], 2);
}

TEST_F(UsbOpenTest, OnlyTheFirstOfTwoCamerasIsOpened)
{
    UsbTestbed::Instance().AddGenericCamera(m_first, 2);
    UsbTestbed::Instance().AddGenericCamera(m_second, 3);
    ASSERT_EQ(Teval_SetParamLong(teval::kParamEffect, 4), 1);
    EXPECT_EQ(m_first.Param(teval::kParamEffect), 4);
    EXPECT_EQ(m_second.Param(teval::kParamEffect), 0);
    EXPECT_TRUE(m_second.TakeLog().empty());
}

TEST_F(UsbOpenTest, InterruptPipeIsAcceptedAndIsochronousPipeIsNot)
{
    UsbTestbed::Instance().AddGenericCamera(m_first, 2, UsbTestbed::Layout::BulkOnly);
    EXPECT_EQ(Teval_OpenDevice(), 1);
    ReleaseDevice();
    UsbTestbed::Instance().RemoveAll();
    UsbTestbed::Instance().AddGenericCamera(m_first, 2, UsbTestbed::Layout::BulkAndInterrupt);
    EXPECT_EQ(Teval_OpenDevice(), 1);
    ReleaseDevice();
    UsbTestbed::Instance().RemoveAll();
    UsbTestbed::Instance().AddGenericCamera(m_first, 2, UsbTestbed::Layout::WithIsochronous);
    EXPECT_EQ(Teval_OpenDevice(), 0);
    CCallWinUsb direct;
    EXPECT_EQ(direct.IsOpen(), 0);
    EXPECT_EQ(direct.ControlOut(0x1200, nullptr, 0), 0);
    unsigned moved = 42;
    EXPECT_EQ(direct.BulkRead(nullptr, 0, &moved), 0);
    EXPECT_EQ(moved, 42u); // not open: touches nothing
}

TEST_F(UsbOpenTest, MiniDriverIsTriedOnlyWithStyleBitZero)
{
    UsbTestbed::Instance().AddMiniCamera(m_first, 0);
    EXPECT_EQ(Teval_OpenDevice(), 0);
    EXPECT_EQ(Teval_ModifyStyle(0, 1), 1u);
    ASSERT_EQ(Teval_OpenDevice(), 1);
    {
        DeviceLockGuard guard(DeviceLock());
        CCallSys *device = AcquireDevice();
        ASSERT_NE(device, nullptr);
        EXPECT_NE(dynamic_cast<CCallMiniUsb *>(device), nullptr);
    }
    // The whole command set works over the mini driver as well.
    ASSERT_EQ(Teval_SetParamLong(0x2008, 0x00010002), 1);
    std::int32_t value = 0;
    ASSERT_EQ(Teval_GetParamLong(0x2008, &value), 1);
    EXPECT_EQ(value, 0x00010002);
    const auto log = m_first.TakeLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].data, (std::vector<std::uint8_t>{0x08, 0x20, 0x02, 0x00, 0x01, 0x00}));
    EXPECT_EQ(log[1].index, 0x2008);

    std::vector<std::uint8_t> file(5000, 0x3C);
    ASSERT_EQ(Teval_RCVFile(file.data(), static_cast<std::uint32_t>(file.size())), 1);
    std::vector<std::uint8_t> back(8192);
    std::uint32_t count = 0;
    const auto last = static_cast<std::uint8_t>(m_first.Files().size() - 1);
    ASSERT_EQ(Teval_XMTFile(last, back.data(), static_cast<std::uint32_t>(back.size()), &count), 1);
    EXPECT_EQ(count, file.size());

    // With the generic path present as well, it wins.
    ReleaseDevice();
    UsbTestbed::Instance().AddGenericCamera(m_second, 2);
    {
        DeviceLockGuard guard(DeviceLock());
        EXPECT_NE(dynamic_cast<CCallWinUsb *>(AcquireDevice()), nullptr);
    }
}

TEST_F(UsbOpenTest, FrameMessagesArriveThroughLibusb)
{
    UsbTestbed::Instance().AddGenericCamera(m_first, 2);
    m_first.SetLogging(false);
    m_first.UseManualClock(true);
    m_first.SetPaced(false);
    ASSERT_EQ(Teval_SetParamLong(teval::kParamWidth, 320), 1);
    ASSERT_EQ(Teval_SetParamLong(teval::kParamHeight, 240), 1);
    ASSERT_EQ(Teval_SetParamLong(teval::kParamStreaming, 1), 1);
    std::shared_ptr<CCallSys> device = AcquireDeviceShared();
    ASSERT_TRUE(device);
    std::vector<std::uint8_t> buffer(523264);
    for (int i = 0; i < 3; ++i) {
        unsigned received = 0;
        ASSERT_NE(device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()),
                                              &received, nullptr),
                  0);
        EXPECT_EQ(received % 64, 16u);
        EXPECT_EQ(received, m_first.LastFrameMessage().size());
        m_first.AdvanceClock(std::chrono::milliseconds(1000));
    }
}

TEST_F(UsbOpenTest, PendingLibusbReadEndsOnCancelAndOnRelease)
{
    UsbTestbed::Instance().AddGenericCamera(m_first, 2);
    m_first.SetLogging(false);
    m_first.UseManualClock(true); // paced, and the clock never moves: no second frame comes
    ASSERT_EQ(Teval_SetParamLong(teval::kParamWidth, 320), 1);
    ASSERT_EQ(Teval_SetParamLong(teval::kParamHeight, 240), 1);
    ASSERT_EQ(Teval_SetParamLong(teval::kParamStreaming, 1), 1);
    std::shared_ptr<CCallSys> device = AcquireDeviceShared();
    ASSERT_TRUE(device);
    std::vector<std::uint8_t> buffer(523264);
    unsigned received = 0;
    ASSERT_NE(device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()), &received,
                                          nullptr),
              0);

    CTransferCancel token;
    std::atomic<int> result{-1};
    std::thread reader([&] {
        unsigned count = 0;
        result = device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()), &count,
                                             &token);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(80)); // let it wait (no assertion)
    token.Cancel();
    reader.join();
    EXPECT_EQ(result.load(), 0);

    // Commands still run while a read waits; releasing the device ends the read.
    token.Reset();
    std::thread second([&] {
        unsigned count = 0;
        result = device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()), &count,
                                             &token);
    });
    std::int32_t status = 0;
    EXPECT_EQ(Teval_GetParamLong(teval::kParamStreamStatus, &status), 1);
    ReleaseDevice();
    second.join();
    EXPECT_EQ(result.load(), 0);
    device.reset(); // the last reference closes the old transport
    EXPECT_EQ(Teval_OpenDevice(), 1);
}
