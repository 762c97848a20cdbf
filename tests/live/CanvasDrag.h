#pragma once

#include "ImageCanvas.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPoint>

// A stroke of the left mouse button on a canvas, as the presenter draws one: pressed at from,
// moved to `to`, released there.
inline void drag(ImageCanvas &canvas, QPoint from, QPoint to)
{
    auto send = [&](QEvent::Type type, QPoint pos, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(pos), canvas.mapToGlobal(QPointF(pos)), Qt::LeftButton,
                          held, Qt::NoModifier);
        QCoreApplication::sendEvent(&canvas, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}
