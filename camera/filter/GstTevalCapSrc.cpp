#include "filter/GstTevalCapSrc.h"

#include "GstHandle.h"
#include "filter/GstTevalCapDebug.h"
#include "filter/GstTevalCapPool.h"

#include "filter/CFrameRate.h"
#include "filter/CFrameReader.h"
#include "filter/CTevalFilter.h"
#include "filter/CTevalStream.h"
#include "filter/Resolutions.h"
#include "protocol/CJpegFrame.h"
#include "protocol/TevalCodes.h"

#include <gst/video/colorbalance.h>

#include <optional>

#define GST_CAT_DEFAULT tevalcap_debug

using FrameReader = CFrameReader<BufferHandle>;

struct _GstTevalCapSrc {
    GstPushSrc parent;
    CTevalFilter *filter;
    FrameReader *reader;
    gint cameraStarted; // atomic: written by the reader thread, and while it does not run
    gint restartCamera; // atomic: the format changed since the camera was last started
    gint flushing;      // atomic: the element is being stopped or flushed
    GstColorBalanceChannel *brightness;
    GList *channels;
};

namespace {

constexpr gint kBrightnessMax = 14;
// Frames kept for a streaming thread that comes back late: enough for a synchronised sink's
// wait of a frame and the transfer.
constexpr std::size_t kKeptFrames = 3;
// A whole sample crossing USB 2.0 bulk transfers (512 KiB at about 35 MB/s).
constexpr GstClockTime kTransferTime = 15 * GST_MSECOND;

void gst_tevalcap_src_color_balance_init(GstColorBalanceInterface *iface);

// A GStreamer buffer seen as the pin's media sample.
class BufferSample : public IMediaSample {
public:
    explicit BufferSample(GstBuffer *buffer) : m_buffer(buffer)
    {
        m_mapped = gst_buffer_map(buffer, &m_map, GST_MAP_WRITE);
    }
    ~BufferSample() override
    {
        if (m_mapped) {
            gst_buffer_unmap(m_buffer, &m_map);
        }
    }
    BufferSample(const BufferSample &) = delete;
    BufferSample &operator=(const BufferSample &) = delete;

    HRESULT GetPointer(std::uint8_t **buffer) override
    {
        *buffer = m_mapped ? m_map.data : nullptr;
        return m_mapped ? S_OK : E_FAIL;
    }
    std::int32_t GetSize() override { return m_mapped ? static_cast<std::int32_t>(m_map.size) : 0; }
    HRESULT SetActualDataLength(std::int32_t length) override
    {
        m_length = length;
        return S_OK;
    }
    HRESULT SetTime(const REFERENCE_TIME *start, const REFERENCE_TIME *stop) override
    {
        m_start = *start;
        m_stop = *stop;
        return S_OK;
    }
    HRESULT SetSyncPoint(bool syncPoint) override
    {
        m_sync = syncPoint;
        return S_OK;
    }

    // Writes length, time stamps and flags onto the buffer (after the map is released).
    void Commit()
    {
        if (m_mapped) {
            gst_buffer_unmap(m_buffer, &m_map);
            m_mapped = false;
        }
        gst_buffer_set_size(m_buffer, m_length);
        GST_BUFFER_PTS(m_buffer) = static_cast<GstClockTime>(m_start) * 100;
        GST_BUFFER_DTS(m_buffer) = GST_CLOCK_TIME_NONE;
        GST_BUFFER_DURATION(m_buffer) = static_cast<GstClockTime>(m_stop - m_start) * 100;
        if (m_sync) {
            GST_BUFFER_FLAG_UNSET(m_buffer, GST_BUFFER_FLAG_DELTA_UNIT);
        } else {
            GST_BUFFER_FLAG_SET(m_buffer, GST_BUFFER_FLAG_DELTA_UNIT);
        }
    }

private:
    GstBuffer *m_buffer;
    GstMapInfo m_map{};
    bool m_mapped = false;
    std::int32_t m_length = 0;
    REFERENCE_TIME m_start = 0;
    REFERENCE_TIME m_stop = 0;
    bool m_sync = false;
};

// The downstream buffer pool seen as the pin's allocator.
class PoolAllocator : public IMemAllocator {
public:
    PoolAllocator(GstBufferPool *pool, GstCaps *caps) : m_pool(pool), m_caps(caps) {}

