#pragma once

#include "ImageButton.h"

#include <QWidget>

// The image button of window with the given object name; the test stops when there is none.
inline ImageButton *windowButton(const QWidget *window, const char *name)
{
    auto *found = window->findChild<ImageButton *>(QLatin1String(name));
    if (found == nullptr) {
        qFatal("no button %s", name);
    }
    return found;
}
