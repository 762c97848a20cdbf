#include "TestFilms.h"

#include "MediaGraph.h"

#include <gst/app/gstappsrc.h>

#include <QProcess>
#include <functional>

namespace TestFilms {

namespace {
constexpr int Bits = 8;
}

QByteArray frame(int id, int width, int height)
{
    QByteArray data(width * height * 3, '\0');
    auto *pixels = reinterpret_cast<uchar *>(data.data());
    const int stripe = width / Bits;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int bit = std::min(x / stripe, Bits - 1);
            const bool set = (id >> (Bits - 1 - bit)) & 1;
            uchar *p = pixels + (y * width + x) * 3;
            p[0] = p[1] = p[2] = set ? 255 : 0;
        }
    }
    return data;
}

int frameId(const uchar *rgb, int width, int height)
{
    if (!rgb || width < Bits * 4 || height < 4) {
        return -1;
    }
    // Each stripe's middle, averaged, against mid grey: robust against block artefacts.
    const int stripe = width / Bits;
    int id = 0;
    for (int bit = 0; bit < Bits; ++bit) {
        long sum = 0;
        long count = 0;
        for (int y = height / 4; y < height * 3 / 4; ++y) {
            for (int x = bit * stripe + stripe / 4; x < bit * stripe + stripe * 3 / 4;
                 ++x, ++count) {
                sum += rgb[(y * width + x) * 3 + 1];
            }
        }
        id = (id << 1) | (sum / count >= 128 ? 1 : 0);
    }
    return id;
}

bool run(const QString &description, const std::function<void(GstElement *)> &feed)
{
    if (!MediaGraph::initialize()) {
        return false;
    }
    GError *error = nullptr;
    GstElement *pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (!pipeline || error) {
        g_clear_error(&error);
        if (pipeline) {
            gst_object_unref(pipeline);
        }
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    if (feed) {
        feed(pipeline);
    }
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *message = gst_bus_timed_pop_filtered(
        bus, 120 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message) {
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

namespace {

// Numbered frames (and optionally a tone as long as they last) through a video encoder (MJPEG
// unless told) into muxer, the tone through audioEncoder.
bool encode(const QString &muxer, const QString &path, int frames, int fps, bool sound, int width,
            int height, const QString &videoEncoder = "jpegenc quality=90",
            const QString &audioEncoder = "identity")
{
    QString description =
        QString("appsrc name=frames format=time caps=video/x-raw,format=RGB,width=%1,height=%2,"
                "framerate=%3/1 ! videoconvert ! %6 ! %4 name=mux ! "
                "filesink location=\"%5\"")
            .arg(width)
            .arg(height)
            .arg(fps)
            .arg(muxer, path, videoEncoder);
    if (sound) {
        description += QString(" audiotestsrc num-buffers=%1 samplesperbuffer=800 ! "
                               "audio/x-raw,format=S16LE,rate=8000,channels=1 ! %2 ! mux.")
                           .arg(frames * 10 / fps) // 0.1 s a buffer
                           .arg(audioEncoder);
    }
    return run(description, [&](GstElement *pipeline) {
        GstElement *source = gst_bin_get_by_name(GST_BIN(pipeline), "frames");
        for (int i = 0; i < frames; ++i) {
            const QByteArray pixels = frame(i, width, height);
            GstBuffer *buffer = gst_buffer_new_memdup(pixels.constData(), gsize(pixels.size()));
            GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(guint64(i), GST_SECOND, guint64(fps));
            GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(1, GST_SECOND, guint64(fps));
            gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
        }
        gst_app_src_end_of_stream(GST_APP_SRC(source));
        gst_object_unref(source);
    });
}

} // namespace

bool makeAvi(const QString &path, int frames, int fps, bool sound, int width, int height)
{
    return encode("avimux", path, frames, fps, sound, width, height);
}

bool makeMp4(const QString &path, int frames, int fps)
{
    return encode("mp4mux", path, frames, fps, true, Width, Height,
                  "x264enc key-int-max=5 ! h264parse",
                  "audioconvert ! audioresample ! audio/x-raw,rate=48000 ! avenc_aac");
}

bool makeWebm(const QString &path, int frames, int fps)
{
    return encode("webmmux", path, frames, fps, true, Width, Height, "vp8enc keyframe-max-dist=5",
                  "audioconvert ! audioresample ! opusenc");
}

bool makeMotionJpeg(const QString &path, int frames, int fps)
{
    return encode("multipartmux", path, frames, fps, false, Width, Height);
}

bool makeWmv(const QString &path, int frames, int fps)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-y",
                            "-loglevel",
                            "error",
                            "-f",
                            "rawvideo",
                            "-pix_fmt",
                            "rgb24",
                            "-s",
                            QString("%1x%2").arg(Width).arg(Height),
                            "-r",
                            QString::number(fps),
                            "-i",
                            "-",
                            "-f",
                            "lavfi",
                            "-i",
                            "sine=frequency=440:sample_rate=22050",
                            "-t",
                            QString::number(double(frames) / fps),
                            "-c:v",
                            "wmv2",
                            "-q:v",
                            "2",
                            "-c:a",
                            "wmav2",
                            "-f",
                            "asf",
                            path});
    if (!ffmpeg.waitForStarted(10000)) {
        return false;
    }
    for (int i = 0; i < frames; ++i) {
        ffmpeg.write(frame(i));
    }
    ffmpeg.closeWriteChannel();
    return ffmpeg.waitForFinished(30000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

} // namespace TestFilms