    HRESULT SetProperties(const ALLOCATOR_PROPERTIES *request,
                          ALLOCATOR_PROPERTIES *actual) override
    {
        GstStructure *config = gst_buffer_pool_get_config(m_pool);
        // At least the buffers asked for; more if downstream holds on to some.
        gst_buffer_pool_config_set_params(config, m_caps, static_cast<guint>(request->cbBuffer),
                                          static_cast<guint>(request->cBuffers), 0);
        if (!gst_buffer_pool_set_config(m_pool, config)) {
            return E_FAIL;
        }
        const StructureHandle granted(gst_buffer_pool_get_config(m_pool));
        guint size = 0;
        guint min = 0;
        guint max = 0;
        gst_buffer_pool_config_get_params(granted.get(), nullptr, &size, &min, &max);
        *actual = ALLOCATOR_PROPERTIES{static_cast<std::int32_t>(min),
                                       static_cast<std::int32_t>(size), 1, 0};
        return S_OK;
    }

private:
    GstBufferPool *m_pool;
    GstCaps *m_caps;
};

GstStructure *CapsStructure(int width, int height)
{
    return gst_structure_new("image/jpeg", "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
                             nullptr);
}

CTevalStream *Stream(GstTevalCapSrc *self)
{
    return self->filter->Stream();
}

} // namespace

G_DEFINE_TYPE_WITH_CODE(GstTevalCapSrc, gst_tevalcap_src, GST_TYPE_PUSH_SRC,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_COLOR_BALANCE,
                                              gst_tevalcap_src_color_balance_init))

GstCaps *TevalCapTemplateCaps()
{
    GstCaps *caps = gst_caps_new_empty();
    for (const Resolution &row : kResolutions) {
        int maxN = 0;
        int maxD = 1;
        int minN = 0;
        int minD = 1;
        CFrameRate::FromPeriod(row.minFrameInterval, &maxN, &maxD);
        CFrameRate::FromPeriod(row.maxFrameInterval, &minN, &minD);
        GstStructure *s = CapsStructure(row.width, row.height);
        gst_structure_set(s, "framerate", GST_TYPE_FRACTION_RANGE, minN, minD, maxN, maxD, nullptr);
        gst_caps_append_structure(caps, s);
    }
    return caps;
}

CTevalFilter *TevalCapSrcFilter(GstElement *element)
{
    if (element == nullptr || !GST_IS_TEVALCAP_SRC(element)) {
        return nullptr;
    }
    return GST_TEVALCAP_SRC(element)->filter;
}

namespace {

// ---- camera controls ----

gint gst_tevalcap_src_get_control(GstTevalCapSrc *self, gint property, gpointer value)
{
    std::int32_t result = 0;
    std::int32_t flags = 0;
    const HRESULT hr = self->filter->Get(property, &result, &flags);
    if (SUCCEEDED(hr) && value != nullptr) {
        *static_cast<gint *>(value) = result;
    }
    return hr;
}

gint gst_tevalcap_src_set_control(GstTevalCapSrc *self, gint property, gint value)
{
    return self->filter->Set(property, value, 0);
}

const GList *gst_tevalcap_src_list_channels(GstColorBalance *balance)
{
    return GST_TEVALCAP_SRC(balance)->channels;
}

void gst_tevalcap_src_set_value(GstColorBalance *balance, GstColorBalanceChannel *channel,
                                gint value)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(balance);
    if (channel != self->brightness) {
        return;
    }
    value = CLAMP(value, 0, kBrightnessMax);
    if (SUCCEEDED(self->filter->Set(teval::kParamBrightness, value, 0))) {
        gst_color_balance_value_changed(balance, channel, value);
    }
}

gint gst_tevalcap_src_get_value(GstColorBalance *balance, GstColorBalanceChannel *channel)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(balance);
    std::int32_t value = 0;
    if (channel != self->brightness ||
        FAILED(self->filter->Get(teval::kParamBrightness, &value, nullptr))) {
        return 0;
    }
    return value;
}

GstColorBalanceType gst_tevalcap_src_get_balance_type(GstColorBalance *)
{
    return GST_COLOR_BALANCE_HARDWARE;
}

