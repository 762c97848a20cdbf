#include "StyleWindow.h"

#include "ImageButton.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

QImage framePiece(const char *name)
{
    return QImage(QStringLiteral(":/icons/Background_Sub/%1.png").arg(QLatin1String(name)));
}

QImage stretched(const QImage &piece, int width, int height)
{
    return piece.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// Width of a border zone: the pointer is at a border within this many pixels of the edge.
constexpr int kZone = 5;

} // namespace

StyleWindow::StyleWindow() : FramelessWindow(QImage(), false, nullptr)
{
    m_top = framePiece("VIDEO_FRAME_TOP_MID");
    m_topRight = framePiece("VIDEO_FRAME_TOP_RIGHT");
    m_left = framePiece("VIDEO_FRAME_MID_LEFT");
    m_right = framePiece("VIDEO_FRAME_MID_RIGHT");
    m_bottomLeft = framePiece("VIDEO_FRAME_BOT_LEFT");
    m_bottom = framePiece("VIDEO_FRAME_BOT_MID");
    m_bottomRight = framePiece("VIDEO_FRAME_BOT_RIGHT");
    const QImage inside = framePiece("VIDEO_FRAME_MID_MID");
    m_fillColor = inside.isNull() ? qRgb(0, 0, 0) : inside.pixel(0, 0);
    m_horizontalZone = 1;
    m_verticalZone = 1;
    m_resizing = false;
    setAttribute(Qt::WA_MouseTracking);
    m_minimizeButton = new ImageButton(QStringLiteral("WINDOWS_MIN"), this, 0, 0);
    m_maximizeButton = new ImageButton(QStringLiteral("WINDOWS_MAX"), this, 0, 0);
    m_closeButton = new ImageButton(QStringLiteral("WINDOWS_CLOSE"), this, 0, 0);
    m_minimizeButton->setAccessibleName(tr("Minimize"));
    m_maximizeButton->setAccessibleName(tr("Maximize"));
    m_closeButton->setAccessibleName(tr("Close"));
    connect(m_minimizeButton, &ImageButton::clicked, this, &StyleWindow::minimize);
    connect(m_maximizeButton, &ImageButton::clicked, this, &StyleWindow::maximize);
    connect(m_closeButton, &ImageButton::clicked, this, &StyleWindow::close);
}

void StyleWindow::setExpanded(bool expanded)
{
    m_topLeft = framePiece(expanded ? "VIDEO_FRAME_TOP_LEFT_EXPANDED" : "VIDEO_FRAME_TOP_LEFT");
}

void StyleWindow::minimize()
{
    setWindowState(windowState() ^ Qt::WindowMinimized);
}

void StyleWindow::maximize()
{
    setWindowState(windowState() ^ Qt::WindowMaximized);
}

int StyleWindow::zoneOf(int v, int size)
{
    if (v <= kZone) {
        return 0;
    }
    return v + kZone < size ? 1 : 2;
}

void StyleWindow::showEvent(QShowEvent *event)
{
    QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    FramelessWindow::showEvent(event);
}

void StyleWindow::resizeEvent(QResizeEvent *event)
{
    const int w = width(), h = height();
    m_topScaled = stretched(m_top, w - m_topLeft.width() - m_topRight.width(), m_top.height());
    m_bottomScaled =
        stretched(m_bottom, w - m_bottomLeft.width() - m_bottomRight.width(), m_bottom.height());
    m_leftScaled =
        stretched(m_left, m_left.width(), h - m_topLeft.height() - m_bottomLeft.height());
    m_rightScaled =
        stretched(m_right, m_right.width(), h - m_topRight.height() - m_bottomRight.height());
    m_minimizeButton->move(w - 79, 4);
    m_maximizeButton->move(w - 59, 4);
    m_closeButton->move(w - 38, 4);
    FramelessWindow::resizeEvent(event);
    updateLayout();
}

void StyleWindow::paintEvent(QPaintEvent *)
{
    const int w = width(), h = height();
    QPainter painter(this);
    painter.drawImage(0, 0, m_topLeft);
    painter.drawImage(m_topLeft.width(), 0, m_topScaled);
    painter.drawImage(m_topLeft.width() + m_topScaled.width(), 0, m_topRight);
    painter.drawImage(0, m_topLeft.height(), m_leftScaled);
    painter.drawImage(w - m_rightScaled.width(), m_topRight.height(), m_rightScaled);
    painter.drawImage(0, m_topLeft.height() + m_leftScaled.height(), m_bottomLeft);
    painter.drawImage(m_bottomLeft.width(), m_topLeft.height() + m_leftScaled.height(),
                      m_bottomScaled);
    painter.drawImage(m_bottomLeft.width() + m_bottomScaled.width(),
                      m_topRight.height() + m_rightScaled.height(), m_bottomRight);
    const QRect inside(QPoint(m_leftScaled.width(), m_topScaled.height()),
                       QPoint(w - 1 - m_rightScaled.width(), h - 1 - m_bottomScaled.height()));
    painter.fillRect(inside, QColor(qRed(m_fillColor), qGreen(m_fillColor), qBlue(m_fillColor)));
}

void StyleWindow::mousePressEvent(QMouseEvent *event)
{
    if ((m_horizontalZone == 1 && m_verticalZone == 1) || event->button() != Qt::LeftButton) {
        FramelessWindow::mousePressEvent(event);
        return;
    }
    m_resizing = true;
}

void StyleWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (m_resizing) {
        resizeTo(event->position().toPoint());
        return;
    }
    trackPointer(event);
}

void StyleWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_resizing) {
        m_resizing = false;
        trackPointer(event);
        return;
    }
    FramelessWindow::mouseReleaseEvent(event);
}

void StyleWindow::leaveEvent(QEvent *event)
{
    setCursor(Qt::ArrowCursor);
    FramelessWindow::leaveEvent(event);
}

void StyleWindow::trackPointer(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    m_horizontalZone = zoneOf(pos.x(), width());
    m_verticalZone = zoneOf(pos.y(), height());
    Qt::CursorShape shape = Qt::ArrowCursor;
    const bool atSide = m_horizontalZone != 1, atEnd = m_verticalZone != 1;
    if (atSide && atEnd) {
        shape = m_horizontalZone == m_verticalZone ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    } else if (atSide) {
        shape = Qt::SizeHorCursor;
    } else if (atEnd) {
        shape = Qt::SizeVerCursor;
    }
    setCursor(shape);
    FramelessWindow::mouseMoveEvent(event);
}

void StyleWindow::resizeTo(const QPoint &pointer)
{
    int newX = x(), newY = y(), newWidth = width(), newHeight = height();
    if (m_horizontalZone == 0) {
        const int d = std::min(pointer.x(), width() - minimumWidth());
        newX += d;
        newWidth -= d;
    } else if (m_horizontalZone == 2) {
        newWidth = pointer.x();
    }
    if (m_verticalZone == 0) {
        const int d = std::min(pointer.y(), height() - minimumHeight());
        newY += d;
        newHeight -= d;
    } else if (m_verticalZone == 2) {
        newHeight = pointer.y();
    }
    move(newX, newY);
    resize(newWidth, newHeight);
}
