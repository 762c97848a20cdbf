// The simulated camera: streaming status, frame messages at every size, a picture that follows
// the camera's parameters, and encoding only when the picture changes.
#include "FrameDecode.h"
#include "protocol/TevalCodes.h"
#include "sim/CSimCamera.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <chrono>
#include <cstdlib>

using namespace std::chrono_literals;
using namespace teval;

namespace {

struct Size {
    int width, height;
};
constexpr Size kSizes[] = {{320, 240},  {640, 480},  {960, 720}, {1024, 576},
                           {1024, 768}, {1280, 720}, {1280, 960}};

void WriteParam(CSimCamera &camera, std::uint16_t id, std::int32_t value)
{
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    const std::uint8_t data[6] = {
        static_cast<std::uint8_t>(id),      static_cast<std::uint8_t>(id >> 8),
        static_cast<std::uint8_t>(v),       static_cast<std::uint8_t>(v >> 8),
        static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    ASSERT_TRUE(camera.ControlOut(kCmdSetParam, data, 6));
}

std::int32_t ReadParam(CSimCamera &camera, std::uint16_t id)
{
    std::uint8_t reply[4] = {};
    EXPECT_EQ(camera.ControlIn(kCmdGetParam, id, reply, 4), 4);
    return static_cast<std::int32_t>(reply[0] | reply[1] << 8 | reply[2] << 16 |
                                     static_cast<std::uint32_t>(reply[3]) << 24);
}

class SimFrames : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_camera.UseManualClock(true);
        m_camera.SetPaced(false);
    }

    void Start(int width, int height)
    {
        WriteParam(m_camera, kParamWidth, width);
        WriteParam(m_camera, kParamHeight, height);
        WriteParam(m_camera, kParamQuality, width > 640 ? 20 : 16);
        WriteParam(m_camera, kParamStreaming, 1);
    }

    std::vector<std::uint8_t> ReadMessage()
    {
        std::vector<std::uint8_t> buffer(523264);
        const int n = m_camera.BulkIn(buffer.data(), static_cast<int>(buffer.size()), 0ms);
        buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return buffer;
    }

    DecodedFrame ReadFrame(int width = 320, int height = 240)
    {
        return DecodeFrameMessage(ReadMessage(), width, height);
    }

    CSimCamera m_camera;
};

} // namespace

TEST_F(SimFrames, StreamStatusReaches0x70AfterTheStartDelayAndLeavesAfterStop)
{
    EXPECT_NE(ReadParam(m_camera, kParamStreamStatus), kStreamStatusStreaming);
    const std::int32_t status = ReadParam(m_camera, kParamCameraStatus);
    EXPECT_EQ(static_cast<std::uint32_t>(status) & kCameraPresentBits, kCameraPresentBits);
    Start(640, 480);
    m_camera.AdvanceClock(CSimCamera::kStartDelay - 1ms);
    EXPECT_NE(ReadParam(m_camera, kParamStreamStatus), kStreamStatusStreaming);
    m_camera.AdvanceClock(1ms);
    EXPECT_EQ(ReadParam(m_camera, kParamStreamStatus), kStreamStatusStreaming);
    WriteParam(m_camera, kParamStreaming, 0);
    EXPECT_EQ(ReadParam(m_camera, kParamStreamStatus), kStreamStatusStreaming);
    m_camera.AdvanceClock(CSimCamera::kStopDelay);
    EXPECT_NE(ReadParam(m_camera, kParamStreamStatus), kStreamStatusStreaming);
    // Not streaming: nothing to read.
    std::uint8_t buffer[1024];
    EXPECT_EQ(m_camera.BulkIn(buffer, sizeof buffer, 0ms), CSimCamera::kNotReady);
}

