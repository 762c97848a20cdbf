#include "Slider.h"

Slider::Slider(Qt::Orientation orientation, QWidget *parent) : QSlider(orientation, parent)
{
    setStyleSheet(skinStyleSheet());
}

QString Slider::skinStyleSheet()
{
    return QStringLiteral(
        "QSlider::groove:horizontal {  border-image: url(:/icons/Background/TIME_SLIDE_BK_1.png);}"
        "QSlider::handle:horizontal {  image: url(:/icons/Background/TIME_SLIDE_ADJUSTMENT.png);}"
        "QSlider::groove:vertical {  border-image: url(:/icons/Background/POP_VOL_BK.png);  "
        "border-width: 10px}"
        "QSlider::handle:vertical {  image: url(:/icons/Background/TIME_SLIDE_ADJUSTMENT.png);}");
}

void Slider::showOrHide()
{
    setVisible(!isVisible());
}
