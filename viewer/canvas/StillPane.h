#pragma once

#include "AnnotationLayer.h"
#include "CanvasView.h"

#include <QImage>
#include <QPoint>
#include <QSize>

// A still picture shown in a pane beside the live one (a snapshot of it, a photograph): it has a
// view of its own (zoom, pan, turns, mirror) and a drawing of its own, and composes itself into
// the size of its pane. The composed pane is kept until the picture, the view, the drawing or
// the pane's size changes, so that a live frame only pays for copying it.
//
// A plain value; the split compositor guards it with its lock.
class StillPane {
public:
    // A pane of a picture; a null picture (a file that could not be read) shows the "cannot
    // be read" notice instead.
    explicit StillPane(const QImage &picture);

    bool isReadable() const { return m_readable; }
    const QImage &picture() const { return m_picture; }
    const CanvasView &view() const { return m_view; }
    const AnnotationLayer &layer() const { return m_layer; }

    // View commands, as the live canvas has them.
    void zoomIn();
    void zoomOut();
    void turn();
    // Moves the pan by (dx, dy) zoomed pixels.
    void panBy(int dx, int dy);

    // Drawing, in pixels of the pane's own picture (the picture as this pane's view shows it
    // at its full size, before it is fitted into the pane): press keeps the backup, draw lays
    // the shape from a to b on it (freehand draws on the layer itself).
    void press();
    void draw(AnnotationLayer::Shape shape, const QPoint &a, const QPoint &b,
              const AnnotationLayer::Style &style);
    void erase(const QPoint &at, int lineWidth);
    // Pane pixel of a point of the pane's full-size view (the inverse of the fit into a pane
    // of size `pane`); used to map the pointer.
    QPoint paneToFrame(const QPoint &panePoint, const QSize &pane) const;

    // The pane composed into a picture of `size` (RGB888), letterboxed to keep its shape.
    const QImage &composed(const QSize &size);

private:
    void changed() { m_composed = QImage(); }

    QImage m_picture;
    bool m_readable = true;
    CanvasView m_view;
    AnnotationLayer m_layer;
    QImage m_composed;
};
