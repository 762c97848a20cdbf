#pragma once

#include "AnnotationHistory.h"
#include "AnnotationLayer.h"
#include "CanvasView.h"
#include "ICaptureCB.h"
#include "IOutputCompositor.h"
#include "SnapshotSeries.h"
#include "SnapshotWriter.h"
#include "TextEntry.h"
#include "ViewTransform.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QMutex>
#include <QPoint>
#include <QPolygonF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <vector>

class OSDProcessor;
class QPainter;
class QTextEdit;

// The widget that shows the picture of one mode and composes every frame it is given.
//
// Each frame is rotated, covered with the annotation layer, colour-filtered, cut to the
// zoomed and panned view, masked, scaled back to the frame size, kept for painting and
// printing, and written back into the caller's buffer in the caller's layout. Frames arrive on
// a streaming thread or on the GUI thread; one non-recursive lock (the canvas lock) serialises
// the pipeline, painting, pointer handling and the view commands. A snapshot due is decided
// under the lock and written by a writer thread outside it; its mark or failure notice is
// shown on the GUI thread once the file is written (or not). A frame handed over on the GUI
// thread returns with its snapshot written.
//
// Threading of the accessors: zoom(), rotation(), isFrozen(), effect(), mask(), tool(),
// frameSize(), displaySize() and clipRect() do not take the canvas lock and may be called
// from OSDProcessor::paint(), which runs inside the canvas's paint event with the lock held.
// The line, fill and text style accessors belong to the GUI thread. Every other accessor
// takes the lock and must not be called from inside paint().
class ImageCanvas : public QWidget, public ICaptureCB {
    Q_OBJECT

public:
    // Tool codes of setTool().
    enum Tool {
        ToolHand = 0,
        ToolFreehand = AnnotationLayer::Freehand,   // 1
        ToolLine = AnnotationLayer::Line,           // 2
        ToolArrow = AnnotationLayer::Arrow,         // 3
        ToolRectangle = AnnotationLayer::Rectangle, // 4
        ToolCircle = AnnotationLayer::Circle,       // 5
        ToolTriangle = AnnotationLayer::Triangle,   // 6
        ToolEraser = 7,
        ToolClip = 8,
        ToolText = 9
    };

    static constexpr int kMaxZoom = CanvasView::kMaxZoom;
    static constexpr int kRefreshIntervalMs = 40;
    // Stop-after value of a series that never ends by itself.
    static constexpr quint64 kNeverStop = SnapshotSeries::kNeverStop;

    // Time sources of the snapshot step: a monotonic millisecond clock for the series and the
    // local wall time for file names. Tests replace them to run a series without waiting.
    struct Clock {
        std::function<qint64()> monotonicMs;
        std::function<QDateTime()> localNow;
    };

    explicit ImageCanvas(QWidget *parent = nullptr);
    ~ImageCanvas() override;

    // ICaptureCB
    void frameArrived(uchar *data, int width, int height, bool bottomUp) override;
    // A picture the view shows as it came (upright, whole, no drawing, effect or mask) is
    // kept and painted in the 32-bit format it arrives in, without conversion, and is not
    // written back: it is already what goes on downstream.
    void frameArrivedRgb32(uchar *data, int width, int height, int stride, bool writeBack) override;
    void setImage(const QImage &image) override;
    void startRefresh() override { m_refreshTimer.start(); }
    void stopRefresh() override { m_refreshTimer.stop(); }
    bool isRefreshing() const { return m_refreshTimer.isActive(); }

    // On-screen-display painter (not owned), set once right after construction.
    void setOSDProcessor(OSDProcessor *osd) { m_osd = osd; }
    OSDProcessor *osdProcessor() const { return m_osd; }

    // View commands (GUI thread); each ends with update().
    void zoomIn();
    void zoomOut();
    void zoomReset();
    void rotate();
    // Three quarter turns at once: the picture turns a quarter to the left.
    void rotateLeft();
    // Mirror the picture as it is shown, left-right or top-bottom; annotations stay on the
    // document as they do through a turn, and the view keeps showing the same part.
    void mirrorLeftRight();
    void mirrorTopBottom();
    // Zoom step 1..kMaxZoom (below 1: the best fit), keeping the view's centre.
    void setZoomStep(int step);
    // Moves the visible window (zoomed pixels of the rotated frame), clamped to the picture.
    void setPan(int x, int y);

    double zoom() const { return m_zoom.load(std::memory_order_relaxed); }
    int rotation() const { return m_rotation.load(std::memory_order_relaxed); }
    // The mirror, in the camera picture's own coordinates (applied before the turns).
    bool isMirroredHorizontally() const { return m_mirrorH.load(std::memory_order_relaxed); }
    bool isMirroredVertically() const { return m_mirrorV.load(std::memory_order_relaxed); }
    ViewTransform viewTransform() const;
    QPoint pan() const;
    // Zoom that shows the whole rotated frame inside the frame size (1 when upright).
    double bestFit() const;
    // Size of the raw frame the layer and the view are set up for; (-1, -1) before any frame.
    QSize frameSize() const { return {m_frameWidth.load(), m_frameHeight.load()}; }
    // Size of the picture painted on the widget (the composed frame).
    QSize displaySize() const
    {
        return {m_displayWidth.load(std::memory_order_relaxed),
                m_displayHeight.load(std::memory_order_relaxed)};
    }

