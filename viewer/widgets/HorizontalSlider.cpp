#include "HorizontalSlider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

HorizontalSlider::HorizontalSlider(const QImage &handle, QWidget *parent)
    : QWidget(parent),
      m_background(QStringLiteral(":/icons/Background/FILM_SCROLL_BACKGROUND.png")),
      m_handle(handle)
{
}

void HorizontalSlider::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

void HorizontalSlider::setHandleWidth(int pixels)
{
    m_handleWidth = pixels;
}

void HorizontalSlider::setValueSilently(int value)
{
    m_value = value;
    repaint();
}

int HorizontalSlider::handlePosition() const
{
    const double track = width() - 2 * kTrackMargin;
    const double span = double(m_maximum) - m_minimum + 1;
    double p =
        track / span * (double(m_value) - m_minimum + 0.5) + kTrackMargin - m_handleWidth / 2;
    p = std::min(p, double(width() - m_handleWidth - kTrackMargin));
    p = std::max(p, double(kTrackMargin));
    // An empty range (maximum below minimum) must not turn into an undefined conversion.
    return std::isfinite(p) ? int(p) : kTrackMargin;
}

int HorizontalSlider::valueAt(int x) const
{
    const double track = width() - 2 * kTrackMargin;
    const double span = double(m_maximum) - m_minimum + 1;
    if (track <= 0 || span <= 0) {
        return m_minimum; // no track to point at (a widget not yet laid out, or an empty range)
    }
    // Clamp in floating point first: a pointer far outside the widget must not overflow int.
    const double v = (double(x) - kTrackMargin) / (track / span) + m_minimum;
    return int(std::clamp(v, double(m_minimum), double(m_maximum)));
}

void HorizontalSlider::pointerAt(int x)
{
    m_value = valueAt(x);
    emit valueChanged(m_value);
    repaint();
}

void HorizontalSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(
        0, 0,
        m_background.scaled(width(), height(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    painter.drawImage(handlePosition(), 0,
                      m_handle.scaled(m_handleWidth, height() - 4, Qt::IgnoreAspectRatio,
                                      Qt::FastTransformation));
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
