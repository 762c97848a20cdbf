#include "PublishGraph.h"

#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

namespace {

constexpr guint64 QueuedFrames = 2;
constexpr int CapsWaitMs = 3000;

} // namespace

PublishGraph::PublishGraph(const PublishFormat &format, const NodeIdentity &identity)
    : m_format(format), m_identity(identity)
{
}

PublishGraph::~PublishGraph() = default;

bool PublishGraph::start()
{
    m_pipeline.reset(gst_pipeline_new("publish"));
    m_source = gst_element_factory_make("appsrc", nullptr);
    GstElement *sink = gst_element_factory_make("pipewiresink", nullptr);
    if (!m_source || !sink) {
        GST_CAT_DEBUG(tevalcam_debug, "appsrc or pipewiresink missing (gstreamer1.0-pipewire)");
        if (m_source) {
            gst_object_unref(gst_object_ref_sink(m_source));
        }
        if (sink) {
            gst_object_unref(gst_object_ref_sink(sink));
        }
        m_source = nullptr;
        return false;
    }
    gst_bin_add_many(GST_BIN(m_pipeline.get()), m_source, sink, nullptr);

    GstCaps *caps = gst_caps_from_string(m_format.rawCaps().c_str());
    g_object_set(m_source, "caps", caps, "format", GST_FORMAT_TIME, "is-live", TRUE, "do-timestamp",
                 TRUE, "max-buffers", QueuedFrames, "leaky-type", GST_APP_LEAKY_TYPE_DOWNSTREAM,
                 nullptr);
    gst_caps_unref(caps);

    GstStructure *props = gst_structure_new(
        "props", "media.class", G_TYPE_STRING, "Video/Source", "media.role", G_TYPE_STRING,
        "Camera", "node.name", G_TYPE_STRING, m_identity.name.c_str(), "node.description",
        G_TYPE_STRING, m_identity.description.c_str(), "doccam.origin", G_TYPE_STRING,
        m_identity.origin.c_str(), nullptr);
    gst_util_set_object_arg(G_OBJECT(sink), "mode", "provide");
    g_object_set(sink, "stream-properties", props, "client-name", m_identity.name.c_str(), "sync",
                 FALSE, nullptr);
    gst_structure_free(props);

    if (!gst_element_link(m_source, sink) ||
        gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        GST_CAT_DEBUG(tevalcam_debug, "node %s not published (is PipeWire running?)",
                      m_identity.name.c_str());
        return false;
    }
    if (!takePool(sink)) {
        return false;
    }
    GST_CAT_INFO(tevalcam_debug, "node %s published at %s", m_identity.name.c_str(),
                 m_format.text().c_str());
    return true;
}

bool PublishGraph::takePool(GstElement *sink)
{
    GstHandle<GstPad> pad(gst_element_get_static_pad(sink, "sink"));
    // The sink connects its stream when the format reaches it, on the appsrc's thread.
    for (int waited = 0; !gst_pad_has_current_caps(pad.get()); waited += 10) {
        if (waited > CapsWaitMs) {
            GST_CAT_DEBUG(tevalcam_debug, "the node's format never reached the sink");
            return false;
        }
        g_usleep(10 * G_TIME_SPAN_MILLISECOND);
    }
    GstCaps *caps = gst_pad_get_current_caps(pad.get());
    GstVideoInfo info;
    gst_video_info_from_caps(&info, caps);
    m_frameSize = GST_VIDEO_INFO_SIZE(&info);
    GstQuery *query = gst_query_new_allocation(caps, TRUE);
    GstBufferPool *pool = nullptr;
    guint size = 0;
    guint least = 0;
    guint most = 0;
    if (gst_pad_query(pad.get(), query) && gst_query_get_n_allocation_pools(query) > 0) {
        gst_query_parse_nth_allocation_pool(query, 0, &pool, &size, &least, &most);
    }
    gst_query_unref(query);
    if (!pool) {
        gst_caps_unref(caps);
        GST_CAT_DEBUG(tevalcam_debug, "pipewiresink offers no buffer pool");
        return false;
    }
    m_pool.reset(pool);
    // The appsrc's base class has already started the pool at the size the sink proposed, 0;
    // the pool is started again at the frame size, which PipeWire then allocates.
    gst_buffer_pool_set_active(pool, FALSE);
    GstStructure *config = gst_buffer_pool_get_config(pool);
    gst_buffer_pool_config_set_params(config, caps, guint(m_frameSize), least, most);
    gst_caps_unref(caps);
    if (!gst_buffer_pool_set_config(pool, config)) {
        GST_CAT_DEBUG(tevalcam_debug, "the sink's buffer pool refuses the frame size");
        return false;
    }
    if (!gst_buffer_pool_set_active(pool, TRUE)) {
        GST_CAT_DEBUG(tevalcam_debug, "the sink's buffer pool does not start");
        return false;
    }
    return true;
}

void PublishGraph::push(GstBuffer *frame)
{
    if (!m_source || !m_pool) {
        return;
    }
    // No free buffer means no consumer is taking frames: this one is dropped.
    GstBufferPoolAcquireParams params{};
    params.flags = GST_BUFFER_POOL_ACQUIRE_FLAG_DONTWAIT;
    GstBuffer *copy = nullptr;
    if (gst_buffer_pool_acquire_buffer(m_pool.get(), &copy, &params) != GST_FLOW_OK || !copy) {
        ++m_dropped;
        return;
    }
    GstMapInfo map;
    if (!gst_buffer_map(copy, &map, GST_MAP_WRITE)) {
        gst_buffer_unref(copy);
        return;
    }
    const gsize copied = gst_buffer_extract(frame, 0, map.data, map.maxsize);
    gst_buffer_unmap(copy, &map);
    gst_buffer_resize(copy, 0, gssize(copied));
    // Stamped by the appsrc with this graph's clock.
    if (gst_app_src_push_buffer(GST_APP_SRC(m_source), copy) == GST_FLOW_OK) {
        ++m_published;
    }
}

bool PublishGraph::failed() const
{
    if (!m_pipeline || m_failed) {
        return true;
    }
    GstHandle<GstBus> bus(gst_element_get_bus(m_pipeline.get()));
    GstMessage *error = gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR);
    if (!error) {
        return false;
    }
    GError *detail = nullptr;
    gst_message_parse_error(error, &detail, nullptr);
    GST_CAT_DEBUG(tevalcam_debug, "node graph failed: %s", detail ? detail->message : "");
    g_clear_error(&detail);
    gst_message_unref(error);
    m_failed = true;
    return true;
}
