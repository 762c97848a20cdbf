#pragma once

#include "DocumentCamera.h"
#include "RecordingFormat.h"

#include <gst/gst.h>

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>

class CameraHotplug;
class CameraMonitor;
class DirectShowTransformFilter;
class LiveCamera;
class ICaptureCB;
class MediaBranch;
class MediaDeviceEnumerator;
class MediaGraph;
class PresentationPublisher;

// The camera behind the live canvas.
//
// Twice a second the source asks the camera whether it is there. While it is, one running
// graph pulls the camera's frames through a frame tap into the canvas and on into a tee
// ("Branches") that feeds a null sink. A recording is a branch of that graph, attached behind
// the tee while the preview runs on: it compresses the composed frames and writes them with
// the sound of the camera's microphone into a file in the format its name's suffix asks for
// (RecordingFormat: AVI with MJPEG unless ".mp4" or ".webm"), in a time-lapse one frame per
// interval and no sound (TimeLapse), and it is detached with
// end-of-stream into the branch only. A graph whose stream ended or that failed is rebuilt by
// the next presence check while the camera answers. A camera device that the device manager
// announces is checked for at once, without waiting for the next presence check; the search
// for the microphone runs on a worker thread while the preview starts. The source also
// carries the camera
// commands auto focus and brightness; every command does nothing while the camera is absent.
// All operations belong to the GUI thread; every wait they make is bounded. The graph's state
// changes (a camera starting, a graph ending and letting its camera go) run on the graph
// worker (GraphWorker), one after the other, so the GUI thread goes on meanwhile; a recording
// asked for while the graph is still starting waits for the start. What happens is logged in
// the category doccam.live.
//
// The Document Camera is used whenever it is present. Otherwise another camera of the device
// monitor is (the preferred one when present, else the first): it is present while the monitor
// lists it and its graph has not failed; when it goes the canvas is cleared. Its brightness
// and auto focus go through its standard controls (DeviceControls).
class LiveSource : public QObject {
    Q_OBJECT

public:
    static constexpr int PresenceIntervalMs = 500;
    static constexpr int AutoFocusMs = 3000;
    // Camera parameters.
    static constexpr int CameraStatus = DocumentCamera::CameraStatus;
    static constexpr int Brightness = DocumentCamera::Brightness;
    static constexpr int AutoFocus = DocumentCamera::AutoFocus;
    // Status bits that are both set while the camera is present.
    static constexpr quint32 PresentBits = DocumentCamera::PresentBits;
    // The eleven brightness values of the camera, darkest first.
    static constexpr std::array<int, 11> BrightnessLevels = DocumentCamera::BrightnessLevels;
    static constexpr int AbsentLevel = 5;
    static constexpr int UnknownLevel = 7;
    // The microphone is the first sound input whose name contains this (case-sensitive).
    static constexpr const char *MicrophoneName = DocumentCamera::MicrophoneName;
    // Bound of the wait for the end of a recording's streams when it is stopped.
    static constexpr int StopWaitMs = 3000;
    // Bound of the wait at a recording's start for the microphone search begun with the
    // preview.
    static constexpr int MicrophoneWaitMs = 2000;

    // Whether a camera status word says the camera is present.
    static bool statusShowsCamera(quint32 status)
    {
        return DocumentCamera::statusShowsCamera(status);
    }
    // Index of a camera brightness value on the scale, UnknownLevel for a value not on it.
    static int levelOf(int brightness);

    explicit LiveSource(ICaptureCB *callback, QObject *parent = nullptr);
    ~LiveSource() override;

    // Live mode entered: the graph delivers the frames, the canvas stops its own refresh.
    void activate();
    // Attaches a recording writing to path to the running graph (camera present only; a
    // recording already running is finished first). A recording that cannot start (a folder
    // that cannot be written) leaves the preview as it was and is reported to the recording
    // ended handler as failed.
    void startRecord(const QString &path);
    // Finishes the recording (its file complete even when the camera has gone); the preview
    // goes on. Without a camera the graph is torn down.
    void stopRecord();
    // Runs handler on the GUI thread when a recording ends without stopRecord(): it could not
    // start or failed (failed true), or its stream ended because the camera went (false).
    void setRecordingEndedHandler(std::function<void(bool failed)> handler);
    // Starts the camera's auto focus and stops it AutoFocusMs later.
    void autoFocus();
    // The camera brightness as an index 0..10; AbsentLevel without a camera, UnknownLevel when
    // the camera does not answer or reports a value off the scale.
    int brightnessLevel() const;
    void brightnessUp();
    void brightnessDown();

    bool isPresent() const { return m_present; }
    // A recording is attached to the graph.
    bool isRecording() const { return m_recording != nullptr; }
    // Frames that entered the current (or the last) recording.
    int recordedFrames() const { return m_recordedFrames.load(); }
    // Running time of the graph at the click that started the current (or the last) recording
    // and the time stamp of its first frame, in nanoseconds (-1 while unknown).
    qint64 recordingClickNs() const { return m_clickNs; }
    qint64 firstRecordedFrameNs() const { return m_firstFrameNs.load(); }
    // The current recording graph has a microphone.
    bool hasAudio() const { return m_audioPresent; }
    QString recordingPath() const { return m_recordingPath; }
    // The format of the current (or the last) recording: the one its file name's suffix asks
    // for (".mp4", ".webm"), AVI for any other.
    RecordingFormat recordingFormat() const { return m_recordingFormat; }
    // Seconds between the frames of the recordings started from now on; 0 (the default)
    // records every frame. A time-lapse recording has no sound and plays at 25 frames a
    // second; recordedFrames() counts the frames it has taken.
    void setTimeLapseInterval(int seconds) { m_timeLapseSeconds = std::max(seconds, 0); }
    int timeLapseInterval() const { return m_timeLapseSeconds; }
    // The current (or the last) recording is a time-lapse.
    bool isTimeLapse() const { return m_recordingTimeLapse; }
    // The current graph, nullptr when there is none (for inspection).
    const MediaGraph *graph() const { return m_graph.get(); }

