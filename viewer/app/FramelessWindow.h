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
    const QImage &background() const { return background_; }

    bool isDragging() const { return dragging_; }

    // Rows 0 .. kDragBandBottom (inclusive) form the drag band.
    static constexpr int kDragBandBottom = 25;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool isMaximizedOrMinimized() const;

    QImage background_;
    int dragOffsetX_ = 0;
    int dragOffsetY_ = 0;
    bool dragging_ = false;
};
