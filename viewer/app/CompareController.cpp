#include "CompareController.h"

#include "AppLog.h"
#include "CameraMonitor.h"
#include "CanvasView.h"
#include "Config.h"
#include "ImageCanvas.h"
#include "PhotographSource.h"
#include "SecondCamera.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWheelEvent>

CompareController::CompareController(ImageCanvas &canvas, PhotographProvider photograph,
                                     NoticeSink notice, QObject *parent)
    : QObject(parent), m_canvas(canvas), m_photograph(std::move(photograph)),
      m_notice(std::move(notice)), m_camera(std::make_unique<SecondCamera>(
                                       [this](const QImage &frame) { m_pip.setFrame(frame); }))
{
    connect(m_camera.get(), &SecondCamera::unplugged, this, [this] {
        m_pip.setUnplugged(true);
        m_notice(tr("Second camera unplugged"));
        updateCanvas();
    });
    connect(m_camera.get(), &SecondCamera::replugged, this, [this] { updateCanvas(); });
    m_canvas.installEventFilter(this);
}

CompareController::~CompareController()
{
    m_canvas.removeEventFilter(this);
    m_canvas.setOutputCompositors({});
    // The camera's frame handler writes into m_pip: the camera goes first.
    m_camera.reset();
}

void CompareController::updateCanvas()
{
    std::vector<IOutputCompositor *> compositors;
    if (m_split.isActive()) {
        compositors.push_back(&m_split);
    }
    if (m_pip.isVisible()) {
        compositors.push_back(&m_pip);
    }
    m_canvas.setOutputCompositors(compositors);
}

void CompareController::compareWithLive()
{
    const QImage frame = m_canvas.cameraFrame();
    if (frame.isNull()) {
        m_notice(tr("No picture to compare"));
        return;
    }
    if (!m_split.addPane(StillPane(frame))) {
        m_notice(tr("All panes are taken"));
        return;
    }
    updateCanvas();
}

void CompareController::compareWithPhotograph()
{
    const QString path = m_photograph ? m_photograph() : QString();
    if (path.isEmpty()) {
        m_notice(tr("No photograph to compare"));
        return;
    }
    compareWithFile(path);
}

void CompareController::compareWithFile(const QString &path)
{
    const QImage picture = PhotographSource::load(path);
    if (picture.isNull()) {
        qCDebug(lcApp) << "photograph for the split view not read:" << path;
    }
    if (!m_split.addPane(StillPane(picture))) {
        m_notice(tr("All panes are taken"));
        return;
    }
    updateCanvas();
}

void CompareController::swapPanes()
{
    m_split.swap();
    updateCanvas();
}

void CompareController::leaveCompare()
{
    m_split.clear();
    m_gestureCell = -1;
    updateCanvas();
}

void CompareController::togglePictureInPicture()
{
    if (m_pip.isVisible()) {
        hidePictureInPicture();
        return;
    }
    const QString name = SecondCamera::choose(CameraMonitor().names(), Config::camera());
    if (name.isEmpty() || !showPictureInPicture(name)) {
        m_notice(tr("No second camera"));
    }
}

bool CompareController::showPictureInPicture(const QString &cameraName)
{
    if (!m_camera->start(cameraName)) {
        return false;
    }
    m_pip.setCameraName(m_camera->cameraName());
    m_pip.setUnplugged(true); // until its first frame
    m_pip.setVisible(true);
    updateCanvas();
    return true;
}

void CompareController::hidePictureInPicture()
{
    m_camera->stop();
    m_pip.setVisible(false);
    m_draggingPip = false;
    updateCanvas();
}

void CompareController::movePictureInPicture()
{
    m_pip.nextCorner();
    updateCanvas();
}

void CompareController::resizePictureInPicture(bool grow)
{
    m_pip.resize(grow ? kGrowFactor : 1.0 / kGrowFactor);
    updateCanvas();
}

// ---------------------------------------------------------------------------------------------
// Pointer

QPoint CompareController::liveCellToWidget(const QPoint &framePoint, const QRect &cell,
                                           const QSize &frame, const QSize &widget)
{
    // The live picture was fitted into the cell; the canvas shows a picture of the frame's
    // size fitted into the widget.
    const QPoint live = CanvasView::widgetToFrame(framePoint - cell.topLeft(),
                                                  CanvasView::place(frame, cell.size()));
    const CanvasView::Placement shown = CanvasView::place(frame, widget);
    return {shown.x + static_cast<int>(live.x() * shown.scale + shown.scale / 2),
            shown.y + static_cast<int>(live.y() * shown.scale + shown.scale / 2)};
}

