#include "LiveSource.h"

#include "CameraHotplug.h"
#include "CameraMonitor.h"
#include "DirectShowTransformFilter.h"
#include "GraphWorker.h"
#include "GstHandle.h"
#include "ICaptureCB.h"
#include "MediaBranch.h"
#include "MediaDeviceEnumerator.h"
#include "MediaGraph.h"
#include "MonitorCamera.h"
#include "PresentationPublisher.h"
#include "SourcesLog.h"
#include "TimeLapse.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>

namespace {

// Bound of the wait for a new graph to start running (live sinks do not wait for a frame).
constexpr int RunWaitMs = 1000;

// Bound of a recording's wait for a graph that is still starting: the graph before it stops
// first on the worker.
constexpr int SettleWaitMs = LiveSource::StopWaitMs + RunWaitMs;

// Gives the buffer of a probe new time stamps. The tee shares the frame with the preview: the
// stamps go on a copy of its description, the data itself is not copied.
void restamp(GstPadProbeInfo *info, GstClockTime pts, GstClockTime duration)
{
    GstBuffer *buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    if (duration != GST_CLOCK_TIME_NONE) {
        GST_BUFFER_DURATION(buffer) = duration;
    }
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
}

// A sink that neither waits for a first frame nor holds frames back to the clock.
void makeLiveSink(GstElement *sink)
{
    g_object_set(sink, "async", FALSE, "sync", FALSE, nullptr);
}

} // namespace

int LiveSource::levelOf(int brightness)
{
    const int level = DocumentCamera::levelOf(brightness);
    return level < 0 ? UnknownLevel : level;
}

LiveSource::LiveSource(ICaptureCB *callback, QObject *parent)
    : QObject(parent), m_callback(callback), m_link(std::make_shared<Link>())
{
    m_link->source = this;
    m_delay = [this](int ms, std::function<void()> action) {
        QTimer::singleShot(ms, this, std::move(action));
    };
    m_hotplug = std::make_unique<CameraHotplug>();
    connect(m_hotplug.get(), &CameraHotplug::cameraAdded, this, [this] {
        // The Document Camera takes over from another camera too.
        if (!m_present || m_camera->standsIn()) {
            checkExistance();
        }
    });
    checkPresence(false);
    connect(&m_presenceTimer, &QTimer::timeout, this, &LiveSource::checkExistance);
    m_presenceTimer.setInterval(PresenceIntervalMs);
    m_presenceTimer.start();
}

LiveSource::~LiveSource()
{
    m_presenceTimer.stop();
    {
        std::lock_guard lock(m_link->mutex);
        m_link->source = nullptr;
    }
    // The graph is stopped on the worker; nothing of it reaches this source or the canvas.
    tearDown();
}

void LiveSource::setFrameFormat(const QSize &size, int framesPerSecond)
{
    m_frameSize = size;
    m_framesPerSecond = framesPerSecond;
}

void LiveSource::setDelay(Delay delay)
{
    m_delay = std::move(delay);
}

void LiveSource::setPresenceInterval(int ms)
{
    m_presenceTimer.setInterval(ms);
}

void LiveSource::setPreferredCamera(const QString &name)
{
    m_preferredCamera = name;
    // Another camera in use changes at once when the choice now names a different one.
    if (m_present && m_camera->standsIn()) {
        checkOtherCamera();
    }
}

QString LiveSource::cameraName() const
{
    return m_present && m_camera ? m_camera->displayName() : QString();
}

void LiveSource::activate()
{
    if (m_callback) {
        m_callback->stopRefresh();
    }
}

void LiveSource::setRecordingEndedHandler(std::function<void(bool failed)> handler)
{
    m_recordingEnded = std::move(handler);
}

