#pragma once

#include <gst/gst.h>

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class MediaBranch;

// One media graph: a GStreamer pipeline with the few operations the sources use.
//
// Positions and durations are in 100 ns units. Every wait for a state change is bounded.
// An error posted on the pipeline's bus ends the pipeline quietly: its branches are finished,
// the graph goes to Stopped, failed() turns true and the error handler (if any) runs on the thread
// that runs the default main context (the GUI thread under Qt's glib event dispatcher). Operations
// are meant for one controlling thread; link(GstPad *, ...) may also be called from a streaming
// thread (pad-added handlers).
//
// Branches (MediaBranch) come and go behind a tee while the graph runs; an error inside a
// branch fails that branch only. Failures are logged in the category doccam.sources.
class MediaGraph {
public:
    enum class State { Stopped, Paused, Running };

    static constexpr qint64 UnitsPerSecond = 10'000'000;
    static constexpr int DefaultWaitMs = 5000;
    // Bound of the wait for the branches' end when the graph fails.
    static constexpr int BranchFinishWaitMs = 1000;

    // A release before handing data to a streaming thread through GStreamer (a probe, a signal
    // handler), an acquire in that thread before reading it: the writes happen before the reads
    // in a way ThreadSanitizer sees (the real hand-over goes through GStreamer's own locks,
    // which it cannot see).
    static void publishToStreamingThreads();
    static void seeFromStreamingThread();

    // Initialises GStreamer once per process; false when it cannot be initialised.
    static bool initialize();

    explicit MediaGraph(const char *name = "graph");
    ~MediaGraph();
    MediaGraph(const MediaGraph &) = delete;
    MediaGraph &operator=(const MediaGraph &) = delete;

    bool isValid() const { return m_pipeline != nullptr; }
    GstElement *pipeline() const { return m_pipeline; }

    // Creates an element from its factory and adds it under the given name; nullptr when the
    // factory is missing or the name is taken. The graph owns the element.
    GstElement *add(const char *factory, const char *name);
    // Adds an existing element (floating or referenced; the graph takes its own reference).
    bool add(GstElement *element);
    // Takes an element out of a stopped graph (its links go); the caller's reference stays.
    bool remove(GstElement *element);
    // The element added under name, or nullptr (borrowed pointer).
    GstElement *element(const char *name) const;

    // Links without conversion (pads chosen by compatible caps, request pads included).
    static bool linkDirect(GstElement *source, GstElement *sink);
    // Links with automatic conversion: raw video through videoconvert, raw audio through
    // audioconvert and audioresample, JPEG through jpegdec, anything else through decodebin.
    // Sources with dynamic pads are linked as their pads appear.
    bool link(GstElement *source, GstElement *sink);
    bool link(GstPad *sourcePad, GstElement *sink);

    // A tee whose request pads may stay unlinked, so that branches can come and go.
    GstElement *addTee(const char *name);
    // A new floating bin "name" holding the elements (floating ones are taken) linked in
    // order without conversion, the first one's sink pad ghosted as the bin's "sink"; nullptr
    // when an element is missing or a link fails.
    static GstElement *chainBin(const char *name, const std::vector<GstElement *> &chain);
    // Attaches a branch behind tee, which belongs to this graph: the bin (with a ghost sink
    // pad "sink"; a floating one is taken) gets a queue in front, joins the graph, takes the
    // graph's state and is then linked to a new request pad of the tee. The branch takes the
    // stream as the tee carries it (it does not make the graph renegotiate): converters it
    // needs go into the bin. nullptr, with the
    // graph's other streams untouched and the reason logged, when an element of the branch
    // cannot start (a file that cannot be written) or the link fails.
    std::unique_ptr<MediaBranch> attach(GstElement *tee, GstElement *bin);

