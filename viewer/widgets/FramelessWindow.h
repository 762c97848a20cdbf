#pragma once

#include <QImage>
#include <QWidget>

// A borderless window painted from one background image, whose size is its minimum and
// initial size. It can be dragged by its top band (rows 0 to 25) with the left button unless
// it is maximised or minimised. With the tool flag it is a frameless tool window of its parent.
class FramelessWindow : public QWidget {
    Q_OBJECT

public:
    FramelessWindow(const QImage &background, bool tool, QWidget *parent = nullptr);

    // Takes the image's size as minimum size and size and keeps the image; the caller repaints
    // if needed.
    void setBackground(const QImage &image);
    const QImage &background() const { return m_background; }

    bool isDragging() const { return m_dragging; }

    // Rows 0 .. kDragBandBottom (inclusive) form the drag band.
    static constexpr int kDragBandBottom = 25;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool isMaximizedOrMinimized() const;

    QImage m_background;
    int m_dragOffsetX = 0;
    int m_dragOffsetY = 0;
    bool m_dragging = false;
};
