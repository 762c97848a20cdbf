#pragma once

#include "FramelessWindow.h"

#include <QImage>
#include <QRgb>

class ImageButton;

// The resizable frame of the main window: a nine-piece border drawn from skin bitmaps, the
// minimise, maximise and close buttons, and resizing by dragging any edge or corner (a 6-pixel
// zone along each border). The window's inside is filled with the colour of the frame's inside
// piece. Subclasses place their widgets in updateLayout(), which runs after every resize.
class StyleWindow : public FramelessWindow {
    Q_OBJECT

public:
    StyleWindow();

    // Chooses the top-left frame piece: the wide one while the tool panel is open. Does not
    // repaint; the caller resizes the window afterwards.
    void setExpanded(bool expanded);

    // Places the subclass's widgets for the current size; called at the end of every resize.
    virtual void updateLayout() = 0;

    // Where the pointer was last seen: 0 at the left (top) border, 1 inside, 2 at the right
    // (bottom) border.
    int horizontalZone() const { return m_horizontalZone; }
    int verticalZone() const { return m_verticalZone; }
    bool isResizing() const { return m_resizing; }

    // Zone of coordinate v in a window extent of size pixels (0, 1 or 2 as above).
    static int zoneOf(int v, int size);

public slots:
    void minimize();
    void maximize();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void trackPointer(QMouseEvent *event);
    void resizeTo(const QPoint &pointer);

    ImageButton *m_minimizeButton = nullptr;
    ImageButton *m_maximizeButton = nullptr;
    ImageButton *m_closeButton = nullptr;
    int m_horizontalZone = 1;
    int m_verticalZone = 1;
    bool m_resizing = false;
    QImage m_topLeft;
    QImage m_topRight;
    QImage m_bottomLeft;
    QImage m_bottomRight;
    QImage m_topScaled;
    QImage m_bottomScaled;
    QImage m_leftScaled;
    QImage m_rightScaled;
    QImage m_top;
    QImage m_bottom;
    QImage m_left;
    QImage m_right;
    QRgb m_fillColor = 0;
};
