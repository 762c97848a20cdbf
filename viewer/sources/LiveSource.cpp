#include "LiveSource.h"

#include "CameraElement.h"
#include "CameraFormat.h"
#include "CameraMonitor.h"
#include "DeviceControls.h"
#include "DirectShowTransformFilter.h"
#include "ICaptureCB.h"
#include "MediaDeviceEnumerator.h"
#include "MediaGraph.h"
#include "SourcesLog.h"

#include <QDebug>
#include <QFile>
#include <algorithm>

namespace {

// Bound of the wait for a new graph to start running (live sinks do not wait for a frame).
constexpr int RunWaitMs = 1000;

GstCaps *cameraCaps(const QSize &size, int framesPerSecond)
{
    return gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, size.width(), "height",
                               G_TYPE_INT, size.height(), "framerate", GST_TYPE_FRACTION,
                               framesPerSecond, 1, nullptr);
}

// A sink that neither waits for a first frame nor holds frames back to the clock.
void makeLiveSink(GstElement *sink)
{
    g_object_set(sink, "async", FALSE, "sync", FALSE, nullptr);
}

} // namespace

int LiveSource::levelOf(int brightness)
{
    const auto *found = std::find(BrightnessLevels.begin(), BrightnessLevels.end(), brightness);
    return found == BrightnessLevels.end() ? UnknownLevel : int(found - BrightnessLevels.begin());
}

LiveSource::LiveSource(ICaptureCB *callback, QObject *parent)
    : QObject(parent), m_callback(callback)
{
    m_delay = [this](int ms, std::function<void()> action) {
        QTimer::singleShot(ms, this, std::move(action));
    };
    checkExistance();
    connect(&m_presenceTimer, &QTimer::timeout, this, &LiveSource::checkExistance);
    m_presenceTimer.setInterval(PresenceIntervalMs);
    m_presenceTimer.start();
}

