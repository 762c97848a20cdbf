#include "CanvasView.h"

#include <algorithm>

void CanvasView::setFrameSize(const QSize &size)
{
    m_frame = size;
    recentre();
}

int CanvasView::rotatedWidth() const
{
    return m_transform.turns % 2 == 0 ? m_frame.width() : m_frame.height();
}

int CanvasView::rotatedHeight() const
{
    return m_transform.turns % 2 == 0 ? m_frame.height() : m_frame.width();
}

double CanvasView::bestFit() const
{
    if (m_frame.width() <= 0 || m_frame.height() <= 0) {
        return 1.0;
    }
    return std::min(double(m_frame.width()) / rotatedWidth(),
                    double(m_frame.height()) / rotatedHeight());
}

QPointF CanvasView::centre() const
{
    const double z = m_zoom;
    const double f = std::min(z, 1.0);
    const double cx =
        (std::min(static_cast<int>(rotatedWidth() * z), m_frame.width()) * f * 0.5 + m_pan.x()) / z;
    const double cy =
        (std::min(static_cast<int>(rotatedHeight() * z), m_frame.height()) * f * 0.5 + m_pan.y()) /
        z;
    return {cx, cy};
}

void CanvasView::setZoomCentred(const QPointF &centre, int step)
{
    // Without a picture there is no best fit: the requested step holds, at least 1.
    const bool empty = m_frame.width() <= 0 || m_frame.height() <= 0;
    m_zoom = empty ? std::max(step, 1) : std::max(double(step), bestFit());
    const double f = std::min(m_zoom, 1.0);
    setPan(static_cast<int>(centre.x() * m_zoom - m_frame.width() * f * 0.5),
           static_cast<int>(centre.y() * m_zoom - m_frame.height() * f * 0.5));
}

void CanvasView::setPan(int x, int y)
{
    // One pixel short of the last window position.
    const int maxX = std::max(0, static_cast<int>(rotatedWidth() * m_zoom) - m_frame.width() - 1);
    const int maxY = std::max(0, static_cast<int>(rotatedHeight() * m_zoom) - m_frame.height() - 1);
    m_pan = {std::clamp(x, 0, maxX), std::clamp(y, 0, maxY)};
}

void CanvasView::recentre()
{
    setZoomCentred(centre(), static_cast<int>(m_zoom));
}

bool CanvasView::zoomIn()
{
    if (m_zoom + 1 > kMaxZoom) {
        return false;
    }
    setZoomCentred(centre(), static_cast<int>(m_zoom + 1));
    return true;
}

void CanvasView::zoomOut()
{
    setZoomCentred(centre(), static_cast<int>(m_zoom - 1));
}

void CanvasView::zoomReset()
{
    m_zoom = m_transform.turns % 2 == 1 ? 1.0 : 2.0;
    setZoomCentred(centre(), static_cast<int>(m_zoom - 1));
}

void CanvasView::setZoomStep(int step)
{
    setZoomCentred(centre(), std::clamp(step, 0, kMaxZoom));
}

void CanvasView::turn()
{
    const QPointF old = centre();
    m_transform.turns = (m_transform.turns + 1) % 4;
    const double z = m_zoom;
    const QPointF turnedCentre((static_cast<int>(rotatedWidth() * z) - old.y() * z - 1) / z,
                               old.x());
    setZoomCentred(turnedCentre, static_cast<int>(z));
}

void CanvasView::mirror(bool leftRight)
{
    const QPointF old = centre();
    // Mirroring the view across one axis mirrors the picture across the same axis after an
    // even number of quarter turns and across the other one after an odd number.
    if (leftRight == (m_transform.turns % 2 == 0)) {
        m_transform.mirrorH = !m_transform.mirrorH;
    } else {
        m_transform.mirrorV = !m_transform.mirrorV;
    }
    const QPointF mirroredCentre = leftRight ? QPointF(rotatedWidth() - old.x(), old.y())
                                             : QPointF(old.x(), rotatedHeight() - old.y());
    setZoomCentred(mirroredCentre, static_cast<int>(m_zoom));
}

QRect CanvasView::window() const
{
    const int rotW = rotatedWidth();
    const int rotH = rotatedHeight();
    const QRect bounds(0, 0, rotW, rotH);
    const double z = m_zoom;
    const QRect window = QRect(static_cast<int>(m_pan.x() / z), static_cast<int>(m_pan.y() / z),
                               std::max(1, std::min(rotW, static_cast<int>(m_frame.width() / z))),
                               std::max(1, std::min(rotH, static_cast<int>(m_frame.height() / z))))
                             .intersected(bounds);
    return window.isEmpty() ? bounds : window;
}

QRect CanvasView::clipSelection(const QPoint &a, const QPoint &b) const
{
    const int right = std::max(0, m_frame.width() - 1);
    const int bottom = std::max(0, m_frame.height() - 1);
    return {
        QPoint(std::max(0, std::min(a.x(), b.x())), std::max(0, std::min(a.y(), b.y()))),
        QPoint(std::min(std::max(a.x(), b.x()), right), std::min(std::max(a.y(), b.y()), bottom))};
}

CanvasView::Placement CanvasView::place(const QSize &picture, const QSize &widget)
{
    Placement p;
    if (picture.width() <= 0 || picture.height() <= 0) {
        return p;
    }
    p.scale = std::min(double(widget.height()) / picture.height(),
                       double(widget.width()) / picture.width());
    p.width = static_cast<int>(picture.width() * p.scale);
    p.height = static_cast<int>(picture.height() * p.scale);
    p.x = (widget.width() - p.width) / 2;
    p.y = (widget.height() - p.height) / 2;
    return p;
}

QPoint CanvasView::widgetToFrame(const QPoint &widgetPoint, const Placement &placed)
{
    if (placed.scale <= 0) {
        return {};
    }
    return {static_cast<int>((widgetPoint.x() - placed.x) / placed.scale),
            static_cast<int>((widgetPoint.y() - placed.y) / placed.scale)};
}

QPoint CanvasView::barOffset() const
{
    const double z = m_zoom;
    return {std::max(0, static_cast<int>((m_frame.width() - static_cast<int>(rotatedWidth() * z)) *
                                         0.5)),
            std::max(0, static_cast<int>(
                            (m_frame.height() - static_cast<int>(rotatedHeight() * z)) * 0.5))};
}

QPoint CanvasView::frameToLayer(const QPoint &framePoint) const
{
    const QPoint off = barOffset();
    return {static_cast<int>((framePoint.x() + m_pan.x() - off.x()) / m_zoom),
            static_cast<int>((framePoint.y() + m_pan.y() - off.y()) / m_zoom)};
}

QPolygonF CanvasView::cameraToWidget(const QPolygonF &cameraPoints, const Placement &placed) const
{
    const QPointF off = barOffset();
    QPolygonF out;
    out.reserve(cameraPoints.size());
    for (QPointF p : cameraPoints) {
        // The mirror in the picture's own coordinates, then the quarter turns clockwise: a
        // turn takes (x, y) of a picture h high to (h - y, x).
        QSizeF size = m_frame;
        p = {m_transform.mirrorH ? size.width() - p.x() : p.x(),
             m_transform.mirrorV ? size.height() - p.y() : p.y()};
        for (int k = 0; k < m_transform.turns % 4; ++k) {
            p = {size.height() - p.y(), p.x()};
            size.transpose();
        }
        // Layer to frame (zoom, pan, bars), then frame to widget.
        const QPointF frame = p * m_zoom - QPointF(m_pan) + off;
        out << frame * placed.scale + QPointF(placed.x, placed.y);
    }
    return out;
}
