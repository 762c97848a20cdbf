// Why a camera cannot be opened: the reason the access point keeps and the sentence tevalctl
// prints, for each way the real libusb/libudev path can fail.
#include "TevalCtl.h"
#include "UsbTestbed.h"
#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "protocol/TevalCodes.h"
#include "sim/CSimCamera.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace {

// Clears CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH from this thread's effective set, so that a
// test running as root meets file permissions as a user does; restored on destruction.
class ScopedNoPermissionOverride {
public:
    ScopedNoPermissionOverride()
    {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        if (syscall(SYS_capget, &m_header, m_saved) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_changed = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~ScopedNoPermissionOverride()
    {
        if (m_changed) {
            syscall(SYS_capset, &m_header, m_saved);
        }
    }
    ScopedNoPermissionOverride(const ScopedNoPermissionOverride &) = delete;
    ScopedNoPermissionOverride &operator=(const ScopedNoPermissionOverride &) = delete;

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_changed = false;
};

class OpenFailureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("TEVALCAP_SIMULATE");
        ReleaseDevice();
        UsbTestbed::Instance().RemoveAll();
        m_camera.Reset();
        m_camera.SetLogging(true);
    }
    void TearDown() override
    {
        ReleaseDevice();
        Teval_ModifyStyle(0xFFFFFFFF, 0);
        UsbTestbed::Instance().RemoveAll();
    }

    // tevalctl status: its exit status and the line it wrote to standard error.
    std::string StatusError()
    {
        std::ostringstream out;
        std::ostringstream err;
        TevalCtl tool(out, err);
        EXPECT_EQ(tool.Run({"status"}), TevalCtl::kDeviceError);
        return err.str();
    }

    CSimCamera m_camera;
};

} // namespace

TEST_F(OpenFailureTest, NoNodeWithThePropertyIsNamedAsSuch)
{
    EXPECT_EQ(Teval_OpenDevice(), 0);
    const OpenResult failure = LastOpenFailure();
    EXPECT_EQ(failure.reason, OpenFailure::NoDevice);
    EXPECT_EQ(StatusError(), "tevalctl: no camera found: no camera with the TEVALCAP_INTERFACE "
                             "property (is the udev rule installed and its ids set?)\n");
}

TEST_F(OpenFailureTest, PermissionDeniedNamesTheNode)
{
    UsbTestbed::Instance().AddGenericCamera(m_camera, 5);
    UsbTestbed::Instance().DenyAccess(5);
    std::string error;
    {
        ScopedNoPermissionOverride asUser;
        EXPECT_EQ(Teval_OpenDevice(), 0);
        EXPECT_EQ(LastOpenFailure().reason, OpenFailure::Permission);
        error = StatusError();
    }
    EXPECT_EQ(error, "tevalctl: the camera cannot be used: permission denied on "
                     "/dev/bus/usb/001/005 (the udev rule's uaccess tag did not apply)\n");
    EXPECT_TRUE(m_camera.TakeLog().empty());
}

TEST_F(OpenFailureTest, LibusbAndLayoutFailuresSayWhichStepFailed)
{
    UsbTestbed::Instance().AddGenericCamera(m_camera, 2, UsbTestbed::Layout::NoConfiguration);
    EXPECT_EQ(Teval_OpenDevice(), 0);
    OpenResult failure = LastOpenFailure();
    EXPECT_EQ(failure.reason, OpenFailure::Libusb);
    EXPECT_NE(failure.text.find("libusb could not"), std::string::npos) << failure.text;
    EXPECT_NE(failure.text.find("/dev/bus/usb/001/002: LIBUSB_ERROR_"), std::string::npos)
        << failure.text;

    UsbTestbed::Instance().RemoveAll();
    UsbTestbed::Instance().AddGenericCamera(m_camera, 3, UsbTestbed::Layout::WithIsochronous);
    EXPECT_EQ(Teval_OpenDevice(), 0);
    failure = LastOpenFailure();
    EXPECT_EQ(failure.reason, OpenFailure::Layout);
    EXPECT_NE(StatusError().find("/dev/bus/usb/001/003 has endpoints other than bulk and "
                                 "interrupt ones"),
              std::string::npos);

    // A later open that succeeds forgets the failure.
    UsbTestbed::Instance().RemoveAll();
    UsbTestbed::Instance().AddGenericCamera(m_camera, 4);
    EXPECT_EQ(Teval_OpenDevice(), 1);
    EXPECT_EQ(LastOpenFailure().reason, OpenFailure::None);
}

TEST_F(OpenFailureTest, InterfaceClaimedElsewhereIsBusyAndNoRequestReachesTheCamera)
{
    UsbTestbed::Instance().AddGenericCamera(m_camera, 2);
    UsbTestbed::Instance().SetClaimRefused(true);
    const unsigned long urbs = UsbTestbed::Instance().SubmittedUrbs();
    std::int32_t status = 0;
    EXPECT_EQ(Teval_GetParamLong(teval::kParamCameraStatus, &status), 0);
    EXPECT_EQ(Teval_SetParamLong(teval::kParamStreaming, 0), 0);
    EXPECT_EQ(LastOpenFailure().reason, OpenFailure::Busy);
    EXPECT_EQ(StatusError(),
              "tevalctl: the camera cannot be used: interface 0 is claimed by another program\n");
    EXPECT_EQ(UsbTestbed::Instance().SubmittedUrbs(), urbs);
    EXPECT_TRUE(m_camera.TakeLog().empty());

    // Once the other program lets go, the next operation opens the camera.
    UsbTestbed::Instance().SetClaimRefused(false);
    EXPECT_EQ(Teval_GetParamLong(teval::kParamCameraStatus, &status), 1);
}

TEST_F(OpenFailureTest, CountsADriverReportsNeverExceedTheCallersBuffer)
{
    UsbTestbed::Instance().AddMiniCamera(m_camera, 5);
    Teval_ModifyStyle(0, kStyleAllowMiniDriver);
    UsbTestbed::Instance().SetMiniCountExcess(4096);
    const auto number = static_cast<std::uint8_t>(m_camera.Files().size() - 1);
    const std::size_t size = m_camera.Files().back().data.size();
    // Buffers exactly as large as the file and its thumbnail: the driver claims 4 KiB more.
    std::vector<std::uint8_t> file(size);
    std::uint32_t count = 0;
    ASSERT_EQ(Teval_XMTFile(number, file.data(), static_cast<std::uint32_t>(size), &count), 1);
    EXPECT_EQ(count, size);
    std::vector<std::uint8_t> thumbnail(64);
    ASSERT_EQ(Teval_XMTThumbnail(number, thumbnail.data(), 64, &count), 1);
    EXPECT_LE(count, 64u);
}
