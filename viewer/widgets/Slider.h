#pragma once

#include <QSlider>

// The toolkit's slider in the skin: groove and handle come from skin bitmaps through a fixed
// style sheet (horizontal and vertical).
class Slider : public QSlider {
    Q_OBJECT

public:
    explicit Slider(Qt::Orientation orientation, QWidget *parent = nullptr);

    // The style sheet every Slider carries.
    static QString skinStyleSheet();

public slots:
    // Hides a visible slider, shows a hidden one.
    void showOrHide();
};
