#include "ImageCanvas.h"

#include "CanvasLog.h"
#include "ColorEffects.h"
#include "FrameOps.h"
#include "OSDProcessor.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

const char *const snapshotNameFormat = "yyyy-MM-dd_hh-mm-ss";
const char *const backgroundPicture = ":/icons/Background/MAIN_WINDOWS.png";
constexpr int kOutlineWidth = 3;

qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int floorToBlock(int v)
{
    return v - v % ColorEffects::kMosaicBlock;
}

} // namespace

ImageCanvas::ImageCanvas(QWidget *parent)
    : QWidget(parent), m_text(this),
      m_clock{steadyMilliseconds, [] { return QDateTime::currentDateTime(); }},
      m_encoder(SnapshotWriter::encodeJpeg)
{
    m_refreshTimer.setInterval(kRefreshIntervalMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &ImageCanvas::autoRefresh);

    setImage(QImage(QString::fromLatin1(backgroundPicture)));
    QMutexLocker locker(&m_lock);
    m_backgroundOnly = true;
}

ImageCanvas::~ImageCanvas()
{
    m_refreshTimer.stop();
    // Nothing queued is lost; the outcomes posted meanwhile die with the canvas.
    m_writer.waitForDone();
}

// ---------------------------------------------------------------------------------------------
// Frame intake

void ImageCanvas::frameArrived(uchar *data, int width, int height, bool bottomUp)
{
    if (width <= 0 || height <= 0 || data == nullptr) {
        width = height = 0;
    }
    bool queued = false;
    {
        QMutexLocker locker(&m_lock);
        QImage spare = takeSpare();
        // While frozen the incoming picture is dropped, so it need not be read at all.
        if (!isFrozen()) {
            FrameOps::importFrame(m_raw, data, width, height, bottomUp);
            m_backgroundOnly = false;
        }
        queued = composeAndKeep(spare);
        // A frozen picture of another size than the buffer cannot be written back; the
        // buffer then keeps the incoming picture.
        const QImage &picture = m_composed;
        if (!picture.isNull() && picture.width() == width && picture.height() == height) {
            FrameOps::exportFrame(picture, data, bottomUp);
        }
    }
    finishFrame(queued);
}

void ImageCanvas::frameArrivedRgb32(uchar *data, int width, int height, int stride, bool writeBack)
{
    if (data == nullptr || width <= 0 || height <= 0 || stride < width * 4) {
        frameArrived(nullptr, 0, 0, false);
        return;
    }
    bool queued = false;
    {
        QMutexLocker locker(&m_lock);
        QImage spare = takeSpare();
        const bool frozen = isFrozen();
        QImage drawnOver;
        if (!frozen) {
            if (m_view.frameSize() == QSize(width, height) && showsWholeUprightFrame() &&
                !showsFrameAsItIs()) {
                drawnOver = importUnderDrawing(data, stride, spare);
            } else {
                FrameOps::importFrame32(m_raw, data, width, height, stride);
            }
            m_backgroundOnly = false;
        }
        queued = composeAndKeep(spare, drawnOver);
        const QImage &picture = m_composed;
        const bool untouched = !frozen && picture.constBits() == m_raw.constBits();
        if (writeBack && !untouched && picture.width() == width && picture.height() == height) {
            FrameOps::exportFrame32(picture, data, stride);
        }
    }
    finishFrame(queued);
}

QImage ImageCanvas::takeSpare()
{
    // The last frame's pictures lend their buffers to this one unless someone (a printout, a
    // snapshot being written) still holds them.
    QImage spare = std::move(m_composed);
    m_display = QImage();
    if (!spare.isNull() && spare.constBits() == m_raw.constBits()) {
        spare = QImage();
    }
    return spare;
}