    // A copy of the composed frame (printing).
    QImage currentImage() const;
    // The last frame as the source delivered it (the held one while frozen), upright RGB at
    // full resolution, before turns, zoom, effect and drawing; null before any frame.
    QImage cameraFrame() const;
    // Points in cameraFrame() pixel coordinates to widget coordinates of the current view.
    QPolygonF frameToWidget(const QPolygonF &framePoints) const;
    // An outline in cameraFrame() coordinates drawn over the picture (3 px, green) until an
    // empty polygon clears it; it follows the view and stays out of snapshots and recordings.
    // GUI thread.
    void setOverlayOutline(const QPolygonF &framePoints);
    QPolygonF overlayOutline() const { return m_overlayOutline; }
    // A copy of the annotation layer, in rotated-frame coordinates.
    QImage layerImage() const;

    // Colour effect (0..3) and mask (0..4); they take effect with the next frame.
    int effect() const { return m_effect.load(std::memory_order_relaxed); }
    void setEffect(int effect);
    int mask() const { return m_mask.load(std::memory_order_relaxed); }
    void setMask(int mask);
    // While frozen, incoming pictures are dropped and the held picture is composed again.
    bool isFrozen() const { return m_frozen.load(std::memory_order_relaxed); }
    void setFrozen(bool frozen);

    // Annotation tools.
    int tool() const { return m_tool.load(std::memory_order_relaxed); }
    // Selects a tool; any tool other than text first puts the text being edited into the layer.
    void setTool(int code);
    // Clears the whole drawing (one undo step).
    void eraseAll();
    // Annotation history (GUI thread): every finished stroke, shape, text, eraser stroke and
    // erase-all is one step. A new frame size clears it with the layer.
    void undo() { applyHistory(true); }
    void redo() { applyHistory(false); }
    bool canUndo()
    {
        syncHistory();
        return m_history.canUndo();
    }
    bool canRedo()
    {
        syncHistory();
        return m_history.canRedo();
    }
    const AnnotationHistory &history() const { return m_history; }
    // While blanked the widget shows black; frames are composed and written back as usual.
    bool isBlanked() const { return m_blanked.load(std::memory_order_relaxed); }
    void setBlanked(bool blanked);
    int lineWidth() const { return m_style.lineWidth; }
    void setLineWidth(int width) { m_style.lineWidth = width; }
    QColor lineColor() const { return m_style.lineColor; }
    void setLineColor(const QColor &color) { m_style.lineColor = color; }
    QColor fillColor() const { return m_style.fillColor; }
    void setFillColor(const QColor &color) { m_style.fillColor = color; }
    bool fillEnabled() const { return m_style.fillEnabled; }
    void setFillEnabled(bool enabled) { m_style.fillEnabled = enabled; }
    QColor textColor() const { return m_text.color(); }
    void setTextColor(const QColor &color) { m_text.setColor(color); }
    QString fontFamily() const { return m_text.family(); }
    void setFontFamily(const QString &family) { m_text.setFamily(family); }
    int fontSize() const { return m_text.pointSize(); }
    void setFontSize(int pointSize) { m_text.setPointSize(pointSize); }
    // Current clip selection in frame pixels (inclusive corners); empty while none is dragged.
    // GUI thread only.
    QRect clipRect() const { return m_clipRect; }
    // The editor the text tool shows (GUI thread).
    QTextEdit *textEditor() const { return m_text.editor(); }

    // Snapshots. The owner sets folder, mode, interval and stop-after, then arms.
    void setSnapshotFolder(const QString &folder)
    {
        m_series.change([&](SnapshotSeries::Settings &s) { s.folder = folder; });
    }
    QString snapshotFolder() const { return m_series.settings().folder; }
    void setSnapshotContinuous(bool continuous)
    {
        m_series.change([&](SnapshotSeries::Settings &s) { s.continuous = continuous; });
    }
    bool isSnapshotContinuous() const { return m_series.settings().continuous; }
    void setSnapshotInterval(quint64 seconds)
    {
        m_series.change([&](SnapshotSeries::Settings &s) { s.intervalSeconds = seconds; });
    }
    quint64 snapshotInterval() const { return m_series.settings().intervalSeconds; }
    // Clock second after which a series ends; kNeverStop (-1) means never.
    void setSnapshotStopAfter(quint64 seconds)
    {
        m_series.change([&](SnapshotSeries::Settings &s) { s.stopAfterSeconds = seconds; });
    }
    quint64 snapshotStopAfter() const { return m_series.settings().stopAfterSeconds; }
    // Arms the canvas if the snapshot folder exists; the series clock restarts at 0.
    void startSnapshot();
    void stopSnapshot() { m_series.disarm(); }
    bool isSnapshotArmed() const { return m_series.isArmed(); }
    void setClock(const Clock &clock);
    // Replaces the JPEG encoder of the snapshot writer (a slow disk, in tests and benchmarks).
    void setSnapshotEncoder(const SnapshotWriter::Encoder &encoder);