void gst_tevalcap_src_color_balance_init(GstColorBalanceInterface *iface)
{
    iface->list_channels = gst_tevalcap_src_list_channels;
    iface->set_value = gst_tevalcap_src_set_value;
    iface->get_value = gst_tevalcap_src_get_value;
    iface->get_balance_type = gst_tevalcap_src_get_balance_type;
}

// ---- format and caps ----

// Offers a format stored by SetFormat downstream; renegotiates when it is accepted there.
void gst_tevalcap_src_reconnect(GstTevalCapSrc *self, const CMediaType &type)
{
    const VIDEOINFOHEADER *vih = type.VideoInfo();
    int n = 0;
    int d = 1;
    CFrameRate::FromPeriod(vih->AvgTimePerFrame, &n, &d);
    const CapsHandle caps(
        gst_caps_new_full(CapsStructure(vih->bmiHeader.biWidth, vih->bmiHeader.biHeight), nullptr));
    gst_caps_set_simple(caps.get(), "framerate", GST_TYPE_FRACTION, n, d, nullptr);
    GstPad *pad = GST_BASE_SRC_PAD(self);
    const CapsHandle current(gst_pad_get_current_caps(pad));
    const bool changed = !current || !gst_caps_is_equal(current.get(), caps.get());
    if (changed && gst_pad_peer_query_accept_caps(pad, caps.get())) {
        gst_pad_mark_reconfigure(pad);
    }
}

GstCaps *gst_tevalcap_src_get_caps(GstBaseSrc *, GstCaps *filter)
{
    GstCaps *caps = TevalCapTemplateCaps();
    if (filter != nullptr) {
        GstCaps *limited = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = limited;
    }
    return caps;
}

// Among the sizes downstream accepts, the current format wins; otherwise the first.
GstCaps *gst_tevalcap_src_fixate(GstBaseSrc *src, GstCaps *caps)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    CMediaType current;
    Stream(self)->GetFormat(&current);
    const VIDEOINFOHEADER *vih = current.VideoInfo();
    const int width = vih->bmiHeader.biWidth;
    const int height = vih->bmiHeader.biHeight;
    int n = 0;
    int d = 1;
    CFrameRate::FromPeriod(vih->AvgTimePerFrame, &n, &d);

    caps = gst_caps_make_writable(caps);
    guint chosen = 0;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        GstStructure *probe = gst_structure_copy(gst_caps_get_structure(caps, i));
        gst_structure_fixate_field_nearest_int(probe, "width", width);
        gst_structure_fixate_field_nearest_int(probe, "height", height);
        int w = 0;
        int h = 0;
        const bool same = gst_structure_get_int(probe, "width", &w) &&
                          gst_structure_get_int(probe, "height", &h) && w == width && h == height;
        gst_structure_free(probe);
        if (same) {
            chosen = i;
            break;
        }
    }
    GstStructure *s = gst_structure_copy(gst_caps_get_structure(caps, chosen));
    gst_caps_unref(caps);
    gst_structure_fixate_field_nearest_int(s, "width", width);
    gst_structure_fixate_field_nearest_int(s, "height", height);
    gst_structure_fixate_field_nearest_fraction(s, "framerate", n, d);
    caps = gst_caps_new_full(s, nullptr);
    return gst_caps_fixate(caps);
}

gboolean gst_tevalcap_src_set_caps(GstBaseSrc *src, GstCaps *caps)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    const GstStructure *s = gst_caps_get_structure(caps, 0);
    int width = 0;
    int height = 0;
    int n = 0;
    int d = 1;
    if (!gst_structure_get_int(s, "width", &width) ||
        !gst_structure_get_int(s, "height", &height) ||
        !gst_structure_get_fraction(s, "framerate", &n, &d)) {
        return FALSE;
    }
    CMediaType type;
    Stream(self)->GetFormat(&type);
    VIDEOINFOHEADER *vih = type.VideoInfo();
    vih->bmiHeader.biWidth = width;
    vih->bmiHeader.biHeight = height;
    const REFERENCE_TIME period = CFrameRate::ToPeriod(n, d);
    if (period > 0) {
        vih->AvgTimePerFrame = period;
    }
    if (Stream(self)->CheckMediaType(&type) != S_OK) {
        return FALSE;
    }
    // Agreed with downstream already: stored without being offered again.
    Stream(self)->SetNegotiatedFormat(&type);
    // Also while the reader starts the camera: it may have read the format before this one.
    g_atomic_int_set(&self->restartCamera, 1);
    GST_DEBUG_OBJECT(self, "format %dx%d at %d/%d", width, height, n, d);
    return TRUE;
}