LiveSource::~LiveSource()
{
    m_presenceTimer.stop();
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

void LiveSource::setPreferredCamera(const QString &name)
{
    m_preferredCamera = name;
    // Another camera in use changes at once when the choice now names a different one.
    if (m_present && m_camera->isDevice())
        checkOtherCamera();
}

QString LiveSource::cameraName() const
{
    return m_present && m_camera ? m_camera->displayName() : QString();
}

void LiveSource::activate()
{
    if (m_callback)
        m_callback->stopRefresh();
}

void LiveSource::startRecord(const QString &path)
{
    if (!m_present)
        return;
    tearDown();
    m_recordingPath = path;
    buildGraph(true);
}

void LiveSource::stopRecord()
{
    tearDown();
    if (m_present)
        buildGraph(false);
}

void LiveSource::autoFocus()
{
    if (!m_present)
        return;
    setAutoFocus(true);
    m_delay(AutoFocusMs, [this] { autoFocusStop(); });
}

void LiveSource::autoFocusStop()
{
    if (m_present)
        setAutoFocus(false);
}

void LiveSource::setAutoFocus(bool on)
{
    if (m_camera->isDevice())
        DeviceControls(m_camera->element()).setAutoFocus(on);
    else
        m_camera->set(AutoFocus, on ? 1 : 0);
}

int LiveSource::brightnessLevel() const
{
    if (!m_present)
        return AbsentLevel;
    if (m_camera && m_camera->isDevice()) {
        const int step =
            DeviceControls(m_camera->element()).brightnessStep(int(BrightnessLevels.size()) - 1);
        return step < 0 ? UnknownLevel : step;
    }
    qint32 value = 0;
    if (!m_camera || !m_camera->get(Brightness, &value))
        return UnknownLevel;
    return levelOf(value);
}

void LiveSource::brightnessDown()
{
    if (!m_present)
        return;
    setBrightnessLevel(std::max(brightnessLevel() - 1, 0));
}

void LiveSource::brightnessUp()
{
    if (!m_present)
        return;
    setBrightnessLevel(std::min(brightnessLevel() + 1, int(BrightnessLevels.size()) - 1));
}

void LiveSource::setBrightnessLevel(int index)
{
    if (m_camera->isDevice())
        DeviceControls(m_camera->element())
            .setBrightnessStep(index, int(BrightnessLevels.size()) - 1);
    else
        m_camera->set(Brightness, BrightnessLevels[size_t(index)]);
}

void LiveSource::checkExistance()
{
    qint32 status = 0;
    if (m_present && !m_camera->isDevice()) {
        // While the camera starts streaming its start sequence holds the device: asking now
        // would hold up the GUI thread until it ends. A start that fails ends the graph.
        if (m_graph && !m_cameraStreaming.load() && !m_graph->atEos() && !m_graph->failed())
            return;
        // A camera that stops answering is absent; its graph stays until the next build.
        if (!m_camera->get(CameraStatus, &status) || !statusShowsCamera(quint32(status))) {
            m_present = false;
        } else if (m_graph && m_graph->atEos()) {
            // The camera went and came back between two checks: its stream has ended (a
            // recording is finished by that), so the preview starts afresh.
            tearDown();
            buildGraph(false);
        }
        return;
    }
    // The Document Camera, whenever it answers, takes over from another camera.
    auto camera = std::make_unique<CameraElement>();
    if (!camera->isValid() || !camera->hasControls() || !camera->get(CameraStatus, &status) ||
        !statusShowsCamera(quint32(status))) {
        checkOtherCamera();
        return;
    }
    m_present = true;
    tearDown();
    m_camera = std::move(camera);
    buildGraph(false);
}

// Presence of another camera: the device monitor still lists the camera in use as the one to
// choose and its graph has not failed. A camera that went (or whose graph failed: busy,
// unplugged) is torn down quietly and the canvas cleared; the camera to choose is then used,
// a failed one again at the next check.
void LiveSource::checkOtherCamera()
{
    if (!m_otherCameras)
        m_otherCameras = std::make_unique<CameraMonitor>();
    GstDevice *device = m_otherCameras->choose(m_preferredCamera);
    const QString name = CameraMonitor::displayName(device);
    bool retryLater = false;
    if (m_present) {
        const bool running =
            m_graph && !m_graph->failed() && m_graph->state() != MediaGraph::State::Stopped;
        if (device && name == m_camera->displayName() && running) {
            if (m_graph->atEos()) {
                tearDown();
                buildGraph(false);
            }
            gst_object_unref(device);
            return;
        }
        qCDebug(lcSources) << "camera" << m_camera->displayName()
                           << (device && name == m_camera->displayName() ? "failed" : "went");
        retryLater = device && name == m_camera->displayName();
        m_present = false;
        tearDown();
        m_camera.reset();
        if (m_callback)
            m_callback->setImage(QImage());
    }
    if (!device)
        return;
    auto camera = std::make_unique<CameraElement>(device);
    gst_object_unref(device);
    if (retryLater || !camera->isValid())
        return;
    m_present = true;
    tearDown(); // a Document Camera's graph left behind when it went
    m_camera = std::move(camera);
    buildGraph(false);
}

void LiveSource::buildGraph(bool recording)
{
    auto graph = std::make_unique<MediaGraph>(recording ? "live recording" : "live preview");
    auto tap = std::make_unique<DirectShowTransformFilter>(m_callback);
    GstElement *camera = m_camera->element();
    GstElement *tapElement = tap->element();
    if (!graph->isValid() || !tapElement)
        return;
    gst_object_set_name(GST_OBJECT(camera), "Video Capture Filter");
    gst_object_set_name(GST_OBJECT(tapElement), "Grabber");
    GstElement *format = graph->add("capsfilter", "Video Format");
    if (!graph->add(camera) || !format || !graph->add(tapElement))
        return;
    GstCaps *caps = nullptr;
    if (m_camera->isDevice()) {
        GstCaps *offered = m_camera->deviceCaps();
        caps = CameraFormat::choose(offered, m_frameSize, m_framesPerSecond);
        if (offered)
            gst_caps_unref(offered);
    } else {
        caps = cameraCaps(m_frameSize, m_framesPerSecond);
    }
    g_object_set(format, "caps", caps, nullptr);
    gst_caps_unref(caps);
    // The camera's MJPEG is decoded and converted to RGB in front of the tap.
    MediaGraph::linkDirect(camera, format);
    graph->link(format, tapElement);

    m_cameraStreaming.store(false);
    GstPad *cameraPad = gst_element_get_static_pad(camera, "src");
    if (cameraPad) {
        m_streamProbe = gst_pad_add_probe(
            cameraPad, GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad *, GstPadProbeInfo *, gpointer self) {
                static_cast<LiveSource *>(self)->m_cameraStreaming.store(true);
                return GST_PAD_PROBE_OK;
            },
            this, nullptr);
        gst_object_unref(cameraPad);
    }
    m_graph = std::move(graph);
    m_tap = std::move(tap);
    m_recording = recording;
    if (recording) {
        addRecordingBranch(tapElement);
    } else if (GstElement *renderer = m_graph->add("fakesink", "Renderer")) {
        makeLiveSink(renderer);
        MediaGraph::linkDirect(tapElement, renderer);
    }
    m_graph->run(RunWaitMs);
}

