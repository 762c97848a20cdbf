#pragma once

#include "DebugCategory.h"
#include "GstHandle.h"
#include "NodeIdentity.h"
#include "PublishFormat.h"

#include <atomic>

// The published camera node: appsrc ! pipewiresink mode=provide. The node appears when the
// graph starts (the sink connects as soon as it knows the format, before any frame) and goes
// when it is destroyed. Frames are pushed from any thread; without a linked consumer the sink
// drops them, so the camera should not be running then.
class PublishGraph {
public:
    PublishGraph(const PublishFormat &format, const NodeIdentity &identity);
    ~PublishGraph();
    PublishGraph(const PublishGraph &) = delete;
    PublishGraph &operator=(const PublishGraph &) = delete;

    bool start();
    void push(GstBuffer *frame);
    // Whether the graph has failed (for example the PipeWire daemon went away).
    bool failed() const;
    // Frames handed to PipeWire, and frames dropped for want of a free buffer.
    unsigned long framesPublished() const { return m_published; }
    unsigned long framesDropped() const { return m_dropped; }

private:
    bool takePool(GstElement *sink);

    PublishFormat m_format;
    NodeIdentity m_identity;
    PipelineHandle m_pipeline;
    GstElement *m_source = nullptr; // owned by the pipeline
    mutable bool m_failed = false;
    // The sink's own buffer pool: frames are copied into its buffers, which the sink hands to
    // PipeWire as they are (its own copying of foreign buffers fails with this PipeWire).
    GstHandle<GstBufferPool> m_pool;
    gsize m_frameSize = 0;
    std::atomic<unsigned long> m_published{0};
    std::atomic<unsigned long> m_dropped{0};
};
