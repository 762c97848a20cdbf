#include "CameraGraph.h"

#include "CameraStatus.h"

#include <gst/app/gstappsink.h>

namespace {

GstElement *make(const char *factory, GstElement *bin)
{
    GstElement *element = gst_element_factory_make(factory, nullptr);
    if (element) {
        gst_bin_add(GST_BIN(bin), element);
    } else {
        GST_CAT_DEBUG(tevalcam_debug, "element %s missing", factory);
    }
    return element;
}

} // namespace

CameraGraph::CameraGraph(const PublishFormat &format, FrameHandler frames,
                         std::function<void()> failed)
    : m_format(format), m_handler(std::move(frames)), m_failed(std::move(failed))
{
}

CameraGraph::~CameraGraph()
{
    if (m_busWatch) {
        g_source_remove(m_busWatch);
    }
    m_pipeline.reset();
}

bool CameraGraph::start()
{
    m_pipeline.reset(gst_pipeline_new("camera"));
    GstElement *bin = m_pipeline.get();
    m_camera = make(CameraStatus::FactoryName, bin);
    GstElement *jpegCaps = make("capsfilter", bin);
    GstElement *decoder = make("jpegdec", bin);
    GstElement *convert = make("videoconvert", bin);
    GstElement *rawCaps = make("capsfilter", bin);
    GstElement *sink = make("appsink", bin);
    if (!m_camera || !jpegCaps || !decoder || !convert || !rawCaps || !sink) {
        return false;
    }

    GstCaps *caps = gst_caps_from_string(m_format.cameraCaps().c_str());
    g_object_set(jpegCaps, "caps", caps, nullptr);
    gst_caps_unref(caps);
    caps = gst_caps_from_string(m_format.rawCaps().c_str());
    g_object_set(rawCaps, "caps", caps, nullptr);
    gst_caps_unref(caps);
    // The newest frame only: a consumer that falls behind gets fresh pictures, not a backlog.
    g_object_set(sink, "emit-signals", TRUE, "sync", FALSE, "max-buffers", 1u, "drop", TRUE,
                 nullptr);
    g_signal_connect(sink, "new-sample", G_CALLBACK(onSample), this);

    if (!gst_element_link_many(m_camera, jpegCaps, decoder, convert, rawCaps, sink, nullptr)) {
        GST_CAT_DEBUG(tevalcam_debug, "camera graph does not link at %s", m_format.text().c_str());
        return false;
    }
    GstHandle<GstBus> bus(gst_element_get_bus(bin));
    m_busWatch = gst_bus_add_watch(bus.get(), onBusMessage, this);
    if (gst_element_set_state(bin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        GST_CAT_DEBUG(tevalcam_debug, "camera graph does not start");
        return false;
    }
    GST_CAT_INFO(tevalcam_debug, "camera streaming at %s", m_format.text().c_str());
    return true;
}

std::optional<unsigned> CameraGraph::status() const
{
    return CameraStatus::read(m_camera);
}

GstFlowReturn CameraGraph::onSample(GstElement *sink, gpointer self)
{
    auto *graph = static_cast<CameraGraph *>(self);
    GstSample *sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (!sample) {
        return GST_FLOW_EOS;
    }
    if (GstBuffer *buffer = gst_sample_get_buffer(sample)) {
        if (++graph->m_frames == 1) {
            GST_CAT_INFO(tevalcam_debug, "first camera frame");
        }
        graph->m_handler(buffer);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

gboolean CameraGraph::onBusMessage(GstBus *, GstMessage *message, gpointer self)
{
    auto *graph = static_cast<CameraGraph *>(self);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError *error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        GST_CAT_DEBUG(tevalcam_debug, "camera stream failed: %s", error ? error->message : "");
        g_clear_error(&error);
        break;
    }
    case GST_MESSAGE_EOS:
        GST_CAT_DEBUG(tevalcam_debug, "camera stream ended");
        break;
    default:
        return G_SOURCE_CONTINUE;
    }
    graph->m_busWatch = 0;
    graph->m_failed(); // may destroy the graph
    return G_SOURCE_REMOVE;
}
