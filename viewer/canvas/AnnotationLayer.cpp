#include "AnnotationLayer.h"

#include "FrameOps.h"
#include "ViewTransform.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

// round() of the triangle corners: to the nearest integer, halves upwards.
int roundHalfUp(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

} // namespace

QImage AnnotationLayer::blank(const QSize &size)
{
    QImage image;
    if (size.width() > 0 && size.height() > 0) {
        image = QImage(size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
    }
    return image;
}

void AnnotationLayer::reset(const QSize &size)
{
    replace(blank(size), QRect());
}

void AnnotationLayer::clear(const QImage &cleared)
{
    if (cleared.size() == m_layer.image.size()) {
        m_layer.image = cleared;
    } else {
        m_layer.image.fill(Qt::transparent);
    }
    m_layer.used = QRect();
    std::fill(m_layer.chunks.begin(), m_layer.chunks.end(), quint8(0));
}

void AnnotationLayer::turn()
{
    const ViewTransform quarter{1};
    replace(quarter.toView(m_layer.image),
            m_layer.used.isEmpty() ? QRect() : quarter.toView(m_layer.used, m_layer.image.size()));
}

void AnnotationLayer::mirror(bool leftRight)
{
    // Across the view's vertical axis (left-right) or its horizontal one (top-bottom).
    const ViewTransform across{0, leftRight, !leftRight};
    replace(m_layer.image.isNull() ? m_layer.image : across.toView(m_layer.image),
            m_layer.used.isEmpty() ? QRect() : across.toView(m_layer.used, m_layer.image.size()));
}

void AnnotationLayer::replace(const QImage &image, const QRect &used)
{
    m_layer.image = image;
    m_layer.used = QRect();
    m_layer.chunks.assign(size_t(FrameOps::chunksPerRow(image.width())) * size_t(image.height()),
                          0);
    noteDrawn(used);
}

void AnnotationLayer::noteDrawn(const QRect &area)
{
    const QRect inside = area.intersected(m_layer.image.rect());
    m_layer.used = m_layer.used.united(inside);
    FrameOps::scanChunks(m_layer.image, m_layer.chunks, inside);
}

void AnnotationLayer::keepBackup()
{
    m_backup = m_layer;
}

QRect AnnotationLayer::draw(Shape shape, const QPoint &a, const QPoint &b, const Style &style)
{
    if (m_layer.image.isNull()) {
        return {};
    }
    const int dx = b.x() - a.x();
    const int dy = b.y() - a.y();
    if (shape != Freehand && m_backup.image.size() == m_layer.image.size()) {
        m_layer = m_backup;
    }

    QPainter painter(&m_layer.image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(style.lineColor);
    if (style.lineWidth > 0) {
        pen.setWidth(style.lineWidth);
    }
    painter.setPen(pen);
    painter.setBrush(style.fillEnabled ? QBrush(style.fillColor) : QBrush(Qt::NoBrush));

    const QRect box(a, QPoint(b.x() - 1, b.y() - 1));
    QPolygonF polygon;
    switch (shape) {
    case Freehand:
    case Line:
        painter.drawLine(a, b);
        break;
    case Rectangle:
        painter.drawRect(box);
        break;
    case Circle:
        painter.drawPath(ellipseOutline(box));
        break;
    case Arrow: {
        const QPointF n(-dy, dx);
        const QPointF d(dx, dy);
        const QPointF pa(a);
        polygon << pa + 0.05 * n << pa + 0.05 * n + 0.8 * d << pa + 0.1 * n + 0.8 * d << QPointF(b)
                << pa - 0.1 * n + 0.8 * d << pa - 0.05 * n + 0.8 * d << pa - 0.05 * n;
        painter.drawPolygon(polygon, Qt::OddEvenFill);
        break;
    }
    case Triangle: {
        const double root3 = std::sqrt(3.0);
        const QPoint side(roundHalfUp(-dy / root3), roundHalfUp(dx / root3));
        const QPoint otherSide(roundHalfUp(dy / root3), roundHalfUp(-dx / root3));
        polygon << QPointF(a) << QPointF(b + side) << QPointF(b + otherSide);
        painter.drawPolygon(polygon, Qt::OddEvenFill);
        break;
    }
    }
    painter.end();

    // Everything drawn lies within the shape's points widened by the pen. An ellipse's outline
    // is a curve the painter flattens and strokes by its own rules, and a flat one with a thin
    // pen reaches beyond its box widened by the pen: its area is the stroked outline's.
    QRect bounds;
    if (shape == Circle) {
        bounds = ellipseArea(box, pen);
    } else {
        bounds =
            polygon.isEmpty() ? QRect(a, b).normalized() : polygon.boundingRect().toAlignedRect();
        bounds = bounds.united(QRect(a, b).normalized());
        const int margin = std::max(1, style.lineWidth) + 2;
        bounds.adjust(-margin, -margin, margin, margin);
    }
    noteDrawn(bounds);
    return bounds;
}

QPainterPath AnnotationLayer::ellipseOutline(const QRect &box)
{
    QPainterPath outline;
    outline.addEllipse(QRectF(box.normalized()));
    return outline;
}

QRect AnnotationLayer::ellipseArea(const QRect &box, const QPen &pen)
{
    const QPainterPath outline = ellipseOutline(box);
    QPainterPathStroker stroker(pen);
    stroker.setWidth(std::max(1, pen.width())); // a cosmetic pen covers one pixel
    const QRectF touched =
        stroker.createStroke(outline).boundingRect().united(outline.boundingRect());
    // Pixels whose centres the rasteriser rounds outwards, on both sides.
    constexpr int kRasterMargin = 2;
    return touched.toAlignedRect().adjusted(-kRasterMargin, -kRasterMargin, kRasterMargin,
                                            kRasterMargin);
}

QRect AnnotationLayer::erase(const QPoint &centre, int lineWidth)
{
    const int e = 2 * lineWidth + 1;
    const QRect square =
        QRect(QPoint(centre.x() - e, centre.y() - e), QPoint(centre.x() + e, centre.y() + e))
            .intersected(m_layer.image.rect());
    if (square.isEmpty()) {
        return {};
    }
    for (int y = square.top(); y <= square.bottom(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(m_layer.image.scanLine(y));
        std::fill(row + square.left(), row + square.right() + 1, QRgb(0));
    }
    FrameOps::scanChunks(m_layer.image, m_layer.chunks, square);
    return square;
}

QRect AnnotationLayer::drawText(QTextDocument &document, const QPoint &anchor)
{
    if (m_layer.image.isNull()) {
        return {};
    }
    QPainter painter(&m_layer.image);
    painter.translate(anchor);
    document.drawContents(&painter, QRectF());
    painter.end();
    const QRect bounds(anchor, document.size().toSize() + QSize(1, 1));
    noteDrawn(bounds);
    return bounds;
}

void AnnotationLayer::overlayArea(QImage &picture, const QRect &area) const
{
    const QRect drawn = m_layer.used.intersected(area).intersected(m_layer.image.rect());
    if (!drawn.isEmpty()) {
        FrameOps::overlay(picture, m_layer.image, m_layer.chunks, drawn, QPoint(0, 0));
    }
}

void AnnotationLayer::overlayOnto(QImage &picture, const QRect &region) const
{
    const QRect drawn = m_layer.used.intersected(region).intersected(m_layer.image.rect());
    if (!drawn.isEmpty()) {
        FrameOps::overlay(picture, m_layer.image, m_layer.chunks, drawn, region.topLeft());
    }
}
