#include "LiveSource.h"

#include "CameraElement.h"
#include "DirectShowTransformFilter.h"
#include "ICaptureCB.h"
#include "MediaDeviceEnumerator.h"
#include "MediaGraph.h"
#include "PresentationPublisher.h"

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
    m_camera->set(AutoFocus, 1);
    m_delay(AutoFocusMs, [this] { autoFocusStop(); });
}

void LiveSource::autoFocusStop()
{
    if (m_present)
        m_camera->set(AutoFocus, 0);
}

int LiveSource::brightnessLevel() const
{
    if (!m_present)
        return AbsentLevel;
    qint32 value = 0;
    if (!m_camera || !m_camera->get(Brightness, &value))
        return UnknownLevel;
    return levelOf(value);
}

void LiveSource::brightnessDown()
{
    if (!m_present)
        return;
    const int index = std::max(brightnessLevel() - 1, 0);
    m_camera->set(Brightness, BrightnessLevels[size_t(index)]);
}

void LiveSource::brightnessUp()
{
    if (!m_present)
        return;
    const int index = std::min(brightnessLevel() + 1, int(BrightnessLevels.size()) - 1);
    m_camera->set(Brightness, BrightnessLevels[size_t(index)]);
}

void LiveSource::checkExistance()
{
    qint32 status = 0;
    if (m_present) {
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
    auto camera = std::make_unique<CameraElement>();
    if (!camera->isValid() || !camera->hasControls() || !camera->get(CameraStatus, &status) ||
        !statusShowsCamera(quint32(status)))
        return;
    m_present = true;
    tearDown();
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
    GstCaps *caps = cameraCaps(m_frameSize, m_framesPerSecond);
    g_object_set(format, "caps", caps, nullptr);
    gst_caps_unref(caps);
    // The camera's MJPEG is decoded and converted to RGB in front of the tap.
    MediaGraph::linkDirect(camera, format);
    graph->link(format, tapElement);
    GstElement *pictureTee = graph->add("tee", "Picture Tee");
    if (!pictureTee || !MediaGraph::linkDirect(tapElement, pictureTee))
        return;
    g_object_set(pictureTee, "allow-not-linked", TRUE, nullptr);

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
    m_pictureTee = pictureTee;
    if (recording) {
        addRecordingBranch(pictureTee);
    } else if (GstElement *renderer = m_graph->add("fakesink", "Renderer")) {
        makeLiveSink(renderer);
        MediaGraph::linkDirect(pictureTee, renderer);
    }
    m_graph->run(RunWaitMs);
    // Published from the event loop, so a switch set right after construction comes first.
    QMetaObject::invokeMethod(this, &LiveSource::publishPresentation, Qt::QueuedConnection);
}

void LiveSource::setPresentationEnabled(bool enabled)
{
    m_presentationEnabled = enabled;
    publishPresentation();
}

void LiveSource::publishPresentation()
{
    const bool wanted = m_presentationEnabled && m_graph && m_pictureTee;
    if (!wanted) {
        m_presentation.reset();
        return;
    }
    if (m_presentation && m_presentation->isAttached())
        return;
    if (!m_presentation)
        m_presentation = std::make_unique<PresentationPublisher>();
    m_presentation->attach(m_graph->pipeline(), m_pictureTee);
}

bool LiveSource::addRecordingBranch(GstElement *picture)
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
    return MediaGraph::linkDirect(picture, queue) && MediaGraph::linkDirect(queue, compressor) &&
           MediaGraph::linkDirect(compressor, muxer) && MediaGraph::linkDirect(muxer, writer);
}

GstElement *LiveSource::addMicrophone(GstElement *muxer)
{
    const MediaDeviceEnumerator devices("Audio/Source");
    int chosen = -1;
    for (int i = 0; i < devices.count() && chosen < 0; ++i) {
        const QString name = devices.name(i);
        qDebug().noquote().nospace() << "Audio input device " << i << ": " << name;
        if (name.contains(QLatin1String(MicrophoneName), Qt::CaseSensitive))
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

void LiveSource::tearDown()
{
    // The presentation branch leaves the graph before the graph stops.
    m_presentation.reset();
    m_pictureTee = nullptr;
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
