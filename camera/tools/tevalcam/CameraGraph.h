#pragma once

#include "DebugCategory.h"
#include "GstHandle.h"
#include "PublishFormat.h"

#include <atomic>
#include <functional>
#include <optional>

// The camera while it serves consumers: tevalcapsrc at the published size, decoded to the
// published raw format, each frame handed over as it arrives (on the streaming thread). The
// camera element exists only as long as this object: destroying it ends the stream and lets
// the camera go. A failed stream (error, end of stream) is reported on the main context.
class CameraGraph {
public:
    using FrameHandler = std::function<void(GstBuffer *)>;

    CameraGraph(const PublishFormat &format, FrameHandler frames, std::function<void()> failed);
    ~CameraGraph();
    CameraGraph(const CameraGraph &) = delete;
    CameraGraph &operator=(const CameraGraph &) = delete;

    bool start();
    // The camera's status word, read from the running element; nothing when it does not answer.
    std::optional<unsigned> status() const;
    unsigned long framesDelivered() const { return m_frames; }

private:
    static GstFlowReturn onSample(GstElement *sink, gpointer self);
    static gboolean onBusMessage(GstBus *bus, GstMessage *message, gpointer self);

    PublishFormat m_format;
    FrameHandler m_handler;
    std::function<void()> m_failed;
    PipelineHandle m_pipeline;
    GstElement *m_camera = nullptr; // owned by the pipeline
    guint m_busWatch = 0;
    std::atomic<unsigned long> m_frames{0};
};
