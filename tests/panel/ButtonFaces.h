#pragma once

#include "ImageButton.h"

#include <QImage>
#include <QString>

// What the button paints by itself, on a transparent background.
inline QImage paintedFace(QWidget *button)
{
    QImage image(button->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    button->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// True when the button looks exactly like a fresh button of the given icon name with the same
// caption, font and caption colour (both drawn in their idle state).
inline bool showsFace(ImageButton *button, const QString &iconName, const QColor &captionColor = {})
{
    ImageButton reference(iconName, nullptr, 0, 0);
    reference.setText(button->text());
    reference.setFont(button->font());
    if (captionColor.isValid())
        reference.setTextColor(captionColor);
    reference.setCheckable(button->isCheckable());
    reference.setChecked(button->isChecked());
    return reference.size() == button->size() && paintedFace(&reference) == paintedFace(button);
}
