#include "ThumbnailButton.h"

#include <QPainter>

ThumbnailButton::ThumbnailButton(QWidget *parent) : QPushButton(parent)
{
    setFlat(true);
    setCheckable(true);
}

void ThumbnailButton::setImage(const QImage &image)
{
    picture_ = image;
    hasPicture_ = true;
    update();
}

QColor ThumbnailButton::frameColor() const
{
    if (isDown() || isChecked()) {
        return Qt::red;
    }
    return hovered_ ? Qt::white : Qt::gray;
}

void ThumbnailButton::enterEvent(QEnterEvent *event)
{
    hovered_ = true;
    update();
    QPushButton::enterEvent(event);
}

void ThumbnailButton::leaveEvent(QEvent *event)
{
    hovered_ = false;
    update();
    QPushButton::leaveEvent(event);
}

void ThumbnailButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (hasPicture_ && !picture_.isNull()) {
        painter.drawImage((width() - picture_.width()) / 2, (height() - picture_.height()) / 2,
                          picture_);
    }
    painter.setPen(QPen(frameColor(), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(1, 1, width() - 2, height() - 2);
}
