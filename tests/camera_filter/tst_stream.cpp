// The pin's formats, capture-pin interfaces, quality control and the camera's start and stop
// sequences, and the filter's camera controls, against the simulated camera.
#include "CameraMessage.h"
#include "FakeSample.h"
#include "SimFixture.h"
#include "filter/CFrameRate.h"
#include "filter/CTevalFilter.h"
#include "filter/CTevalStream.h"
#include "protocol/CJpegFrame.h"
#include "protocol/TevalCodes.h"

#include <cstring>

namespace {

using namespace teval;

class StreamTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        auto waiter = std::make_unique<ModelTimeWaiter>();
        m_waiter = waiter.get();
        m_filter = std::make_unique<CTevalFilter>(nullptr, nullptr, std::move(waiter));
        Camera().TakeLog();
    }
    CTevalStream &Pin() { return *m_filter->Stream(); }

    // Parameter writes (id, value) that crossed the wire since the last call.
    std::vector<std::pair<int, int>> ParamWrites()
    {
        std::vector<std::pair<int, int>> writes;
        for (const auto &r : Camera().TakeLog()) {
            if (r.kind == CSimCamera::Request::ControlOut && r.code == kCmdSetParam &&
                r.data.size() == 6) {
                writes.emplace_back(r.data[0] | r.data[1] << 8,
                                    r.data[2] | r.data[3] << 8 | r.data[4] << 16 | r.data[5] << 24);
            }
        }
        return writes;
    }

    static CMediaType VideoType(int width, int height, REFERENCE_TIME avg)
    {
        CMediaType mt;
        mt.majortype = MEDIATYPE_Video;
        mt.subtype = MEDIASUBTYPE_MJPG;
        mt.formattype = FORMAT_VideoInfo;
        VIDEOINFOHEADER vih{};
        vih.AvgTimePerFrame = avg;
        vih.bmiHeader.biWidth = width;
        vih.bmiHeader.biHeight = height;
        mt.SetFormat(&vih, sizeof vih);
        return mt;
    }

    ModelTimeWaiter *m_waiter = nullptr;
    std::unique_ptr<CTevalFilter> m_filter;
};

