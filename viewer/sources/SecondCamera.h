#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class CameraElement;
class CameraMonitor;
class MediaGraph;
struct _GstSample;
typedef struct _GstSample GstSample;

// A second camera beside the live one (a webcam filming the presenter, say), for the picture in
// picture: any camera the device monitor lists, in a small graph of its own whose sink hands each
// frame, as upright RGB, to a handler on the graph's streaming thread.
//
// The camera is watched: when the monitor no longer lists it or its graph fails, unplugged() is
// emitted and the graph goes; when it is listed again the graph is built again and replugged()
// follows. The live camera's graph is never touched. The graph's blocking state changes run on
// the graph worker, so the GUI thread never waits for a camera. GUI thread only (but the frame
// handler).
class SecondCamera : public QObject {
    Q_OBJECT

public:
    using FrameHandler = std::function<void(const QImage &)>;
    static constexpr int kCheckIntervalMs = 1000;
    // Frames are scaled down to at most this width in the graph, which is all a corner needs.
    static constexpr int kMaxWidth = 640;

    explicit SecondCamera(FrameHandler handler, QObject *parent = nullptr);
    ~SecondCamera() override;

    // Starts the camera of that name (empty: the first camera listed); false when none is
    // listed. The camera is watched from now on, until stop().
    bool start(const QString &name);
    void stop();
    bool isStarted() const { return m_wanted; }
    bool isPlugged() const { return m_graph != nullptr; }
    QString cameraName() const { return m_name; }
    // Looks at once whether the camera went or came back (the timer does it every second).
    void check();

    // The camera for the picture in picture among those listed: the first that is not the
    // live camera's choice; with the live camera on Automatic (liveChoice not listed) the first
    // listed is the live one, so the next is taken. Empty when there is none.
    static QString choose(const QStringList &listed, const QString &liveChoice);
    // The picture of a sample of RGB raw video; null when it has none.
    static QImage imageOf(GstSample *sample);

signals:
    void unplugged();
    void replugged();

private:
    bool build();
    void tearDown();

    FrameHandler m_handler;
    std::unique_ptr<CameraMonitor> m_monitor;
    std::shared_ptr<MediaGraph> m_graph;
    std::shared_ptr<CameraElement> m_element;
    QString m_name;
    bool m_wanted = false;
    QTimer m_checkTimer;
};
