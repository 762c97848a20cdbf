#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// How the camera's picture is laid out in the view: first mirrored (left-right, top-bottom, in
// the picture's own coordinates), then turned clockwise by quarter turns. The annotation layer
// lives in the view's coordinates; the annotation history keeps its pixels in the picture's
// own ones, so that steps survive a turn or a mirror.
struct ViewTransform {
    int turns = 0;
    bool mirrorH = false;
    bool mirrorV = false;

    bool operator==(const ViewTransform &) const = default;
    bool isIdentity() const { return (turns & 3) == 0 && !mirrorH && !mirrorV; }

    // The view's size for a picture of the given size.
    QSize viewSize(const QSize &picture) const;
    // A rectangle of the picture (of size `picture`) in view coordinates, and back.
    QRect toView(const QRect &r, const QSize &picture) const;
    QRect fromView(const QRect &r, const QSize &picture) const;
    // Pixels of a part of the picture laid out as the view shows them, and back.
    QImage toView(const QImage &part) const;
    QImage fromView(const QImage &part) const;
};
