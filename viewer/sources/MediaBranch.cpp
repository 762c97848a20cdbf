#include "MediaBranch.h"

#include "MediaGraph.h"
#include "SourcesLog.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <condition_variable>

namespace {

constexpr int WaitSliceMs = 5;

QString describe(GstObject *object)
{
    GCharHandle name(gst_object_get_name(object));
    return QString::fromUtf8(name ? name.get() : "?");
}

// The branch's elements without sink pads that make data of their own (a microphone).
std::vector<GstHandle<GstElement>> ownSources(GstElement *bin)
{
    std::vector<GstHandle<GstElement>> sources;
    IteratorHandle it(gst_bin_iterate_sources(GST_BIN(bin)));
    GValue value = G_VALUE_INIT;
    while (gst_iterator_next(it.get(), &value) == GST_ITERATOR_OK) {
        sources.push_back(addReference(GST_ELEMENT(g_value_get_object(&value))));
        g_value_reset(&value);
    }
    g_value_unset(&value);
    return sources;
}

// Unlinks the tee's pad from the branch when no data is on the way (idle probe).
struct Unlinking {
    GstPad *sinkPad;
    std::mutex mutex;
    std::condition_variable done;
    bool unlinked = false;
};

} // namespace

MediaBranch::MediaBranch(MediaGraph *graph, GstElement *tee, GstElement *bin)
    : m_graph(graph), m_tee(addReference(tee)), m_bin(addReference(bin)),
      m_sinkPad(gst_element_get_static_pad(bin, "sink"))
{
    IteratorHandle it(gst_bin_iterate_sinks(GST_BIN(bin)));
    GValue value = G_VALUE_INIT;
    while (gst_iterator_next(it.get(), &value) == GST_ITERATOR_OK) {
        m_sinks.push_back(GST_ELEMENT(g_value_get_object(&value)));
        g_value_reset(&value);
    }
    g_value_unset(&value);
    m_sinkEnded.assign(m_sinks.size(), false);
    // The sinks' end-of-stream messages reach the graph's bus only when the bin forwards them.
    g_object_set(bin, "message-forward", TRUE, nullptr);
}

MediaBranch::~MediaBranch()
{
    detach(MediaGraph::DefaultWaitMs);
}

bool MediaBranch::ended() const
{
    std::lock_guard lock(m_mutex);
    return !m_sinkEnded.empty() &&
           std::all_of(m_sinkEnded.begin(), m_sinkEnded.end(), [](bool e) { return e; });
}

QString MediaBranch::errorText() const
{
    std::lock_guard lock(m_mutex);
    return m_errorText;
}

void MediaBranch::noteError(GstMessage *error)
{
    GError *raw = nullptr;
    gchar *rawDebug = nullptr;
    gst_message_parse_error(error, &raw, &rawDebug);
    ErrorHandle gerror(raw);
    GCharHandle debug(rawDebug);
    const QString text =
        QStringLiteral("%1: %2 (%3)")
            .arg(describe(GST_MESSAGE_SRC(error)), QString::fromUtf8(gerror ? gerror->message : ""),
                 QString::fromUtf8(debug ? debug.get() : ""));
    qCDebug(lcSources).noquote() << "branch" << describe(GST_OBJECT(m_bin.get()))
                                 << "failed:" << text;
    std::lock_guard lock(m_mutex);
    if (m_errorText.isEmpty()) {
        m_errorText = text;
    }
    // From now on the gate on the tee's pad drops what would reach the failed branch.
    m_failed.store(true, std::memory_order_release);
}

bool MediaBranch::noteSinkEnded(GstObject *sink)
{
    std::lock_guard lock(m_mutex);
    const auto found = std::find(m_sinks.begin(), m_sinks.end(), GST_ELEMENT(sink));
    if (found == m_sinks.end()) {
        return false;
    }
    m_sinkEnded[size_t(found - m_sinks.begin())] = true;
    return std::all_of(m_sinkEnded.begin(), m_sinkEnded.end(), [](bool e) { return e; });
}

void MediaBranch::reportError()
{
    if (m_errorReported || !m_attached) {
        return;
    }
    m_errorReported = true;
    // The handler may destroy this branch: it runs from a copy, and nothing follows it.
    if (auto handler = m_errorHandler) {
        handler();
    }
}

void MediaBranch::reportEnd()
{
    if (m_endReported || !m_attached || failed()) {
        return;
    }
    m_endReported = true;
    qCDebug(lcSources).noquote() << "branch" << describe(GST_OBJECT(m_bin.get())) << "ended";
    if (auto handler = m_endHandler) {
        handler();
    }
}

