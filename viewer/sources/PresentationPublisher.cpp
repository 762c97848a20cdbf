#include "PresentationPublisher.h"

#include "MediaGraph.h"
#include "PipeWireLinkCount.h"
#include "SourcesLog.h"

#include <QString>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// The branch's bin keeps the errors of its elements to itself: a branch that fails must not
// end the graph it hangs in.
struct DocCamPresentationBin {
    GstBin parent;
    std::atomic<bool> failed;
};

struct DocCamPresentationBinClass {
    GstBinClass parent;
};

G_DEFINE_TYPE(DocCamPresentationBin, doccam_presentation_bin, GST_TYPE_BIN)

DocCamPresentationBin *asPresentationBin(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, doccam_presentation_bin_get_type(),
                                      DocCamPresentationBin);
}

void handleMessage(GstBin *bin, GstMessage *message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError *error = nullptr;
        gchar *details = nullptr;
        gst_message_parse_error(message, &error, &details);
        qCDebug(lcSources).nospace()
            << "Presentation branch failed in " << GST_MESSAGE_SRC_NAME(message) << ": "
            << (error ? error->message : "unknown error") << " (" << (details ? details : "")
            << "); it drops its frames from now on";
        g_clear_error(&error);
        g_free(details);
        asPresentationBin(bin)->failed.store(true);
        gst_message_unref(message);
        return;
    }
    case GST_MESSAGE_CLOCK_PROVIDE:
    case GST_MESSAGE_CLOCK_LOST:
        // The graph keeps its own clock whether or not the branch is there.
        gst_message_unref(message);
        return;
    default:
        GST_BIN_CLASS(doccam_presentation_bin_parent_class)->handle_message(bin, message);
    }
}

void doccam_presentation_bin_class_init(DocCamPresentationBinClass *klass)
{
    GST_BIN_CLASS(klass)->handle_message = handleMessage;
}

void doccam_presentation_bin_init(DocCamPresentationBin *bin)
{
    bin->failed.store(false);
}

// The node's properties: what browsers, the camera portal and other programs look for.
GstStructure *nodeProperties()
{
    return gst_structure_new("props", "media.class", G_TYPE_STRING, "Video/Source", "media.role",
                             G_TYPE_STRING, "Camera", "node.name", G_TYPE_STRING,
                             PresentationPublisher::NodeName, "node.description", G_TYPE_STRING,
                             PresentationPublisher::NodeDescription, "doccam.origin", G_TYPE_STRING,
                             "viewer", nullptr);
}

// Waits, bounded, for an idle probe to take the branch off a tee pad; the probe may still run
// after the waiter has given up, so the state is shared.
struct Unlink {
    std::mutex mutex;
    std::condition_variable done;
    bool unlinked = false;
};

} // namespace

PresentationPublisher::PresentationPublisher() = default;

PresentationPublisher::~PresentationPublisher()
{
    detach();
}

bool PresentationPublisher::failed() const
{
    return m_bin && asPresentationBin(m_bin)->failed.load();
}

