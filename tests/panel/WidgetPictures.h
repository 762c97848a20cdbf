#pragma once

#include "ImageButton.h"

#include <QDir>
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
    if (captionColor.isValid()) {
        reference.setTextColor(captionColor);
    }
    reference.setCheckable(button->isCheckable());
    reference.setChecked(button->isChecked());
    return reference.size() == button->size() && paintedFace(&reference) == paintedFace(button);
}

// Saves a picture of the widget as <name>.png when PANEL_SCREENSHOTS names a folder.
inline void saveScreenshot(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("PANEL_SCREENSHOTS");
    if (!dir.isEmpty() && QDir().mkpath(dir)) {
        widget->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
}
