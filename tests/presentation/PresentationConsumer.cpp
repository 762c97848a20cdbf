#include "PresentationConsumer.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

PresentationConsumer::PresentationConsumer(const QString &target)
{
    const QByteArray description =
        "pipewiresrc target-object=" + target.toUtf8() +
        " ! videoconvert ! video/x-raw,format=RGB ! appsink name=out sync=false "
        "max-buffers=2 drop=true emit-signals=true";
    GError *error = nullptr;
    m_pipeline = gst_parse_launch(description.constData(), &error);
    if (error) {
        g_error_free(error);
        if (m_pipeline) {
            gst_object_unref(m_pipeline);
        }
        m_pipeline = nullptr;
        return;
    }
    GstElement *sink = gst_bin_get_by_name(GST_BIN(m_pipeline), "out");
    g_signal_connect(sink, "new-sample", G_CALLBACK(onSample), this);
    gst_object_unref(sink);
    GstBus *bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus *, GstMessage *message, gpointer self) {
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
                static_cast<PresentationConsumer *>(self)->m_failed.store(true);
            }
            gst_message_unref(message);
            return GST_BUS_DROP;
        },
        this, nullptr);
    gst_object_unref(bus);
}

PresentationConsumer::~PresentationConsumer()
{
    stop();
    if (m_pipeline) {
        gst_object_unref(m_pipeline);
    }
}

bool PresentationConsumer::start()
{
    return m_pipeline &&
           gst_element_set_state(m_pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

void PresentationConsumer::stop()
{
    if (m_pipeline) {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
    }
}

QImage PresentationConsumer::lastFrame() const
{
    const std::lock_guard lock(m_mutex);
    return m_last;
}

GstFlowReturn PresentationConsumer::onSample(GstElement *sink, gpointer self)
{
    auto *consumer = static_cast<PresentationConsumer *>(self);
    GstSample *sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (!sample) {
        return GST_FLOW_OK;
    }
    GstVideoInfo info;
    GstVideoFrame frame;
    if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        const QImage view(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                          GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                          GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB888);
        {
            const std::lock_guard lock(consumer->m_mutex);
            consumer->m_last = view.copy();
        }
        gst_video_frame_unmap(&frame);
        consumer->m_frames.fetch_add(1);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}