GstElement *PresentationPublisher::buildBranch()
{
    GstElement *bin = GST_ELEMENT(
        g_object_new(doccam_presentation_bin_get_type(), "name", "Presentation", nullptr));
    GstElement *queue = gst_element_factory_make("queue", "Presentation Queue");
    GstElement *converter = gst_element_factory_make("videoconvert", "Presentation Converter");
    GstElement *format = gst_element_factory_make("capsfilter", "Presentation Format");
    // The sink's own buffers go away with a consumer that leaves; frames allocated from them
    // upstream would then be empty. Refusing the allocation query keeps the converter on
    // buffers of its own, which the sink copies.
    GstElement *copier = gst_element_factory_make("identity", "Presentation Copier");
    GstElement *sink = gst_element_factory_make("pipewiresink", "Presentation Sink");
    if (!queue || !converter || !format || !copier || !sink) {
        qCDebug(lcSources) << "Presentation branch: an element is missing"
                           << "(queue, videoconvert, capsfilter, identity, pipewiresink)";
        for (GstElement *element : {queue, converter, format, copier, sink}) {
            if (element) {
                gst_object_unref(gst_object_ref_sink(element));
            }
        }
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    // A consumer that cannot keep up loses old frames; the graph never waits for it.
    g_object_set(queue, "leaky", 2, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time",
                 guint64(0), nullptr);
    GstCaps *caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, Format, nullptr);
    g_object_set(format, "caps", caps, nullptr);
    gst_caps_unref(caps);
    g_object_set(copier, "drop-allocation", TRUE, "silent", TRUE, nullptr);
    GstStructure *properties = nodeProperties();
    gst_util_set_object_arg(G_OBJECT(sink), "mode", "provide");
    g_object_set(sink, "stream-properties", properties, "client-name", "Document Camera", "sync",
                 FALSE, "async", FALSE, "enable-last-sample", FALSE, nullptr);
    gst_structure_free(properties);
    // The sink would offer the graph its own clock; the graph keeps the one it has.
    GST_OBJECT_FLAG_UNSET(sink, GST_ELEMENT_FLAG_PROVIDE_CLOCK);

    gst_bin_add_many(GST_BIN(bin), queue, converter, format, copier, sink, nullptr);
    GstPad *queueSink = gst_element_get_static_pad(queue, "sink");
    GstPad *ghost = gst_ghost_pad_new("sink", queueSink);
    gst_pad_add_probe(queueSink, GST_PAD_PROBE_TYPE_BUFFER, onBranchBuffer, this, nullptr);
    gst_object_unref(queueSink);
    GstPad *sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_BUFFER, onSinkBuffer, this, nullptr);
    gst_object_unref(sinkPad);
    if (!gst_element_add_pad(bin, ghost) ||
        !gst_element_link_many(queue, converter, format, copier, sink, nullptr)) {
        qCDebug(lcSources) << "Presentation branch: its elements do not link";
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    return bin;
}

bool PresentationPublisher::attach(GstElement *pipeline, GstElement *tee)
{
    detach();
    if (!pipeline || !tee || !MediaGraph::initialize()) {
        return false;
    }
    GstElement *bin = buildBranch();
    if (!bin) {
        return false;
    }
    gst_object_ref_sink(bin);
    // Connecting to PipeWire happens on the way to READY: without a daemon nothing is added.
    if (gst_element_set_state(bin, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE ||
        asPresentationBin(bin)->failed.load()) {
        qCDebug(lcSources) << "Presentation branch: no PipeWire daemon to publish to";
        gst_element_set_state(bin, GST_STATE_NULL);
        gst_object_unref(bin);
        return false;
    }
    m_primed.store(false);
    m_served.store(false);
    m_consumers.store(0);
    m_watch = std::make_unique<PipeWireLinkCount>(
        NodeName, PipeWireLinkCount::Owner::ThisProcess, "doccam-watch",
        [this](int links) { consumersChanged(links); },
        [](const std::string &message) { qCDebug(lcSources) << message.c_str(); });
    if (!m_watch->connect()) {
        // Without the watch the branch cannot know its consumers: it feeds the sink always.
        qCDebug(lcSources) << "Presentation branch: no link watch, frames always flow";
        m_consumers.store(-1);
    }

    if (!gst_bin_add(GST_BIN(pipeline), bin)) {
        qCDebug(lcSources) << "Presentation branch: the graph already has one";
        gst_element_set_state(bin, GST_STATE_NULL);
        gst_object_unref(bin);
        m_watch.reset();
        return false;
    }
    m_pipeline = GST_ELEMENT(gst_object_ref(pipeline));
    m_tee = GST_ELEMENT(gst_object_ref(tee));
    m_bin = bin;
    // The branch runs before it is linked, so the tee never pushes into a stopped pad.
    if (!gst_element_sync_state_with_parent(bin)) {
        qCDebug(lcSources) << "Presentation branch: it does not follow the graph's state";
        detach();
        return false;
    }
    m_teePad = gst_element_request_pad_simple(tee, "src_%u");
    GstPad *ghost = gst_element_get_static_pad(bin, "sink");
    const bool linked = m_teePad && ghost && GST_PAD_LINK_SUCCESSFUL(gst_pad_link(m_teePad, ghost));
    if (ghost) {
        gst_object_unref(ghost);
    }
    if (!linked) {
        qCDebug(lcSources) << "Presentation branch: the tee gives no pad for it";
        detach();
        return false;
    }
    qCDebug(lcSources) << "Presentation branch attached";
    return true;
}

void PresentationPublisher::unlinkFromTee()
{
    if (!m_teePad) {
        return;
    }
    auto state = std::make_shared<Unlink>();
    // The graph's probe publishes the state to the streaming thread that runs it.
    MediaGraph::addProbe(m_teePad, GST_PAD_PROBE_TYPE_IDLE,
                         [state](GstPad *pad, GstPadProbeInfo *) {
                             if (GstPad *peer = gst_pad_get_peer(pad)) {
                                 gst_pad_unlink(pad, peer);
                                 gst_object_unref(peer);
                             }
                             const std::lock_guard lock(state->mutex);
                             state->unlinked = true;
                             state->done.notify_all();
                             return GST_PAD_PROBE_REMOVE;
                         });
    std::unique_lock lock(state->mutex);
    if (!state->done.wait_for(lock, std::chrono::milliseconds(DetachWaitMs),
                              [&] { return state->unlinked; })) {
        qCDebug(lcSources) << "Presentation branch: the tee stayed busy, released anyway";
    }
    lock.unlock();
    gst_element_release_request_pad(m_tee, m_teePad);
    gst_object_unref(m_teePad);
    m_teePad = nullptr;
}

void PresentationPublisher::detach()
{
    if (!m_bin) {
        return;
    }
    unlinkFromTee();
    gst_element_set_state(m_bin, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_pipeline), m_bin);
    gst_object_unref(m_bin);
    gst_object_unref(m_tee);
    gst_object_unref(m_pipeline);
    m_bin = m_tee = m_pipeline = nullptr;
    m_watch.reset();
    m_consumers.store(0);
    qCDebug(lcSources) << "Presentation branch detached";
}

