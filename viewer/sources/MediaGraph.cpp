#include "MediaGraph.h"

#include "GstHandle.h"
#include "MediaBranch.h"
#include "SourcesLog.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

constexpr int WaitSliceMs = 10;

// What a pad of unknown kind carries: its fixed caps, or else what it could carry.
GstCaps *padCaps(GstPad *pad)
{
    GstCaps *caps = gst_pad_get_current_caps(pad);
    return caps ? caps : gst_pad_query_caps(pad, nullptr);
}

QByteArray mediaName(const GstCaps *caps)
{
    if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps)) {
        return {};
    }
    return gst_structure_get_name(gst_caps_get_structure(caps, 0));
}

// True when one of the element's sink pad templates can take these caps.
bool sinkTemplateAccepts(GstElement *sink, const GstCaps *caps)
{
    const GList *templates =
        gst_element_factory_get_static_pad_templates(gst_element_get_factory(sink));
    for (const GList *item = templates; item; item = item->next) {
        auto *templ = static_cast<GstStaticPadTemplate *>(item->data);
        if (templ->direction != GST_PAD_SINK) {
            continue;
        }
        GstCaps *templCaps = gst_static_pad_template_get_caps(templ);
        const bool accepts = gst_caps_can_intersect(templCaps, caps);
        gst_caps_unref(templCaps);
        if (accepts) {
            return true;
        }
    }
    return false;
}

bool linkPadToElement(GstPad *pad, GstElement *sink)
{
    GstPad *sinkPad = gst_element_get_compatible_pad(sink, pad, nullptr);
    if (!sinkPad) {
        return false;
    }
    const bool linked = GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, sinkPad));
    gst_object_unref(sinkPad);
    return linked;
}

bool hasSometimesSourcePads(GstElement *element)
{
    const GList *templates =
        gst_element_factory_get_static_pad_templates(gst_element_get_factory(element));
    for (const GList *item = templates; item; item = item->next) {
        auto *templ = static_cast<GstStaticPadTemplate *>(item->data);
        if (templ->direction == GST_PAD_SRC && templ->presence == GST_PAD_SOMETIMES) {
            return true;
        }
    }
    return false;
}

GstPad *firstUnlinkedSourcePad(GstElement *element)
{
    GstPad *found = nullptr;
    GstIterator *it = gst_element_iterate_src_pads(element);
    GValue value = G_VALUE_INIT;
    while (!found && gst_iterator_next(it, &value) == GST_ITERATOR_OK) {
        auto *pad = GST_PAD(g_value_get_object(&value));
        if (!gst_pad_is_linked(pad)) {
            found = GST_PAD(gst_object_ref(pad));
        }
        g_value_reset(&value);
    }
    g_value_unset(&value);
    gst_iterator_free(it);
    return found;
}

// Links the pads that a dynamic element (a demuxer, decodebin) adds later.
struct PendingLink {
    MediaGraph *graph;
    GstElement *sink;
};

void onPadAdded(GstElement *, GstPad *pad, gpointer data)
{
    MediaGraph::seeFromStreamingThread();
    auto *pending = static_cast<PendingLink *>(data);
    pending->graph->link(pad, pending->sink);
}

void linkLater(MediaGraph *graph, GstElement *source, GstElement *sink)
{
    // Made before it is published: the handler reads it on a streaming thread.
    auto *pending = new PendingLink{graph, sink};
    MediaGraph::publishToStreamingThreads();
    g_signal_connect_data(
        source, "pad-added", G_CALLBACK(onPadAdded), pending,
        [](gpointer data, GClosure *) { delete static_cast<PendingLink *>(data); },
        GConnectFlags(0));
}

std::atomic<unsigned> g_publication{0};

constexpr const char *BranchErrorName = "doccam-branch-error";
constexpr const char *BranchEndName = "doccam-branch-ended";

