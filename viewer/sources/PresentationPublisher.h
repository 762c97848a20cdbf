#pragma once

#include <gst/gst.h>

#include <QObject>

#include <atomic>
#include <memory>

class PipeWireLinkCount;

// Offers the composed live picture to other programs as a PipeWire camera.
//
// The publisher hangs a branch behind a tee of a running graph: queue, converter to I420 and a
// PipeWire sink that provides the node "Document Camera — Presentation". The node exists while
// the branch is attached; frames enter the branch only while at least one consumer is linked
// to the node, so without consumers the branch costs one pad probe per frame. The queue drops
// old frames rather than hold up the graph, and a failing branch (no PipeWire daemon, a daemon
// that went away) never stops the graph: its errors stay inside the branch, which then drops
// every frame, and the debug log says why.
//
// A consumer that goes away abruptly (killed, crashed) leaves the PipeWire sink of this
// platform able to serve the next consumer at a few frames a second only, so when the last
// consumer leaves, the branch is renewed from the event loop: the node goes for a moment and
// comes back fresh. The publisher belongs to the controlling (GUI) thread.
class PresentationPublisher : public QObject {
public:
    static constexpr const char *NodeName = "doccam-presentation";
    static constexpr const char *NodeDescription = "Document Camera — Presentation";
    static constexpr const char *Format = "I420";
    // Bound of the wait for the tee to let go of the branch.
    static constexpr int DetachWaitMs = 1000;

    PresentationPublisher();
    ~PresentationPublisher() override;
    PresentationPublisher(const PresentationPublisher &) = delete;
    PresentationPublisher &operator=(const PresentationPublisher &) = delete;

    // Adds the branch to pipeline behind tee and starts it; false (nothing added) when the
    // branch cannot be built or its sink cannot connect to PipeWire. A branch already attached
    // elsewhere is detached first.
    bool attach(GstElement *pipeline, GstElement *tee);
    // Takes the branch out again (bounded wait); the node goes.
    void detach();

    bool isAttached() const { return m_bin != nullptr; }
    // The branch reported an error since it was attached and drops every frame.
    bool failed() const;
    // Consumers linked to the node now; -1 when they cannot be known (frames then always flow).
    int consumers() const { return m_consumers.load(); }
    // Since construction: frames that entered the branch while a consumer was linked, and the
    // frames that reached the PipeWire sink: those, less the ones the queue dropped for a slow
    // consumer, and the one frame that prepares the sink each time the branch starts.
    quint64 framesOffered() const { return m_offered.load(); }
    quint64 framesSent() const { return m_sent.load(); }
    // Times the branch was renewed after its last consumer left.
    int renewals() const { return m_renewals; }

private:
    static GstPadProbeReturn onBranchBuffer(GstPad *pad, GstPadProbeInfo *info, gpointer self);
    static GstPadProbeReturn onSinkBuffer(GstPad *pad, GstPadProbeInfo *info, gpointer self);
    GstElement *buildBranch();
    void unlinkFromTee();
    void consumersChanged(int links); // PipeWire thread
    void renew();

    GstElement *m_pipeline = nullptr; // referenced while attached
    GstElement *m_tee = nullptr;      // referenced while attached
    GstElement *m_bin = nullptr;      // referenced while attached
    GstPad *m_teePad = nullptr;       // the tee's request pad
    std::unique_ptr<PipeWireLinkCount> m_watch;
    std::atomic<int> m_consumers{0};
    std::atomic<quint64> m_offered{0};
    std::atomic<quint64> m_sent{0};
    std::atomic<bool> m_primed{false}; // a frame has reached the sink of this branch
    std::atomic<bool> m_served{false}; // a consumer has been linked to this branch
    int m_renewals = 0;
};
