// The stream's worker thread against the host's other threads: format and quality calls, camera
// controls, stopping a pending read, and the device being closed under a read; the element's
// frame reader ahead of a late consumer.
#include "CameraMessage.h"
#include "FakeSample.h"
#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "filter/CFrameReader.h"
#include "filter/CTevalFilter.h"
#include "filter/CTevalStream.h"
#include "protocol/CJpegFrame.h"
#include "protocol/TevalCodes.h"
#include "sim/CSimCamera.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

class StreamThreads : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("TEVALCAP_SIMULATE", "1", 1);
        CSimCamera::Shared().Reset();
        ReleaseDevice();
        m_filter = std::make_unique<CTevalFilter>(nullptr, nullptr);
    }
    void TearDown() override
    {
        m_filter.reset();
        CSimCamera::Shared().Reset();
    }

    // Runs the worker: start the camera, fill samples until one fails, stop the camera.
    void StartWorker()
    {
        m_worker = std::thread([this] {
            m_filter->Stream()->OnThreadCreate();
            FakeSample sample;
            while (m_filter->Stream()->FillBuffer(&sample) == S_OK) {
                testjpeg::Picture picture;
                if (testjpeg::Decode(sample.buffer.data(), static_cast<std::size_t>(sample.length),
                                     &picture)) {
                    ++m_decoded;
                }
                ++m_frames;
            }
            m_filter->Stream()->ClearUnblock();
            m_filter->Stream()->OnThreadDestroy();
            m_finished = true;
        });
    }
    void WaitForFrames(int count)
    {
        for (int i = 0; i < 2000 && m_frames.load() < count && !m_finished.load(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::unique_ptr<CTevalFilter> m_filter;
    std::thread m_worker;
    std::atomic<int> m_frames{0};
    std::atomic<int> m_decoded{0};
    std::atomic<bool> m_finished{false};
};

TEST_F(StreamThreads, HostCallsRunBesideTheWorkerAndStopEndsAPendingRead)
{
    StartWorker();
    WaitForFrames(2);
    // The host's threads meanwhile: formats, quality messages, pages, controls.
    CMediaType type;
    for (int i = 0; i < 50; ++i) {
        m_filter->Stream()->GetFormat(&type);
        m_filter->Stream()->GetMediaType(0, &type);
        m_filter->Stream()->Notify(nullptr, Quality{0, 900 + i, 0, 0});
        EXPECT_EQ(m_filter->Set(teval::kParamBrightness, i % 15, 0), S_OK);
        std::int32_t value = 0;
        EXPECT_EQ(m_filter->Get(teval::kParamBrightness, &value, nullptr), S_OK);
        m_filter->Stream()->SetFormat(&type);
    }
    // One frame every two seconds from now on: the worker is left waiting in a read.
    CSimCamera::Shared().SetParam(teval::kParamFrameRate, 1);
    m_filter->Stream()->Unblock();
    m_worker.join();
    EXPECT_TRUE(m_finished);
    EXPECT_GE(m_frames.load(), 2);
    EXPECT_EQ(m_decoded.load(), m_frames.load());
    EXPECT_NE(CSimCamera::Shared().Param(teval::kParamStreamStatus), teval::kStreamStatusStreaming);
}

TEST_F(StreamThreads, ClosingTheDeviceUnderReadsIsSafe)
{
    // Another thread closes the device again and again while the worker reads: a read either
    // fails (the stream ends) or completes, and the next read opens the device afresh.
    StartWorker();
    WaitForFrames(1);
    for (int i = 0; i < 20 && !m_finished.load(); ++i) {
        Teval_CloseDevice();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_filter->Stream()->Unblock();
    m_worker.join();
    EXPECT_TRUE(m_finished);
    EXPECT_GE(m_frames.load(), 1);
    EXPECT_EQ(m_decoded.load(), m_frames.load()) << "every frame delivered is a whole image";
}

} // namespace

namespace {

// Frames numbered from 1, read as the test lets them through, until the test ends the reads.
class CountedReads {
public:
    std::optional<int> Read()
    {
        std::unique_lock lock(m_lock);
        m_idle = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_allowed > 0 || m_ended; });
        m_idle = false;
        if (m_allowed == 0) {
            return std::nullopt;
        }
        --m_allowed;
        return ++m_read;
    }
    // Lets count frames through and waits until the reader kept them and asks for the next.
    void Allow(int count)
    {
        std::unique_lock lock(m_lock);
        const int target = m_read + count;
        m_allowed += count;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_read >= target && m_idle; });
    }
    void End()
    {
        const std::lock_guard lock(m_lock);
        m_ended = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_allowed = 0;
    int m_read = 0;
    bool m_ended = false;
    bool m_idle = false;
};

using IntReader = CFrameReader<int>;

std::vector<int> TakeAll(IntReader &reader)
{
    std::vector<int> taken;
    int frame = 0;
    while (reader.Take(&frame) == IntReader::Taken::Frame) {
        taken.push_back(frame);
    }
    return taken;
}

} // namespace

TEST(FrameReader, ALateConsumerGetsTheNewestFramesThenTheEnd)
{
    CountedReads reads;
    IntReader reader(3, [&] { return reads.Read(); });
    reader.Start();
    reads.Allow(5);
    reads.End();
    EXPECT_EQ(TakeAll(reader), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(reader.Dropped(), 2u);
    int frame = 0;
    EXPECT_EQ(reader.Take(&frame), IntReader::Taken::Ended) << "the end stays";
}

TEST(FrameReader, AnInterruptedConsumerReturnsAndThenGetsOnlyNewFrames)
{
    CountedReads reads;
    IntReader reader(3, [&] { return reads.Read(); });
    reader.Start();
    std::atomic<bool> interrupted{false};
    std::thread consumer([&] {
        int frame = 0;
        interrupted = reader.Take(&frame) == IntReader::Taken::Interrupted;
    });
    reader.Interrupt(); // the consumer waits for a first frame, or has not begun to
    consumer.join();
    EXPECT_TRUE(interrupted.load());

    reads.Allow(2);
    int frame = 0;
    EXPECT_EQ(reader.Take(&frame), IntReader::Taken::Interrupted) << "until resumed";
    reader.Interrupt(); // the m_frames kept meanwhile are stale
    reader.Resume();
    reads.Allow(1);
    EXPECT_EQ(reader.Take(&frame), IntReader::Taken::Frame);
    EXPECT_EQ(frame, 3);

    // Stopped once the reads ended, and started again: it reads afresh.
    reads.End();
    reader.Stop();
    reader.Start();
    EXPECT_EQ(reader.Take(&frame), IntReader::Taken::Ended);
}
