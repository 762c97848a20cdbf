#pragma once

#include <QImage>
#include <QWidget>

// A painted horizontal position bar: a stretched background and a movable handle.
//
// The track runs from 6 pixels inside the left edge to 6 pixels inside the right edge; the
// handle is drawn centred on the value's slot, kept inside the track. Pressing, dragging or
// releasing any mouse button maps the pointer's x to a value in [minimum, maximum] and emits
// valueChanged() every time, even when the value stays the same. Users keep maximum >= minimum
// and the widget wider than 12 pixels.
class HorizontalSlider : public QWidget {
    Q_OBJECT

public:
    explicit HorizontalSlider(const QImage &handle, QWidget *parent = nullptr);

    // Stores both bounds; neither clamps the current value nor repaints.
    void setRange(int minimum, int maximum);
    // Width at which the handle is drawn; no repaint.
    void setHandleWidth(int pixels);
    // Stores value as given (not clamped) and repaints at once, without emitting valueChanged().
    void setValueSilently(int value);

    int value() const { return m_value; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int handleWidth() const { return m_handleWidth; }

    // Left edge at which the handle is drawn for the current width and value.
    int handlePosition() const;
    // The value a pointer at widget x selects, clamped to the range.
    int valueAt(int x) const;

    static constexpr int kTrackMargin = 6;

signals:
    void valueChanged(int value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void pointerAt(int x);

    QImage m_background;
    QImage m_handle;
    int m_handleWidth = 96;
    int m_value = 0;
    int m_minimum = 0;
    int m_maximum = 100;
};