QByteArray objectName(GstObject *object)
{
    GCharHandle name(object ? gst_object_get_name(object) : nullptr);
    return name ? QByteArray(name.get()) : QByteArray("?");
}

template <typename Setter> bool setWith(gpointer object, const char *name, GType type, Setter set)
{
    GValue value = G_VALUE_INIT;
    g_value_init(&value, type);
    set(&value);
    const bool done = MediaGraph::setProperty(object, name, value);
    g_value_unset(&value);
    return done;
}

} // namespace

void MediaGraph::publishToStreamingThreads()
{
    g_publication.fetch_add(1, std::memory_order_release);
}

void MediaGraph::seeFromStreamingThread()
{
    (void)g_publication.load(std::memory_order_acquire);
}

bool MediaGraph::initialize()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = gst_init_check(nullptr, nullptr, nullptr); });
    return ok;
}

MediaGraph::MediaGraph(const char *name)
{
    if (!initialize()) {
        return;
    }
    m_pipeline = gst_pipeline_new(name);
    if (!m_pipeline) {
        return;
    }
    qCDebug(lcSources) << "graph" << name << "built";
    gst_object_ref_sink(m_pipeline);
    m_bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(m_bus, &MediaGraph::onSyncMessage, this, nullptr);
    m_watching = gst_bus_add_watch(m_bus, &MediaGraph::onWatchMessage, this) != 0;
}

MediaGraph::~MediaGraph()
{
    if (!m_pipeline) {
        return;
    }
    stop();
    qCDebug(lcSources) << "graph" << objectName(GST_OBJECT(m_pipeline)).constData() << "torn down";
    leaveEventLoop();
    gst_bus_set_sync_handler(m_bus, nullptr, nullptr, nullptr);
    gst_object_unref(m_bus);
    gst_object_unref(m_pipeline);
}

GstElement *MediaGraph::add(const char *factory, const char *name)
{
    if (!m_pipeline) {
        return nullptr;
    }
    GstElement *element = gst_element_factory_make(factory, name);
    if (!element) {
        return nullptr;
    }
    if (!gst_bin_add(GST_BIN(m_pipeline), element)) {
        return nullptr; // a floating element is sunk and freed by the failed add
    }
    return element;
}

bool MediaGraph::add(GstElement *element)
{
    return m_pipeline && element && gst_bin_add(GST_BIN(m_pipeline), element);
}

bool MediaGraph::remove(GstElement *element)
{
    if (!m_pipeline || !element || GST_ELEMENT_PARENT(element) != m_pipeline) {
        return false;
    }
    gst_element_set_state(element, GST_STATE_NULL);
    return gst_bin_remove(GST_BIN(m_pipeline), element);
}

GstElement *MediaGraph::element(const char *name) const
{
    if (!m_pipeline) {
        return nullptr;
    }
    GstElement *found = gst_bin_get_by_name(GST_BIN(m_pipeline), name);
    if (found) {
        gst_object_unref(found); // the pipeline keeps it alive
    }
    return found;
}

bool MediaGraph::linkDirect(GstElement *source, GstElement *sink)
{
    return source && sink && gst_element_link(source, sink);
}

bool MediaGraph::link(GstElement *source, GstElement *sink)
{
    if (!m_pipeline || !source || !sink) {
        return false;
    }
    GstPad *pad = firstUnlinkedSourcePad(source);
    if (!pad) {
        if (!hasSometimesSourcePads(source)) {
            return false;
        }
        linkLater(this, source, sink);
        return true;
    }
    const bool linked = link(pad, sink);
    gst_object_unref(pad);
    return linked;
}

GstElement *MediaGraph::addConverter(const char *factory)
{
    return add(factory, nullptr);
}

