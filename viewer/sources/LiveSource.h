#pragma once

#include <gst/gst.h>

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <array>
#include <atomic>
#include <functional>
#include <memory>

class CameraElement;
class DirectShowTransformFilter;
class ICaptureCB;
class MediaGraph;
class PresentationPublisher;

// The camera behind the live canvas.
//
// Twice a second the source asks the camera whether it is there. While it is, a running graph
// pulls the camera's frames through a frame tap into the canvas: a preview graph that ends in
// a null sink, or a recording graph that compresses the composed frames to MJPEG and writes
// them with the sound of the camera's microphone into an AVI file. The source also carries the
// camera commands auto focus and brightness; every command does nothing while the camera is
// absent. All operations belong to the GUI thread; every wait they make is bounded.
class LiveSource : public QObject {
    Q_OBJECT

public:
    static constexpr int PresenceIntervalMs = 500;
    static constexpr int AutoFocusMs = 3000;
    // Camera parameters.
    static constexpr int CameraStatus = 0x200E;
    static constexpr int Brightness = 0x2008;
    static constexpr int AutoFocus = 0x2146;
    // Status bits that are both set while the camera is present.
    static constexpr quint32 PresentBits = 0x0C000000;
    // The eleven brightness values of the camera, darkest first.
    static constexpr std::array<int, 11> BrightnessLevels{0, 1, 3, 4, 6, 7, 8, 10, 11, 12, 14};
    static constexpr int AbsentLevel = 5;
    static constexpr int UnknownLevel = 7;
    // The microphone is the first sound input whose name contains this (case-sensitive).
    static constexpr const char *MicrophoneName = "Document Camera";
    // Bound of the wait for the end of a recording's streams when it is stopped.
    static constexpr int StopWaitMs = 3000;

    // Whether a camera status word says the camera is present.
    static bool statusShowsCamera(quint32 status) { return (status & PresentBits) == PresentBits; }
    // Index of a camera brightness value on the scale, UnknownLevel for a value not on it.
    static int levelOf(int brightness);

    explicit LiveSource(ICaptureCB *callback, QObject *parent = nullptr);
    ~LiveSource() override;

    // Live mode entered: the graph delivers the frames, the canvas stops its own refresh.
    void activate();
    // Replaces the running graph by a recording graph writing to path (camera present only).
    void startRecord(const QString &path);
    // Ends the current graph (a recording is finished even when the camera has gone), then
    // previews again if the camera is present.
    void stopRecord();
    // Starts the camera's auto focus and stops it AutoFocusMs later.
    void autoFocus();
    // The camera brightness as an index 0..10; AbsentLevel without a camera, UnknownLevel when
    // the camera does not answer or reports a value off the scale.
    int brightnessLevel() const;
    void brightnessUp();
    void brightnessDown();

    bool isPresent() const { return m_present; }
    // The current graph is a recording graph.
    bool isRecording() const { return m_graph && m_recording; }
    // The current recording graph has a microphone.
    bool hasAudio() const { return m_audioPresent; }
    QString recordingPath() const { return m_recordingPath; }
    // The current graph, nullptr when there is none (for inspection).
    const MediaGraph *graph() const { return m_graph.get(); }

    // Frame size and rate asked of the camera for the next graph (1024 x 768 at 25).
    void setFrameFormat(const QSize &size, int framesPerSecond);
    // Whether the composed picture of the running graph is offered to other programs as the
    // PipeWire camera "Document Camera — Presentation" (on by default). Takes effect at once.
    void setPresentationEnabled(bool enabled);
    bool presentationEnabled() const { return m_presentationEnabled; }
    // The presentation branch of the current graph, nullptr when there is none (inspection).
    const PresentationPublisher *presentation() const { return m_presentation.get(); }

    // Runs an action once after a delay: a single-shot timer unless replaced (tests).
    using Delay = std::function<void(int ms, std::function<void()> action)>;
    void setDelay(Delay delay);

public slots:
    // Presence check (at construction and every PresenceIntervalMs): a camera that stops
    // answering is absent; one that answers again, or whose stream ended while it stayed
    // present, gets a new preview graph.
    void checkExistance();
    void autoFocusStop();

signals:
    void imageCaptured(QImage image);

private:
    void buildGraph(bool recording);
    bool addRecordingBranch(GstElement *picture);
    GstElement *addMicrophone(GstElement *muxer);
    void tearDown();
    void publishPresentation();

    ICaptureCB *const m_callback;
    QTimer m_presenceTimer;
    bool m_present = false;
    bool m_audioPresent = false;
    bool m_recording = false;
    QString m_recordingPath;
    QSize m_frameSize{1024, 768};
    int m_framesPerSecond = 25;
    std::unique_ptr<CameraElement> m_camera;
    std::unique_ptr<MediaGraph> m_graph;
    std::unique_ptr<DirectShowTransformFilter> m_tap;
    Delay m_delay;
    // The camera of the current graph has delivered a frame (set on its streaming thread).
    std::atomic<bool> m_cameraStreaming{false};
    gulong m_streamProbe = 0;
    // The picture after the tap goes through this tee to the graph's own sink or recording and
    // to the presentation branch.
    GstElement *m_pictureTee = nullptr; // owned by the graph
    bool m_presentationEnabled = true;
    std::unique_ptr<PresentationPublisher> m_presentation;
};
