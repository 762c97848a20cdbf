#include "filter/CTevalStream.h"

#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "filter/CTevalFilter.h"
#include "filter/Resolutions.h"
#include "protocol/CJpegFrame.h"
#include "protocol/TevalCodes.h"
#include "usb/CCallSys.h"
#include "usb/TevalLog.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::chrono::milliseconds kStatusPollStep{300};
constexpr std::chrono::milliseconds kStatusPollLimit{10000};
constexpr std::int32_t kPinCategorySize = sizeof(GUID);

void FillVideoInfo(VIDEOINFOHEADER &vih, int width, int height)
{
    vih.rcSource = RECT{};
    vih.rcTarget = RECT{};
    vih.AvgTimePerFrame = kShortestFramePeriod;
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = FOURCC_MJPG;
    vih.bmiHeader.biSizeImage = CTevalStream::kSampleSize;
    vih.bmiHeader.biClrImportant = 0;
}

// An MJPG video type with the given format block.
CMediaType MjpgType(const VIDEOINFOHEADER &vih, bool fixedSizeSamples)
{
    CMediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_MJPG;
    mt.formattype = FORMAT_VideoInfo;
    mt.bFixedSizeSamples = fixedSizeSamples;
    mt.bTemporalCompression = false;
    mt.lSampleSize = CTevalStream::kSampleSize;
    mt.SetFormat(&vih, sizeof vih);
    return mt;
}

} // namespace

CTevalStream::CTevalStream(CTevalFilter &filter, std::unique_ptr<CStreamWaiter> waiter)
    : m_filter(filter), m_waiter(waiter ? std::move(waiter) : std::make_unique<CStreamWaiter>())
{
    StopStreaming();
    m_mt = DefaultMediaType();
}

CTevalStream::~CTevalStream() = default;

CMediaType CTevalStream::DefaultMediaType() const
{
    VIDEOINFOHEADER vih{};
    FillVideoInfo(vih, 640, 480);
    return MjpgType(vih, true);
}

HRESULT CTevalStream::QueryInterface(REFIID iid, void **out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IAMStreamConfig) {
        *out = static_cast<IAMStreamConfig *>(this);
    } else if (iid == IID_IKsPropertySet) {
        *out = static_cast<IKsPropertySet *>(this);
    } else if (iid == IID_ISpecifyPropertyPages) {
        *out = static_cast<ISpecifyPropertyPages *>(this);
    } else if (iid == IID_IAMPushSource) {
        *out = static_cast<IAMPushSource *>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    return S_OK;
}

// ---- source stream ----

HRESULT CTevalStream::FillBuffer(IMediaSample *sample)
{
    if (sample == nullptr) {
        return E_POINTER;
    }
    std::uint8_t *buffer = nullptr;
    if (FAILED(sample->GetPointer(&buffer)) || buffer == nullptr) {
        return S_FALSE;
    }
    const std::int32_t size = sample->GetSize();

    std::unique_lock lock(m_streamLock);
    std::int32_t width = 0;
    std::int32_t height = 0;
    {
        std::lock_guard state(m_filter.StateLock());
        const VIDEOINFOHEADER *vih = m_mt.VideoInfo();
        width = vih->bmiHeader.biWidth;
        height = vih->bmiHeader.biHeight;
    }
    std::size_t length = 0;
    if (size <= 0 ||
        !ReadFrame(buffer, static_cast<std::size_t>(size), static_cast<std::uint16_t>(width),
                   static_cast<std::uint16_t>(height), &length)) {
        return S_FALSE;
    }
    sample->SetActualDataLength(static_cast<std::int32_t>(length));
    const REFERENCE_TIME start = m_filter.StreamTime();
    const REFERENCE_TIME stop = start + m_framePeriod.load();
    sample->SetTime(&start, &stop);
    lock.unlock();
    sample->SetSyncPoint(true);
    return S_OK;
}

