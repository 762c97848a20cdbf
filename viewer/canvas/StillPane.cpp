#include "StillPane.h"

#include "FrameOps.h"

#include <QCoreApplication>
#include <QFont>
#include <QPainter>

namespace {

constexpr QRgb kNoticeBackground = 0xff303030;

} // namespace

StillPane::StillPane(const QImage &picture)
    : m_picture(picture.convertToFormat(QImage::Format_RGB888)), m_readable(!picture.isNull())
{
    if (m_readable) {
        m_view.setFrameSize(m_picture.size());
        m_layer.reset(m_picture.size());
    }
}

void StillPane::zoomIn()
{
    if (m_readable && m_view.zoomIn()) {
        changed();
    }
}

void StillPane::zoomOut()
{
    if (m_readable) {
        m_view.zoomOut();
        changed();
    }
}

void StillPane::turn()
{
    if (!m_readable) {
        return;
    }
    m_view.turn();
    m_layer.turn();
    changed();
}

void StillPane::panBy(int dx, int dy)
{
    m_view.setPan(m_view.pan().x() + dx, m_view.pan().y() + dy);
    changed();
}

void StillPane::press()
{
    m_layer.keepBackup();
}

void StillPane::draw(AnnotationLayer::Shape shape, const QPoint &a, const QPoint &b,
                     const AnnotationLayer::Style &style)
{
    if (!m_readable) {
        return;
    }
    m_layer.draw(shape, m_view.frameToLayer(a), m_view.frameToLayer(b), style);
    changed();
}

void StillPane::erase(const QPoint &at, int lineWidth)
{
    if (!m_readable) {
        return;
    }
    m_layer.erase(m_view.frameToLayer(at), lineWidth);
    changed();
}

QPoint StillPane::paneToFrame(const QPoint &panePoint, const QSize &pane) const
{
    return CanvasView::widgetToFrame(panePoint, CanvasView::place(m_picture.size(), pane));
}

const QImage &StillPane::composed(const QSize &size)
{
    if (!m_composed.isNull() && m_composed.size() == size) {
        return m_composed;
    }
    if (!m_readable) {
        m_composed = QImage(size, QImage::Format_RGB888);
        m_composed.fill(kNoticeBackground);
        QPainter painter(&m_composed);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(std::max(10, size.height() / 16));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(m_composed.rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         QCoreApplication::translate("StillPane", "The picture cannot be read"));
        return m_composed;
    }
    const QRect window = m_view.window();
    QImage view = FrameOps::viewRegion(m_picture, m_view.transform(), window);
    m_layer.overlayOnto(view, window);
    QImage spare;
    const QImage full = FrameOps::fitInto(view, m_picture.size(), spare);
    m_composed = FrameOps::fitInto(full, size, spare);
    if (m_composed.size() != size) {
        m_composed = m_composed.copy(0, 0, size.width(), size.height());
    }
    return m_composed;
}
