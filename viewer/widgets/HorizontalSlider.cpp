#include "HorizontalSlider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

HorizontalSlider::HorizontalSlider(const QImage &handle, QWidget *parent)
    : QWidget(parent), background_(QStringLiteral(":/icons/Background/FILM_SCROLL_BACKGROUND.png")),
      handle_(handle)
{
}

void HorizontalSlider::setRange(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = maximum;
}

void HorizontalSlider::setHandleWidth(int pixels)
{
    handleWidth_ = pixels;
}

void HorizontalSlider::setValueSilently(int value)
{
    value_ = value;
    repaint();
}

int HorizontalSlider::handlePosition() const
{
    const double track = width() - 2 * kTrackMargin;
    const double span = double(maximum_) - minimum_ + 1;
    double p = track / span * (double(value_) - minimum_ + 0.5) + kTrackMargin - handleWidth_ / 2;
    p = std::min(p, double(width() - handleWidth_ - kTrackMargin));
    p = std::max(p, double(kTrackMargin));
    // An empty range (maximum below minimum) must not turn into an undefined conversion.
    return std::isfinite(p) ? int(p) : kTrackMargin;
}

int HorizontalSlider::valueAt(int x) const
{
    const double track = width() - 2 * kTrackMargin;
    const double span = double(maximum_) - minimum_ + 1;
    if (track <= 0 || span <= 0) {
        return minimum_; // no track to point at (a widget not yet laid out, or an empty range)
    }
    // Clamp in floating point first: a pointer far outside the widget must not overflow int.
    const double v = (double(x) - kTrackMargin) / (track / span) + minimum_;
    return int(std::clamp(v, double(minimum_), double(maximum_)));
}

void HorizontalSlider::pointerAt(int x)
{
    value_ = valueAt(x);
    emit valueChanged(value_);
    repaint();
}

void HorizontalSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(
        0, 0, background_.scaled(width(), height(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    painter.drawImage(
        handlePosition(), 0,
        handle_.scaled(handleWidth_, height() - 4, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void HorizontalSlider::mousePressEvent(QMouseEvent *event)
{
    pointerAt(event->position().toPoint().x());
}

void HorizontalSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton) {
        pointerAt(event->position().toPoint().x());
    }
}

void HorizontalSlider::mouseReleaseEvent(QMouseEvent *event)
{
    pointerAt(event->position().toPoint().x());
}