HRESULT CTevalStream::DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request)
{
    if (allocator == nullptr || request == nullptr) {
        return E_POINTER;
    }
    std::lock_guard state(m_filter.StateLock());
    request->cBuffers = kBufferCount;
    request->cbBuffer = kSampleSize;
    ALLOCATOR_PROPERTIES actual{};
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) {
        return hr;
    }
    if (actual.cbBuffer < kSampleSize) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CTevalStream::CheckMediaType(const CMediaType *type)
{
    if (type == nullptr) {
        return E_POINTER;
    }
    if (!(type->majortype == MEDIATYPE_Video) || !(type->subtype == MEDIASUBTYPE_MJPG)) {
        return E_INVALIDARG;
    }
    const VIDEOINFOHEADER *vih = type->VideoInfo();
    if (vih == nullptr) {
        return E_INVALIDARG;
    }
    if (vih->bmiHeader.biWidth % 16 != 0 || vih->bmiHeader.biHeight % 16 != 0) {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT CTevalStream::GetMediaType(int position, CMediaType *type)
{
    if (type == nullptr) {
        return E_POINTER;
    }
    std::lock_guard state(m_filter.StateLock());
    if (position < 0) {
        return E_INVALIDARG;
    }
    if (position > 1) {
        return VFW_S_NO_MORE_ITEMS;
    }
    *type = m_mt;
    return S_OK;
}

HRESULT CTevalStream::OnThreadCreate()
{
    std::lock_guard lock(m_streamLock);
    std::int32_t width = 0;
    std::int32_t height = 0;
    REFERENCE_TIME avg = 0;
    {
        std::lock_guard state(m_filter.StateLock());
        const VIDEOINFOHEADER *vih = m_mt.VideoInfo();
        width = vih->bmiHeader.biWidth;
        height = vih->bmiHeader.biHeight;
        avg = vih->AvgTimePerFrame;
    }
    StartStreaming(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                   FrameRateFor(avg), QualityFor(width, height));
    // The host's source base delivers the new segment (start 0, open end, rate 1.0).
    m_framePeriod.store(avg);
    return S_OK;
}

HRESULT CTevalStream::OnThreadDestroy()
{
    StopStreaming();
    return S_OK;
}

HRESULT CTevalStream::Notify(IUnknown *, const Quality &quality)
{
    if (quality.Proportion > 0) {
        const REFERENCE_TIME period = m_framePeriod.load() * 1000 / quality.Proportion;
        m_framePeriod.store(std::clamp(period, kShortestFramePeriod, kLongestFramePeriod));
    } else {
        m_framePeriod.store(kLongestFramePeriod);
    }
    return S_OK;
}

std::uint16_t CTevalStream::FrameRateFor(REFERENCE_TIME avgTimePerFrame)
{
    if (avgTimePerFrame <= 0) {
        return 30;
    }
    const REFERENCE_TIME rate = kUnitsPerSecond / avgTimePerFrame + 1;
    return static_cast<std::uint16_t>(std::clamp<REFERENCE_TIME>(rate, 1, 30));
}

std::uint16_t CTevalStream::QualityFor(std::int32_t width, std::int32_t height)
{
    return (width > 640 || height > 480) ? 20 : 16;
}

// ---- IAMStreamConfig ----

HRESULT CTevalStream::SetFormat(const CMediaType *type)
{
    return StoreFormat(type, true);
}

HRESULT CTevalStream::SetNegotiatedFormat(const CMediaType *type)
{
    return StoreFormat(type, false);
}

HRESULT CTevalStream::StoreFormat(const CMediaType *type, bool offerDownstream)
{
    // A type without a video format block would leave the stream without a frame size.
    if (type == nullptr) {
        return E_POINTER;
    }
    if (type->VideoInfo() == nullptr) {
        return E_INVALIDARG;
    }
    CMediaType stored = *type;
    VIDEOINFOHEADER *vih = stored.VideoInfo();
    vih->AvgTimePerFrame =
        std::clamp(vih->AvgTimePerFrame, kShortestFramePeriod, kLongestFramePeriod);
    vih->bmiHeader.biWidth = std::clamp(vih->bmiHeader.biWidth, 160, 1280);
    vih->bmiHeader.biHeight = std::clamp(vih->bmiHeader.biHeight, 120, 960);
    std::function<void(const CMediaType &)> reconnect;
    {
        std::lock_guard state(m_filter.StateLock());
        m_mt = stored;
        if (offerDownstream) {
            reconnect = m_reconnect;
        }
    }
    if (reconnect) {
        reconnect(stored);
    }
    return S_OK;
}

HRESULT CTevalStream::GetFormat(CMediaType *type)
{
    if (type == nullptr) {
        return E_POINTER;
    }
    std::lock_guard state(m_filter.StateLock());
    *type = m_mt;
    return S_OK;
}

HRESULT CTevalStream::GetNumberOfCapabilities(int *count, int *size)
{
    if (count == nullptr || size == nullptr) {
        return E_POINTER;
    }
    *count = static_cast<int>(kResolutions.size());
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

HRESULT CTevalStream::GetStreamCaps(int index, CMediaType *type, VIDEO_STREAM_CONFIG_CAPS *caps)
{
    if (type == nullptr) {
        return E_POINTER;
    }
    if (static_cast<unsigned>(index) >= kResolutions.size()) {
        return E_INVALIDARG;
    }
    const Resolution &row = kResolutions[static_cast<std::size_t>(index)];

    VIDEOINFOHEADER vih{};
    {
        std::lock_guard state(m_filter.StateLock());
        if (const VIDEOINFOHEADER *current = m_mt.VideoInfo()) {
            vih = *current;
        }
    }
    FillVideoInfo(vih, row.width, row.height);
    *type = MjpgType(vih, false);

    if (caps != nullptr) {
        const SIZE size{row.width, row.height};
        *caps = VIDEO_STREAM_CONFIG_CAPS{};
        caps->guid = FORMAT_VideoInfo;
        caps->VideoStandard = 0;
        caps->InputSize = size;
        caps->MinCroppingSize = size;
        caps->MaxCroppingSize = size;
        caps->MinOutputSize = size;
        caps->MaxOutputSize = size;
        caps->MinFrameInterval = row.minFrameInterval;
        caps->MaxFrameInterval = row.maxFrameInterval;
        caps->MinBitsPerSecond = row.width * row.height / 5;
        caps->MaxBitsPerSecond = row.width * row.height * 30;
    }
    return S_OK;
}

// ---- IKsPropertySet ----

HRESULT CTevalStream::Set(REFGUID, std::uint32_t, void *, std::uint32_t, void *, std::uint32_t)
{
    return E_NOTIMPL;
}

HRESULT CTevalStream::Get(REFGUID set, std::uint32_t id, void *, std::uint32_t, void *data,
                          std::uint32_t dataLength, std::uint32_t *returned)
{
    if (!(set == AMPROPSETID_Pin)) {
        return E_PROP_SET_UNSUPPORTED;
    }
    if (id != AMPROPERTY_PIN_CATEGORY) {
        return E_PROP_ID_UNSUPPORTED;
    }
    if (data == nullptr && returned == nullptr) {
        return E_POINTER;
    }
    if (returned != nullptr) {
        *returned = kPinCategorySize;
    }
    if (data == nullptr) {
        return S_OK;
    }
    if (dataLength < kPinCategorySize) {
        return E_UNEXPECTED;
    }
    std::memcpy(data, &PIN_CATEGORY_CAPTURE, sizeof(GUID));
    return S_OK;
}

HRESULT CTevalStream::QuerySupported(REFGUID set, std::uint32_t id, std::uint32_t *support)
{
    if (!(set == AMPROPSETID_Pin)) {
        return E_PROP_SET_UNSUPPORTED;
    }
    if (id != AMPROPERTY_PIN_CATEGORY) {
        return E_PROP_ID_UNSUPPORTED;
    }
    if (support != nullptr) {
        *support = KSPROPERTY_SUPPORT_GET;
    }
    return S_OK;
}

HRESULT CTevalStream::GetPages(std::vector<CLSID> *pages)
{
    if (pages == nullptr) {
        return E_POINTER;
    }
    pages->assign(1, CLSID_FormatPage);
    return S_OK;
}

HRESULT CTevalStream::GetPushSourceFlags(std::uint32_t *flags)
{
    if (flags == nullptr) {
        return E_POINTER;
    }
    *flags = 0;
    return S_OK;
}

// ---- camera streaming ----

bool CTevalStream::ReadStreamStatus(std::int32_t *status)
{
    return Teval_GetParamLong(teval::kParamStreamStatus, status) != 0;
}

bool CTevalStream::StartStreaming(std::uint16_t width, std::uint16_t height, std::uint16_t rate,
                                  std::uint16_t quality)
{
    DeviceLockGuard device(DeviceLock());
    std::int32_t status = 0;
    if (!ReadStreamStatus(&status)) {
        TEVAL_WARNING("stream start %ux%u: reading the stream status failed", width, height);
        return false;
    }
    if (status == teval::kStreamStatusStreaming) {
        TEVAL_INFO("stream start %ux%u: the camera already streams, nothing configured", width,
                   height);
        return false;
    }
    const std::pair<std::uint16_t, std::int32_t> writes[] = {
        {teval::kParamWidth, width},    {teval::kParamHeight, height},
        {teval::kParamFrameRate, rate}, {teval::kParamQuality, quality},
        {teval::kParamStreaming, 1},
    };
    for (const auto &[id, value] : writes) {
        if (!Teval_SetParamLong(id, value)) {
            TEVAL_WARNING("stream start: writing parameter 0x%04x = %d failed", id, value);
            return false;
        }
    }
    if (!m_waiter->Wait(kStatusPollStep)) {
        return false;
    }
    const std::chrono::milliseconds begin = m_waiter->Now();
    for (int reads = 1;; ++reads) {
        if (!ReadStreamStatus(&status)) {
            TEVAL_WARNING("stream start: reading the stream status failed");
            return false;
        }
        if (status == teval::kStreamStatusStreaming) {
            TEVAL_INFO("stream start %ux%u: streaming at status read %d", width, height, reads);
            return true;
        }
        if (m_waiter->Now() - begin >= kStatusPollLimit) {
            TEVAL_WARNING("stream start: status 0x%x, not streaming after %lld ms", status,
                          static_cast<long long>(kStatusPollLimit.count()));
            return false;
        }
        if (!m_waiter->Wait(kStatusPollStep)) {
            return false;
        }
    }
}

bool CTevalStream::StopStreaming()
{
    DeviceLockGuard device(DeviceLock());
    if (!Teval_SetParamLong(teval::kParamStreaming, 0)) {
        TEVAL_INFO("stream stop: writing the streaming parameter failed");
        return false;
    }
    std::int32_t status = 0;
    if (!ReadStreamStatus(&status)) {
        TEVAL_WARNING("stream stop: reading the stream status failed");
        return false;
    }
    if (status != teval::kStreamStatusStreaming) {
        return true;
    }
    const std::chrono::milliseconds begin = m_waiter->Now();
    for (;;) {
        if (m_waiter->Now() - begin >= kStatusPollLimit) {
            TEVAL_WARNING("stream stop: still streaming after %lld ms",
                          static_cast<long long>(kStatusPollLimit.count()));
            return false;
        }
        if (!m_waiter->Wait(kStatusPollStep)) {
            return false;
        }
        if (!ReadStreamStatus(&status)) {
            TEVAL_WARNING("stream stop: reading the stream status failed");
            return false;
        }
        if (status != teval::kStreamStatusStreaming) {
            return true;
        }
    }
}

bool CTevalStream::ReadFrame(std::uint8_t *buffer, std::size_t size, std::uint16_t width,
                             std::uint16_t height, std::size_t *length)
{
    const std::shared_ptr<CCallSys> device = AcquireDeviceShared();
    if (!device) {
        TEVAL_INFO("frame read: no camera (%s)", LastOpenFailure().text.c_str());
        return false;
    }
    const std::size_t readLength = CJpegFrame::ReadLength(size);
    if (readLength == 0) {
        return false;
    }
    unsigned received = 0;
    for (;;) {
        received = 0;
        if (!device->BulkReadCancellable(buffer + CJpegFrame::kReadOffset,
                                         static_cast<int>(readLength), &received, &m_cancel)) {
            // A read given up half way leaves the rest of that message with the camera.
            if (m_cancel.IsCancelled() && received > 0) {
                m_partialMessage = true;
            }
            if (!m_cancel.IsCancelled()) {
                TEVAL_WARNING("frame read: bulk read failed after %u of %zu bytes", received,
                              readLength);
            }
            return false;
        }
        if (!m_partialMessage) {
            break;
        }
        m_partialMessage = false; // that was the rest of the abandoned message
    }
    const std::size_t frame = CJpegFrame::Complete(buffer, size, received, width, height);
    if (frame == 0) {
        TEVAL_WARNING("frame read: a message of %u bytes breaks the length rules or has no "
                      "end-of-image marker in its last 530 bytes",
                      received);
        return false;
    }
    *length = frame;
    return true;
}

void CTevalStream::Unblock()
{
    m_cancel.Cancel();
    m_waiter->Cancel();
}

void CTevalStream::ClearUnblock()
{
    m_cancel.Reset();
    m_waiter->Reset();
}

void CTevalStream::SetReconnectHandler(std::function<void(const CMediaType &)> handler)
{
    std::lock_guard state(m_filter.StateLock());
    m_reconnect = std::move(handler);
}