// A start delay asked for in the environment holds for cameras made afterwards; a value that
// is no whole number of milliseconds in range leaves the usual delay.
TEST(SimStartDelay, FollowsTheEnvironmentOnlyForAWholeNumberInRange)
{
    const auto streamingAfter = [](const char *value) {
        setenv(CSimCamera::kStartDelayVariable, value, 1);
        CSimCamera camera;
        unsetenv(CSimCamera::kStartDelayVariable);
        camera.UseManualClock(true);
        WriteParam(camera, kParamStreaming, 1);
        for (int ms = 0; ms <= 20000; ++ms) {
            if (ReadParam(camera, kParamStreamStatus) == kStreamStatusStreaming) {
                return ms;
            }
            camera.AdvanceClock(1ms);
        }
        return -1;
    };
    EXPECT_EQ(streamingAfter("120"), 120);
    EXPECT_EQ(streamingAfter("0"), 0);
    EXPECT_EQ(streamingAfter("10000"), 10000);
    const int usual = static_cast<int>(CSimCamera::kStartDelay.count());
    for (const char *bad : {"", "-5", "10001", "12ms", "fast", "99999999999999999999"}) {
        EXPECT_EQ(streamingAfter(bad), usual) << bad;
    }
}

TEST_F(SimFrames, EverySizeGivesAValidMessageThatDecodesAsA422Jpeg)
{
    for (const Size size : kSizes) {
        SCOPED_TRACE(size.width);
        Start(size.width, size.height);
        const auto message = ReadMessage();
        ASSERT_GE(FindFrameEoi(message), 0) << message.size();
        const DecodedFrame frame = DecodeFrameMessage(message, size.width, size.height);
        ASSERT_TRUE(frame.ok);
        EXPECT_EQ(frame.width, size.width);
        EXPECT_EQ(frame.height, size.height);
        EXPECT_EQ(frame.subsampling, TJSAMP_422);
        // A document, not a blank: bright page and dark text.
        EXPECT_GT(MeanOf(frame.gray), 100);
        WriteParam(m_camera, kParamStreaming, 0);
    }
}

TEST_F(SimFrames, FramesArePacedAtTheRequestedRateOnTheModelClock)
{
    m_camera.SetPaced(true);
    WriteParam(m_camera, kParamFrameRate, 10);
    Start(320, 240);
    std::uint8_t buffer[65536];
    EXPECT_GT(m_camera.BulkIn(buffer, sizeof buffer, 0ms), 0);
    EXPECT_EQ(m_camera.BulkIn(buffer, sizeof buffer, 0ms), CSimCamera::kNotReady);
    m_camera.AdvanceClock(99ms);
    EXPECT_EQ(m_camera.BulkIn(buffer, sizeof buffer, 0ms), CSimCamera::kNotReady);
    m_camera.AdvanceClock(1ms);
    EXPECT_GT(m_camera.BulkIn(buffer, sizeof buffer, 0ms), 0);
}

TEST_F(SimFrames, EncodesOnlyWhenThePictureChanges)
{
    Start(320, 240);
    ReadMessage();
    const auto encoded = m_camera.FramesEncoded();
    const auto first = ReadMessage();
    ReadMessage();
    EXPECT_EQ(m_camera.FramesEncoded(), encoded);
    m_camera.AdvanceClock(1000ms); // the clock on the note ticks
    const auto ticked = ReadMessage();
    EXPECT_EQ(m_camera.FramesEncoded(), encoded + 1);
    EXPECT_NE(ticked, first);
    WriteParam(m_camera, kParamBrightness, 9);
    ReadMessage();
    EXPECT_EQ(m_camera.FramesEncoded(), encoded + 2);
}

