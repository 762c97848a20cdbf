#include "FilmSource.h"

#include "DirectShowTransformFilter.h"
#include "FrameBounds.h"
#include "ICaptureCB.h"
#include "MediaGraph.h"
#include "RegularFile.h"
#include "SourcesLog.h"

#include <gst/base/gsttypefindhelper.h>

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <array>
#include <mutex>
#include <thread>

namespace {

constexpr std::array<int, FilmSource::SpeedCount> Speeds{-2, 1, 2, 4, 8, 16, 32, 100};
constexpr qint64 UnitsPerMs = MediaGraph::UnitsPerSecond / 1000;
constexpr int StepMs = 99; // a step is due once more than this has passed
constexpr qint64 SniffBytes = 64 * 1024;
constexpr int OpenWaitMs = 10000;

// The container type of a file from its first bytes, empty when nothing recognises it.
QByteArray containerType(const RegularFile &file)
{
    const QByteArray head = file.head(SniffBytes);
    if (head.isEmpty()) {
        return {};
    }
    GstTypeFindProbability probability = GST_TYPE_FIND_NONE;
    GstCaps *caps =
        gst_type_find_helper_for_data(nullptr, reinterpret_cast<const guint8 *>(head.constData()),
                                      gsize(head.size()), &probability);
    if (!caps) {
        return {};
    }
    QByteArray type = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    gst_caps_unref(caps);
    return type;
}

// False for a stream whose caps state a picture size beyond the bound; streams that state
// no size pass (the frame tap refuses oversized pictures when they are negotiated).
bool sizeWithinBounds(const GstCaps *caps)
{
    if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps)) {
        return true;
    }
    const GstStructure *structure = gst_caps_get_structure(caps, 0);
    int width = 0;
    int height = 0;
    if (!gst_structure_get_int(structure, "width", &width) ||
        !gst_structure_get_int(structure, "height", &height)) {
        return true;
    }
    return FrameBounds::fits(width, height);
}

bool padWithinBounds(GstPad *pad)
{
    GstCaps *caps = gst_pad_get_current_caps(pad);
    if (!caps) {
        caps = gst_pad_query_caps(pad, nullptr);
    }
    const bool fits = sizeWithinBounds(caps);
    if (caps) {
        gst_caps_unref(caps);
    }
    return fits;
}

// decodebin asks before it plugs a decoder behind a stream: an oversized one gets none.
gboolean continueDecoding(GstElement *, GstPad *, GstCaps *caps, gpointer)
{
    return sizeWithinBounds(caps);
}

// Most type finders live in plug-ins that are not loaded yet; recognising a file that none
// knows (random bytes) would load them all, for more than half a second, on the GUI thread.
// They are loaded once, on a thread of its own, when the first film source is made.
class TypeFinderLoader {
public:
    static void start()
    {
        static TypeFinderLoader loader;
        static std::once_flag once;
        std::call_once(once, [] { loader.m_thread = std::thread(&TypeFinderLoader::load); });
    }
    ~TypeFinderLoader()
    {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

private:
    static void load()
    {
        GList *finders = gst_type_find_factory_get_list();
        for (GList *item = finders; item; item = item->next) {
            if (GstPluginFeature *loaded =
                    gst_plugin_feature_load(GST_PLUGIN_FEATURE(item->data))) {
                gst_object_unref(loaded);
            }
        }
        gst_plugin_feature_list_free(finders);
    }

    std::thread m_thread;
};

} // namespace

int FilmSource::speedAt(int index)
{
    return Speeds[size_t(std::clamp(index, 0, SpeedCount - 1))];
}

FilmSource::FilmSource(ICaptureCB *callback, QObject *parent)
    : QObject(parent), m_callback(callback),
      m_tap(std::make_unique<DirectShowTransformFilter>(callback))
{
    // Only a null renderer follows the tap: the composed picture need not go back into frames.
    m_tap->setWriteBack(false);
    m_tickTimer.setInterval(TickMs);
    connect(&m_tickTimer, &QTimer::timeout, this, &FilmSource::tickEvent);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    m_now = [clock] { return clock->elapsed(); };
    restartStepClock();
    if (MediaGraph::initialize()) {
        TypeFinderLoader::start();
    }
}

FilmSource::~FilmSource()
{
    close();
}

void FilmSource::setClock(std::function<qint64()> nowMs)
{
    m_now = std::move(nowMs);
    restartStepClock();
}

bool FilmSource::open(const QString &path)
{
    const bool opened = load(path);
    if (!opened) {
        // Nothing of an earlier film stays on the canvas or on the position slider.
        m_callback->setImage(QImage());
        emit tick();
    }
    return opened;
}