bool MediaGraph::link(GstPad *sourcePad, GstElement *sink)
{
    if (!m_pipeline || !sourcePad || !sink || gst_pad_is_linked(sourcePad)) {
        return false;
    }
    GstCaps *caps = padCaps(sourcePad);
    const QByteArray media = mediaName(caps);
    const bool acceptedAsIs = caps && sinkTemplateAccepts(sink, caps);
    if (caps) {
        gst_caps_unref(caps);
    }

    std::vector<const char *> chain;
    if (media == "video/x-raw") {
        chain = {"videoconvert"};
    } else if (media == "audio/x-raw") {
        chain = {"audioconvert", "audioresample"};
    } else if (acceptedAsIs) {
        return linkPadToElement(sourcePad, sink);
    } else if (media == "image/jpeg") {
        chain = {"jpegdec", "videoconvert"};
    } else {
        // Compressed or unknown: let decodebin find the decoder, link what it yields.
        GstElement *decoder = addConverter("decodebin");
        if (!decoder) {
            return false;
        }
        linkLater(this, decoder, sink);
        GstPad *decoderSink = gst_element_get_static_pad(decoder, "sink");
        const bool linked = GST_PAD_LINK_SUCCESSFUL(gst_pad_link(sourcePad, decoderSink));
        gst_object_unref(decoderSink);
        if (!linked) {
            gst_bin_remove(GST_BIN(m_pipeline), decoder);
            return false;
        }
        gst_element_sync_state_with_parent(decoder);
        return true;
    }

    std::vector<GstElement *> added;
    bool linked = true;
    for (const char *factory : chain) {
        GstElement *converter = addConverter(factory);
        if (!converter) {
            linked = false;
            break;
        }
        added.push_back(converter);
    }
    if (linked) {
        GstPad *first = gst_element_get_static_pad(added.front(), "sink");
        linked = GST_PAD_LINK_SUCCESSFUL(gst_pad_link(sourcePad, first));
        gst_object_unref(first);
    }
    for (size_t i = 0; linked && i + 1 < added.size(); ++i) {
        linked = gst_element_link(added[i], added[i + 1]);
    }
    if (linked) {
        linked = gst_element_link(added.back(), sink);
    }
    if (!linked) {
        for (GstElement *converter : added) {
            gst_bin_remove(GST_BIN(m_pipeline), converter);
        }
        return false;
    }
    // Downstream first, so that no element pushes into one that is not ready yet.
    std::for_each(added.rbegin(), added.rend(),
                  [](GstElement *converter) { gst_element_sync_state_with_parent(converter); });
    return true;
}

QByteArray MediaGraph::padMedia(GstPad *pad)
{
    CapsHandle caps(pad ? padCaps(pad) : nullptr);
    return mediaName(caps.get());
}

GstElement *MediaGraph::addTee(const char *name)
{
    GstElement *tee = add("tee", name);
    if (tee) {
        g_object_set(tee, "allow-not-linked", TRUE, nullptr);
    }
    return tee;
}