TEST_F(SimFrames, PictureFollowsBrightnessEffectAndFlip)
{
    Start(320, 240);
    const DecodedFrame normal = ReadFrame();
    ASSERT_TRUE(normal.ok);

    WriteParam(m_camera, kParamBrightness, 12);
    const DecodedFrame bright = ReadFrame();
    EXPECT_GT(MeanOf(bright.gray), MeanOf(normal.gray) + 20);
    WriteParam(m_camera, kParamBrightness, 7);

    WriteParam(m_camera, kParamEffect, 5); // negative
    const DecodedFrame negative = ReadFrame();
    EXPECT_NEAR(MeanOf(negative.gray), 255 - MeanOf(normal.gray), 12);

    WriteParam(m_camera, kParamEffect, 4); // black and white
    const DecodedFrame gray = ReadFrame();
    double spread = 0;
    for (std::size_t i = 0; i < gray.rgb.size(); i += 3) {
        spread += std::abs(gray.rgb[i] - gray.rgb[i + 2]);
    }
    EXPECT_LT(spread / static_cast<double>(gray.rgb.size() / 3), 4.0);
    WriteParam(m_camera, kParamEffect, 0);

    WriteParam(m_camera, kParamFlip, 1);
    const DecodedFrame flipped = ReadFrame();
    double same = 0, rotated = 0;
    const std::size_t n = normal.gray.size();
    for (std::size_t i = 0; i < n; ++i) {
        same += std::abs(flipped.gray[i] - normal.gray[i]);
        rotated += std::abs(flipped.gray[n - 1 - i] - normal.gray[i]);
    }
    EXPECT_GT(same / n, 20.0);
    EXPECT_LT(rotated / n, 6.0);
}

TEST_F(SimFrames, ZoomWhileHeldAndFocusBlurThenSharp)
{
    Start(320, 240);
    const DecodedFrame whole = ReadFrame();
    WriteParam(m_camera, kParamZoomIn, 1);
    m_camera.AdvanceClock(500ms);
    WriteParam(m_camera, kParamZoomIn, 0);
    const DecodedFrame zoomed = ReadFrame();
    m_camera.AdvanceClock(2000ms); // released: stays zoomed
    const DecodedFrame still = ReadFrame();
    double moved = 0, kept = 0;
    for (std::size_t i = 0; i < whole.gray.size(); ++i) {
        moved += std::abs(zoomed.gray[i] - whole.gray[i]);
    }
    // Only the clock differs after the wait; the zoom holds.
    for (std::size_t i = 0; i < whole.gray.size() / 2; ++i) {
        kept += std::abs(still.gray[i] - zoomed.gray[i]);
    }
    EXPECT_GT(moved / whole.gray.size(), 10.0);
    EXPECT_LT(kept / (whole.gray.size() / 2), 2.0);
    WriteParam(m_camera, kParamZoomOut, 1);
    m_camera.AdvanceClock(5000ms);
    WriteParam(m_camera, kParamZoomOut, 0);

    auto sharpness = [](const DecodedFrame &f) {
        double sum = 0;
        for (int y = 0; y < f.height; ++y) {
            for (int x = 1; x < f.width; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * f.width + x;
                sum += std::abs(f.gray[i] - f.gray[i - 1]);
            }
        }
        return sum;
    };
    const DecodedFrame sharp = ReadFrame();
    WriteParam(m_camera, kParamAutoFocus, 1);
    EXPECT_EQ(ReadParam(m_camera, kParamAutoFocus), 1);
    const DecodedFrame focusing = ReadFrame();
    EXPECT_LT(sharpness(focusing), sharpness(sharp) * 0.7);
    m_camera.AdvanceClock(1000ms);
    EXPECT_EQ(ReadParam(m_camera, kParamAutoFocus), 0);
    const DecodedFrame focused = ReadFrame();
    EXPECT_GT(sharpness(focused), sharpness(sharp) * 0.9);
}

TEST_F(SimFrames, UnpluggedCameraStallsEverything)
{
    Start(320, 240);
    m_camera.Unplug();
    std::uint8_t buffer[1024] = {};
    EXPECT_EQ(m_camera.BulkIn(buffer, sizeof buffer, 0ms), CSimCamera::kStall);
    EXPECT_EQ(m_camera.ControlIn(kCmdGetParam, kParamBrightness, buffer, 4), CSimCamera::kStall);
    EXPECT_FALSE(m_camera.ControlOut(kCmdMonitor, buffer, 64));
    m_camera.Replug();
    // Replugged: powered up again, not streaming.
    EXPECT_EQ(m_camera.BulkIn(buffer, sizeof buffer, 0ms), CSimCamera::kNotReady);
    EXPECT_NE(ReadParam(m_camera, kParamStreamStatus), kStreamStatusStreaming);
}