gboolean gst_tevalcap_src_decide_allocation(GstBaseSrc *src, GstQuery *query)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    GstCaps *caps = nullptr;
    gst_query_parse_allocation(query, &caps, nullptr);
    const GstHandle<GstBufferPool> pool(TevalCapPoolNew());
    PoolAllocator allocator(pool.get(), caps);
    ALLOCATOR_PROPERTIES request{};
    const HRESULT hr = Stream(self)->DecideBufferSize(&allocator, &request);
    if (FAILED(hr)) {
        GST_ELEMENT_ERROR(self, RESOURCE, SETTINGS, ("buffers too small for a frame"), (nullptr));
        return FALSE;
    }
    const guint size = static_cast<guint>(request.cbBuffer);
    const guint min = static_cast<guint>(request.cBuffers);
    if (gst_query_get_n_allocation_pools(query) > 0) {
        gst_query_set_nth_allocation_pool(query, 0, pool.get(), size, min, 0);
    } else {
        gst_query_add_allocation_pool(query, pool.get(), size, min, 0);
    }
    return TRUE;
}

// ---- streaming ----

gboolean gst_tevalcap_src_start(GstBaseSrc *src)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    g_atomic_int_set(&self->flushing, 0);
    Stream(self)->ClearUnblock();
    g_atomic_int_set(&self->cameraStarted, FALSE);
    g_atomic_int_set(&self->restartCamera, 0);
    return TRUE;
}

gboolean gst_tevalcap_src_stop(GstBaseSrc *src)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    // The reader's pending frame read or camera start gives up, then the reader ends.
    Stream(self)->Unblock();
    self->reader->Stop();
    // The stop sequence waits for the camera (bounded): it must not be cut short by the
    // unblocking that ended the reader.
    Stream(self)->ClearUnblock();
    if (g_atomic_int_get(&self->cameraStarted)) {
        Stream(self)->OnThreadDestroy();
    }
    g_atomic_int_set(&self->cameraStarted, FALSE);
    GST_DEBUG_OBJECT(self, "%llu frames dropped so far: downstream came back late for them",
                     static_cast<unsigned long long>(self->reader->Dropped()));
    return TRUE;
}

gboolean gst_tevalcap_src_unlock(GstBaseSrc *src)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    g_atomic_int_set(&self->flushing, 1);
    self->reader->Interrupt();
    return TRUE;
}

gboolean gst_tevalcap_src_unlock_stop(GstBaseSrc *src)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    self->reader->Resume();
    g_atomic_int_set(&self->flushing, 0);
    return TRUE;
}

// A buffer of the negotiated pool, or one of its own while the pool is being replaced.
BufferHandle gst_tevalcap_src_new_buffer(GstTevalCapSrc *self)
{
    const GstHandle<GstBufferPool> pool(gst_base_src_get_buffer_pool(GST_BASE_SRC(self)));
    GstBuffer *buffer = nullptr;
    if (pool && gst_buffer_pool_acquire_buffer(pool.get(), &buffer, nullptr) == GST_FLOW_OK) {
        return BufferHandle(buffer);
    }
    return BufferHandle(gst_buffer_new_allocate(nullptr, CTevalStream::kSampleSize, nullptr));
}

// On the reader thread: (re)starts the camera when due, then reads one frame, stamped with the
// running time at its arrival.
std::optional<BufferHandle> gst_tevalcap_src_read_frame(GstTevalCapSrc *self)
{
    const bool restart = g_atomic_int_compare_and_exchange(&self->restartCamera, 1, 0);
    const bool started = g_atomic_int_get(&self->cameraStarted);
    if (!started || restart) {
        if (started) {
            Stream(self)->OnThreadDestroy();
        }
        Stream(self)->OnThreadCreate();
        g_atomic_int_set(&self->cameraStarted, TRUE);
    }
    BufferHandle buffer = gst_tevalcap_src_new_buffer(self);
    BufferSample sample(buffer.get());
    if (Stream(self)->FillBuffer(&sample) != S_OK) {
        return std::nullopt;
    }
    sample.Commit();
    return buffer;
}

