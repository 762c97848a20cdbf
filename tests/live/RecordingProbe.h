#pragma once

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <mutex>

// Plays a recording (AVI, MP4 or WebM, told by its suffix) through GStreamer as fast as it
// decodes and reports what it holds.
class RecordingProbe {
public:
    // Reads the whole file; false when it does not play to its end without an error.
    bool read(const QString &path);

    int videoFrames() const { return m_videoFrames; }
    QImage lastFrame() const { return m_lastFrame; } // RGB888
    qint64 lastVideoTimeNs() const { return m_lastVideoTime; }
    // Duration that the file's index reports, -1 when it reports none.
    qint64 durationNs() const { return m_duration; }
    bool hasAudio() const { return m_audioSamples > 0; }
    // Root mean square of the sound's 16-bit samples (0 to 32768).
    double audioLevel() const;
    QString error() const { return m_error; }

private:
    static void onPad(GstElement *demuxer, GstPad *pad, gpointer self);
    static GstFlowReturn onVideo(GstAppSink *sink, gpointer self);
    static GstFlowReturn onAudio(GstAppSink *sink, gpointer self);
    void linkStream(GstPad *pad);
    void takeVideo(GstSample *sample);
    void takeAudio(GstSample *sample);

    GstElement *m_pipeline = nullptr;
    QByteArray m_videoDecoder;
    QByteArray m_audioDecoder;
    std::mutex m_mutex;
    int m_videoFrames = 0;
    QImage m_lastFrame;
    qint64 m_lastVideoTime = -1;
    qint64 m_duration = -1;
    qint64 m_audioSamples = 0;
    double m_audioSquares = 0;
    QString m_error;
};