GstElement *MediaGraph::chainBin(const char *name, const std::vector<GstElement *> &chain)
{
    std::vector<GstHandle<GstElement>> held;
    for (GstElement *element : chain) {
        held.push_back(adoptFloating(element));
    }
    if (held.empty() || std::any_of(held.begin(), held.end(), [](auto &e) { return !e; })) {
        return nullptr;
    }
    GstElement *bin = gst_bin_new(name);
    bool linked = true;
    for (size_t i = 0; linked && i < held.size(); ++i) {
        linked = gst_bin_add(GST_BIN(bin), held[i].get());
        if (linked && i > 0) {
            linked = gst_element_link(held[i - 1].get(), held[i].get());
        }
    }
    GstHandle<GstPad> first(linked ? gst_element_get_static_pad(held.front().get(), "sink")
                                   : nullptr);
    if (!first || !gst_element_add_pad(bin, gst_ghost_pad_new("sink", first.get()))) {
        qCDebug(lcSources) << "branch" << name << "could not be put together";
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    return bin;
}

std::unique_ptr<MediaBranch> MediaGraph::attach(GstElement *tee, GstElement *bin)
{
    GstHandle<GstElement> owned = adoptFloating(bin);
    const QByteArray name = objectName(GST_OBJECT(bin));
    if (!m_pipeline || !tee || !bin || GST_ELEMENT_PARENT(tee) != m_pipeline ||
        GST_OBJECT_PARENT(bin) != nullptr) {
        qCDebug(lcSources) << "branch" << name.constData() << "has no tee of this graph";
        return nullptr;
    }
    GstHandle<GstPad> ghost(gst_element_get_static_pad(bin, "sink"));
    GstElement *queue = gst_element_factory_make("queue", (name + " Queue").constData());
    if (!ghost || !GST_IS_GHOST_PAD(ghost.get()) || !queue || !gst_bin_add(GST_BIN(bin), queue)) {
        qCDebug(lcSources) << "branch" << name.constData() << "has no ghost sink pad";
        return nullptr;
    }
    // The queue goes between the ghost pad and what it led to.
    GstHandle<GstPad> target(gst_ghost_pad_get_target(GST_GHOST_PAD(ghost.get())));
    GstHandle<GstPad> queueSink(gst_element_get_static_pad(queue, "sink"));
    GstHandle<GstPad> queueSource(gst_element_get_static_pad(queue, "src"));
    gst_ghost_pad_set_target(GST_GHOST_PAD(ghost.get()), nullptr);
    if (!target || !GST_PAD_LINK_SUCCESSFUL(gst_pad_link(queueSource.get(), target.get())) ||
        !gst_ghost_pad_set_target(GST_GHOST_PAD(ghost.get()), queueSink.get()) ||
        !gst_bin_add(GST_BIN(m_pipeline), bin)) {
        qCDebug(lcSources) << "branch" << name.constData() << "could not join the graph";
        return nullptr;
    }

    std::unique_ptr<MediaBranch> branch(new MediaBranch(this, tee, bin));
    {
        std::lock_guard lock(m_branchesMutex);
        m_branches.push_back(branch.get());
    }
    branch->m_attached = true;
    // Elements open their files and devices here: a refusal fails the branch, not the graph.
    if (!gst_element_sync_state_with_parent(bin) || branch->failed()) {
        qCDebug(lcSources).noquote()
            << "branch" << name << "could not start:" << branch->errorText();
        branch->detach(0);
        return nullptr;
    }
    MediaBranch *raw = branch.get();
    // The probes below run on streaming threads and read the branch; GStreamer hands them over
    // through its own (uninstrumented) locks, so the branch is published here explicitly.
    MediaGraph::publishToStreamingThreads();
    branch->m_teePad.reset(gst_element_request_pad_simple(tee, "src_%u"));
    if (branch->m_teePad) {
        // The branch takes the stream as it is: the reconfigure its link sends upstream would
        // make the graph's source renegotiate (a camera restarts its stream for that).
        gst_pad_add_probe(
            branch->m_teePad.get(), GST_PAD_PROBE_TYPE_EVENT_UPSTREAM,
            [](GstPad *, GstPadProbeInfo *info, gpointer) {
                return GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_RECONFIGURE
                           ? GST_PAD_PROBE_DROP
                           : GST_PAD_PROBE_OK;
            },
            nullptr, nullptr);
        branch->m_gateProbe = gst_pad_add_probe(
            branch->m_teePad.get(),
            GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
            [](GstPad *, GstPadProbeInfo *, gpointer data) {
                MediaGraph::seeFromStreamingThread();
                return static_cast<MediaBranch *>(data)->failed() ? GST_PAD_PROBE_DROP
                                                                  : GST_PAD_PROBE_OK;
            },
            raw, nullptr);
    }
    branch->m_feedEndProbe = gst_pad_add_probe(
        ghost.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
        [](GstPad *, GstPadProbeInfo *info, gpointer data) {
            MediaGraph::seeFromStreamingThread();
            if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
                static_cast<MediaBranch *>(data)->endOwnSources();
            }
            return GST_PAD_PROBE_OK;
        },
        raw, nullptr);
    if (!branch->m_teePad ||
        !GST_PAD_LINK_SUCCESSFUL(gst_pad_link(branch->m_teePad.get(), ghost.get()))) {
        qCDebug(lcSources) << "branch" << name.constData() << "could not be linked to the tee";
        branch->detach(0);
        return nullptr;
    }
    qCDebug(lcSources) << "branch" << name.constData() << "attached";
    return branch;
}