void LiveSource::startRecord(const QString &path)
{
    if (!m_present) {
        qCDebug(lcLive) << "no camera: the recording does not start";
        reportRecordingEnded(true);
        return;
    }
    if (m_recording) {
        endRecording(false, false);
    }
    // A graph that has ended cannot feed a recording: a new one starts first.
    if (!m_graph || graphEnded()) {
        rebuild();
    }
    const bool settled = settle();
    m_recordingPath = path;
    m_recordedFrames.store(0);
    m_firstFrameNs.store(-1);
    m_clickNs = -1;
    if (GstClock *clock = m_graph ? gst_element_get_clock(m_graph->pipeline()) : nullptr) {
        m_clickNs =
            qint64(gst_clock_get_time(clock) - gst_element_get_base_time(m_graph->pipeline()));
        gst_object_unref(clock);
    }
    QElapsedTimer clock;
    clock.start();
    // The canvas writes its picture into the frames before the branch sees the first one.
    m_recordingWanted = true;
    updateWriteBack();
    GstElement *bin = m_tee && settled ? makeRecording() : nullptr;
    const qint64 madeMs = clock.elapsed();
    m_recording = bin ? m_graph->attach(m_tee, bin) : nullptr;
    qCDebug(lcLive) << "recording made in" << madeMs << "ms, attached in"
                    << clock.elapsed() - madeMs << "ms";
    if (!m_recording) {
        m_recordingWanted = false;
        updateWriteBack();
        qCDebug(lcLive).noquote() << "recording to" << path << "could not start";
        m_audioPresent = false;
        reportRecordingEnded(true);
        return;
    }
    qCDebug(lcLive).noquote() << "recording to" << path << (m_audioPresent ? "with" : "without")
                              << "sound";
    m_recording->setErrorHandler([this] {
        qCDebug(lcLive).noquote() << "recording failed:" << m_recording->errorText();
        endRecording(true, true);
    });
    m_recording->setEndHandler([this] {
        qCDebug(lcLive) << "recording ended with its stream";
        endRecording(true, false);
    });
}

void LiveSource::stopRecord()
{
    endRecording(false, false);
    // Without a camera the ended graph goes; the next presence check builds a new one.
    if (!m_present) {
        tearDown();
    }
}

void LiveSource::endRecording(bool notify, bool failed)
{
    if (!m_recording) {
        return;
    }
    // Taken out of the member first: detaching runs the bus no further, but a handler that
    // called this must find no recording any more.
    std::unique_ptr<MediaBranch> recording = std::move(m_recording);
    const bool complete = recording->detach(StopWaitMs);
    qCDebug(lcLive) << "recording of" << m_recordedFrames.load() << "frames"
                    << (complete ? "finished" : "cut off");
    recording.reset();
    m_recordingWanted = false;
    updateWriteBack();
    m_audioPresent = false;
    // A microphone plugged in meanwhile is found for the next recording.
    if (m_graph) {
        searchMicrophones();
    }
    if (notify) {
        reportRecordingEnded(failed);
    }
}

void LiveSource::reportRecordingEnded(bool failed)
{
    // Later, from the event loop: the caller (a button's handler) is not re-entered.
    QMetaObject::invokeMethod(
        this,
        [this, failed] {
            if (m_recordingEnded) {
                m_recordingEnded(failed);
            }
        },
        Qt::QueuedConnection);
}

bool LiveSource::graphEnded() const
{
    return m_graph && (m_graph->atEos() || m_graph->failed());
}

void LiveSource::autoFocus()
{
    if (!m_present) {
        return;
    }
    m_camera->setAutoFocus(true);
    m_delay(AutoFocusMs, [this] { autoFocusStop(); });
}

void LiveSource::autoFocusStop()
{
    if (m_present) {
        m_camera->setAutoFocus(false);
    }
}

int LiveSource::brightnessLevel() const
{
    if (!m_present) {
        return AbsentLevel;
    }
    const int level = m_camera ? m_camera->brightnessLevel() : -1;
    return level < 0 ? UnknownLevel : level;
}

void LiveSource::brightnessDown()
{
    if (!m_present) {
        return;
    }
    m_camera->setBrightnessLevel(std::max(brightnessLevel() - 1, 0));
}

void LiveSource::brightnessUp()
{
    if (!m_present) {
        return;
    }
    m_camera->setBrightnessLevel(std::min(brightnessLevel() + 1, LiveCamera::LevelCount - 1));
}

void LiveSource::checkExistance()
{
    checkPresence(true);
}

