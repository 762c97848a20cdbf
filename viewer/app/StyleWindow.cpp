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
    top_ = framePiece("VIDEO_FRAME_TOP_MID");
    topRight_ = framePiece("VIDEO_FRAME_TOP_RIGHT");
    left_ = framePiece("VIDEO_FRAME_MID_LEFT");
    right_ = framePiece("VIDEO_FRAME_MID_RIGHT");
    bottomLeft_ = framePiece("VIDEO_FRAME_BOT_LEFT");
    bottom_ = framePiece("VIDEO_FRAME_BOT_MID");
    bottomRight_ = framePiece("VIDEO_FRAME_BOT_RIGHT");
    const QImage inside = framePiece("VIDEO_FRAME_MID_MID");
    fillColor_ = inside.isNull() ? qRgb(0, 0, 0) : inside.pixel(0, 0);
    horizontalZone_ = 1;
    verticalZone_ = 1;
    resizing_ = false;
    setAttribute(Qt::WA_MouseTracking);
    minimizeButton_ = new ImageButton(QStringLiteral("WINDOWS_MIN"), this, 0, 0);
    maximizeButton_ = new ImageButton(QStringLiteral("WINDOWS_MAX"), this, 0, 0);
    closeButton_ = new ImageButton(QStringLiteral("WINDOWS_CLOSE"), this, 0, 0);
    connect(minimizeButton_, &ImageButton::clicked, this, &StyleWindow::minimize);
    connect(maximizeButton_, &ImageButton::clicked, this, &StyleWindow::maximize);
    connect(closeButton_, &ImageButton::clicked, this, &StyleWindow::close);
}

void StyleWindow::setExpanded(bool expanded)
{
    topLeft_ = framePiece(expanded ? "VIDEO_FRAME_TOP_LEFT_EXPANDED" : "VIDEO_FRAME_TOP_LEFT");
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
    topScaled_ = stretched(top_, w - topLeft_.width() - topRight_.width(), top_.height());
    bottomScaled_ =
        stretched(bottom_, w - bottomLeft_.width() - bottomRight_.width(), bottom_.height());
    leftScaled_ = stretched(left_, left_.width(), h - topLeft_.height() - bottomLeft_.height());
    rightScaled_ =
        stretched(right_, right_.width(), h - topRight_.height() - bottomRight_.height());
    minimizeButton_->move(w - 79, 4);
    maximizeButton_->move(w - 59, 4);
    closeButton_->move(w - 38, 4);
    FramelessWindow::resizeEvent(event);
    updateLayout();
}

void StyleWindow::paintEvent(QPaintEvent *)
{
    const int w = width(), h = height();
    QPainter painter(this);
    painter.drawImage(0, 0, topLeft_);
    painter.drawImage(topLeft_.width(), 0, topScaled_);
    painter.drawImage(topLeft_.width() + topScaled_.width(), 0, topRight_);
    painter.drawImage(0, topLeft_.height(), leftScaled_);
    painter.drawImage(w - rightScaled_.width(), topRight_.height(), rightScaled_);
    painter.drawImage(0, topLeft_.height() + leftScaled_.height(), bottomLeft_);
    painter.drawImage(bottomLeft_.width(), topLeft_.height() + leftScaled_.height(), bottomScaled_);
    painter.drawImage(bottomLeft_.width() + bottomScaled_.width(),
                      topRight_.height() + rightScaled_.height(), bottomRight_);
    const QRect inside(QPoint(leftScaled_.width(), topScaled_.height()),
                       QPoint(w - 1 - rightScaled_.width(), h - 1 - bottomScaled_.height()));
    painter.fillRect(inside, QColor(qRed(fillColor_), qGreen(fillColor_), qBlue(fillColor_)));
}

void StyleWindow::mousePressEvent(QMouseEvent *event)
{
    if ((horizontalZone_ == 1 && verticalZone_ == 1) || event->button() != Qt::LeftButton) {
        FramelessWindow::mousePressEvent(event);
        return;
    }
    resizing_ = true;
}

void StyleWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (resizing_) {
        resizeTo(event->position().toPoint());
        return;
    }
    trackPointer(event);
}

void StyleWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (resizing_) {
        resizing_ = false;
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
    horizontalZone_ = zoneOf(pos.x(), width());
    verticalZone_ = zoneOf(pos.y(), height());
    Qt::CursorShape shape = Qt::ArrowCursor;
    const bool atSide = horizontalZone_ != 1, atEnd = verticalZone_ != 1;
    if (atSide && atEnd) {
        shape = horizontalZone_ == verticalZone_ ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
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
    if (horizontalZone_ == 0) {
        const int d = std::min(pointer.x(), width() - minimumWidth());
        newX += d;
        newWidth -= d;
    } else if (horizontalZone_ == 2) {
        newWidth = pointer.x();
    }
    if (verticalZone_ == 0) {
        const int d = std::min(pointer.y(), height() - minimumHeight());
        newY += d;
        newHeight -= d;
    } else if (verticalZone_ == 2) {
        newHeight = pointer.y();
    }
    move(newX, newY);
    resize(newWidth, newHeight);
}
