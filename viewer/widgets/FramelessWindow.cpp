#include "FramelessWindow.h"

#include <QMouseEvent>
#include <QPainter>

FramelessWindow::FramelessWindow(const QImage &background, bool tool, QWidget *parent)
    : QWidget(parent, tool ? (Qt::Tool | Qt::FramelessWindowHint)
                           : (Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint))
{
    setBackground(background);
}

void FramelessWindow::setBackground(const QImage &image)
{
    setMinimumSize(image.size());
    resize(image.size());
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_WState_WindowOpacitySet);
    m_background = image;
}

bool FramelessWindow::isMaximizedOrMinimized() const
{
    return windowState() & (Qt::WindowMaximized | Qt::WindowMinimized);
}

void FramelessWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_background);
}

void FramelessWindow::mousePressEvent(QMouseEvent *event)
{
    if (isMaximizedOrMinimized() || event->position().y() > kDragBandBottom ||
        event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint offset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    m_dragOffsetX = offset.x();
    m_dragOffsetY = offset.y();
    m_dragging = true;
    event->accept();
}

void FramelessWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (isMaximizedOrMinimized() || !m_dragging) {
        event->ignore();
        return;
    }
    if (event->buttons() & Qt::LeftButton) {
        move(event->globalPosition().toPoint() - QPoint(m_dragOffsetX, m_dragOffsetY));
        event->accept();
    }
}

void FramelessWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        m_dragging = false;
        event->accept();
    }
}