    // Frame size and rate asked of the camera for the next graph (1024 x 768 at 25).
    void setFrameFormat(const QSize &size, int framesPerSecond);
    // Runs an action once after a delay: a single-shot timer unless replaced (tests).
    using Delay = std::function<void(int ms, std::function<void()> action)>;
    void setDelay(Delay delay);
    // Period of the presence check: PresenceIntervalMs unless changed (tests).
    void setPresenceInterval(int ms);
    // Display name of the camera to use when the Document Camera is absent; empty: the first.
    void setPreferredCamera(const QString &name);
    // Whether the composed picture of the running graph is offered to other programs as the
    // PipeWire camera "Document Camera — Presentation" (on by default). Takes effect at once.
    void setPresentationEnabled(bool enabled);
    bool presentationEnabled() const { return m_presentationEnabled; }
    // The presentation branch of the current graph, nullptr when there is none (inspection).
    const PresentationPublisher *presentation() const { return m_presentation.get(); }
    // Display name of the other camera in use; empty while the Document Camera (or none) is.
    QString cameraName() const;

public slots:
    // Presence check (at construction and every PresenceIntervalMs): a camera that stops
    // answering is absent; one that answers again, or whose stream ended while it stayed
    // present, gets a new preview graph.
    void checkExistance();
    void autoFocusStop();

signals:
    void imageCaptured(QImage image);

private:
    void buildGraph();
    // The start of the graph with this serial has ended (on the worker); running tells how.
    void graphStarted(quint64 serial, bool running);
    // The presence check; with mayWait, looking for the camera while the graph worker is busy
    // waits for it to finish instead.
    void checkPresence(bool mayWait);
    // Looks for the camera again once the graph worker has done what it was asked.
    void lookAfterGraphChanges();
    // Waits (bounded) for a graph that is starting, so that it can take a recording; false
    // when it is still starting.
    bool settle();
    // The recording's bin (the branch), nullptr when an element is missing.
    GstElement *makeRecording();
    GstElement *addMicrophone(GstElement *bin, GstElement *muxer);
    // Starts looking for the sound inputs on a worker thread (unless a search runs).
    void searchMicrophones();
    // Detaches the recording; with notify, the recording ended handler hears of it.
    void endRecording(bool notify, bool failed);
    void reportRecordingEnded(bool failed);
    // Tells the tap whether a recording or the presentation shows the composed frames.
    void updateWriteBack();
    // The running graph is done: its stream ended or it failed.
    bool graphEnded() const;
    void tearDown();
    void publishPresentation();
    void checkOtherCamera();
    // Makes camera the camera in use and builds its graph.
    void useCamera(std::shared_ptr<LiveCamera> camera);
    // A new graph for the camera in use, with an element of its own.
    void rebuild();

    ICaptureCB *const m_callback;
    QTimer m_presenceTimer;
    bool m_present = false;
    bool m_audioPresent = false;
    QString m_recordingPath;
    RecordingFormat m_recordingFormat;
    int m_timeLapseSeconds = 0;
    bool m_recordingTimeLapse = false;
    QSize m_frameSize{1024, 768};
    int m_framesPerSecond = 25;
    std::unique_ptr<CameraHotplug> m_hotplug;
    std::shared_ptr<LiveCamera> m_camera; // shared with a graph that is still being stopped
    std::unique_ptr<CameraMonitor> m_otherCameras;
    QString m_preferredCamera;
    std::unique_ptr<MediaGraph> m_graph;
    std::unique_ptr<DirectShowTransformFilter> m_tap;
    GstElement *m_tee = nullptr;              // the graph's tee of branches (borrowed)
    std::unique_ptr<MediaBranch> m_recording; // destroyed before the graph
    bool m_recordingWanted = false;           // from the click until the branch is gone
    std::function<void(bool failed)> m_recordingEnded;
    std::atomic<int> m_recordedFrames{0}; // counted on the streaming thread
    std::atomic<qint64> m_firstFrameNs{-1};
    qint64 m_clickNs = -1;
    std::shared_future<std::shared_ptr<const MediaDeviceEnumerator>> m_microphones;
    Delay m_delay;
    // The camera of the current graph has delivered a frame (set on its streaming thread).
    std::shared_ptr<std::atomic<bool>> m_cameraStreaming;
    // The current graph is starting on the worker; the serial tells graphs apart.
    bool m_starting = false;
    quint64 m_serial = 0;
    // How the worker's jobs reach this source: cleared when the source goes.
    struct Link {
        std::mutex mutex;
        LiveSource *source;
    };
    std::shared_ptr<Link> m_link;
    // Runs call on the GUI thread later while the source is there (from any thread).
    static void callBack(Link &link, std::function<void(LiveSource &)> call);
    bool m_lookPending = false;
    gulong m_streamProbe = 0;
    bool m_presentationEnabled = true;
    std::unique_ptr<PresentationPublisher> m_presentation; // destroyed before the graph
};
