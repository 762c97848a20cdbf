#pragma once

#include "CountingCallback.h"
#include "ImageCanvas.h"
#include "LiveSource.h"

#include <QSize>
#include <tuple>

// The set-up of an end-to-end test of the live source: the source showing its camera on a real
// canvas (resized first when a size is given), its frames counted on the way. A test names the
// three parts with auto [canvas, callback, source] = rig.parts().
class LiveRig {
public:
    LiveRig() : m_callback(m_canvas), m_source(&m_callback) {}
    explicit LiveRig(QSize size) : m_callback(resized(m_canvas, size)), m_source(&m_callback) {}

    std::tuple<ImageCanvas &, CountingCallback &, LiveSource &> parts()
    {
        return {m_canvas, m_callback, m_source};
    }

private:
    static ImageCanvas &resized(ImageCanvas &canvas, QSize size)
    {
        canvas.resize(size);
        return canvas;
    }

    ImageCanvas m_canvas;
    CountingCallback m_callback;
    LiveSource m_source;
};