QImage ImageCanvas::importUnderDrawing(const uchar *data, int stride, QImage &spare)
{
    const QSize size = m_view.frameSize();
    if (!FrameOps::fit32(m_raw, size) || !FrameOps::fit32(spare, size)) {
        return {};
    }
    // In bands that stay in the processor's cache from the copy to the drawing.
    constexpr int kBandRows = 16;
    const auto bpl = size_t(m_raw.bytesPerLine());
    for (int top = 0; top < size.height(); top += kBandRows) {
        const int bottom = std::min(size.height(), top + kBandRows) - 1;
        FrameOps::importRows32(m_raw, data, stride, top, bottom);
        std::memcpy(spare.scanLine(top), m_raw.constScanLine(top), bpl * size_t(bottom - top + 1));
        m_layer.overlayArea(spare, QRect(0, top, size.width(), bottom - top + 1));
    }
    return std::exchange(spare, QImage());
}

bool ImageCanvas::composeAndKeep(QImage &spare, const QImage &composed)
{
    m_composedRevision = m_revision;
    QImage picture = composed.isNull() ? compose(m_raw, spare) : composed;
    if (!picture.isNull() && !m_compositors.empty()) {
        // The output steps lay their pictures into 24-bit pictures.
        if (picture.format() != QImage::Format_RGB888) {
            picture = picture.convertToFormat(QImage::Format_RGB888);
        }
        for (IOutputCompositor *compositor : m_compositors) {
            compositor->composeOutput(picture);
        }
    }
    const bool queued = !picture.isNull() && snapshotStep(picture);
    m_composed = picture;
    m_display = picture;
    m_displayWidth.store(picture.width(), std::memory_order_relaxed);
    m_displayHeight.store(picture.height(), std::memory_order_relaxed);
    return queued;
}