void LiveSource::checkPresence(bool mayWait)
{
    if (m_present && !m_camera->standsIn()) {
        // While the camera starts streaming its start sequence holds the device: asking now
        // would hold up the GUI thread until it ends. A start that fails ends the graph.
        if (m_graph && (m_starting || !m_cameraStreaming->load()) && !graphEnded()) {
            return;
        }
        // A camera that stops answering is absent; its graph stays until the next build.
        if (!m_camera->answers()) {
            qCDebug(lcLive) << "camera gone";
            m_present = false;
        } else if (graphEnded()) {
            // The camera went and came back between two checks (its stream has ended, and a
            // recording with it), or the graph failed: the preview starts afresh.
            qCDebug(lcLive) << "graph" << (m_graph->failed() ? "failed" : "ended")
                            << "while the camera answers: rebuilt";
            rebuild();
        }
        return;
    }
    // Asked while a graph lets its camera go, the camera answers only when that is done: it is
    // asked then instead, and the GUI thread goes on meanwhile (not at construction, which
    // finds the camera present when it is).
    if (mayWait && GraphWorker::instance().isBusy()) {
        lookAfterGraphChanges();
        return;
    }
    // The Document Camera, whenever it answers, takes over from another camera.
    qCDebug(lcLive) << "looking for the camera";
    QElapsedTimer clock;
    clock.start();
    auto camera = std::make_shared<DocumentCamera>();
    const qint64 madeMs = clock.elapsed();
    if (!camera->isValid() || !camera->answers()) {
        checkOtherCamera();
        return;
    }
    qCDebug(lcLive) << "camera present: element made in" << madeMs << "ms, answered in"
                    << clock.elapsed() - madeMs << "ms";
    useCamera(std::move(camera));
}

// Presence of another camera: the device monitor still lists the camera in use as the one to
// choose and its graph runs. A camera that went, or whose graph failed (busy, unplugged), is
// torn down quietly and the canvas cleared; the camera to choose is then used, a failed one
// again at the next check.
void LiveSource::checkOtherCamera()
{
    if (!m_otherCameras) {
        m_otherCameras = std::make_unique<CameraMonitor>();
    }
    GstHandle<GstDevice> device = m_otherCameras->choose(m_preferredCamera);
    const QString name = CameraMonitor::displayName(device.get());
    bool retryLater = false;
    if (m_present) {
        const bool same = device && name == m_camera->displayName();
        const bool running = m_graph && !m_graph->failed() &&
                             (m_starting || m_graph->state() != MediaGraph::State::Stopped);
        if (same && running) {
            if (m_graph->atEos()) {
                rebuild();
            }
            return;
        }
        qCDebug(lcLive) << "camera" << m_camera->displayName() << (same ? "failed" : "went");
        retryLater = same;
        m_present = false;
        tearDown();
        m_camera.reset();
        if (m_callback) {
            m_callback->setImage(QImage());
        }
    }
    if (!device) {
        return;
    }
    auto camera = std::make_shared<MonitorCamera>(device.get());
    if (retryLater || !camera->isValid()) {
        return;
    }
    qCDebug(lcLive) << "camera" << camera->displayName() << "present";
    useCamera(std::move(camera)); // a Document Camera's graph left behind when it went goes
}

void LiveSource::useCamera(std::shared_ptr<LiveCamera> camera)
{
    m_present = true;
    tearDown();
    m_camera = std::move(camera);
    buildGraph();
}

void LiveSource::rebuild()
{
    tearDown();
    // The ended graph lets its element go on the worker; the new graph has an element of its
    // own, so the two never share one.
    std::shared_ptr<LiveCamera> camera = m_camera->renewed();
    if (!camera) {
        qCDebug(lcLive) << "camera made no new element: looked for again at the next check";
        m_present = false;
        return;
    }
    m_camera = std::move(camera);
    buildGraph();
}