void MediaGraph::finishBranches()
{
    std::vector<MediaBranch *> branches;
    {
        std::lock_guard lock(m_branchesMutex);
        branches = m_branches;
    }
    // Only the controlling thread (this one) destroys branches.
    for (MediaBranch *branch : branches) {
        branch->finish(BranchFinishWaitMs);
    }
}

void MediaGraph::unregisterBranch(MediaBranch *branch)
{
    std::lock_guard lock(m_branchesMutex);
    m_branches.erase(std::remove(m_branches.begin(), m_branches.end(), branch), m_branches.end());
}

MediaBranch *MediaGraph::branchHolding(GstObject *object) const
{
    for (MediaBranch *branch : m_branches) {
        auto *bin = GST_OBJECT(branch->bin());
        if (object == bin || gst_object_has_as_ancestor(object, bin)) {
            return branch;
        }
    }
    return nullptr;
}

bool MediaGraph::routeToBranch(GstMessage *message)
{
    GstObject *source = GST_MESSAGE_SRC(message);
    const GstStructure *structure = gst_message_get_structure(message);
    const char *notice = nullptr;
    GstHandle<GstObject> bin;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        std::lock_guard lock(m_branchesMutex);
        MediaBranch *branch = source ? branchHolding(source) : nullptr;
        if (!branch) {
            return false;
        }
        branch->noteError(message);
        notice = BranchErrorName;
        bin = addReference(GST_OBJECT(branch->bin()));
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ELEMENT && structure &&
               gst_structure_has_name(structure, "GstBinForwarded")) {
        std::lock_guard lock(m_branchesMutex);
        MediaBranch *branch = source ? branchHolding(source) : nullptr;
        if (!branch || GST_OBJECT(branch->bin()) != source) {
            return false;
        }
        GstMessage *inner = nullptr;
        gst_structure_get(structure, "message", GST_TYPE_MESSAGE, &inner, nullptr);
        MessageHandle forwarded(inner);
        if (forwarded && GST_MESSAGE_TYPE(inner) == GST_MESSAGE_EOS &&
            branch->noteSinkEnded(GST_MESSAGE_SRC(inner))) {
            notice = BranchEndName;
            bin = addReference(source);
        }
    } else {
        return false;
    }
    // Handlers run on the controlling thread, from the bus watch.
    if (notice) {
        gst_bus_post(m_bus,
                     gst_message_new_application(bin.get(), gst_structure_new_empty(notice)));
    }
    return true;
}

void MediaGraph::deliverToBranch(GstMessage *message)
{
    const GstStructure *structure = gst_message_get_structure(message);
    MediaBranch *branch = nullptr;
    {
        std::lock_guard lock(m_branchesMutex);
        for (MediaBranch *candidate : m_branches) {
            if (GST_OBJECT(candidate->bin()) == GST_MESSAGE_SRC(message)) {
                branch = candidate;
            }
        }
    }
    // Only this thread destroys branches, so the one found is still there.
    if (!branch) {
        return;
    }
    if (gst_structure_has_name(structure, BranchErrorName)) {
        branch->reportError();
    } else if (gst_structure_has_name(structure, BranchEndName)) {
        branch->reportEnd();
    }
}