TEST_F(StreamTest, DefaultTypeAndMediaTypePositions)
{
    CMediaType first;
    CMediaType second;
    ASSERT_EQ(Pin().GetMediaType(0, &first), S_OK);
    ASSERT_EQ(Pin().GetMediaType(1, &second), S_OK);
    const VIDEOINFOHEADER *vih = first.VideoInfo();
    ASSERT_NE(vih, nullptr);
    EXPECT_EQ(0, std::memcmp(first.Format(), second.Format(), first.FormatLength()));
    EXPECT_TRUE(first.bFixedSizeSamples);
    EXPECT_EQ(first.lSampleSize, 524288u);
    EXPECT_EQ(vih->bmiHeader.biWidth, 640);
    EXPECT_EQ(vih->bmiHeader.biHeight, 480);
    EXPECT_EQ(vih->AvgTimePerFrame, 333333);
    EXPECT_EQ(vih->bmiHeader.biCompression, FOURCC_MJPG);
    EXPECT_EQ(vih->bmiHeader.biSizeImage, 524288u);
    EXPECT_EQ(Pin().GetMediaType(2, &first), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(Pin().GetMediaType(-1, &first), E_INVALIDARG);
}

TEST_F(StreamTest, CheckMediaTypeWantsMjpgInSixteenPixelSteps)
{
    CMediaType accepted = VideoType(1024, 576, 333333);
    EXPECT_EQ(Pin().CheckMediaType(&accepted), S_OK);
    CMediaType oddWidth = VideoType(1000, 608, 333333);
    EXPECT_EQ(Pin().CheckMediaType(&oddWidth), E_INVALIDARG);
    CMediaType otherSubtype = VideoType(640, 480, 333333);
    otherSubtype.subtype = MEDIATYPE_Video;
    EXPECT_EQ(Pin().CheckMediaType(&otherSubtype), E_INVALIDARG);
    CMediaType noFormat = VideoType(640, 480, 333333);
    noFormat.SetFormat(nullptr, 0);
    EXPECT_EQ(Pin().CheckMediaType(&noFormat), E_INVALIDARG);
}

TEST_F(StreamTest, SetFormatClampsAndKeepsTheType)
{
    const CMediaType wide = VideoType(2000, 100, 100000);
    EXPECT_EQ(Pin().SetFormat(&wide), S_OK);
    CMediaType stored;
    ASSERT_EQ(Pin().GetFormat(&stored), S_OK);
    EXPECT_EQ(stored.VideoInfo()->bmiHeader.biWidth, 1280);
    EXPECT_EQ(stored.VideoInfo()->bmiHeader.biHeight, 120);
    EXPECT_EQ(stored.VideoInfo()->AvgTimePerFrame, 333333);

    const CMediaType slow = VideoType(100, 5000, 90000000);
    Pin().SetFormat(&slow);
    Pin().GetFormat(&stored);
    EXPECT_EQ(stored.VideoInfo()->bmiHeader.biWidth, 160);
    EXPECT_EQ(stored.VideoInfo()->bmiHeader.biHeight, 960);
    EXPECT_EQ(stored.VideoInfo()->AvgTimePerFrame, 20000000);

    // A type without a video format would leave the stream without a frame size.
    CMediaType bare = VideoType(640, 480, 333333);
    bare.SetFormat(nullptr, 0);
    EXPECT_EQ(Pin().SetFormat(&bare), E_INVALIDARG);
    EXPECT_EQ(Pin().SetFormat(nullptr), E_POINTER);
    Pin().GetFormat(&stored);
    EXPECT_EQ(stored.VideoInfo()->bmiHeader.biWidth, 160);
}

TEST_F(StreamTest, StreamCapsDescribeEverySize)
{
    int count = 0;
    int size = 0;
    ASSERT_EQ(Pin().GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(size, 128);

    CMediaType type;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(Pin().GetStreamCaps(6, &type, &caps), S_OK);
    const VIDEOINFOHEADER *vih = type.VideoInfo();
    ASSERT_NE(vih, nullptr);
    EXPECT_EQ(type.FormatLength(), 88u);
    EXPECT_FALSE(type.bFixedSizeSamples);
    EXPECT_EQ(type.lSampleSize, 524288u);
    EXPECT_EQ(vih->bmiHeader.biWidth, 1280);
    EXPECT_EQ(vih->bmiHeader.biHeight, 960);
    EXPECT_EQ(vih->AvgTimePerFrame, 333333);
    EXPECT_EQ(caps.guid, FORMAT_VideoInfo);
    EXPECT_EQ(caps.MaxOutputSize.cx, 1280);
    EXPECT_EQ(caps.MinCroppingSize.cy, 960);
    EXPECT_EQ(caps.OutputGranularityX, 0);
    EXPECT_EQ(caps.MinFrameInterval, 833333);
    EXPECT_EQ(caps.MaxFrameInterval, 20000000);
    EXPECT_EQ(caps.MinBitsPerSecond, 1280 * 960 / 5);
    EXPECT_EQ(caps.MaxBitsPerSecond, 1280 * 960 * 30);

    ASSERT_EQ(Pin().GetStreamCaps(4, &type, nullptr), S_OK);
    EXPECT_EQ(type.VideoInfo()->bmiHeader.biWidth, 1024);
    EXPECT_EQ(type.VideoInfo()->bmiHeader.biHeight, 768);
    EXPECT_EQ(Pin().GetStreamCaps(7, &type, &caps), E_INVALIDARG);
    EXPECT_EQ(Pin().GetStreamCaps(-1, &type, &caps), E_INVALIDARG);
    EXPECT_EQ(Pin().GetStreamCaps(0, nullptr, &caps), E_POINTER);
}

TEST_F(StreamTest, PinCategoryPushSourceAndPages)
{
    GUID category{};
    std::uint32_t returned = 0;
    EXPECT_EQ(Pin().Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                        sizeof category, &returned),
              S_OK);
    EXPECT_EQ(category, PIN_CATEGORY_CAPTURE);
    EXPECT_EQ(returned, 16u);
    EXPECT_EQ(
        Pin().Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 15, &returned),
        E_UNEXPECTED);
    EXPECT_EQ(Pin().Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0, nullptr),
              E_POINTER);
    EXPECT_EQ(
        Pin().Get(FORMAT_VideoInfo, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16, nullptr),
        E_PROP_SET_UNSUPPORTED);
    EXPECT_EQ(Pin().Get(AMPROPSETID_Pin, 1, nullptr, 0, &category, 16, nullptr),
              E_PROP_ID_UNSUPPORTED);
    std::uint32_t support = 0;
    EXPECT_EQ(Pin().QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support), S_OK);
    EXPECT_EQ(support, KSPROPERTY_SUPPORT_GET);
    EXPECT_EQ(Pin().Set(AMPROPSETID_Pin, 0, nullptr, 0, nullptr, 0), E_NOTIMPL);

    std::uint32_t flags = 7;
    EXPECT_EQ(Pin().GetPushSourceFlags(&flags), S_OK);
    EXPECT_EQ(flags, 0u);
    REFERENCE_TIME latency = 0;
    EXPECT_EQ(Pin().GetLatency(&latency), E_NOTIMPL);

    std::vector<CLSID> pages;
    ASSERT_EQ(Pin().GetPages(&pages), S_OK);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], CLSID_FormatPage);
    ASSERT_EQ(m_filter->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], CLSID_CameraControlPage);

    void *out = nullptr;
    EXPECT_EQ(Pin().QueryInterface(IID_IAMPushSource, &out), S_OK);
    EXPECT_EQ(m_filter->QueryInterface(IID_IAMVideoProcAmp, &out), S_OK);
    EXPECT_EQ(m_filter->QueryInterface(IID_IAMStreamConfig, &out), E_NOINTERFACE);
    EXPECT_EQ(m_filter->GetMiscFlags(), AM_FILTER_MISC_FLAGS_IS_SOURCE);
}