void LiveSource::buildGraph()
{
    auto graph = std::make_unique<MediaGraph>("live preview");
    auto tap = std::make_unique<DirectShowTransformFilter>(m_callback);
    GstElement *camera = m_camera->element();
    GstElement *tapElement = tap->element();
    if (!graph->isValid() || !tapElement) {
        return;
    }
    gst_object_set_name(GST_OBJECT(camera), "Video Capture Filter");
    gst_object_set_name(GST_OBJECT(tapElement), "Grabber");
    GstElement *format = graph->add("capsfilter", "Video Format");
    if (!graph->add(camera) || !format || !graph->add(tapElement)) {
        return;
    }
    CapsHandle caps(m_camera->formatCaps(m_frameSize, m_framesPerSecond));
    MediaGraph::setProperty(format, "caps", caps.get());
    // The camera's MJPEG is decoded and converted to RGB in front of the tap; behind it the
    // tee hands the composed frames to the renderer and to the branches.
    MediaGraph::linkDirect(camera, format);
    graph->link(format, tapElement);
    GstElement *tee = graph->addTee("Branches");
    GstElement *renderer = graph->add("fakesink", "Renderer");
    if (!tee || !renderer) {
        return;
    }
    makeLiveSink(renderer);
    MediaGraph::linkDirect(tapElement, tee);
    MediaGraph::linkDirect(tee, renderer);

    // Shared with the probe, which may still run while the graph stops after this source went.
    auto streaming = std::make_shared<std::atomic<bool>>(false);
    m_cameraStreaming = streaming;
    m_streamProbe = MediaGraph::addProbe(camera, "src", GST_PAD_PROBE_TYPE_BUFFER,
                                         [streaming](GstPad *, GstPadProbeInfo *) {
                                             streaming->store(true);
                                             return GST_PAD_PROBE_OK;
                                         });
    // A failed graph finishes its recording (the graph ends its branches first); the next
    // presence check rebuilds the graph.
    graph->setErrorHandler([this] {
        qCDebug(lcLive) << "graph failed";
        endRecording(true, true);
    });
    m_graph = std::move(graph);
    m_tap = std::move(tap);
    updateWriteBack();
    m_tee = tee;
    qCDebug(lcLive) << "preview graph built at" << m_frameSize << m_framesPerSecond << "fps";
    searchMicrophones();
    // Started on the worker, after the graph before has stopped there; the presentation is
    // published from the event loop once the graph runs.
    m_starting = true;
    const quint64 serial = ++m_serial;
    MediaGraph *starting = m_graph.get(); // destroyed by a later job of the worker only
    GraphWorker::instance().post([starting, serial, link = m_link] {
        const bool running = starting->run(RunWaitMs);
        callBack(*link,
                 [serial, running](LiveSource &source) { source.graphStarted(serial, running); });
    });
}

void LiveSource::callBack(Link &link, std::function<void(LiveSource &)> call)
{
    std::lock_guard lock(link.mutex);
    if (LiveSource *source = link.source) {
        QMetaObject::invokeMethod(
            source, [source, call = std::move(call)] { call(*source); }, Qt::QueuedConnection);
    }
}

void LiveSource::lookAfterGraphChanges()
{
    if (m_lookPending) {
        return;
    }
    m_lookPending = true;
    GraphWorker::instance().post([link = m_link] {
        callBack(*link, [](LiveSource &source) {
            source.m_lookPending = false;
            source.checkExistance();
        });
    });
}

void LiveSource::graphStarted(quint64 serial, bool running)
{
    if (serial != m_serial || !m_starting) {
        return; // a graph since torn down, or one that a recording has waited for
    }
    m_starting = false;
    qCDebug(lcLive) << "preview graph" << (running ? "runs" : "did not start");
    publishPresentation();
}

bool LiveSource::settle()
{
    if (!m_starting) {
        return true;
    }
    QElapsedTimer clock;
    clock.start();
    const bool idle = GraphWorker::instance().waitIdle(SettleWaitMs);
    qCDebug(lcLive) << "waited" << clock.elapsed() << "ms for the graph to start"
                    << (idle ? "" : "(still starting)");
    if (idle) {
        graphStarted(m_serial, m_graph && m_graph->state() == MediaGraph::State::Running);
    }
    return idle;
}

void LiveSource::searchMicrophones()
{
    // Asking the sound server takes a good part of a second on a busy machine: done on a
    // worker thread while the camera starts, it is ready when a recording starts.
    if (m_microphones.valid() &&
        m_microphones.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return; // one search at a time
    }
    m_microphones = std::async(std::launch::async, [] {
                        return std::shared_ptr<const MediaDeviceEnumerator>(
                            std::make_shared<MediaDeviceEnumerator>("Audio/Source"));
                    }).share();
}

