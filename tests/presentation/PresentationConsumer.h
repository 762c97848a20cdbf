#pragma once

#include <gst/gst.h>

#include <QImage>
#include <QString>
#include <atomic>
#include <mutex>

// What another program does with the viewer's presentation camera: a pipewiresrc of the node
// converted to RGB, counting the frames that arrive and keeping the last one as a picture.
// Frames arrive on the consumer's streaming thread.
class PresentationConsumer {
public:
    explicit PresentationConsumer(const QString &target);
    ~PresentationConsumer();
    PresentationConsumer(const PresentationConsumer &) = delete;
    PresentationConsumer &operator=(const PresentationConsumer &) = delete;

    bool start();
    void stop();
    int frames() const { return m_frames.load(); }
    QImage lastFrame() const;
    // The consumer's pipeline reported an error.
    bool failed() const { return m_failed.load(); }

private:
    static GstFlowReturn onSample(GstElement *sink, gpointer self);

    GstElement *m_pipeline = nullptr;
    std::atomic<int> m_frames{0};
    std::atomic<bool> m_failed{false};
    mutable std::mutex m_mutex;
    QImage m_last;
};
