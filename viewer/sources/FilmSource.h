#pragma once

#include <gst/gst.h>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

class DirectShowTransformFilter;
class ICaptureCB;
class MediaGraph;
class RegularFile;

// Plays a video file into the film canvas through the frame tap, with its sound through a
// volume control to the audio output. Fast and backward speeds step through the film by
// seeking a paused graph ten times a second. Positions are in 100 ns units.
class FilmSource : public QObject {
    Q_OBJECT

public:
    static constexpr int SpeedCount = 8;
    static constexpr int NormalSpeedIndex = 1;
    static constexpr int TickMs = 100;
    static constexpr const char *DefaultAudioSink = "autoaudiosink";

    // Playback speed at a speed index: -2, 1, 2, 4, 8, 16, 32, 100.
    static int speedAt(int index);

    explicit FilmSource(ICaptureCB *callback, QObject *parent = nullptr);
    ~FilmSource() override;

    // Loads and starts a film; false (closed, the canvas emptied and tick() emitted) when it
    // cannot be played: not a regular file, no container, no video, or pictures beyond
    // FrameBounds.
    bool open(const QString &path);
    void play();
    void pause();
    void stop();
    void backward();
    void forward();
    void activate();
    void deactivate();
    // Position in percent of the duration, 0 to 100 (0 while the duration is unknown).
    int position() const;

    bool isOpen() const { return m_open; }
    bool isPlaying() const { return m_playing; }
    bool hasAudio() const { return m_hasAudio.load(); }
    int speedIndex() const { return m_speedIndex; }
    int speed() const { return speedAt(m_speedIndex); }
    qint64 duration() const { return m_duration; }
    // The element that plays the sound (autoaudiosink unless changed, e.g. to fakesink).
    void setAudioSinkFactory(const QByteArray &factory) { m_audioSinkFactory = factory; }
    // Millisecond clock used for the fast-play steps (a monotonic clock unless replaced).
    void setClock(std::function<qint64()> nowMs);
    // The current graph (nullptr while closed); for inspection.
    const MediaGraph *graph() const { return m_graph.get(); }

public slots:
    void setPosition(int position);
    void setVolume(int volume);
    void tickEvent();

signals:
    void tick();

private:
    bool load(const QString &path);
    void close();
    void changeSpeed(int index);
    void onStreamPad(GstPad *pad);
    qint64 currentTime() const;
    void restartStepClock() { m_stepStart = m_now(); }
    void rewindAndPause();

    ICaptureCB *const m_callback;
    std::unique_ptr<DirectShowTransformFilter> m_tap;
    std::unique_ptr<MediaGraph> m_graph;
    std::unique_ptr<RegularFile> m_file; // the film the graph reads, open while it does
    bool m_open = false;
    bool m_playing = false;
    std::atomic<bool> m_hasAudio{false};
    std::atomic<bool> m_videoLinked{false};
    std::atomic<bool> m_streamsKnown{false};
    std::atomic<bool> m_oversized{false};
    int m_speedIndex = NormalSpeedIndex;
    qint64 m_duration = 0;
    mutable qint64 m_lastTime = 0;
    QTimer m_tickTimer;
    std::function<qint64()> m_now;
    qint64 m_stepStart = 0;
    QByteArray m_audioSinkFactory = DefaultAudioSink;
};