void LiveSource::setPresentationEnabled(bool enabled)
{
    m_presentationEnabled = enabled;
    publishPresentation();
}

void LiveSource::updateWriteBack()
{
    if (m_tap) {
        m_tap->setWriteBack(m_recordingWanted || m_presentation != nullptr);
    }
}

void LiveSource::publishPresentation()
{
    if (!m_presentationEnabled || !m_graph || !m_tee) {
        m_presentation.reset();
        updateWriteBack();
        return;
    }
    if (m_starting) {
        return; // published when the graph runs
    }
    if (m_presentation && m_presentation->isAttached()) {
        return;
    }
    if (!m_presentation) {
        m_presentation = std::make_unique<PresentationPublisher>();
        updateWriteBack();
    }
    m_presentation->attach(m_graph->pipeline(), m_tee);
}

GstElement *LiveSource::makeRecording()
{
    m_recordingFormat = RecordingFormat::forPath(m_recordingPath);
    m_recordingTimeLapse = m_timeLapseSeconds > 0;
    GstElement *writer = gst_element_factory_make("filesink", "File Writer");
    if (writer) {
        MediaGraph::setProperty(writer, "location", QFile::encodeName(m_recordingPath).constData());
        makeLiveSink(writer);
    }
    GstElement *muxer = m_recordingFormat.makeMuxer();
    // The compressor works on the branch's own thread, so the canvas never waits for it.
    std::vector<GstElement *> chain = m_recordingFormat.makeVideoChain();
    if (chain.empty()) {
        qCDebug(lcLive).noquote() << m_recordingFormat.displayName() << "recording lacks"
                                  << m_recordingFormat.missingElements();
        chain.push_back(nullptr); // the bin is not made; the muxer and the writer go with it
    }
    chain.push_back(muxer);
    chain.push_back(writer);
    GstElement *bin = MediaGraph::chainBin("Recording", chain);
    if (!bin) {
        return nullptr;
    }
    // A time-lapse has no sound: its frames are seconds apart, its film plays at 25 a second.
    GstElement *microphone = m_recordingTimeLapse ? nullptr : addMicrophone(bin, muxer);
    m_audioPresent = microphone != nullptr;
    auto gate = m_recordingTimeLapse
                    ? std::make_shared<TimeLapse>(qint64(m_timeLapseSeconds) * 1'000'000'000)
                    : nullptr;
    // MP4 and WebM keep the frames' times: their film starts at the first frame (not at the
    // preview's start), the sound moved with it. (AVI counts frames and has no such times.)
    auto origin = !gate && m_recordingFormat.container() != RecordingFormat::Container::Avi
                      ? std::make_shared<std::atomic<qint64>>(-1)
                      : nullptr;
    MediaGraph::addProbe(
        bin, "sink", GST_PAD_PROBE_TYPE_BUFFER,
        [this, gate, origin](GstPad *, GstPadProbeInfo *info) {
            const qint64 pts = qint64(GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info)));
            if (m_recordedFrames.load() == 0) {
                m_firstFrameNs.store(pts);
            }
            if (gate) {
                qint64 filmPts = 0;
                if (!gate->admit(pts, filmPts)) {
                    return GST_PAD_PROBE_DROP;
                }
                restamp(info, GstClockTime(filmPts), GstClockTime(TimeLapse::kFilmFrameNs));
            } else if (origin && pts >= 0) {
                qint64 expected = -1;
                origin->compare_exchange_strong(expected, pts);
                restamp(info, GstClockTime(std::max<qint64>(pts - origin->load(), 0)),
                        GST_CLOCK_TIME_NONE);
            }
            m_recordedFrames.fetch_add(1);
            return GST_PAD_PROBE_OK;
        });
    if (origin && microphone) {
        // Sound from before the first frame is left out.
        MediaGraph::addProbe(microphone, "src", GST_PAD_PROBE_TYPE_BUFFER,
                             [origin](GstPad *, GstPadProbeInfo *info) {
                                 const qint64 pts =
                                     qint64(GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info)));
                                 const qint64 start = origin->load();
                                 if (start < 0 || pts < start) {
                                     return GST_PAD_PROBE_DROP;
                                 }
                                 restamp(info, GstClockTime(pts - start), GST_CLOCK_TIME_NONE);
                                 return GST_PAD_PROBE_OK;
                             });
    }
    return bin;
}