bool FilmSource::load(const QString &path)
{
    close();
    // Only a regular file is read, and the graph reads the very file that was checked.
    m_file = std::make_unique<RegularFile>(path);
    const QByteArray container = m_file->isOpen() ? containerType(*m_file) : QByteArray();
    if (container.isEmpty() || !m_tap->element()) {
        qCDebug(lcSources) << "film" << path << "is no film the viewer can read";
        close();
        return false;
    }
    m_graph = std::make_unique<MediaGraph>("film");
    if (!m_graph->isValid()) {
        m_graph.reset();
        return false;
    }
    m_hasAudio = false;
    m_videoLinked = false;
    m_streamsKnown = false;

    GstElement *source = m_graph->add("filesrc", "Source Filter");
    // An AVI file is a byte stream for the splitter; a WMV file's streams come from its own
    // reader (the ASF demuxer, whose errors reach the graph at once: inside decodebin an error
    // of a cut-off file can be swallowed, leaving the opening to wait for its bound); other
    // containers are read and decoded into their streams by decodebin.
    const bool avi = container == "video/x-msvideo";
    const bool asf = container == "video/x-ms-asf";
    const char *reader = asf ? "asfdemux" : "decodebin";
    GstElement *streams =
        avi ? m_graph->add("avidemux", "Splitter") : m_graph->add(reader, "Source Reader");
    GstElement *tap = m_tap->element();
    gst_object_set_name(GST_OBJECT(tap), "Video Grabber");
    GstElement *renderer = m_graph->add("fakesink", "Video Renderer");
    if (!source || !streams || !renderer || !m_graph->add(tap)) {
        close();
        return false;
    }
    g_object_set(source, "location", QFile::encodeName(m_file->procPath()).constData(), nullptr);
    g_object_set(renderer, "sync", TRUE, nullptr);
    if (!avi && !asf) {
        g_signal_connect(streams, "autoplug-continue", G_CALLBACK(continueDecoding), nullptr);
    }
    MediaGraph::onPadAdded(streams, [this](GstPad *pad) { onStreamPad(pad); });
    g_signal_connect_swapped(streams, "no-more-pads",
                             G_CALLBACK(+[](FilmSource *self) { self->m_streamsKnown = true; }),
                             this);
    if (!MediaGraph::linkDirect(source, streams) || !MediaGraph::linkDirect(tap, renderer)) {
        close();
        return false;
    }

    const bool prerolled =
        m_graph->pause(OpenWaitMs, [this] { return m_streamsKnown && !m_videoLinked; });
    if (!prerolled || !m_videoLinked) {
        qCDebug(lcSources) << "film" << path << "has no video the viewer can play"
                           << (m_oversized ? "(its pictures are too large)" : "");
        close();
        return false;
    }
    MediaGraph *graph = m_graph.get();
    m_graph->setErrorHandler([this, graph] {
        // Quietly end a film whose graph failed (unless another film has come meanwhile).
        QMetaObject::invokeMethod(
            this,
            [this, graph] {
                if (m_graph.get() == graph) {
                    close();
                    emit tick();
                }
            },
            Qt::QueuedConnection);
    });
    if (m_hasAudio) {
        MediaGraph::setVolume(m_graph->element("Audio Volume"), 0);
    }
    m_duration = std::max<qint64>(m_graph->duration(), 0);
    m_lastTime = 0;
    m_graph->run();
    m_open = true;
    m_playing = true;
    m_tickTimer.start();
    return true;
}

void FilmSource::onStreamPad(GstPad *pad)
{
    // Runs on a streaming thread while the graph prerolls. Each stream gets a queue of its
    // own, so that a demuxer feeding both from one thread cannot stall on a prerolled sink.
    // A stream that ends says that the file holds no more: a cut-off file whose video never
    // appears must not keep the opening waiting.
    MediaGraph::addProbe(
        pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, [this](GstPad *, GstPadProbeInfo *info) {
            if (GST_EVENT_TYPE(gst_pad_probe_info_get_event(info)) == GST_EVENT_EOS) {
                m_streamsKnown = true;
            }
            return GST_PAD_PROBE_OK;
        });
    const QByteArray media = MediaGraph::padMedia(pad);
    const bool video = media.startsWith("video/") || media.startsWith("image/");
    const bool audio = media.startsWith("audio/");
    if ((video && m_videoLinked) || (audio && m_hasAudio) || (!video && !audio)) {
        return;
    }
    if (video && !padWithinBounds(pad)) {
        m_oversized = true; // refused before any decoder or buffer of that size exists
        return;
    }
    GstElement *target = m_tap->element();
    if (audio) {
        GstElement *volume = m_graph->add("volume", "Audio Volume");
        GstElement *output = m_graph->add(m_audioSinkFactory.constData(), "Audio Renderer");
        if (!volume || !output || !MediaGraph::linkDirect(volume, output)) {
            return;
        }
        // Sound plays in time (a stand-in sink such as fakesink would otherwise race ahead
        // and carry the graph's position with it).
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(output), "sync")) {
            g_object_set(output, "sync", TRUE, nullptr);
        }
        gst_element_sync_state_with_parent(output);
        gst_element_sync_state_with_parent(volume);
        target = volume;
    }
    GstElement *queue = m_graph->add("queue", video ? "Video Queue" : "Audio Queue");
    if (!queue) {
        return;
    }
    GstPad *queueSink = gst_element_get_static_pad(queue, "sink");
    const bool linked =
        GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, queueSink)) && m_graph->link(queue, target);
    gst_object_unref(queueSink);
    gst_element_sync_state_with_parent(queue);
    if (linked && video) {
        m_videoLinked = true;
    }
    if (linked && audio) {
        m_hasAudio = true;
    }
}

