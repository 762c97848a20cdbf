#include "ThumbnailButton.h"

#include <QPainter>

ThumbnailButton::ThumbnailButton(QWidget *parent) : QPushButton(parent)
{
    setFlat(true);
    setCheckable(true);
}

void ThumbnailButton::setImage(const QImage &image)
{
    m_picture = image;
    m_hasPicture = true;
    update();
}

QColor ThumbnailButton::frameColor() const
{
    if (isDown() || isChecked()) {
        return Qt::red;
    }
    return m_hovered ? Qt::white : Qt::gray;
}

void ThumbnailButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QPushButton::enterEvent(event);
}

void ThumbnailButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QPushButton::leaveEvent(event);
}

void ThumbnailButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_hasPicture && !m_picture.isNull()) {
        painter.drawImage((width() - m_picture.width()) / 2, (height() - m_picture.height()) / 2,
                          m_picture);
    }
    painter.setPen(QPen(frameColor(), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(1, 1, width() - 2, height() - 2);
}
