#include "ImageWidget.h"

#include <QPainter>

ImageWidget::ImageWidget(const QImage &image, QWidget *parent) : QWidget(parent), m_image(image)
{
    setFixedSize(m_image.size());
}

void ImageWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}
