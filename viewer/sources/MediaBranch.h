#pragma once

#include "GstHandle.h"

#include <gst/gst.h>

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

class MediaGraph;

// A part of a graph that a tee feeds while the rest of the graph runs on: a bin whose first
// element is a queue (so the tee's thread never waits for the branch) behind a request pad of
// the tee. MediaGraph::attach makes one; detach() ends it with end-of-stream into the branch
// only, so what it writes is complete, and takes it out; the graph's other streams go on.
//
// An error inside the branch fails the branch, not the graph: the tee stops feeding it at once,
// failed() turns true and the error handler runs on the thread that runs the default main
// context (the GUI thread). A branch whose feed ends (the graph's source stopped) ends too: its
// own sources (a microphone) get end-of-stream, and once every sink of the branch has ended the
// end handler runs on that thread. A handler may destroy the branch.
//
// Operations belong to the graph's controlling thread; every wait is bounded. The graph must
// outlive its branches.
class MediaBranch {
public:
    ~MediaBranch();
    MediaBranch(const MediaBranch &) = delete;
    MediaBranch &operator=(const MediaBranch &) = delete;

    // The branch's bin (borrowed); elements in it are found by name with gst_bin_get_by_name.
    GstElement *bin() const { return m_bin.get(); }
    bool isAttached() const { return m_attached; }
    // An element of the branch posted an error; the branch gets no more data.
    bool failed() const { return m_failed.load(std::memory_order_acquire); }
    // Every sink of the branch has reached end-of-stream.
    bool ended() const;
    // The first error's message and debug text, empty when none.
    QString errorText() const;

    void setErrorHandler(std::function<void()> handler) { m_errorHandler = std::move(handler); }
    void setEndHandler(std::function<void()> handler) { m_endHandler = std::move(handler); }

    // Ends the branch: the tee stops feeding it, its sink pad and its own sources get
    // end-of-stream, the end of every sink is awaited (bounded), then the branch is stopped and
    // taken out of the graph. True when the branch ended in time (a file it wrote is complete);
    // a failed branch is taken out at once. Does nothing for a detached branch.
    bool detach(int eosWaitMs);
    // The first half of detach(): the branch ends but stays in the graph, unlinked.
    bool finish(int eosWaitMs);

private:
    friend class MediaGraph;

    MediaBranch(MediaGraph *graph, GstElement *tee, GstElement *bin);
    // Called by the graph with its branch registry locked (any thread).
    void noteError(GstMessage *error);
    // A sink of the branch ended; true when that was the last one.
    bool noteSinkEnded(GstObject *sink);
    // On the controlling thread, from the graph's bus watch.
    void reportError();
    void reportEnd();

    void endOwnSources();
    bool unlinkFromTee(int waitMs);
    bool waitForEnd(int waitMs) const;
    void takeOut();

    MediaGraph *const m_graph;
    GstHandle<GstElement> m_tee;
    GstHandle<GstElement> m_bin;
    GstHandle<GstPad> m_teePad;  // the tee's request pad, once linked
    GstHandle<GstPad> m_sinkPad; // the bin's ghost sink pad
    gulong m_gateProbe = 0;
    gulong m_feedEndProbe = 0;
    bool m_attached = false;
    bool m_finishing = false;
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_ownSourcesEnded{false};
    mutable std::mutex m_mutex;        // m_sinks, m_sinkEnded, m_errorText
    std::vector<GstElement *> m_sinks; // the bin's direct sink children (the bin holds them)
    std::vector<bool> m_sinkEnded;
    QString m_errorText;
    bool m_errorReported = false;
    bool m_endReported = false;
    std::function<void()> m_errorHandler;
    std::function<void()> m_endHandler;
};