gulong MediaGraph::onPadAdded(GstElement *element, std::function<void(GstPad *)> handler)
{
    using Handler = std::function<void(GstPad *)>;
    // Made before it is published: the handler runs on a streaming thread.
    auto *held = new Handler(std::move(handler));
    publishToStreamingThreads();
    return g_signal_connect_data(
        element, "pad-added", G_CALLBACK(+[](GstElement *, GstPad *pad, gpointer data) {
            seeFromStreamingThread();
            (*static_cast<Handler *>(data))(pad);
        }),
        held, [](gpointer data, GClosure *) { delete static_cast<Handler *>(data); },
        GConnectFlags(0));
}

gulong MediaGraph::addProbe(GstPad *pad, GstPadProbeType type, Probe probe)
{
    if (!pad) {
        return 0;
    }
    auto *held = new Probe(std::move(probe));
    publishToStreamingThreads();
    return gst_pad_add_probe(
        pad, type,
        [](GstPad *probed, GstPadProbeInfo *info, gpointer data) {
            seeFromStreamingThread();
            return (*static_cast<Probe *>(data))(probed, info);
        },
        held, [](gpointer data) { delete static_cast<Probe *>(data); });
}

gulong MediaGraph::addProbe(GstElement *element, const char *padName, GstPadProbeType type,
                            Probe probe)
{
    GstHandle<GstPad> pad(element ? gst_element_get_static_pad(element, padName) : nullptr);
    return addProbe(pad.get(), type, std::move(probe));
}

void MediaGraph::removeProbe(GstElement *element, const char *padName, gulong id)
{
    GstHandle<GstPad> pad(element ? gst_element_get_static_pad(element, padName) : nullptr);
    if (pad && id != 0) {
        gst_pad_remove_probe(pad.get(), id);
    }
}

bool MediaGraph::setProperty(gpointer object, const char *name, const GValue &value)
{
    if (!object || !G_IS_OBJECT(object)) {
        return false;
    }
    GParamSpec *spec = g_object_class_find_property(G_OBJECT_GET_CLASS(object), name);
    if (!spec || !(spec->flags & G_PARAM_WRITABLE)) {
        return false;
    }
    GValue converted = G_VALUE_INIT;
    g_value_init(&converted, spec->value_type);
    const GType type = spec->value_type;
    // A negative number would wrap around in an unsigned property.
    const bool wraps = G_VALUE_HOLDS_INT(&value) && g_value_get_int(&value) < 0 &&
                       (type == G_TYPE_UINT || type == G_TYPE_UINT64 || type == G_TYPE_ULONG ||
                        type == G_TYPE_UCHAR);
    bool fits = false;
    if (G_VALUE_HOLDS_STRING(&value) && type != G_TYPE_STRING) {
        fits = g_value_get_string(&value) &&
               gst_value_deserialize(&converted, g_value_get_string(&value));
    } else {
        fits = !wraps && g_value_transform(&value, &converted);
    }
    // A value the property would have to clamp is refused rather than changed.
    fits = fits && !g_param_value_validate(spec, &converted);
    if (fits) {
        g_object_set_property(G_OBJECT(object), name, &converted);
    } else {
        qCDebug(lcSources) << "property" << name << "refused the value";
    }
    g_value_unset(&converted);
    return fits;
}

bool MediaGraph::setProperty(gpointer object, const char *name, bool value)
{
    return setWith(object, name, G_TYPE_BOOLEAN, [&](GValue *v) { g_value_set_boolean(v, value); });
}

bool MediaGraph::setProperty(gpointer object, const char *name, int value)
{
    return setWith(object, name, G_TYPE_INT, [&](GValue *v) { g_value_set_int(v, value); });
}

bool MediaGraph::setProperty(gpointer object, const char *name, double value)
{
    return setWith(object, name, G_TYPE_DOUBLE, [&](GValue *v) { g_value_set_double(v, value); });
}

bool MediaGraph::setProperty(gpointer object, const char *name, const char *value)
{
    return setWith(object, name, G_TYPE_STRING, [&](GValue *v) { g_value_set_string(v, value); });
}

