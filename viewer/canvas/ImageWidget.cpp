#include "ImageWidget.h"

#include <QPainter>

ImageWidget::ImageWidget(const QImage &image, QWidget *parent) : QWidget(parent), image_(image)
{
    setFixedSize(image_.size());
}

void ImageWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}
