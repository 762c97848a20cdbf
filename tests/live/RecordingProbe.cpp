#include "RecordingProbe.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstring>

namespace {

constexpr GstClockTime ReadTimeout = 60 * GST_SECOND;

// Adds elements from a description as one bin, linked, and returns it.
GstElement *addBranch(GstElement *pipeline, const QByteArray &description)
{
    GError *error = nullptr;
    GstElement *bin = gst_parse_bin_from_description(description.constData(), TRUE, &error);
    if (error) {
        g_error_free(error);
        return nullptr;
    }
    gst_bin_add(GST_BIN(pipeline), bin);
    return bin;
}

} // namespace

bool RecordingProbe::read(const QString &path)
{
    m_videoFrames = 0;
    m_lastFrame = QImage();
    m_lastVideoTime = -1;
    m_duration = -1;
    m_audioSamples = 0;
    m_audioSquares = 0;
    m_error.clear();
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    if (!QFile::exists(path)) {
        m_error = "no file";
        return false;
    }

    GstElement *pipeline = gst_pipeline_new("probe");
    m_pipeline = pipeline;
    GstElement *source = gst_element_factory_make("filesrc", nullptr);
    // The container by the file's suffix: AVI (MJPEG), MP4 (H.264) or WebM (VP8).
    const QString suffix = QFileInfo(path).suffix().toLower();
    const char *demuxerName = suffix == "mp4"    ? "qtdemux"
                              : suffix == "webm" ? "matroskademux"
                                                 : "avidemux";
    m_videoDecoder = suffix == "mp4"    ? "h264parse ! avdec_h264"
                     : suffix == "webm" ? "vp8dec"
                                        : "jpegdec";
    m_audioDecoder = suffix == "mp4" ? "avdec_aac" : suffix == "webm" ? "opusdec" : "identity";
    GstElement *demuxer = gst_element_factory_make(demuxerName, nullptr);
    g_object_set(source, "location", QFile::encodeName(path).constData(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, demuxer, nullptr);
    gst_element_link(source, demuxer);
    g_signal_connect(demuxer, "pad-added", G_CALLBACK(&RecordingProbe::onPad), this);

    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *message = gst_bus_timed_pop_filtered(
        bus, ReadTimeout, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    bool ok = false;
    if (!message) {
        m_error = "no end of stream";
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError *error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        m_error = QString::fromUtf8(error->message);
        g_error_free(error);
    } else {
        ok = true;
        gint64 duration = -1;
        if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration)) {
            m_duration = duration;
        }
    }
    if (message) {
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    m_pipeline = nullptr;
    return ok;
}

void RecordingProbe::onPad(GstElement *, GstPad *pad, gpointer self)
{
    static_cast<RecordingProbe *>(self)->linkStream(pad);
}

GstFlowReturn RecordingProbe::onVideo(GstAppSink *sink, gpointer self)
{
    GstSample *sample = gst_app_sink_pull_sample(sink);
    static_cast<RecordingProbe *>(self)->takeVideo(sample);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstFlowReturn RecordingProbe::onAudio(GstAppSink *sink, gpointer self)
{
    GstSample *sample = gst_app_sink_pull_sample(sink);
    static_cast<RecordingProbe *>(self)->takeAudio(sample);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void RecordingProbe::linkStream(GstPad *pad)
{
    gchar *name = gst_pad_get_name(pad);
    const bool video = std::strncmp(name, "video", 5) == 0;
    const bool audio = std::strncmp(name, "audio", 5) == 0;
    g_free(name);
    if (!video && !audio) {
        return;
    }
    GstElement *branch = addBranch(
        m_pipeline, video ? "queue ! " + m_videoDecoder +
                                " ! videoconvert ! video/x-raw,format=RGB ! appsink name=out"
                          : "queue ! " + m_audioDecoder +
                                " ! audioconvert ! audio/x-raw,format=S16LE ! appsink name=out");
    if (!branch) {
        return;
    }
    GstElement *sink = gst_bin_get_by_name(GST_BIN(branch), "out");
    g_object_set(sink, "sync", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = video ? &RecordingProbe::onVideo : &RecordingProbe::onAudio;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    gst_object_unref(sink);
    GstPad *input = gst_element_get_static_pad(branch, "sink");
    gst_pad_link(pad, input);
    gst_object_unref(input);
    gst_element_sync_state_with_parent(branch);
}

void RecordingProbe::takeVideo(GstSample *sample)
{
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    const GstStructure *s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
    int width = 0;
    int height = 0;
    gst_structure_get_int(s, "width", &width);
    gst_structure_get_int(s, "height", &height);
    GstMapInfo map;
    if (!buffer || width <= 0 || height <= 0 || !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return;
    }
    // GStreamer pads RGB rows to 4 bytes.
    const int stride = (width * 3 + 3) & ~3;
    QImage frame(width, height, QImage::Format_RGB888);
    if (map.size >= size_t(stride) * size_t(height)) {
        for (int y = 0; y < height; ++y) {
            std::memcpy(frame.scanLine(y), map.data + size_t(y) * size_t(stride),
                        size_t(width) * 3);
        }
    }
    gst_buffer_unmap(buffer, &map);
    std::lock_guard lock(m_mutex);
    ++m_videoFrames;
    m_lastFrame = frame;
    if (GST_BUFFER_PTS_IS_VALID(buffer)) {
        m_lastVideoTime = qint64(GST_BUFFER_PTS(buffer));
    }
}

void RecordingProbe::takeAudio(GstSample *sample)
{
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return;
    }
    const auto *samples = reinterpret_cast<const qint16 *>(map.data);
    const size_t count = map.size / sizeof(qint16);
    double squares = 0;
    for (size_t i = 0; i < count; ++i) {
        squares += double(samples[i]) * double(samples[i]);
    }
    gst_buffer_unmap(buffer, &map);
    std::lock_guard lock(m_mutex);
    m_audioSamples += qint64(count);
    m_audioSquares += squares;
}

double RecordingProbe::audioLevel() const
{
    return m_audioSamples > 0 ? std::sqrt(m_audioSquares / double(m_audioSamples)) : 0.0;
}