    // Steps laid over every composed picture, in order, before it is kept, saved and written
    // back (not owned; an empty list removes them). Takes the lock.
    void setOutputCompositors(const std::vector<IOutputCompositor *> &compositors);

    // Widget point to frame pixel (GUI thread, lock not held by the caller).
    QPoint widgetToFrame(const QPoint &widgetPoint) const;
    // Frame pixel to annotation layer pixel (inverse of the view steps).
    QPoint frameToLayer(const QPoint &framePoint) const;

signals:
    void clipDone();
    // A double click with the hand tool (the main window's full-screen toggle).
    void handDoubleClicked();

public slots:
    void autoRefresh();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    // All private helpers below expect the canvas lock to be held.
    // The composed picture of raw (24 or 32 bits a pixel); raw itself when the view shows it
    // as it is.
    QImage compose(const QImage &raw, QImage &spare);
    // Upright, unmirrored, the whole frame, no effect and no mask; drawing or not.
    bool showsWholeUprightFrame() const;
    // That, and nothing drawn: the composed picture is the frame itself.
    bool showsFrameAsItIs() const;
    // Takes the last composed picture out for reuse as `spare`; it gives up its buffer when
    // it is the raw frame itself, so that the next frame is copied into the same memory.
    QImage takeSpare();
    // Keeps `composed` (null: m_raw composed now) for painting and decides the snapshot; true
    // when one is queued.
    bool composeAndKeep(QImage &spare, const QImage &composed = {});
    // A 32-bit frame of the view's size into m_raw and, with the drawing laid over it, into
    // the picture returned (in the buffer of spare), in one pass: the whole upright view.
    QImage importUnderDrawing(const uchar *data, int stride, QImage &spare);
    // After a frame: waits for a snapshot taken on the GUI thread, then asks for a repaint.
    void finishFrame(bool queued);
    // Hands the picture to the writer if a snapshot is due; true when it was queued.
    bool snapshotStep(const QImage &picture);
    void showSnapshotOutcome(bool written);
    void resetLayer(const QSize &size);
    void publishView();
    CanvasView::Placement placement() const;
    QPoint widgetToFrameLocked(const QPoint &widgetPoint) const;
    void paintOutline(QPainter &painter) const;
    void drawShape(const QPoint &framePoint);
    void copyClip();
    void commitText();
    void requestRepaint();
    // Runs a view change under the lock, publishes it and repaints.
    void changeView(const std::function<void()> &change);
    // Records the change from `before` to the layer (taken under the lock) as one step.
    void recordStep(const QImage &before, const QImage &after, const QRect &area, quint64 epoch,
                    const ViewTransform &transform);
    void applyHistory(bool undo);
    void syncHistory();

    OSDProcessor *m_osd = nullptr;
    TextEntry m_text;
    QPoint m_textAnchor;
    QPolygonF m_overlayOutline;

    mutable QMutex m_lock;
    QImage m_raw;
    // The raw frame is still the skin's background the canvas starts with.
    bool m_backgroundOnly = false;
    QImage m_composed;
    QImage m_display;
    AnnotationLayer m_layer;
    CanvasView m_view;
    // Changes whenever the layer is replaced by an empty one of a new size (the history then
    // no longer fits it); the GUI thread compares it with the history's.
    std::atomic<quint64> m_layerEpoch{0};
    quint64 m_historyEpoch = 0;
    AnnotationHistory m_history;
    // What the press of the stroke being drawn saw, and the layer part the stroke touched.
    quint64 m_strokeEpoch = 0;
    ViewTransform m_strokeTransform;
    QRect m_strokeArea;

    // Published copies of the view, for the accessors that do not take the lock.
    std::atomic<int> m_frameWidth{-1};
    std::atomic<int> m_frameHeight{-1};
    std::atomic<int> m_displayWidth{0};
    std::atomic<int> m_displayHeight{0};
    std::atomic<int> m_rotation{0};
    std::atomic<bool> m_mirrorH{false};
    std::atomic<bool> m_mirrorV{false};
    std::atomic<double> m_zoom{1.0};
    std::atomic<bool> m_blanked{false};
    std::atomic<int> m_tool{ToolHand};
    std::atomic<int> m_mask{0};
    std::atomic<int> m_effect{0};
    std::atomic<bool> m_frozen{false};
    // Counts the changes to what a composed picture shows (view, layer, effect, mask, freeze),
    // under the lock; the composed frame was made at m_composedRevision.
    quint64 m_revision = 0;
    quint64 m_composedRevision = ~quint64(0);

    std::vector<IOutputCompositor *> m_compositors;

    Clock m_clock;
    SnapshotSeries m_series;
    SnapshotWriter::Encoder m_encoder;

    QPoint m_lastPoint;
    QRect m_clipRect;
    AnnotationLayer::Style m_style;

    QTimer m_refreshTimer;
    // Last: it is destroyed first, and its destructor waits for the pending writes while
    // everything they report to still exists.
    SnapshotWriter m_writer;
};
