#include "PictureInPicture.h"

#include "FrameOps.h"

#include <QCoreApplication>
#include <QFont>
#include <QMutexLocker>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

constexpr QRgb kStateBackground = 0xff202020;
constexpr QRgb kBorder = 0xffffffff;
constexpr int kBorderPixels = 2;

} // namespace

PictureInPicture::PictureInPicture()
    : m_rect(1.0 - kMargin - kDefaultSize, kMargin, kDefaultSize, kDefaultSize)
{
}

void PictureInPicture::setVisible(bool visible)
{
    QMutexLocker locker(&m_lock);
    m_visible = visible;
}

bool PictureInPicture::isVisible() const
{
    QMutexLocker locker(&m_lock);
    return m_visible;
}

void PictureInPicture::setCameraName(const QString &name)
{
    QMutexLocker locker(&m_lock);
    m_name = name;
    m_state = QImage();
}

void PictureInPicture::setFrame(const QImage &frame)
{
    if (frame.isNull()) {
        return;
    }
    QImage rgb = frame.convertToFormat(QImage::Format_RGB888);
    QMutexLocker locker(&m_lock);
    m_frame = std::move(rgb);
    m_unplugged = false;
}

void PictureInPicture::setUnplugged(bool unplugged)
{
    QMutexLocker locker(&m_lock);
    m_unplugged = unplugged;
    if (unplugged) {
        m_frame = QImage();
    }
}

bool PictureInPicture::isUnplugged() const
{
    QMutexLocker locker(&m_lock);
    return m_unplugged;
}

QRectF PictureInPicture::rect() const
{
    QMutexLocker locker(&m_lock);
    return m_rect;
}

QRectF PictureInPicture::bounded(const QRectF &rect)
{
    const double w = std::clamp(rect.width(), kMinSize, kMaxSize);
    const double h = std::clamp(rect.height(), kMinSize, kMaxSize);
    return {std::clamp(rect.x(), 0.0, 1.0 - w), std::clamp(rect.y(), 0.0, 1.0 - h), w, h};
}

void PictureInPicture::setRect(const QRectF &rect)
{
    QMutexLocker locker(&m_lock);
    m_rect = bounded(rect);
}

void PictureInPicture::moveBy(double dx, double dy)
{
    QMutexLocker locker(&m_lock);
    m_rect = bounded(m_rect.translated(dx, dy));
}

void PictureInPicture::resize(double factor)
{
    QMutexLocker locker(&m_lock);
    const QPointF centre = m_rect.center();
    QRectF r(0, 0, m_rect.width() * factor, m_rect.height() * factor);
    r.moveCenter(centre);
    m_rect = bounded(r);
}

void PictureInPicture::nextCorner()
{
    QMutexLocker locker(&m_lock);
    m_corner = (m_corner + 1) % 4;
    const double right = 1.0 - kMargin - m_rect.width();
    const double bottom = 1.0 - kMargin - m_rect.height();
    const double x = m_corner == 1 || m_corner == 2 ? right : kMargin;
    const double y = m_corner >= 2 ? bottom : kMargin;
    m_rect = bounded(QRectF(x, y, m_rect.width(), m_rect.height()));
}

QRect PictureInPicture::pixelRect(const QSize &frame) const
{
    QMutexLocker locker(&m_lock);
    return pixelRectLocked(frame);
}

QRect PictureInPicture::pixelRectLocked(const QSize &frame) const
{
    return QRect(int(m_rect.x() * frame.width()), int(m_rect.y() * frame.height()),
                 int(m_rect.width() * frame.width()), int(m_rect.height() * frame.height()))
        .intersected(QRect(QPoint(0, 0), frame));
}

const QImage &PictureInPicture::statePicture(const QSize &size)
{
    if (m_state.size() == size) {
        return m_state;
    }
    m_state = QImage(size, QImage::Format_RGB888);
    m_state.fill(kStateBackground);
    QPainter painter(&m_state);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(8, size.height() / 10));
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QString text =
        m_name.isEmpty()
            ? QCoreApplication::translate("PictureInPicture", "Camera unplugged")
            : QCoreApplication::translate("PictureInPicture", "%1\nunplugged").arg(m_name);
    painter.drawText(m_state.rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
                     text);
    return m_state;
}

void PictureInPicture::composeOutput(QImage &picture)
{
    QMutexLocker locker(&m_lock);
    if (!m_visible) {
        return;
    }
    const QRect outer = pixelRectLocked(picture.size());
    const QRect inner =
        outer.adjusted(kBorderPixels, kBorderPixels, -kBorderPixels, -kBorderPixels);
    if (inner.width() < 1 || inner.height() < 1) {
        return;
    }
    for (int y = outer.top(); y <= outer.bottom(); ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = outer.left(); x <= outer.right(); ++x) {
            row[3 * x] = qRed(kBorder);
            row[3 * x + 1] = qGreen(kBorder);
            row[3 * x + 2] = qBlue(kBorder);
        }
    }
    if (m_unplugged || m_frame.isNull()) {
        const QImage &state = statePicture(inner.size());
        for (int y = 0; y < inner.height(); ++y) {
            std::memcpy(picture.scanLine(inner.top() + y) + inner.left() * 3,
                        state.constScanLine(y), size_t(inner.width()) * 3);
        }
        return;
    }
    FrameOps::fitIntoRect(m_frame, picture, inner);
}