void FilmSource::close()
{
    if (m_graph) {
        m_graph->stop();
        m_graph->remove(m_tap->element());
        m_graph.reset();
    }
    m_file.reset();
    m_oversized = false;
    m_open = false;
    m_playing = false;
    m_hasAudio = false;
    m_duration = 0;
    m_tickTimer.stop();
}

void FilmSource::play()
{
    if (!m_open) {
        return;
    }
    m_speedIndex = NormalSpeedIndex;
    m_playing = true;
    m_graph->run();
    m_tickTimer.start();
    restartStepClock();
    m_callback->stopRefresh();
}

void FilmSource::pause()
{
    if (!m_open) {
        return;
    }
    m_graph->pause();
    m_tickTimer.stop();
    m_callback->startRefresh();
}

void FilmSource::stop()
{
    if (!m_open) {
        return;
    }
    m_graph->pause();
    m_graph->seek(0);
    emit tick();
    m_tickTimer.stop();
    m_callback->startRefresh();
}

void FilmSource::backward()
{
    if (m_open) {
        changeSpeed(std::max(m_speedIndex - 1, 0));
    }
}

void FilmSource::forward()
{
    if (m_open) {
        changeSpeed(std::min(m_speedIndex + 1, SpeedCount - 1));
    }
}

void FilmSource::changeSpeed(int index)
{
    m_speedIndex = index;
    if (speed() == 1) {
        if (m_playing) {
            m_graph->run();
        }
        return;
    }
    // Other speeds step through the paused film on the tick timer.
    m_graph->pause();
    restartStepClock();
}

void FilmSource::activate()
{
    m_callback->startRefresh();
}

void FilmSource::deactivate()
{
    if (m_open) {
        m_graph->pause();
        m_tickTimer.stop();
    }
    m_callback->stopRefresh();
}

qint64 FilmSource::currentTime() const
{
    const qint64 time = m_graph ? m_graph->position() : -1;
    if (time >= 0) {
        m_lastTime = time; // keep the last known position while a query has no answer
    }
    return m_lastTime;
}

int FilmSource::position() const
{
    if (!m_open || m_duration <= 0) {
        return 0;
    }
    return int(std::clamp<qint64>(currentTime() * 100 / m_duration, 0, 100));
}

void FilmSource::setPosition(int position)
{
    if (!m_open) {
        return;
    }
    m_graph->seek(qint64(double(m_duration) * position / 100.0));
}

void FilmSource::setVolume(int volume)
{
    if (!m_open || !m_hasAudio) {
        return;
    }
    MediaGraph::setVolume(m_graph->element("Audio Volume"), (volume - 100) * 100);
}

void FilmSource::tickEvent()
{
    if (!m_open) {
        return;
    }
    qint64 time = currentTime();
    const int s = speed();
    const qint64 elapsed = m_now() - m_stepStart;
    if (m_playing && s != 1 && elapsed > StepMs) {
        time += elapsed * s * UnitsPerMs;
        restartStepClock();
        m_graph->seek(time);
        m_lastTime = time;
    }
    const bool beforeStart = time < 0;
    const bool pastEnd = m_graph->atEos() || (m_duration > 0 && time >= m_duration);
    if (!beforeStart && !pastEnd) {
        emit tick();
        return;
    }
    rewindAndPause();
}

void FilmSource::rewindAndPause()
{
    // The film stands paused on its first frame.
    m_playing = false;
    m_graph->pause();
    m_graph->seek(0);
    m_lastTime = 0;
    m_callback->startRefresh();
    emit tick();
}