void ImageCanvas::finishFrame(bool queued)
{
    if (queued && QThread::currentThread() == thread()) {
        // A picture handed over on the GUI thread (a still one) returns with its snapshot
        // written and its outcome shown; only a streaming thread leaves the write behind.
        m_writer.waitForDone();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
    requestRepaint();
}

void ImageCanvas::setImage(const QImage &image)
{
    std::vector<uchar> buffer;
    QSize size;
    {
        QMutexLocker locker(&m_lock);
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        size = rgb.size();
        buffer = FrameOps::packedRows(rgb);
    }
    frameArrived(buffer.data(), size.width(), size.height(), false);
}

void ImageCanvas::autoRefresh()
{
    QImage raw;
    {
        QMutexLocker locker(&m_lock);
        // An unchanged still picture is only painted again; a snapshot due needs its frame,
        // and what the output steps lay over it may have moved on.
        if (m_revision == m_composedRevision && !m_series.isArmed() && m_compositors.empty()) {
            locker.unlock();
            update();
            return;
        }
        raw = m_raw;
    }
    setImage(raw);
}

QImage ImageCanvas::compose(const QImage &raw, QImage &spare)
{
    if (raw.size() != m_view.frameSize()) {
        resetLayer(raw.size());
        m_view.setFrameSize(raw.size());
        publishView();
    }
    if (raw.isNull()) {
        return {};
    }
    if (showsFrameAsItIs()) {
        return raw;
    }
    if (raw.format() == QImage::Format_RGB32 && showsWholeUprightFrame()) {
        // Only the drawing changes the picture: it is laid over a copy at the depth it came.
        QImage c = FrameOps::copyInto(raw, spare);
        m_layer.overlayOnto(c, c.rect());
        return c;
    }
    if (raw.format() != QImage::Format_RGB888) {
        return compose(raw.convertToFormat(QImage::Format_RGB888), spare);
    }

    // Only the part of the turned picture that the view shows is composed: the window of
    // the view, widened to whole blocks for the mosaic, whose blocks start at (0, 0).
    const QRect window = m_view.window();
    QRect region = window;
    if (effect() == ColorEffects::EffectMosaic) {
        const int block = ColorEffects::kMosaicBlock;
        region.setCoords(floorToBlock(window.left()), floorToBlock(window.top()),
                         std::min(m_view.rotatedWidth(), floorToBlock(window.right()) + block) - 1,
                         std::min(m_view.rotatedHeight(), floorToBlock(window.bottom()) + block) -
                             1);
    }

    QImage c = FrameOps::viewRegion(raw, m_view.transform(), region);
    m_layer.overlayOnto(c, region);
    if (effect() != ColorEffects::EffectColor) {
        ColorEffects::applyEffect(c, effect());
    }

    QImage view = window == region ? c : c.copy(window.translated(-region.topLeft()));
    if (mask() != ColorEffects::MaskNone) {
        ColorEffects::applyMask(view, mask());
    }
    return FrameOps::fitInto(view, m_view.frameSize(), spare);
}

bool ImageCanvas::showsWholeUprightFrame() const
{
    return m_view.transform().isIdentity() &&
           m_view.window() == QRect(QPoint(0, 0), m_view.frameSize()) &&
           effect() == ColorEffects::EffectColor && mask() == ColorEffects::MaskNone;
}

bool ImageCanvas::showsFrameAsItIs() const
{
    return showsWholeUprightFrame() &&
           !m_layer.used().intersects(QRect(QPoint(0, 0), m_view.frameSize()));
}

void ImageCanvas::resetLayer(const QSize &size)
{
    // The layer lies in the view's coordinates: turned, it is the turned frame's size.
    m_layer.reset(viewTransform().viewSize(size));
    m_layerEpoch.fetch_add(1);
}

void ImageCanvas::publishView()
{
    m_frameWidth.store(m_view.frameSize().width());
    m_frameHeight.store(m_view.frameSize().height());
    m_rotation.store(m_view.transform().turns);
    m_mirrorH.store(m_view.transform().mirrorH);
    m_mirrorV.store(m_view.transform().mirrorV);
    m_zoom.store(m_view.zoom());
}

void ImageCanvas::requestRepaint()
{
    // Queued to the GUI thread, whichever thread asks; the slot is named rather than wrapped
    // in a functor, so that nothing of ours is handed across the threads.
    QMetaObject::invokeMethod(this, "update", Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------------------------
// Snapshots

bool ImageCanvas::snapshotStep(const QImage &picture)
{
    const SnapshotSeries::Decision due = m_series.due(m_clock.monotonicMs());
    if (due.folderMissing) { // meanwhile the notice says that nothing is saved
        if (m_osd != nullptr) {
            m_osd->showNotice(tr("Snapshot not saved"));
        }
        return false;
    }
    if (!due.shoot) {
        return false;
    }
    SnapshotWriter::Job job{picture, due.folder,
                            m_clock.localNow().toString(QString::fromLatin1(snapshotNameFormat)),
                            due.replace};
    // The outcome is shown on the GUI thread; a canvas gone by then shows nothing.
    const bool queued = m_writer.submit(std::move(job), due.droppable, m_encoder, [this](bool ok) {
        QMetaObject::invokeMethod(
            this, [this, ok] { showSnapshotOutcome(ok); }, Qt::QueuedConnection);
    });
    // A dropped picture of a series is tried again with the next frame.
    if (queued && due.droppable) {
        m_series.taken(due);
    }
    return queued;
}

void ImageCanvas::showSnapshotOutcome(bool written)
{
    if (m_osd == nullptr) {
        return;
    }
    if (written) {
        m_osd->showSnapshot();
    } else {
        m_osd->showNotice(tr("Snapshot not saved"));
    }
    update();
}

void ImageCanvas::startSnapshot()
{
    QMutexLocker locker(&m_lock);
    m_series.arm(m_clock.monotonicMs());
}

void ImageCanvas::setOutputCompositors(const std::vector<IOutputCompositor *> &compositors)
{
    {
        QMutexLocker locker(&m_lock);
        m_compositors = compositors;
        ++m_revision;
    }
    update();
}

void ImageCanvas::setClock(const Clock &clock)
{
    QMutexLocker locker(&m_lock);
    m_clock = clock;
}

void ImageCanvas::setSnapshotEncoder(const SnapshotWriter::Encoder &encoder)
{
    QMutexLocker locker(&m_lock);
    m_encoder = encoder;
}

// ---------------------------------------------------------------------------------------------
// View geometry

void ImageCanvas::changeView(const std::function<void()> &change)
{
    {
        QMutexLocker locker(&m_lock);
        change();
        publishView();
        ++m_revision;
    }
    update();
}

void ImageCanvas::setPan(int x, int y)
{
    changeView([&] { m_view.setPan(x, y); });
}

QPoint ImageCanvas::pan() const
{
    QMutexLocker locker(&m_lock);
    return m_view.pan();
}

double ImageCanvas::bestFit() const
{
    QMutexLocker locker(&m_lock);
    return m_view.bestFit();
}

void ImageCanvas::zoomIn()
{
    changeView([&] { m_view.zoomIn(); });
}

void ImageCanvas::zoomOut()
{
    changeView([&] { m_view.zoomOut(); });
}

void ImageCanvas::zoomReset()
{
    changeView([&] { m_view.zoomReset(); });
}

void ImageCanvas::setZoomStep(int step)
{
    changeView([&] { m_view.setZoomStep(step); });
}

void ImageCanvas::rotate()
{
    changeView([&] {
        m_view.turn();
        m_layer.turn();
    });
}

void ImageCanvas::rotateLeft()
{
    changeView([&] {
        for (int k = 0; k < 3; ++k) {
            m_view.turn();
            m_layer.turn();
        }
    });
}

void ImageCanvas::mirrorLeftRight()
{
    changeView([&] {
        m_view.mirror(true);
        m_layer.mirror(true);
    });
}

void ImageCanvas::mirrorTopBottom()
{
    changeView([&] {
        m_view.mirror(false);
        m_layer.mirror(false);
    });
}

ViewTransform ImageCanvas::viewTransform() const
{
    return {rotation(), isMirroredHorizontally(), isMirroredVertically()};
}

void ImageCanvas::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    QMutexLocker locker(&m_lock);
    ++m_revision;
    m_view.recentre();
    publishView();
}

QImage ImageCanvas::currentImage() const
{
    QMutexLocker locker(&m_lock);
    return m_composed;
}

QImage ImageCanvas::cameraFrame() const
{
    QMutexLocker locker(&m_lock);
    if (m_backgroundOnly) {
        return {};
    }
    return m_raw.format() == QImage::Format_RGB888 ? m_raw
                                                   : m_raw.convertToFormat(QImage::Format_RGB888);
}

QPolygonF ImageCanvas::frameToWidget(const QPolygonF &framePoints) const
{
    QMutexLocker locker(&m_lock);
    return m_view.cameraToWidget(framePoints, placement());
}

void ImageCanvas::setOverlayOutline(const QPolygonF &framePoints)
{
    m_overlayOutline = framePoints;
    update();
}

QImage ImageCanvas::layerImage() const
{
    QMutexLocker locker(&m_lock);
    return m_layer.image();
}

void ImageCanvas::setEffect(int effect)
{
    QMutexLocker locker(&m_lock);
    ++m_revision;
    m_effect.store(effect);
}

void ImageCanvas::setMask(int mask)
{
    QMutexLocker locker(&m_lock);
    ++m_revision;
    m_mask.store(mask);
}

void ImageCanvas::setFrozen(bool frozen)
{
    QMutexLocker locker(&m_lock);
    ++m_revision;
    m_frozen.store(frozen);
}

// ---------------------------------------------------------------------------------------------
// Painting and the widget-to-frame mapping

CanvasView::Placement ImageCanvas::placement() const
{
    return CanvasView::place(m_display.size(), size());
}

void ImageCanvas::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    if (isBlanked()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    QMutexLocker locker(&m_lock);
    painter.fillRect(QRect(QPoint(2, 2), QPoint(width() - 3, height() - 3)), Qt::black);
    const CanvasView::Placement p = placement();
    if (p.scale > 0) {
        painter.drawImage(QRect(p.x, p.y, p.width, p.height), m_display);
        paintOutline(painter);
        if (m_osd != nullptr) {
            m_osd->paint(painter);
        }
    }
    painter.setPen(QPen(QColor(0x48, 0x48, 0x48), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(1, 1), QPoint(width() - 2, height() - 2)));
}

void ImageCanvas::paintOutline(QPainter &painter) const
{
    if (m_overlayOutline.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::green, kOutlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(m_view.cameraToWidget(m_overlayOutline, placement()));
    painter.restore();
}

QPoint ImageCanvas::widgetToFrameLocked(const QPoint &widgetPoint) const
{
    return CanvasView::widgetToFrame(widgetPoint, placement());
}

QPoint ImageCanvas::widgetToFrame(const QPoint &widgetPoint) const
{
    QMutexLocker locker(&m_lock);
    return widgetToFrameLocked(widgetPoint);
}

QPoint ImageCanvas::frameToLayer(const QPoint &framePoint) const
{
    QMutexLocker locker(&m_lock);
    return m_view.frameToLayer(framePoint);
}

// ---------------------------------------------------------------------------------------------
// Annotation tools

void ImageCanvas::setTool(int code)
{
    m_tool.store(code);
    if (code != ToolText) {
        commitText();
    }
}

void ImageCanvas::eraseAll()
{
    // The cleared layer is made outside the lock; the old one becomes the undo step.
    QImage cleared = AnnotationLayer::blank(viewTransform().viewSize(frameSize()));
    QImage before;
    QImage after;
    QRect area;
    quint64 epoch = 0;
    {
        QMutexLocker locker(&m_lock);
        ++m_revision;
        before = m_layer.image();
        area = m_layer.used();
        m_layer.clear(cleared);
        after = m_layer.image();
        epoch = m_layerEpoch.load();
    }
    cleared = QImage();
    recordStep(before, after, area, epoch, viewTransform());
    update();
}

void ImageCanvas::syncHistory()
{
    const quint64 epoch = m_layerEpoch.load();
    if (epoch == m_historyEpoch) {
        return;
    }
    m_history.clear();
    m_historyEpoch = epoch;
}

void ImageCanvas::recordStep(const QImage &before, const QImage &after, const QRect &area,
                             quint64 epoch, const ViewTransform &transform)
{
    syncHistory();
    if (epoch != m_historyEpoch || area.isEmpty()) {
        return;
    }
    m_history.record(before, after, area, transform);
}

void ImageCanvas::applyHistory(bool undo)
{
    syncHistory();
    // The tiles are laid out for the view outside the lock; only the exchange runs under it.
    const ViewTransform transform = viewTransform();
    const QSize picture = frameSize();
    AnnotationHistory::Patches patches =
        undo ? m_history.takeUndo(transform, picture) : m_history.takeRedo(transform, picture);
    if (patches.empty()) {
        return;
    }
    bool stale = false;
    {
        QMutexLocker locker(&m_lock);
        if (m_layerEpoch.load() != m_historyEpoch) {
            stale = true;
        } else {
            ++m_revision;
            AnnotationHistory::exchange(m_layer.pixels(), patches);
            for (const AnnotationHistory::Patch &patch : patches) {
                m_layer.noteDrawn(patch.area);
            }
        }
    }
    if (stale) {
        syncHistory();
        return;
    }
    if (undo) {
        m_history.putRedo(patches, transform, picture);
    } else {
        m_history.putUndo(patches, transform, picture);
    }
    update();
}

void ImageCanvas::setBlanked(bool blanked)
{
    m_blanked.store(blanked);
    update();
}

void ImageCanvas::mousePressEvent(QMouseEvent *event)
{
    QMutexLocker locker(&m_lock);
    m_lastPoint = widgetToFrameLocked(event->position().toPoint());
    m_layer.keepBackup();
    m_strokeEpoch = m_layerEpoch.load();
    m_strokeTransform = viewTransform();
    m_strokeArea = QRect();
}

void ImageCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (tool() == ToolHand) {
        emit handDoubleClicked();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void ImageCanvas::mouseMoveEvent(QMouseEvent *event)
{
    {
        QMutexLocker locker(&m_lock);
        ++m_revision;
        const QPoint p = widgetToFrameLocked(event->position().toPoint());
        switch (tool()) {
        case ToolHand: {
            const QPoint pan = m_view.pan();
            m_view.setPan(pan.x() + m_lastPoint.x() - p.x(), pan.y() + m_lastPoint.y() - p.y());
            publishView();
            m_lastPoint = p;
            break;
        }
        case ToolClip:
            m_clipRect = m_view.clipSelection(m_lastPoint, p);
            break;
        case ToolText:
            break;
        case ToolEraser:
            m_strokeArea =
                m_strokeArea.united(m_layer.erase(m_view.frameToLayer(p), m_style.lineWidth));
            break;
        default:
            drawShape(p);
            break;
        }
    }
    update();
}

void ImageCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (tool() == ToolClip) {
        copyClip();
    } else if (tool() == ToolText) {
        if (m_text.isOpen()) {
            commitText();
        } else {
            const QPoint at = event->position().toPoint();
            {
                QMutexLocker locker(&m_lock);
                m_textAnchor = m_view.frameToLayer(widgetToFrameLocked(at));
            }
            m_text.open(at, size(), font());
        }
    } else {
        // A finished stroke (drawing tools and the eraser) is one undo step.
        QImage before;
        QImage after;
        QRect area;
        quint64 epoch = 0;
        {
            QMutexLocker locker(&m_lock);
            before = m_layer.backup();
            after = m_layer.image();
            area = m_strokeArea;
            m_strokeArea = QRect();
            epoch = m_layerEpoch.load();
        }
        if (epoch == m_strokeEpoch && viewTransform() == m_strokeTransform) {
            recordStep(before, after, area, epoch, m_strokeTransform);
        }
    }
    update();
}

void ImageCanvas::drawShape(const QPoint &framePoint)
{
    const int code = tool();
    if (m_layer.isNull() || code < ToolFreehand || code > ToolTriangle) {
        return;
    }
    const QRect drawn =
        m_layer.draw(static_cast<AnnotationLayer::Shape>(code), m_view.frameToLayer(m_lastPoint),
                     m_view.frameToLayer(framePoint), m_style);
    m_strokeArea = m_strokeArea.united(drawn);
    // Freehand strokes build up segment by segment.
    if (code == ToolFreehand) {
        m_lastPoint = framePoint;
    }
}

void ImageCanvas::copyClip()
{
    QImage part;
    {
        QMutexLocker locker(&m_lock);
        if (!m_clipRect.isEmpty()) {
            part = m_display.copy(m_clipRect);
        }
        m_clipRect = QRect();
    }
    if (part.isNull()) {
        return;
    }
    QApplication::clipboard()->setImage(part, QClipboard::Clipboard);
    emit clipDone();
}

void ImageCanvas::commitText()
{
    const std::unique_ptr<QTextDocument> document = m_text.close();
    if (!document) {
        return;
    }
    QImage before;
    QImage after;
    QRect bounds;
    quint64 epoch = 0;
    {
        QMutexLocker locker(&m_lock);
        if (!m_layer.isNull()) {
            ++m_revision;
            before = m_layer.image();
            bounds = m_layer.drawText(*document, m_textAnchor);
            after = m_layer.image();
            epoch = m_layerEpoch.load();
        }
    }
    recordStep(before, after, bounds, epoch, viewTransform());
    update();
}
