#pragma once

#include <QImage>

// A step after the canvas pipeline that lays more pictures into the composed one (panes beside
// it, a second camera over it), so that what is painted, saved, written back (recordings, the
// presentation node) and printed is the picture as it is finally laid out.
//
// composeOutput() runs with the canvas lock held, on whichever thread composes the frame; it
// may replace `picture` but keeps its size and format (RGB888). It must not call back into the
// canvas.
class IOutputCompositor {
public:
    virtual ~IOutputCompositor() = default;
    virtual void composeOutput(QImage &picture) = 0;
};