GstFlowReturn gst_tevalcap_src_create(GstPushSrc *src, GstBuffer **out)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    if (g_atomic_int_get(&self->flushing)) {
        return GST_FLOW_FLUSHING;
    }
    self->reader->Start();
    BufferHandle frame;
    switch (self->reader->Take(&frame)) {
    case FrameReader::Taken::Frame:
        *out = frame.release();
        return GST_FLOW_OK;
    case FrameReader::Taken::Interrupted:
        return GST_FLOW_FLUSHING;
    case FrameReader::Taken::Ended:
        break;
    }
    if (g_atomic_int_get(&self->flushing)) {
        return GST_FLOW_FLUSHING;
    }
    GST_DEBUG_OBJECT(self, "no frame from the camera: end of stream");
    return GST_FLOW_EOS;
}

gboolean gst_tevalcap_src_event(GstBaseSrc *src, GstEvent *event)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    if (GST_EVENT_TYPE(event) == GST_EVENT_QOS) {
        GstQOSType type = GST_QOS_TYPE_UNDERFLOW;
        gdouble proportion = 1.0;
        GstClockTimeDiff diff = 0;
        GstClockTime timestamp = 0;
        gst_event_parse_qos(event, &type, &proportion, &diff, &timestamp);
        Quality quality{
            static_cast<int>(type), static_cast<std::int32_t>(proportion * 1000.0), diff / 100,
            GST_CLOCK_TIME_IS_VALID(timestamp) ? static_cast<REFERENCE_TIME>(timestamp / 100) : 0};
        Stream(self)->Notify(nullptr, quality);
        return TRUE;
    }
    return GST_BASE_SRC_CLASS(gst_tevalcap_src_parent_class)->event(src, event);
}

gboolean gst_tevalcap_src_query(GstBaseSrc *src, GstQuery *query)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(src);
    if (GST_QUERY_TYPE(query) == GST_QUERY_LATENCY) {
        // A frame is stamped when it arrives: it was taken a frame period and its transfer
        // before; it may then wait among the kept frames.
        CMediaType type;
        Stream(self)->GetFormat(&type);
        const GstClockTime period =
            static_cast<GstClockTime>(type.VideoInfo()->AvgTimePerFrame) * 100;
        const GstClockTime min = period + kTransferTime;
        gst_query_set_latency(query, TRUE, min, min + kKeptFrames * period);
        GST_DEBUG_OBJECT(self, "latency %" GST_TIME_FORMAT " to %" GST_TIME_FORMAT,
                         GST_TIME_ARGS(min), GST_TIME_ARGS(min + kKeptFrames * period));
        return TRUE;
    }
    return GST_BASE_SRC_CLASS(gst_tevalcap_src_parent_class)->query(src, query);
}

// Upward changes are taken before the base class acts on them, downward ones after it has.
GstStateChangeReturn gst_tevalcap_src_change_state(GstElement *element, GstStateChange transition)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(element);
    switch (transition) {
    case GST_STATE_CHANGE_READY_TO_PAUSED:
        self->filter->SetState(State_Paused);
        break;
    case GST_STATE_CHANGE_PAUSED_TO_PLAYING:
        self->filter->SetState(State_Running);
        break;
    default:
        break;
    }
    const GstStateChangeReturn result =
        GST_ELEMENT_CLASS(gst_tevalcap_src_parent_class)->change_state(element, transition);
    if (result == GST_STATE_CHANGE_FAILURE) {
        GST_WARNING_OBJECT(self, "state change %s failed", gst_state_change_get_name(transition));
        return result;
    }
    switch (transition) {
    case GST_STATE_CHANGE_PLAYING_TO_PAUSED:
        self->filter->SetState(State_Paused);
        break;
    case GST_STATE_CHANGE_PAUSED_TO_READY:
        self->filter->SetState(State_Stopped);
        break;
    default:
        break;
    }
    return result;
}

REFERENCE_TIME gst_tevalcap_src_running_time(GstElement *element)
{
    const GstHandle<GstClock> clock(gst_element_get_clock(element));
    if (!clock) {
        return 0;
    }
    const GstClockTime now = gst_clock_get_time(clock.get());
    const GstClockTime base = gst_element_get_base_time(element);
    return now > base ? static_cast<REFERENCE_TIME>((now - base) / 100) : 0;
}