void PresentationPublisher::consumersChanged(int links)
{
    m_consumers.store(links);
    if (links > 0) {
        m_served.store(true);
    } else if (m_served.exchange(false)) {
        QMetaObject::invokeMethod(this, &PresentationPublisher::renew, Qt::QueuedConnection);
    }
}

void PresentationPublisher::renew()
{
    if (!m_bin || m_consumers.load() != 0) {
        return;
    }
    GstElement *pipeline = GST_ELEMENT(gst_object_ref(m_pipeline));
    GstElement *tee = GST_ELEMENT(gst_object_ref(m_tee));
    qCDebug(lcSources) << "Presentation branch renewed after its last consumer left";
    ++m_renewals;
    attach(pipeline, tee);
    gst_object_unref(tee);
    gst_object_unref(pipeline);
}

GstPadProbeReturn PresentationPublisher::onBranchBuffer(GstPad *pad, GstPadProbeInfo *,
                                                        gpointer self)
{
    auto *publisher = static_cast<PresentationPublisher *>(self);
    // The pad belongs to the queue, the queue to the branch's bin (m_bin is the controlling
    // thread's).
    GstElement *queue = GST_PAD_PARENT(pad);
    GstElement *bin = queue ? GST_ELEMENT_PARENT(queue) : nullptr;
    if (!bin || asPresentationBin(bin)->failed.load()) {
        return GST_PAD_PROBE_DROP;
    }
    // The sink sets up its buffers for the node with the first frame it is given; a consumer
    // that links before that gets buffers the sink cannot fill. So frames pass until one has
    // reached the sink.
    if (!publisher->m_primed.load()) {
        return GST_PAD_PROBE_OK;
    }
    // Nobody watches: the frame goes no further than this.
    if (publisher->m_consumers.load() == 0) {
        return GST_PAD_PROBE_DROP;
    }
    publisher->m_offered.fetch_add(1);
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn PresentationPublisher::onSinkBuffer(GstPad *, GstPadProbeInfo *, gpointer self)
{
    auto *publisher = static_cast<PresentationPublisher *>(self);
    publisher->m_sent.fetch_add(1);
    publisher->m_primed.store(true);
    return GST_PAD_PROBE_OK;
}
