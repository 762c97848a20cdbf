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
    m_holdTimer = new QTimer(this);
    m_holdTimer->setObjectName(QStringLiteral("holdTimer"));
    setIconName(iconName);
    m_hover = false;
    setFlat(true);
    m_holdTimer->setSingleShot(true);
    m_holdTimer->setInterval(kHoldMilliseconds);
    connect(m_holdTimer, &QTimer::timeout, this, &ImageButton::hold);
    move(x, y);
}

void ImageButton::setIconName(const QString &iconName)
{
    m_normalImage = QImage(QStringLiteral(":/icons/Normal/%1.png").arg(iconName));
    m_clickImage = QImage(QStringLiteral(":/icons/Click/%1.png").arg(iconName));
    if (m_clickImage.isNull()) {
        m_clickImage = m_normalImage;
    }
    m_overImage = QImage(QStringLiteral(":/icons/Over/%1.png").arg(iconName));
    if (m_overImage.isNull()) {
        m_overImage = m_normalImage;
    }
    setFixedSize(m_normalImage.size());
    update();
}

void ImageButton::setTextColor(const QColor &color)
{
    m_textColor = color;
}

const QImage &ImageButton::currentFace() const
{
    if (isDown() || isChecked()) {
        return m_clickImage;
    }
    return m_hover ? m_overImage : m_normalImage;
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
    painter.setPen(m_textColor.isValid() ? m_textColor : QColor(Qt::black));
    painter.drawText(x, y, caption);
}

void ImageButton::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    setCursor(Qt::ArrowCursor);
    update();
    QPushButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QPushButton::leaveEvent(event);
}

void ImageButton::mousePressEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && !m_holdTimer->isActive()) {
        m_holdTimer->start();
    }
    QPushButton::mousePressEvent(event);
}

void ImageButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        m_holdTimer->stop();
    }
    QPushButton::mouseReleaseEvent(event);
}
