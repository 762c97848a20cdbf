#pragma once

#include <QColor>
#include <QImage>
#include <QPushButton>

class QTimer;

// A push button painted entirely from skin bitmaps.
//
// The faces are looked up by icon name in ":/icons/Normal/", ":/icons/Over/" and
// ":/icons/Click/" (name + ".png"); a missing Over or Click face falls back to the normal one,
// and the button's fixed size is the normal face's size. The button shows the Click face while
// it is down or checked, the Over face while the pointer is over it, else the Normal face, and
// draws its text centred on top. A left press held for 500 ms emits hold() (once per press);
// the ordinary clicked() still follows on release over the button. Its tool tip is also its
// accessible name.
class ImageButton : public QPushButton {
    Q_OBJECT

public:
    // A child of parent at (x, y).
    ImageButton(const QString &iconName, QWidget *parent, int x, int y);
    // A button without a parent (a layout that receives it adopts it), with a tool tip.
    ImageButton(const QString &iconName, const QString &toolTip, int x, int y);

    // (Re)loads the three faces for iconName, fixes the size to the normal face and repaints.
    void setIconName(const QString &iconName);
    // Pen of the caption; unset means opaque black. Takes effect at the next repaint.
    void setTextColor(const QColor &color);

    static constexpr int kHoldMilliseconds = 500;

signals:
    // Emitted once when the left button has been held down for 500 ms.
    void hold();

protected:
    // Keeps the accessible name equal to the tool tip, so a screen reader names the button.
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void construct(const QString &iconName, int x, int y);
    const QImage &currentFace() const;

    bool m_hover = false;
    QColor m_textColor;
    QImage m_normalImage;
    QImage m_overImage;
    QImage m_clickImage;
    QTimer *m_holdTimer = nullptr;
};