GstElement *LiveSource::addMicrophone(GstElement *bin, GstElement *muxer)
{
    // The search started with the preview; it normally ended long ago.
    std::shared_ptr<const MediaDeviceEnumerator> found;
    if (m_microphones.valid() && m_microphones.wait_for(std::chrono::milliseconds(
                                     MicrophoneWaitMs)) == std::future_status::ready) {
        found = m_microphones.get();
    }
    const auto pick = [this](const MediaDeviceEnumerator &devices) {
        for (int i = 0; i < devices.count(); ++i) {
            const QString name = devices.name(i);
            qDebug().noquote().nospace() << "Audio input device " << i << ": " << name;
            if (name.contains(m_camera->microphoneName(), Qt::CaseSensitive)) {
                return i;
            }
        }
        return -1;
    };
    int chosen = found ? pick(*found) : -1;
    if (chosen < 0) {
        // Not found early (a microphone plugged in after the preview started, or the search
        // not done in time): ask the sound server again, so the recording does not lose sound.
        qCDebug(lcLive) << "microphone not in the early search: searching again";
        found = std::make_shared<const MediaDeviceEnumerator>("Audio/Source");
        chosen = pick(*found);
    }
    if (chosen < 0) {
        qCDebug(lcLive) << "no microphone named like" << m_camera->microphoneName()
                        << ": recording without sound";
        return nullptr;
    }
    const MediaDeviceEnumerator &devices = *found;
    GstHandle<GstElement> microphone =
        adoptFloating(devices.createElement(chosen, "Audio Capture Filter"));
    std::vector<GstHandle<GstElement>> chain;
    chain.push_back(std::move(microphone));
    chain.push_back(adoptFloating(gst_element_factory_make("queue", "Audio Queue")));
    for (GstElement *element : m_recordingFormat.makeAudioChain()) {
        chain.push_back(adoptFloating(element));
    }
    if (chain.size() < 3 ||
        std::any_of(chain.begin(), chain.end(), [](const auto &element) { return !element; })) {
        qCDebug(lcLive) << "sound chain could not be made: recording without sound";
        return nullptr;
    }
    bool linked = true;
    for (size_t i = 0; i < chain.size(); ++i) {
        gst_bin_add(GST_BIN(bin), chain[i].get());
        linked = linked && (i == 0 || gst_element_link(chain[i - 1].get(), chain[i].get()));
    }
    if (linked && gst_element_link(chain.back().get(), muxer)) {
        qDebug().nospace() << "Done with index " << chosen;
        return chain.front().get(); // the bin holds it
    }
    // A microphone left unlinked would stop the whole recording: record without sound.
    qCDebug(lcLive) << "microphone could not be linked: recording without sound";
    for (const auto &element : chain) {
        gst_bin_remove(GST_BIN(bin), element.get());
    }
    return nullptr;
}

void LiveSource::tearDown()
{
    // The presentation branch leaves the graph before the graph stops.
    m_presentation.reset();
    // A recording still attached ends with its file complete.
    endRecording(true, graphEnded() && m_graph->failed());
    if (m_graph) {
        MediaGraph::removeProbe(m_camera->element(), "src", m_streamProbe);
        m_streamProbe = 0;
        // From here on the graph belongs to the worker, which stops it after anything asked of
        // it before (its start) and lets the camera go; no frame of it reaches the canvas.
        m_graph->leaveEventLoop();
        m_tap->disconnect();
        // Moved into the job: the worker drops the last references, the graph goes there.
        GraphWorker::instance().post(
            [graph = std::shared_ptr<MediaGraph>(std::move(m_graph)),
             tap = std::shared_ptr<DirectShowTransformFilter>(std::move(m_tap)),
             camera = m_camera] {
                QElapsedTimer clock;
                clock.start();
                graph->stop(StopWaitMs);
                graph->remove(camera->element());
                qCDebug(lcLive) << "graph torn down in" << clock.elapsed() << "ms";
            });
    }
    m_starting = false;
    m_tee = nullptr;
    m_tap.reset();
    m_audioPresent = false;
}