bool MediaGraph::setProperty(gpointer object, const char *name, const GstCaps *value)
{
    return setWith(object, name, GST_TYPE_CAPS, [&](GValue *v) { g_value_set_boxed(v, value); });
}

bool MediaGraph::run(int waitMs)
{
    m_eos.store(false, std::memory_order_release);
    return changeState(GST_STATE_PLAYING, waitMs);
}

bool MediaGraph::pause(int waitMs, const std::function<bool()> &abandon)
{
    m_eos.store(false, std::memory_order_release);
    return changeState(GST_STATE_PAUSED, waitMs, abandon);
}

bool MediaGraph::changeState(GstState target, int waitMs, const std::function<bool()> &abandon)
{
    if (!m_pipeline || failed()) {
        return false;
    }
    switch (gst_element_set_state(m_pipeline, target)) {
    case GST_STATE_CHANGE_SUCCESS:
    case GST_STATE_CHANGE_NO_PREROLL:
        return !m_error.load(std::memory_order_acquire);
    case GST_STATE_CHANGE_ASYNC:
        return waitForPendingState(waitMs, abandon);
    case GST_STATE_CHANGE_FAILURE:
        break;
    }
    return false;
}

bool MediaGraph::waitForPendingState(int waitMs, const std::function<bool()> &abandon)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (m_error.load(std::memory_order_acquire)) {
            gst_element_set_state(m_pipeline, GST_STATE_NULL);
            m_failed.store(true, std::memory_order_release);
            return false;
        }
        switch (gst_element_get_state(m_pipeline, nullptr, nullptr, WaitSliceMs * GST_MSECOND)) {
        case GST_STATE_CHANGE_SUCCESS:
        case GST_STATE_CHANGE_NO_PREROLL:
            return !m_error.load(std::memory_order_acquire);
        case GST_STATE_CHANGE_FAILURE:
            return false;
        case GST_STATE_CHANGE_ASYNC:
            break;
        }
        if (clock.elapsed() >= waitMs || (abandon && abandon())) {
            return false;
        }
    }
}

void MediaGraph::stop(int eosWaitMs)
{
    if (!m_pipeline) {
        return;
    }
    GstState current = GST_STATE_NULL;
    gst_element_get_state(m_pipeline, &current, nullptr, 0);
    // A muxer writes its index only at end-of-stream; sinks post it only when playing. A graph
    // whose streams have all ended already (a source that stopped) gets no second one: it
    // would never arrive.
    if (!failed() && !atEos() && current >= GST_STATE_PAUSED && writesFile()) {
        if (current != GST_STATE_PLAYING) {
            changeState(GST_STATE_PLAYING, eosWaitMs);
        }
        m_eos.store(false, std::memory_order_release);
        gst_element_send_event(m_pipeline, gst_event_new_eos());
        waitForEos(eosWaitMs);
    }
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
}

bool MediaGraph::waitForEos(int waitMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (!m_eos.load(std::memory_order_acquire) && !m_error.load(std::memory_order_acquire)) {
        if (clock.elapsed() >= waitMs) {
            return false;
        }
        QThread::msleep(WaitSliceMs);
    }
    return m_eos.load(std::memory_order_acquire);
}

void MediaGraph::leaveEventLoop()
{
    if (m_watching) {
        gst_bus_remove_watch(m_bus);
        m_watching = false;
    }
    m_errorHandler = nullptr;
    m_eosHandler = nullptr;
}

bool MediaGraph::writesFile() const
{
    bool found = false;
    GstIterator *it = gst_bin_iterate_recurse(GST_BIN(m_pipeline));
    GValue value = G_VALUE_INIT;
    while (!found && gst_iterator_next(it, &value) == GST_ITERATOR_OK) {
        auto *element = GST_ELEMENT(g_value_get_object(&value));
        GstElementFactory *factory = gst_element_get_factory(element);
        const char *klass =
            factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS)
                    : nullptr;
        found = klass && std::strstr(klass, "Sink") && std::strstr(klass, "File");
        g_value_reset(&value);
    }
    g_value_unset(&value);
    gst_iterator_free(it);
    return found;
}

