#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

class IBrightnessSource;
class ImageCanvas;
class QPainter;

// The on-screen display of one canvas: short-lived indicators after a command (zoom,
// rotation, brightness, effect, mask, auto focus, snapshot), the freeze mark while the
// canvas is frozen, the recording clock while a recording runs, and the blinking outline
// of the clip selection.
//
// Everything is painted onto the widget by paint(), which the canvas calls from its paint
// event between the picture and the border; nothing goes into the composed picture. A
// timed indicator is drawn while less than one second has passed since it was triggered,
// so it disappears with the first paint at or after 1000 ms.
//
// A notice is a line of text shown for a few seconds at the top of the canvas when a capture
// command did not do what was asked (a snapshot not written, a recording that ended by itself).
//
// Threads: paint() runs on the GUI thread with the canvas lock held; showNotice() and
// noticeText() on any thread (the notice has a lock of its own); everything else, the
// snapshot mark included, on the GUI thread.
class OSDProcessor : public QObject {
    Q_OBJECT

public:
    // Milliseconds of a monotonic clock; tests replace it to step time without waiting.
    using Clock = std::function<qint64()>;

    static constexpr qint64 kIndicatorMs = 1000;
    static constexpr qint64 kNoticeMs = 4000;
    static constexpr qint64 kClipBlinkMs = 899;
    static constexpr qint64 kClipBlinkPhaseMs = 100;
    // The level shown when nothing reports one: the middle of the scale.
    static constexpr int kCentreBrightness = 5;
    static constexpr int kMaxBrightness = 10;

    OSDProcessor(QObject *parent, ImageCanvas *canvas);
    ~OSDProcessor() override;

    ImageCanvas *canvas() const { return m_canvas; }

    // Where the brightness level comes from (not owned; must outlive this object or be
    // reset). Without one, the parent is asked if it reports a level, then the parent's
    // children; with none of them the marker sits at the centre.
    void setBrightnessSource(const IBrightnessSource *source);
    void setClock(Clock clock);

    void showZoomIn();
    void showZoomOut();
    void showRotate();
    void showBrightness();
    void showAutoFocus();
    void showFreeze();
    void showEffectIndicator();
    void showMaskIndicator();
    // A line of text over the clock (a time-lapse's frames and film length), asked for at
    // every paint while the clock runs; none without a caption.
    using Caption = std::function<QString()>;
    void startRecordingClock(Caption caption = {});
    void stopRecordingClock();
    void showSnapshot();
    void showNotice(const QString &text);

    void paint(QPainter &painter);

    // What the indicators say: "Best fit" below zoom 1, else 2^(trunc(zoom) - 1) "x".
    static QString zoomLabel(double zoom);
    // hh:mm:ss, each part at least two digits; the hours grow past 99.
    static QString clockLabel(qint64 elapsedMs);

    QString zoomText() const { return m_zoomText; }
    QString rotateText() const { return m_rotateText; }
    QString effectText() const { return m_effectText; }
    // Whether the snapshot mark is shown now.
    bool isSnapshotMarkShowing() const { return isShowing(m_snapshotStart); }
    // The notice as it is shown now; empty once its time is up.
    QString noticeText() const;
    bool isRecordingClockRunning() const { return m_clockStart.has_value(); }
    // The recording clock as it reads now; empty while no recording runs.
    QString recordingClockText() const;
    // The caption over the clock as it reads now; empty without one.
    QString recordingCaptionText() const;
    // The brightness level the marker is drawn at, 0 to 10.
    int brightnessLevel() const;
    // The last clip selection in widget coordinates.
    QRectF clipOutline() const { return m_clipOutline; }

private:
    // Start time of an indicator in clock milliseconds; empty while not triggered.
    using Start = std::optional<qint64>;

    static QImage icon(const QString &name);
    qint64 now() const;
    bool isShowing(Start start) const;
    const IBrightnessSource *findBrightnessSource() const;
    QRectF clipInWidget(const QRect &clip) const;

    void drawNotice(QPainter &painter, int x, int y, const QImage &icon, const QString &text) const;
    void drawBrightness(QPainter &painter, int w, int h) const;
    void drawRecordingClock(QPainter &painter, int w, int h) const;
    void drawClipOutline(QPainter &painter);
    void drawTextNotice(QPainter &painter, int w) const;

    ImageCanvas *m_canvas;
    const IBrightnessSource *m_brightnessSource = nullptr;
    QElapsedTimer m_monotonic;
    Clock m_clock;

    QImage m_maskIcon;
    QImage m_effectIcon;
    QImage m_zoomIcon;
    QImage m_rotateIcon;
    QImage m_autoFocusIcon;
    QImage m_freezeIcon;
    QImage m_clockIcon;
    QImage m_snapshotIcon;
    QImage m_brightnessBackground;
    QImage m_brightnessMarker;
    QImage m_brightnessCentreMarker;

    QString m_effectText;
    QString m_zoomText;
    QString m_rotateText;

    Start m_maskStart;
    Start m_effectStart;
    Start m_brightnessStart;
    Start m_zoomStart;
    Start m_rotateStart;
    Start m_autoFocusStart;
    Start m_snapshotStart;
    Start m_clipStart;
    Start m_clockStart;
    Caption m_clockCaption;

    QRectF m_clipOutline;

    mutable QMutex m_noticeLock;
    QString m_noticeText;
    Start m_noticeStart;
};
