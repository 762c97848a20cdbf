// The access point and the exports under concurrent use (also run under ThreadSanitizer).
#include "FrameDecode.h"
#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "protocol/TevalCodes.h"
#include "sim/CSimCamera.h"
#include "usb/CCallSys.h"
#include "usb/CTransferCancel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

class Concurrency : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TEVALCAP_SIMULATE", "1", 1);
        ReleaseDevice();
        CSimCamera::Shared().Reset();
    }
    void TearDown() override
    {
        ReleaseDevice();
        CSimCamera::Shared().Reset();
        unsetenv("TEVALCAP_SIMULATE");
    }

    static void StartStreaming(bool paced)
    {
        CSimCamera &camera = CSimCamera::Shared();
        camera.UseManualClock(true);
        camera.SetPaced(paced);
        ASSERT_EQ(Teval_SetParamLong(teval::kParamWidth, 320), 1);
        ASSERT_EQ(Teval_SetParamLong(teval::kParamHeight, 240), 1);
        ASSERT_EQ(Teval_SetParamLong(teval::kParamStreaming, 1), 1);
    }
};

} // namespace

TEST_F(Concurrency, ExportsHammeredFromSeveralThreadsStayAtomic)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 60;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            const auto selector = static_cast<std::uint16_t>(0x100 + t);
            std::vector<std::uint16_t> words(40);
            std::vector<std::uint16_t> back(40);
            std::vector<std::uint8_t> buffer(256 * 1024);
            for (int round = 0; round < kRounds; ++round) {
                for (std::size_t i = 0; i < words.size(); ++i) {
                    words[i] = static_cast<std::uint16_t>(t * 1000 + round + i);
                }
                // Each command sequence runs whole under the device lock, so a block written
                // by this thread reads back unmixed even while others write theirs.
                if (Teval_SetFreeParams(words.data(), 40, selector) != 1 ||
                    Teval_GetFreeParams(back.data(), 40, selector) != 1 || back != words) {
                    ++failures;
                }
                std::int32_t value = 0;
                if (Teval_SetParamLong(teval::kParamPassOn, t) != 1 ||
                    Teval_GetParamLong(teval::kParamCameraStatus, &value) != 1) {
                    ++failures;
                }
                std::uint32_t count = 0;
                if (Teval_XMTFile(static_cast<std::uint8_t>(round % 3), buffer.data(),
                                  static_cast<std::uint32_t>(buffer.size()), &count) != 1 ||
                    buffer[0] != 0xFF || buffer[1] != 0xD8) {
                    ++failures;
                }
                Teval_ModifyStyle(0, 0x100u << t);
                Teval_ModifyStyle(0x100u << t, 0);
                if (round % 20 == 19) {
                    Teval_CloseDevice(); // the next command opens afresh
                }
                Teval_MonitorCmd("status");
                Teval_QueryStatus(nullptr, nullptr);
            }
        });
    }
    for (auto &thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(Teval_ModifyStyle(0, 0), 0u);
}

TEST_F(Concurrency, ReleaseDeviceDuringAFrameReadEndsTheReadAndKeepsTheTransportAlive)
{
    StartStreaming(true);
    std::shared_ptr<CCallSys> device = AcquireDeviceShared();
    ASSERT_TRUE(device);
    std::uint8_t first[4096];
    unsigned got = 0;
    // The first frame is due at once; the next one only when the (manual) clock moves, which
    // it never does here: the read would wait for ever.
    std::vector<std::uint8_t> buffer(523264);
    ASSERT_NE(
        device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()), &got, nullptr),
        0);
    (void)first;
    std::atomic<int> result{-1};
    std::thread reader([&] {
        unsigned count = 0;
        result = device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()), &count,
                                             nullptr);
    });
    std::this_thread::sleep_for(30ms); // let the read start waiting (not a timing assertion)
    ReleaseDevice();
    reader.join();
    EXPECT_EQ(result.load(), 0);
    // The reader's reference kept the old transport usable to the end; a new one opens now.
    EXPECT_EQ(device->IsOpen(), 1);
    EXPECT_EQ(Teval_OpenDevice(), 1);
    EXPECT_NE(AcquireDeviceShared(), device);
}

TEST_F(Concurrency, CancelledTokenEndsAPendingReadAndLaterReadsWithIt)
{
    StartStreaming(true);
    std::shared_ptr<CCallSys> device = AcquireDeviceShared();
    std::vector<std::uint8_t> buffer(523264);
    unsigned got = 0;
    ASSERT_NE(
        device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()), &got, nullptr),
        0);
    CTransferCancel token;
    std::atomic<int> result{-1};
    std::thread reader([&] {
        unsigned count = 0;
        result = device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()), &count,
                                             &token);
    });
    token.Cancel();
    reader.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(device->BulkReadCancellable(buffer.data(), 1024, &got, &token), 0);
    token.Reset();
    CSimCamera::Shared().AdvanceClock(1000ms);
    EXPECT_NE(
        device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()), &got, &token),
        0);
}