bool LiveSource::addRecordingBranch(GstElement *tap)
{
    // The compressor works on its own thread, so the canvas never waits for it.
    GstElement *queue = m_graph->add("queue", "Video Queue");
    GstElement *compressor = m_graph->add("jpegenc", "Video Compressor");
    GstElement *muxer = m_graph->add("avimux", "Avi Mux");
    GstElement *writer = m_graph->add("filesink", "File Writer");
    if (!queue || !compressor || !muxer || !writer)
        return false;
    g_object_set(writer, "location", QFile::encodeName(m_recordingPath).constData(), nullptr);
    makeLiveSink(writer);
    m_audioPresent = addMicrophone(muxer) != nullptr;
    return MediaGraph::linkDirect(tap, queue) && MediaGraph::linkDirect(queue, compressor) &&
           MediaGraph::linkDirect(compressor, muxer) && MediaGraph::linkDirect(muxer, writer);
}

GstElement *LiveSource::addMicrophone(GstElement *muxer)
{
    const MediaDeviceEnumerator devices("Audio/Source");
    int chosen = -1;
    for (int i = 0; i < devices.count() && chosen < 0; ++i) {
        const QString name = devices.name(i);
        qDebug().noquote().nospace() << "Audio input device " << i << ": " << name;
        if (name.contains(microphoneName(), Qt::CaseSensitive))
            chosen = i;
    }
    if (chosen < 0)
        return nullptr;
    GstElement *microphone = devices.createElement(chosen, "Audio Capture Filter");
    if (!microphone || !m_graph->add(microphone))
        return nullptr;
    qDebug().nospace() << "Done with index " << chosen;
    GstElement *queue = m_graph->add("queue", "Audio Queue");
    GstElement *compressor = m_graph->add("audioconvert", "Audio Compressor");
    if (queue && compressor && MediaGraph::linkDirect(microphone, queue) &&
        MediaGraph::linkDirect(queue, compressor) && MediaGraph::linkDirect(compressor, muxer))
        return microphone;
    // A microphone left unlinked would stop the whole graph: record without sound.
    for (GstElement *element : {microphone, queue, compressor}) {
        if (element)
            m_graph->remove(element);
    }
    return nullptr;
}

// The Document Camera's microphone by its name; another camera's by the camera's name.
QString LiveSource::microphoneName() const
{
    return m_camera->isDevice() ? m_camera->displayName() : QString::fromLatin1(MicrophoneName);
}

void LiveSource::tearDown()
{
    if (m_graph) {
        // Stopping a recording ends its streams first, so the file gets its index.
        m_graph->stop(StopWaitMs);
        GstPad *cameraPad = gst_element_get_static_pad(m_camera->element(), "src");
        if (cameraPad && m_streamProbe != 0)
            gst_pad_remove_probe(cameraPad, m_streamProbe);
        if (cameraPad)
            gst_object_unref(cameraPad);
        m_streamProbe = 0;
        m_graph->remove(m_camera->element());
        m_graph.reset();
    }
    m_tap.reset();
    m_recording = false;
    m_audioPresent = false;
}