TEST_F(StreamTest, FilterStateReportsPausedAsCannotCue)
{
    FILTER_STATE state = State_Running;
    EXPECT_EQ(m_filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    m_filter->SetState(State_Paused);
    EXPECT_EQ(m_filter->GetState(0, &state), VFW_S_CANT_CUE);
    EXPECT_EQ(state, State_Paused);
    m_filter->SetState(State_Running);
    EXPECT_EQ(m_filter->GetState(0, &state), S_OK);
    EXPECT_EQ(m_filter->GetState(0, nullptr), E_POINTER);
}

TEST_F(StreamTest, QualityMessagesStretchTheFramePeriod)
{
    EXPECT_EQ(Pin().FramePeriod(), 333333);
    Pin().Notify(nullptr, Quality{0, 500, 0, 0});
    EXPECT_EQ(Pin().FramePeriod(), 666666);
    for (int i = 0; i < 10; ++i) {
        Pin().Notify(nullptr, Quality{0, 500, 0, 0});
    }
    EXPECT_EQ(Pin().FramePeriod(), 20000000);
    Pin().Notify(nullptr, Quality{0, 4000, 0, 0});
    EXPECT_EQ(Pin().FramePeriod(), 5000000);
    for (int i = 0; i < 10; ++i) {
        Pin().Notify(nullptr, Quality{0, 4000, 0, 0});
    }
    EXPECT_EQ(Pin().FramePeriod(), 333333);
    Pin().Notify(nullptr, Quality{0, 0, 0, 0});
    EXPECT_EQ(Pin().FramePeriod(), 20000000);
}

TEST_F(StreamTest, RateQualityAndFrameRateFractions)
{
    const std::pair<REFERENCE_TIME, int> rates[] = {{333333, 30}, {400000, 26},  {666667, 15},
                                                    {833333, 13}, {20000000, 1}, {100, 30}};
    for (const auto &[avg, rate] : rates) {
        EXPECT_EQ(CTevalStream::FrameRateFor(avg), rate) << avg;
    }
    EXPECT_EQ(CTevalStream::QualityFor(640, 480), 16);
    EXPECT_EQ(CTevalStream::QualityFor(641, 480), 20);
    EXPECT_EQ(CTevalStream::QualityFor(320, 481), 20);

    int n = 0;
    int d = 0;
    CFrameRate::FromPeriod(333333, &n, &d);
    EXPECT_EQ(n * 1000 + d, 30001);
    CFrameRate::FromPeriod(20000000, &n, &d);
    EXPECT_EQ(n * 1000 + d, 1002);
    CFrameRate::FromPeriod(714285, &n, &d);
    EXPECT_EQ(CFrameRate::ToPeriod(n, d), 714285);
    EXPECT_EQ(CFrameRate::ToPeriod(25, 1), 400000);
    EXPECT_EQ(CFrameRate::ToPeriod(0, 1), 0);
}

class FakeAllocator : public IMemAllocator {
public:
    HRESULT SetProperties(const ALLOCATOR_PROPERTIES *request,
                          ALLOCATOR_PROPERTIES *actual) override
    {
        asked = *request;
        *actual = *request;
        if (granted > 0) {
            actual->cbBuffer = granted;
        }
        return result;
    }
    ALLOCATOR_PROPERTIES asked{};
    std::int32_t granted = 0;
    HRESULT result = S_OK;
};

TEST_F(StreamTest, BufferSizeDecision)
{
    FakeAllocator allocator;
    ALLOCATOR_PROPERTIES request{1, 1000, 1, 0};
    EXPECT_EQ(Pin().DecideBufferSize(&allocator, &request), S_OK);
    EXPECT_EQ(allocator.asked.cBuffers, 3);
    EXPECT_EQ(allocator.asked.cbBuffer, 524288);
    allocator.granted = 524287;
    EXPECT_EQ(Pin().DecideBufferSize(&allocator, &request), E_FAIL);
    allocator.result = E_OUTOFMEMORY;
    EXPECT_EQ(Pin().DecideBufferSize(&allocator, &request), E_OUTOFMEMORY);
}

TEST_F(StreamTest, ControlsReachTheCameraParameters)
{
    std::int32_t value = 0;
    std::int32_t flags = 5;
    EXPECT_EQ(m_filter->Set(kParamBrightness, 11, 0), S_OK);
    EXPECT_EQ(Camera().Param(kParamBrightness), 11);
    EXPECT_EQ(m_filter->Get(kParamBrightness, &value, &flags), S_OK);
    EXPECT_EQ(value, 11);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(m_filter->Get(kParamCameraStatus, &value, nullptr), S_OK);
    EXPECT_EQ(static_cast<std::uint32_t>(value) & kCameraPresentBits, kCameraPresentBits);

    // Through the other interface, as a host would reach it.
    void *amp = nullptr;
    ASSERT_EQ(m_filter->QueryInterface(IID_IAMVideoProcAmp, &amp), S_OK);
    EXPECT_EQ(static_cast<IAMVideoProcAmp *>(amp)->Set(kParamEffect, 4, 0), S_OK);
    EXPECT_EQ(Camera().Param(kParamEffect), 4);
    EXPECT_EQ(static_cast<IAMVideoProcAmp *>(amp)->GetRange(kParamEffect, nullptr, nullptr, nullptr,
                                                            nullptr, nullptr),
              E_NOTIMPL);
    EXPECT_EQ(static_cast<IAMCameraControl *>(m_filter.get())
                  ->GetRange(kParamBrightness, nullptr, nullptr, nullptr, nullptr, nullptr),
              E_NOTIMPL);

    // Ids outside the tables are refused without touching the device.
    Camera().TakeLog();
    EXPECT_EQ(m_filter->Get(kParamPassOn, &value, nullptr), E_INVALIDARG);
    EXPECT_EQ(m_filter->Set(kParamStreamStatus, 1, 0), E_INVALIDARG);
    EXPECT_EQ(m_filter->Set(kParamFrameRate, 1, 0), E_INVALIDARG);
    EXPECT_TRUE(Camera().TakeLog().empty());

    // No camera: both fail.
    Camera().Unplug();
    ReleaseDevice();
    value = 99;
    EXPECT_EQ(m_filter->Get(kParamBrightness, &value, nullptr), E_INVALIDARG);
    EXPECT_EQ(value, 99);
    EXPECT_EQ(m_filter->Set(kParamBrightness, 3, 0), E_INVALIDARG);
}

TEST_F(StreamTest, StartAndStopSequencesWriteTheFormat)
{
    const CMediaType big = VideoType(1280, 960, 833333);
    Pin().SetFormat(&big);
    ASSERT_EQ(Pin().OnThreadCreate(), S_OK);
    EXPECT_EQ(ParamWrites(), (std::vector<std::pair<int, int>>{{kParamWidth, 1280},
                                                               {kParamHeight, 960},
                                                               {kParamFrameRate, 13},
                                                               {kParamQuality, 20},
                                                               {kParamStreaming, 1}}));
    EXPECT_EQ(Camera().Param(kParamStreamStatus), kStreamStatusStreaming);
    EXPECT_EQ(Pin().FramePeriod(), 833333);

    // Already streaming: nothing is configured.
    EXPECT_FALSE(Pin().StartStreaming(320, 240, 30, 16));
    EXPECT_TRUE(ParamWrites().empty());

    ASSERT_EQ(Pin().OnThreadDestroy(), S_OK);
    EXPECT_EQ(ParamWrites(), (std::vector<std::pair<int, int>>{{kParamStreaming, 0}}));
    EXPECT_NE(Camera().Param(kParamStreamStatus), kStreamStatusStreaming);

    const CMediaType slow = VideoType(320, 240, 20000000);
    Pin().SetFormat(&slow);
    ASSERT_EQ(Pin().OnThreadCreate(), S_OK);
    const auto writes = ParamWrites();
    ASSERT_EQ(writes.size(), 5u);
    EXPECT_EQ(writes[2], (std::pair<int, int>{kParamFrameRate, 1}));
    EXPECT_EQ(writes[3], (std::pair<int, int>{kParamQuality, 16}));
    Pin().OnThreadDestroy();
}

TEST(StreamWaits, StartGivesUpAfterTenSecondsOrWhenCancelled)
{
    setenv("TEVALCAP_SIMULATE", "1", 1);
    CSimCamera &camera = CSimCamera::Shared();
    camera.Reset();
    camera.UseManualClock(true); // the camera's clock stands still: the status never changes
    auto owned = std::make_unique<ModelTimeWaiter>(false);
    ModelTimeWaiter *waiter = owned.get();
    CTevalFilter filter(nullptr, nullptr, std::move(owned));

    EXPECT_FALSE(filter.Stream()->StartStreaming(640, 480, 30, 16));
    EXPECT_GE(waiter->Now().count(), 10000);
    EXPECT_LE(waiter->Now().count(), 10600);

    // Stopping: the camera keeps reporting streaming after the stop request, so the sequence
    // polls for ten seconds, or gives up at once when cancelled.
    camera.SetParam(kParamStreamStatus, kStreamStatusStreaming);
    const auto begin = waiter->Now();
    EXPECT_FALSE(filter.Stream()->StopStreaming());
    EXPECT_GE((waiter->Now() - begin).count(), 10000);
    EXPECT_LE((waiter->Now() - begin).count(), 10600);
    filter.Stream()->Unblock();
    const int before = waiter->Waits();
    EXPECT_FALSE(filter.Stream()->StopStreaming());
    EXPECT_EQ(waiter->Waits(), before);
    filter.Stream()->ClearUnblock();
    camera.UseManualClock(false);
    camera.Reset();
    ReleaseDevice();
}

TEST_F(StreamTest, FillBufferDeliversStampedFramesAndEndsWithoutCamera)
{
    const CMediaType type = VideoType(1024, 576, 400000);
    Pin().SetFormat(&type);
    m_filter->SetStreamClock([] { return REFERENCE_TIME{1234567}; });
    ASSERT_EQ(Pin().OnThreadCreate(), S_OK);

    FakeSample sample(CJpegFrame::kSampleSize);
    ASSERT_EQ(Pin().FillBuffer(&sample), S_OK);
    EXPECT_GT(sample.length, 636);
    EXPECT_EQ(sample.start, 1234567);
    EXPECT_EQ(sample.stop, 1234567 + 400000);
    EXPECT_TRUE(sample.sync);
    testjpeg::Picture picture;
    ASSERT_TRUE(
        testjpeg::Decode(sample.buffer.data(), static_cast<std::size_t>(sample.length), &picture));
    EXPECT_EQ(picture.width, 1024);
    EXPECT_EQ(picture.height, 576);

    EXPECT_EQ(Pin().FillBuffer(nullptr), E_POINTER);
    FakeSample tiny(1000);
    EXPECT_EQ(Pin().FillBuffer(&tiny), S_FALSE);
    Camera().Unplug();
    EXPECT_EQ(Pin().FillBuffer(&sample), S_FALSE);
    Camera().Replug();
    Pin().OnThreadDestroy();
}

} // namespace