void gst_tevalcap_src_finalize(GObject *object)
{
    GstTevalCapSrc *self = GST_TEVALCAP_SRC(object);
    delete self->reader;
    self->reader = nullptr;
    delete self->filter;
    self->filter = nullptr;
    g_list_free(self->channels);
    g_clear_object(&self->brightness);
    G_OBJECT_CLASS(gst_tevalcap_src_parent_class)->finalize(object);
}

} // namespace

static void gst_tevalcap_src_class_init(GstTevalCapSrcClass *klass)
{
    TevalCapDebugInit();
    GObjectClass *objectClass = G_OBJECT_CLASS(klass);
    GstElementClass *elementClass = GST_ELEMENT_CLASS(klass);
    GstBaseSrcClass *baseClass = GST_BASE_SRC_CLASS(klass);
    GstPushSrcClass *pushClass = GST_PUSH_SRC_CLASS(klass);

    objectClass->finalize = gst_tevalcap_src_finalize;
    elementClass->change_state = gst_tevalcap_src_change_state;

    gst_element_class_set_static_metadata(
        elementClass, "Document Camera", "Source/Video",
        "Motion-JPEG video from the USB document camera, with its picture controls", "Morvale");
    GstCaps *caps = TevalCapTemplateCaps();
    gst_element_class_add_pad_template(
        elementClass, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
    gst_caps_unref(caps);

    baseClass->get_caps = gst_tevalcap_src_get_caps;
    baseClass->fixate = gst_tevalcap_src_fixate;
    baseClass->set_caps = gst_tevalcap_src_set_caps;
    baseClass->decide_allocation = gst_tevalcap_src_decide_allocation;
    baseClass->start = gst_tevalcap_src_start;
    baseClass->stop = gst_tevalcap_src_stop;
    baseClass->unlock = gst_tevalcap_src_unlock;
    baseClass->unlock_stop = gst_tevalcap_src_unlock_stop;
    baseClass->event = gst_tevalcap_src_event;
    baseClass->query = gst_tevalcap_src_query;
    pushClass->create = gst_tevalcap_src_create;

    g_signal_new_class_handler("get-control", G_TYPE_FROM_CLASS(klass),
                               static_cast<GSignalFlags>(G_SIGNAL_RUN_LAST | G_SIGNAL_ACTION),
                               G_CALLBACK(gst_tevalcap_src_get_control), nullptr, nullptr, nullptr,
                               G_TYPE_INT, 2, G_TYPE_INT, G_TYPE_POINTER);
    g_signal_new_class_handler("set-control", G_TYPE_FROM_CLASS(klass),
                               static_cast<GSignalFlags>(G_SIGNAL_RUN_LAST | G_SIGNAL_ACTION),
                               G_CALLBACK(gst_tevalcap_src_set_control), nullptr, nullptr, nullptr,
                               G_TYPE_INT, 2, G_TYPE_INT, G_TYPE_INT);
}

static void gst_tevalcap_src_init(GstTevalCapSrc *self)
{
    GstBaseSrc *base = GST_BASE_SRC(self);
    gst_base_src_set_live(base, TRUE);
    gst_base_src_set_format(base, GST_FORMAT_TIME);
    gst_base_src_set_blocksize(base, CJpegFrame::kSampleSize);
    self->filter = new CTevalFilter(nullptr, nullptr);
    GstElement *element = GST_ELEMENT(self);
    self->filter->SetStreamClock([element] { return gst_tevalcap_src_running_time(element); });
    self->filter->Stream()->SetReconnectHandler(
        [self](const CMediaType &type) { gst_tevalcap_src_reconnect(self, type); });
    self->reader =
        new FrameReader(kKeptFrames, [self] { return gst_tevalcap_src_read_frame(self); });
    self->cameraStarted = FALSE;
    self->restartCamera = 0;
    self->flushing = 0;
    self->brightness =
        GST_COLOR_BALANCE_CHANNEL(g_object_new(GST_TYPE_COLOR_BALANCE_CHANNEL, nullptr));
    self->brightness->label = g_strdup("BRIGHTNESS");
    self->brightness->min_value = 0;
    self->brightness->max_value = kBrightnessMax;
    self->channels = g_list_append(nullptr, self->brightness);
}