bool CompareController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_canvas || m_forwarding) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return handleMouse(static_cast<QMouseEvent *>(event));
    case QEvent::Wheel: {
        auto *wheel = static_cast<QWheelEvent *>(event);
        const QPoint p = m_canvas.widgetToFrame(wheel->position().toPoint());
        const bool up = wheel->angleDelta().y() > 0;
        if (m_pip.isVisible() && m_pip.pixelRect(m_canvas.displaySize()).contains(p)) {
            resizePictureInPicture(up);
            return true;
        }
        const int cell = m_split.isActive() ? m_split.cellAt(p, m_canvas.displaySize()) : -1;
        return m_split.changePane(cell, [up](StillPane &pane) {
            if (up) {
                pane.zoomIn();
            } else {
                pane.zoomOut();
            }
        });
    }
    default:
        return false;
    }
}

bool CompareController::handleMouse(QMouseEvent *event)
{
    const QPoint p = m_canvas.widgetToFrame(event->position().toPoint());
    const QSize frame = m_canvas.displaySize();
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress) {
        m_draggingPip = m_canvas.tool() == ImageCanvas::ToolHand && m_pip.isVisible() &&
                        m_pip.pixelRect(frame).contains(p);
        m_gestureCell = m_split.isActive() ? m_split.cellAt(p, frame) : -1;
        m_pressPoint = m_lastPoint = p;
    }
    if (m_draggingPip) {
        if (type == QEvent::MouseMove && frame.width() > 0 && frame.height() > 0) {
            m_pip.moveBy(double(p.x() - m_lastPoint.x()) / frame.width(),
                         double(p.y() - m_lastPoint.y()) / frame.height());
            m_lastPoint = p;
            updateCanvas();
        } else if (type == QEvent::MouseButtonRelease) {
            m_draggingPip = false;
        }
        return true;
    }
    if (!m_split.isActive() || m_gestureCell < 0) {
        return false;
    }
    if (m_gestureCell == m_split.liveCell()) {
        return forwardToCanvas(event, p);
    }
    const bool handled = paneGesture(type, p);
    if (type == QEvent::MouseButtonRelease) {
        m_gestureCell = -1;
    }
    return handled;
}

bool CompareController::forwardToCanvas(QMouseEvent *event, const QPoint &framePoint)
{
    const QSize frame = m_canvas.displaySize();
    const QRect cell = m_split.cellRect(m_gestureCell, frame);
    const QPoint clamped(std::clamp(framePoint.x(), cell.left(), cell.right()),
                         std::clamp(framePoint.y(), cell.top(), cell.bottom()));
    const QPoint at = liveCellToWidget(clamped, cell, frame, m_canvas.size());
    QMouseEvent moved(event->type(), QPointF(at), m_canvas.mapToGlobal(QPointF(at)),
                      event->button(), event->buttons(), event->modifiers());
    m_forwarding = true;
    QCoreApplication::sendEvent(&m_canvas, &moved);
    m_forwarding = false;
    if (event->type() == QEvent::MouseButtonRelease) {
        m_gestureCell = -1;
    }
    return true;
}

bool CompareController::paneGesture(QEvent::Type type, const QPoint &framePoint)
{
    const QSize frame = m_canvas.displaySize();
    const QRect cell = m_split.cellRect(m_gestureCell, frame);
    const int tool = m_canvas.tool();
    AnnotationLayer::Style style;
    style.lineWidth = m_canvas.lineWidth();
    style.lineColor = m_canvas.lineColor();
    style.fillColor = m_canvas.fillColor();
    style.fillEnabled = m_canvas.fillEnabled();
    const QPoint previous = m_lastPoint;
    const QPoint press = m_pressPoint;
    m_lastPoint = framePoint;
    const bool changed = m_split.changePane(m_gestureCell, [&](StillPane &pane) {
        const auto toPane = [&](const QPoint &p) {
            return pane.paneToFrame(p - cell.topLeft(), cell.size());
        };
        if (type == QEvent::MouseButtonDblClick) {
            if (tool == ImageCanvas::ToolHand) {
                pane.turn();
            }
            return;
        }
        if (type == QEvent::MouseButtonPress) {
            pane.press();
            return;
        }
        if (type != QEvent::MouseMove) {
            return;
        }
        if (tool == ImageCanvas::ToolHand) {
            const QPoint a = toPane(previous);
            const QPoint b = toPane(framePoint);
            pane.panBy(a.x() - b.x(), a.y() - b.y());
        } else if (tool == ImageCanvas::ToolEraser) {
            pane.erase(toPane(framePoint), style.lineWidth);
        } else if (tool == AnnotationLayer::Freehand) {
            pane.draw(AnnotationLayer::Freehand, toPane(previous), toPane(framePoint), style);
        } else if (tool >= AnnotationLayer::Line && tool <= AnnotationLayer::Triangle) {
            pane.draw(static_cast<AnnotationLayer::Shape>(tool), toPane(press), toPane(framePoint),
                      style);
        }
    });
    if (changed) {
        updateCanvas();
    }
    return changed;
}
