#include "ImageButton.h"

#include <QEnterEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

ImageButton::ImageButton(const QString &iconName, QWidget *parent, int x, int y)
    : QPushButton(parent)
{
    construct(iconName, x, y);
}

ImageButton::ImageButton(const QString &iconName, const QString &toolTip, int x, int y)
    : QPushButton(nullptr)
{
    construct(iconName, x, y);
    setToolTip(toolTip);
}

bool ImageButton::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTipChange) {
        setAccessibleName(toolTip());
    }
    return QPushButton::event(event);
}

void ImageButton::construct(const QString &iconName, int x, int y)
{
    holdTimer_ = new QTimer(this);
    holdTimer_->setObjectName(QStringLiteral("holdTimer"));
    setIconName(iconName);
    hover_ = false;
    setFlat(true);
    holdTimer_->setSingleShot(true);
    holdTimer_->setInterval(kHoldMilliseconds);
    connect(holdTimer_, &QTimer::timeout, this, &ImageButton::hold);
    move(x, y);
}

void ImageButton::setIconName(const QString &iconName)
{
    normalImage_ = QImage(QStringLiteral(":/icons/Normal/%1.png").arg(iconName));
    clickImage_ = QImage(QStringLiteral(":/icons/Click/%1.png").arg(iconName));
    if (clickImage_.isNull()) {
        clickImage_ = normalImage_;
    }
    overImage_ = QImage(QStringLiteral(":/icons/Over/%1.png").arg(iconName));
    if (overImage_.isNull()) {
        overImage_ = normalImage_;
    }
    setFixedSize(normalImage_.size());
    update();
}

void ImageButton::setTextColor(const QColor &color)
{
    textColor_ = color;
}

const QImage &ImageButton::currentFace() const
{
    if (isDown() || isChecked()) {
        return clickImage_;
    }
    return hover_ ? overImage_ : normalImage_;
}

void ImageButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, currentFace());
    const QString caption = text();
    if (caption.isEmpty()) {
        return;
    }
    const QFontMetrics metrics(font());
    const int x = (width() - metrics.horizontalAdvance(caption)) / 2;
    const int y = (height() + metrics.height()) / 2 - 3;
    painter.setFont(font());
    painter.setPen(textColor_.isValid() ? textColor_ : QColor(Qt::black));
    painter.drawText(x, y, caption);
}

void ImageButton::enterEvent(QEnterEvent *event)
{
    hover_ = true;
    setCursor(Qt::ArrowCursor);
    update();
    QPushButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent *event)
{
    hover_ = false;
    update();
    QPushButton::leaveEvent(event);
}

void ImageButton::mousePressEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && !holdTimer_->isActive()) {
        holdTimer_->start();
    }
    QPushButton::mousePressEvent(event);
}

void ImageButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        holdTimer_->stop();
    }
    QPushButton::mouseReleaseEvent(event);
}
