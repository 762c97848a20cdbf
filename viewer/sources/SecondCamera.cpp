#include "SecondCamera.h"

#include "CameraElement.h"
#include "CameraMonitor.h"
#include "GraphWorker.h"
#include "MediaGraph.h"
#include "SourcesLog.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

namespace {

constexpr int kRunWaitMs = 5000;
constexpr int kStopWaitMs = 1000;

struct SinkContext {
    SecondCamera::FrameHandler handler;
};

GstFlowReturn onNewSample(GstAppSink *sink, gpointer data)
{
    GstSample *sample = gst_app_sink_pull_sample(sink);
    if (sample == nullptr) {
        return GST_FLOW_OK;
    }
    const QImage image = SecondCamera::imageOf(sample);
    gst_sample_unref(sample);
    if (!image.isNull()) {
        static_cast<SinkContext *>(data)->handler(image);
    }
    return GST_FLOW_OK;
}

} // namespace

SecondCamera::SecondCamera(FrameHandler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler))
{
    m_checkTimer.setInterval(kCheckIntervalMs);
    connect(&m_checkTimer, &QTimer::timeout, this, &SecondCamera::check);
}

SecondCamera::~SecondCamera()
{
    stop();
}

QImage SecondCamera::imageOf(GstSample *sample)
{
    GstVideoInfo info;
    GstCaps *caps = gst_sample_get_caps(sample);
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    if (caps == nullptr || buffer == nullptr || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_RGB) {
        return {};
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return {};
    }
    const QImage view(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                      GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                      GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB888);
    QImage image = view.copy();
    gst_video_frame_unmap(&frame);
    return image;
}

QString SecondCamera::choose(const QStringList &listed, const QString &liveChoice)
{
    const bool automatic = !listed.contains(liveChoice);
    for (qsizetype i = automatic ? 1 : 0; i < listed.size(); ++i) {
        if (listed[i] != liveChoice) {
            return listed[i];
        }
    }
    return {};
}

bool SecondCamera::start(const QString &name)
{
    stop();
    m_name = name;
    m_wanted = true;
    m_checkTimer.start();
    return build();
}

void SecondCamera::stop()
{
    m_wanted = false;
    m_checkTimer.stop();
    tearDown();
}

void SecondCamera::check()
{
    if (!m_wanted) {
        return;
    }
    if (!m_monitor) {
        m_monitor = std::make_unique<CameraMonitor>();
    }
    const bool listed = m_monitor->names().contains(m_name);
    if (m_graph && (!listed || m_graph->failed())) {
        qCDebug(lcLive) << "second camera" << m_name << (listed ? "failed" : "went");
        tearDown();
        emit unplugged();
    } else if (!m_graph && listed && build()) {
        qCDebug(lcLive) << "second camera" << m_name << "back";
        emit replugged();
    }
}

bool SecondCamera::build()
{
    if (!m_monitor) {
        m_monitor = std::make_unique<CameraMonitor>();
    }
    GstHandle<GstDevice> device = m_monitor->choose(m_name);
    if (!device || (!m_name.isEmpty() && CameraMonitor::displayName(device.get()) != m_name)) {
        qCDebug(lcLive) << "second camera" << m_name << "not listed";
        return false;
    }
    m_name = CameraMonitor::displayName(device.get());
    // The element lives as long as the graph: its end sets it to NULL, which must not happen
    // while the worker starts the graph.
    auto element = std::make_shared<CameraElement>(device.get());
    const CameraElement &camera = *element;
    auto graph = std::make_shared<MediaGraph>("second camera");
    GstElement *scale = graph->add("videoscale", "Scale");
    GstElement *format = graph->add("capsfilter", "Format");
    GstElement *sink = graph->add("appsink", "Sink");
    if (!camera.isValid() || !graph->isValid() || !scale || !format || !sink ||
        !graph->add(camera.element())) {
        qCWarning(lcLive) << "second camera" << m_name << "graph not made";
        return false;
    }
    CapsHandle caps(gst_caps_from_string("video/x-raw,format=RGB,pixel-aspect-ratio=1/1"));
    gst_caps_set_simple(caps.get(), "width", GST_TYPE_INT_RANGE, 1, kMaxWidth, nullptr);
    MediaGraph::setProperty(format, "caps", caps.get());
    g_object_set(sink, "max-buffers", 1, "drop", TRUE, "sync", FALSE, "async", FALSE, nullptr);
    auto *context = new SinkContext{m_handler};
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = onNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, context,
                               [](gpointer data) { delete static_cast<SinkContext *>(data); });
    if (!graph->link(camera.element(), scale) || !graph->link(scale, format) ||
        !MediaGraph::linkDirect(format, sink)) {
        qCWarning(lcLive) << "second camera" << m_name << "not linked";
        return false;
    }
    graph->setErrorHandler([this] { check(); });
    m_graph = graph;
    m_element = element;
    MediaGraph::publishToStreamingThreads();
    GraphWorker::instance().post([graph] {
        if (!graph->run(kRunWaitMs)) {
            qCDebug(lcLive) << "second camera graph did not start";
        }
    });
    return true;
}

void SecondCamera::tearDown()
{
    if (!m_graph) {
        return;
    }
    m_graph->leaveEventLoop();
    // Stopped and destroyed on the worker after its start, the graph before its element.
    GraphWorker::instance().post(
        [graph = std::move(m_graph), element = std::move(m_element)]() mutable {
            graph->stop(kStopWaitMs);
            graph.reset();
            element.reset();
        });
    m_graph.reset();
    m_element.reset();
}
