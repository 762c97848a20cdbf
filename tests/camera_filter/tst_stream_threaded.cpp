// The stream's worker thread against the host's other threads: format and quality calls, camera
// controls, stopping a pending read, and the device being closed under a read.
#include "CameraMessage.h"
#include "FakeSample.h"
#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "filter/CTevalFilter.h"
#include "filter/CTevalStream.h"
#include "protocol/CJpegFrame.h"
#include "protocol/TevalCodes.h"
#include "sim/CSimCamera.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

class StreamThreads : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("TEVALCAP_SIMULATE", "1", 1);
        CSimCamera::Shared().Reset();
        ReleaseDevice();
        filter = std::make_unique<CTevalFilter>(nullptr, nullptr);
    }
    void TearDown() override
    {
        filter.reset();
        CSimCamera::Shared().Reset();
    }

    // Runs the worker: start the camera, fill samples until one fails, stop the camera.
    void StartWorker()
    {
        worker = std::thread([this] {
            filter->Stream()->OnThreadCreate();
            FakeSample sample;
            while (filter->Stream()->FillBuffer(&sample) == S_OK) {
                testjpeg::Picture picture;
                if (testjpeg::Decode(sample.buffer.data(), static_cast<std::size_t>(sample.length),
                                     &picture)) {
                    ++decoded;
                }
                ++frames;
            }
            filter->Stream()->ClearUnblock();
            filter->Stream()->OnThreadDestroy();
            finished = true;
        });
    }
    void WaitForFrames(int count)
    {
        for (int i = 0; i < 2000 && frames.load() < count && !finished.load(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::unique_ptr<CTevalFilter> filter;
    std::thread worker;
    std::atomic<int> frames{0};
    std::atomic<int> decoded{0};
    std::atomic<bool> finished{false};
};

TEST_F(StreamThreads, HostCallsRunBesideTheWorkerAndStopEndsAPendingRead)
{
    StartWorker();
    WaitForFrames(2);
    // The host's threads meanwhile: formats, quality messages, pages, controls.
    CMediaType type;
    for (int i = 0; i < 50; ++i) {
        filter->Stream()->GetFormat(&type);
        filter->Stream()->GetMediaType(0, &type);
        filter->Stream()->Notify(nullptr, Quality{0, 900 + i, 0, 0});
        EXPECT_EQ(filter->Set(teval::kParamBrightness, i % 15, 0), S_OK);
        std::int32_t value = 0;
        EXPECT_EQ(filter->Get(teval::kParamBrightness, &value, nullptr), S_OK);
        filter->Stream()->SetFormat(&type);
    }
    // One frame every two seconds from now on: the worker is left waiting in a read.
    CSimCamera::Shared().SetParam(teval::kParamFrameRate, 1);
    filter->Stream()->Unblock();
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_GE(frames.load(), 2);
    EXPECT_EQ(decoded.load(), frames.load());
    EXPECT_NE(CSimCamera::Shared().Param(teval::kParamStreamStatus), teval::kStreamStatusStreaming);
}

TEST_F(StreamThreads, ClosingTheDeviceUnderReadsIsSafe)
{
    // Another thread closes the device again and again while the worker reads: a read either
    // fails (the stream ends) or completes, and the next read opens the device afresh.
    StartWorker();
    WaitForFrames(1);
    for (int i = 0; i < 20 && !finished.load(); ++i) {
        Teval_CloseDevice();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    filter->Stream()->Unblock();
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_GE(frames.load(), 1);
    EXPECT_EQ(decoded.load(), frames.load()) << "every frame delivered is a whole image";
}

} // namespace
