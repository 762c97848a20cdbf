#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <gst/gst.h>

// Test films whose frames carry their own number: eight vertical stripes, white for a set
// bit (most significant first), so the number survives lossy compression.
namespace TestFilms {

constexpr int Width = 128;
constexpr int Height = 96;

// A packed RGB frame (Width x Height x 3 bytes) showing frame number id.
QByteArray frame(int id, int width = Width, int height = Height);
// The frame number shown by a packed top-down RGB picture, -1 when it is too small.
int frameId(const uchar *rgb, int width, int height);

// Runs a pipeline description to its end (bounded); feed, if given, runs once it plays.
bool run(const QString &description, const std::function<void(GstElement *)> &feed = {});

// An AVI file (MJPEG video, optionally PCM sound) made with GStreamer.
bool makeAvi(const QString &path, int frames, int fps, bool sound, int width = Width,
             int height = Height);
// MP4 (H.264, AAC) and WebM (VP8, Opus) files with sound, as the viewer records them.
bool makeMp4(const QString &path, int frames, int fps);
bool makeWebm(const QString &path, int frames, int fps);
// A bare Motion-JPEG stream (multipart JPEG frames): it states no duration.
bool makeMotionJpeg(const QString &path, int frames, int fps);
// A WMV file (WMV2 video, WMA2 sound in ASF) made with ffmpeg.
bool makeWmv(const QString &path, int frames, int fps);

} // namespace TestFilms