MediaGraph::State MediaGraph::state() const
{
    if (!m_pipeline) {
        return State::Stopped;
    }
    GstState current = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(m_pipeline, &current, &pending, 0);
    const GstState target = pending != GST_STATE_VOID_PENDING ? pending : current;
    if (target == GST_STATE_PLAYING) {
        return State::Running;
    }
    if (target == GST_STATE_PAUSED) {
        return State::Paused;
    }
    return State::Stopped;
}

bool MediaGraph::seek(qint64 position, int waitMs)
{
    if (!m_pipeline || failed() || state() == State::Stopped) {
        return false;
    }
    m_eos.store(false, std::memory_order_release);
    const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (!gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME, flags,
                                 std::max<qint64>(position, 0) * 100)) {
        return false;
    }
    return waitForPendingState(waitMs);
}

qint64 MediaGraph::position() const
{
    gint64 nanoseconds = -1;
    if (!m_pipeline || !gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &nanoseconds) ||
        nanoseconds < 0) {
        return -1;
    }
    return nanoseconds / 100;
}

qint64 MediaGraph::duration() const
{
    gint64 nanoseconds = -1;
    if (!m_pipeline || !gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &nanoseconds) ||
        nanoseconds < 0) {
        return -1;
    }
    return nanoseconds / 100;
}

double MediaGraph::volumeFactor(int hundredthsOfDb)
{
    constexpr int Silent = -10000;
    if (hundredthsOfDb <= Silent) {
        return 0.0;
    }
    return std::pow(10.0, std::min(hundredthsOfDb, 0) / 2000.0);
}

bool MediaGraph::setVolume(GstElement *volume, int hundredthsOfDb)
{
    if (!volume || !g_object_class_find_property(G_OBJECT_GET_CLASS(volume), "volume")) {
        return false;
    }
    g_object_set(volume, "volume", volumeFactor(hundredthsOfDb), nullptr);
    return true;
}

void MediaGraph::logError(GstMessage *message)
{
    if (!lcSources().isDebugEnabled()) {
        return;
    }
    GError *raw = nullptr;
    gchar *rawDebug = nullptr;
    gst_message_parse_error(message, &raw, &rawDebug);
    ErrorHandle error(raw);
    GCharHandle debug(rawDebug);
    qCDebug(lcSources).nospace() << "error from "
                                 << objectName(GST_MESSAGE_SRC(message)).constData() << ": "
                                 << (error ? error->message : "") << " ("
                                 << (debug ? debug.get() : "") << ")";
}

GstBusSyncReply MediaGraph::onSyncMessage(GstBus *, GstMessage *message, gpointer self)
{
    auto *graph = static_cast<MediaGraph *>(self);
    if (graph->routeToBranch(message)) {
        return GST_BUS_DROP;
    }
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        logError(message);
        graph->m_error.store(true, std::memory_order_release);
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS &&
               GST_MESSAGE_SRC(message) == GST_OBJECT(graph->m_pipeline)) {
        graph->m_eos.store(true, std::memory_order_release);
    }
    return GST_BUS_PASS;
}

gboolean MediaGraph::onWatchMessage(GstBus *, GstMessage *message, gpointer self)
{
    auto *graph = static_cast<MediaGraph *>(self);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        graph->m_failed.store(true, std::memory_order_release);
        graph->finishBranches();
        gst_element_set_state(graph->m_pipeline, GST_STATE_NULL);
        const bool first = !graph->m_errorReported;
        graph->m_errorReported = true;
        if (first && graph->m_errorHandler) {
            graph->m_errorHandler();
        }
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS && graph->atEos() &&
               graph->m_eosHandler) {
        graph->m_eosHandler();
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION) {
        graph->deliverToBranch(message);
    }
    return G_SOURCE_CONTINUE;
}