void MediaBranch::endOwnSources()
{
    if (m_ownSourcesEnded.exchange(true)) {
        return;
    }
    for (const auto &source : ownSources(m_bin.get())) {
        gst_element_send_event(source.get(), gst_event_new_eos());
    }
}

bool MediaBranch::unlinkFromTee(int waitMs)
{
    if (!m_teePad || !gst_pad_is_linked(m_teePad.get())) {
        return true;
    }
    auto unlinking = std::make_shared<Unlinking>();
    unlinking->sinkPad = m_sinkPad.get();
    // The probe runs at once on this thread when the pad is idle, else on the streaming
    // thread as soon as the frame on its way has passed.
    auto *held = new std::shared_ptr<Unlinking>(unlinking);
    MediaGraph::publishToStreamingThreads();
    gst_pad_add_probe(
        m_teePad.get(), GST_PAD_PROBE_TYPE_IDLE,
        [](GstPad *pad, GstPadProbeInfo *, gpointer data) {
            MediaGraph::seeFromStreamingThread();
            auto &state = *static_cast<std::shared_ptr<Unlinking> *>(data);
            gst_pad_unlink(pad, state->sinkPad);
            std::lock_guard lock(state->mutex);
            state->unlinked = true;
            state->done.notify_all();
            return GST_PAD_PROBE_REMOVE;
        },
        held, [](gpointer data) { delete static_cast<std::shared_ptr<Unlinking> *>(data); });
    std::unique_lock lock(unlinking->mutex);
    return unlinking->done.wait_for(lock, std::chrono::milliseconds(waitMs),
                                    [&] { return unlinking->unlinked; });
}

bool MediaBranch::waitForEnd(int waitMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (!ended() && !failed()) {
        if (clock.elapsed() >= waitMs) {
            return false;
        }
        QThread::msleep(WaitSliceMs);
    }
    return ended();
}

bool MediaBranch::finish(int eosWaitMs)
{
    if (!m_attached) {
        return false;
    }
    if (m_finishing) {
        return ended();
    }
    m_finishing = true;
    QElapsedTimer clock;
    clock.start();
    const bool unlinked = unlinkFromTee(eosWaitMs);
    if (failed() || ended()) {
        return ended();
    }
    GstState state = GST_STATE_NULL;
    gst_element_get_state(m_bin.get(), &state, nullptr, 0);
    // Sinks post their end only while playing; a stopped branch has nothing to finish.
    if (!unlinked || state != GST_STATE_PLAYING) {
        return false;
    }
    if (!m_ownSourcesEnded.load()) {
        gst_pad_send_event(m_sinkPad.get(), gst_event_new_eos());
    }
    endOwnSources();
    return waitForEnd(std::max<int>(eosWaitMs - int(clock.elapsed()), 0));
}

bool MediaBranch::detach(int eosWaitMs)
{
    if (!m_attached) {
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    const QString name = describe(GST_OBJECT(m_bin.get()));
    const bool complete = finish(eosWaitMs);
    takeOut();
    qCDebug(lcSources).noquote() << "branch" << name << "detached in" << clock.elapsed() << "ms"
                                 << (complete   ? "(ended)"
                                     : failed() ? "(failed)"
                                                : "(cut off)");
    return complete;
}

void MediaBranch::takeOut()
{
    m_graph->unregisterBranch(this);
    m_attached = false;
    // Stopping the bin unblocks a tee thread that still waits on the branch's queue.
    gst_element_set_state(m_bin.get(), GST_STATE_NULL);
    if (m_teePad) {
        if (gst_pad_is_linked(m_teePad.get())) {
            gst_pad_unlink(m_teePad.get(), m_sinkPad.get());
        }
        if (m_gateProbe != 0) {
            gst_pad_remove_probe(m_teePad.get(), m_gateProbe);
        }
        gst_element_release_request_pad(m_tee.get(), m_teePad.get());
        m_teePad.reset();
    }
    if (m_feedEndProbe != 0) {
        gst_pad_remove_probe(m_sinkPad.get(), m_feedEndProbe);
    }
    m_gateProbe = m_feedEndProbe = 0;
    if (GstObject *parent = gst_object_get_parent(GST_OBJECT(m_bin.get()))) {
        gst_bin_remove(GST_BIN(parent), m_bin.get());
        gst_object_unref(parent);
    }
}