    // Runs handler for every pad that element adds from now on (on a streaming thread); the
    // handler lives as long as the element.
    static gulong onPadAdded(GstElement *element, std::function<void(GstPad *)> handler);
    // A pad probe whose callback is a function object, destroyed with the probe.
    using Probe = std::function<GstPadProbeReturn(GstPad *, GstPadProbeInfo *)>;
    static gulong addProbe(GstPad *pad, GstPadProbeType type, Probe probe);
    // The same on an element's static pad; 0 when there is no such pad.
    static gulong addProbe(GstElement *element, const char *padName, GstPadProbeType type,
                           Probe probe);
    static void removeProbe(GstElement *element, const char *padName, gulong id);
    // Sets a property when the object has one of that name and the value fits its type (a
    // text is parsed for enums, flags and numbers); false otherwise, nothing set.
    static bool setProperty(gpointer object, const char *name, const GValue &value);
    static bool setProperty(gpointer object, const char *name, bool value);
    static bool setProperty(gpointer object, const char *name, int value);
    static bool setProperty(gpointer object, const char *name, double value);
    static bool setProperty(gpointer object, const char *name, const char *value);
    static bool setProperty(gpointer object, const char *name, const GstCaps *value);
    // The media type a pad carries ("video/x-raw"): its fixed caps, else what it could carry.
    static QByteArray padMedia(GstPad *pad);

    bool run(int waitMs = DefaultWaitMs);
    // abandon, polled during the wait, ends it early (for example when no stream can arrive).
    bool pause(int waitMs = DefaultWaitMs, const std::function<bool()> &abandon = {});
    // Stops the graph. A graph that writes a file first gets end-of-stream and the end is
    // awaited on the bus (bounded), so the file is complete; a graph whose streams have already
    // ended is stopped at once.
    void stop(int eosWaitMs = DefaultWaitMs);
    State state() const;

    // Flushing seek to an absolute position (100 ns). In a paused graph the frame at the new
    // position is delivered before this returns (bounded wait).
    bool seek(qint64 position, int waitMs = DefaultWaitMs);
    // Current position and duration in 100 ns, -1 when unknown.
    qint64 position() const;
    qint64 duration() const;

    // Attenuation in hundredths of a decibel (0 full, -10000 silent) as a linear factor.
    static double volumeFactor(int hundredthsOfDb);
    // Sets the "volume" property of the element from hundredths of a decibel.
    static bool setVolume(GstElement *volume, int hundredthsOfDb);

    // The pipeline reported end-of-stream since the last run, pause or seek.
    bool atEos() const { return m_eos.load(std::memory_order_acquire); }
    // The pipeline reported an error and was stopped.
    bool failed() const { return m_failed.load(std::memory_order_acquire); }

    void setErrorHandler(std::function<void()> handler) { m_errorHandler = std::move(handler); }
    // Stops handling the bus on the default main context and drops the handlers, so that
    // another thread may stop and destroy the graph from now on; called on the thread that
    // runs that context. Errors still fail the graph, end-of-stream is still seen.
    void leaveEventLoop();
    void setEosHandler(std::function<void()> handler) { m_eosHandler = std::move(handler); }

private:
    friend class MediaBranch;
    void unregisterBranch(MediaBranch *branch);
    // Ends every attached branch (what they write is completed) before a failed graph stops.
    void finishBranches();
    // The attached branch holding object, nullptr for none (registry locked by the caller).
    MediaBranch *branchHolding(GstObject *object) const;
    // Handles a message of a branch on a streaming thread; true when it is the branch's.
    bool routeToBranch(GstMessage *message);
    void deliverToBranch(GstMessage *message);
    static void logError(GstMessage *message);

    static GstBusSyncReply onSyncMessage(GstBus *bus, GstMessage *message, gpointer self);
    static gboolean onWatchMessage(GstBus *bus, GstMessage *message, gpointer self);

    bool changeState(GstState target, int waitMs, const std::function<bool()> &abandon = {});
    bool waitForPendingState(int waitMs, const std::function<bool()> &abandon = {});
    bool writesFile() const;
    bool waitForEos(int waitMs) const;
    GstElement *addConverter(const char *factory);

    GstElement *m_pipeline = nullptr;
    GstBus *m_bus = nullptr;
    std::atomic<bool> m_eos{false};
    std::atomic<bool> m_error{false};
    std::atomic<bool> m_failed{false};
    bool m_watching = false;      // the bus watch is attached (controlling thread only)
    bool m_errorReported = false; // the error handler ran (controlling thread only)
    std::function<void()> m_errorHandler;
    std::function<void()> m_eosHandler;
    mutable std::mutex m_branchesMutex;
    std::vector<MediaBranch *> m_branches; // attached branches (they unregister themselves)
};