TEST_F(Concurrency, FrameReadsOutsideTheLockRunBesideCommands)
{
    StartStreaming(false);
    std::atomic<bool> stop{false};
    std::atomic<int> badFrames{0};
    std::atomic<int> frames{0};
    std::thread reader([&] {
        std::vector<std::uint8_t> buffer(523264);
        while (!stop.load()) {
            std::shared_ptr<CCallSys> device = AcquireDeviceShared();
            if (!device) {
                continue;
            }
            unsigned count = 0;
            if (device->BulkReadCancellable(buffer.data(), static_cast<int>(buffer.size()), &count,
                                            nullptr) == 0) {
                continue; // released under us: take the next transport
            }
            std::vector<std::uint8_t> message(buffer.begin(), buffer.begin() + count);
            if (FindFrameEoi(message) < 0) {
                ++badFrames;
            }
            ++frames;
        }
    });
    for (int i = 0; i < 200; ++i) {
        Teval_SetParamLong(teval::kParamBrightness, 5 + i % 5);
        std::int32_t status = 0;
        Teval_GetParamLong(teval::kParamStreamStatus, &status);
        if (i % 50 == 49) {
            Teval_CloseDevice();
        }
    }
    while (frames.load() < 5) {
        std::this_thread::yield();
    }
    stop = true;
    Teval_CloseDevice(); // wakes a read that may be waiting
    reader.join();
    EXPECT_EQ(badFrames.load(), 0);
}

namespace {

void WriteSimParam(CSimCamera &camera, std::uint16_t id, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    const std::uint8_t data[6] = {
        static_cast<std::uint8_t>(id),      static_cast<std::uint8_t>(id >> 8),
        static_cast<std::uint8_t>(v),       static_cast<std::uint8_t>(v >> 8),
        static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    ASSERT_TRUE(camera.ControlOut(teval::kCmdSetParam, data, 6));
}

// The next frame message of a streaming camera (zero-length packets skipped), empty when none
// came within a few seconds.
std::vector<std::uint8_t> NextMessage(CSimCamera &camera)
{
    std::vector<std::uint8_t> message(523264);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int n = camera.BulkIn(message.data(), static_cast<int>(message.size()), 2000ms);
        if (n > 0) {
            message.resize(static_cast<std::size_t>(n));
            return message;
        }
    }
    return {};
}

} // namespace

// On the real clock the camera makes its pictures ahead on a thread of its own: the frame read
// after a change is the last picture, the changed picture reaches the frames a little later,
// and a stream started at another size begins with a picture of that size.
TEST(SimPicturesAhead, FramesFollowAChangedPictureAndEveryStartKeepsItsSize)
{
    CSimCamera camera; // real clock, paced
    auto start = [&](int width, int height, int quality) {
        WriteSimParam(camera, teval::kParamWidth, width);
        WriteSimParam(camera, teval::kParamHeight, height);
        WriteSimParam(camera, teval::kParamQuality, quality);
        WriteSimParam(camera, teval::kParamFrameRate, 30);
        WriteSimParam(camera, teval::kParamStreaming, 1);
    };
    auto brightnessOf = [&](int width, int height) {
        const std::vector<std::uint8_t> message = NextMessage(camera);
        const DecodedFrame frame = DecodeFrameMessage(message, width, height);
        EXPECT_TRUE(frame.ok) << message.size();
        return frame.ok ? MeanOf(frame.gray) : -1.0;
    };

    start(320, 240, 16);
    const double dark = brightnessOf(320, 240);
    WriteSimParam(camera, teval::kParamBrightness, 14);
    // The read right after the change is not held up making the brighter picture: it gets the
    // picture there was.
    EXPECT_LT(brightnessOf(320, 240), dark + 3);
    bool followed = false;
    for (int i = 0; i < 60 && !followed; ++i) {
        followed = brightnessOf(320, 240) > dark + 10;
    }
    EXPECT_TRUE(followed) << "the brighter picture never reached the frames";

    // Stopped and started at another size and quality: no frame of the old stream's picture.
    WriteSimParam(camera, teval::kParamStreaming, 0);
    start(640, 480, 20);
    for (int i = 0; i < 5; ++i) {
        const std::vector<std::uint8_t> message = NextMessage(camera);
        ASSERT_FALSE(message.empty());
        EXPECT_TRUE(DecodeFrameMessage(message, 640, 480).ok) << i;
    }
}
