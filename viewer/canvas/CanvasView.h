#pragma once

#include "ViewTransform.h"

#include <QPoint>
#include <QPointF>
#include <QPolygonF>
#include <QRect>
#include <QSize>

// The view geometry of a canvas, a plain value: the frame size, the mirror and the quarter
// turns (a ViewTransform), the zoom and the pan, and the mappings between widget, frame,
// layer and camera-picture coordinates that follow from them.
//
// Frame pixels are pixels of the composed picture, which always has the camera frame's size;
// layer pixels are pixels of the turned (and mirrored) camera frame; zoomed pixels are layer
// pixels multiplied by the zoom. The pan is the top-left corner of the visible window in
// zoomed pixels.
class CanvasView {
public:
    static constexpr int kMaxZoom = 6;

    // Where a picture of some size is painted in a widget: scaled to fit, centred.
    struct Placement {
        double scale = 0;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    QSize frameSize() const { return m_frame; }
    // A frame of another size re-centres the view at the whole zoom step.
    void setFrameSize(const QSize &size);
    const ViewTransform &transform() const { return m_transform; }
    double zoom() const { return m_zoom; }
    QPoint pan() const { return m_pan; }
    int rotatedWidth() const;
    int rotatedHeight() const;
    // Zoom that shows the whole turned frame inside the frame size (1 when upright).
    double bestFit() const;
    // Centre of the visible window in layer pixels.
    QPointF centre() const;

    // Zoom = max(step, best fit), keeping `centre` in the middle as far as the pan allows.
    void setZoomCentred(const QPointF &centre, int step);
    // Clamped so that the window never leaves the zoomed picture.
    void setPan(int x, int y);
    // The same zoom step again, clamping the pan (a resize, a new frame size).
    void recentre();
    // One step up, unless at kMaxZoom (then false and nothing changes).
    bool zoomIn();
    void zoomOut();
    // Zoom 1 upright, the best fit at a quarter turn; pan (0, 0).
    void zoomReset();
    void setZoomStep(int step);
    // A quarter turn clockwise, keeping the centre on the same spot of the picture.
    void turn();
    // The view mirrored left-right or top-bottom as it is shown, keeping the centre.
    void mirror(bool leftRight);

    // The visible window in layer pixels, never empty for a frame of some size.
    QRect window() const;
    // The rectangle dragged from a to b (frame pixels, inclusive corners), kept inside the
    // frame.
    QRect clipSelection(const QPoint &a, const QPoint &b) const;

    static Placement place(const QSize &picture, const QSize &widget);
    // Widget point to pixel of the picture placed as `placed` says.
    static QPoint widgetToFrame(const QPoint &widgetPoint, const Placement &placed);
    // Frame pixel to layer pixel (the inverse of the window cut and the fit to the frame).
    QPoint frameToLayer(const QPoint &framePoint) const;
    // Points of the camera frame (its pixel coordinates, before mirror and turns) to widget
    // coordinates of the composed picture placed as `placed` says.
    QPolygonF cameraToWidget(const QPolygonF &cameraPoints, const Placement &placed) const;

private:
    // The black bars left and above a view smaller than the frame (best fit at a quarter turn).
    QPoint barOffset() const;

    QSize m_frame{-1, -1};
    ViewTransform m_transform;
    double m_zoom = 1.0;
    QPoint m_pan;
};
