#pragma once

#include "ICaptureCB.h"

#include <atomic>

// Hands every frame on to a canvas and counts it (frames arrive on a streaming thread).
class CountingCallback : public ICaptureCB {
public:
    explicit CountingCallback(ICaptureCB &canvas) : m_canvas(canvas) {}

    void frameArrived(uchar *data, int width, int height, bool bottomUp) override
    {
        m_canvas.frameArrived(data, width, height, bottomUp);
        m_frames.fetch_add(1);
    }
    void frameArrivedRgb32(uchar *data, int width, int height, int stride, bool writeBack) override
    {
        m_canvas.frameArrivedRgb32(data, width, height, stride, writeBack);
        m_frames.fetch_add(1);
    }
    void setImage(const QImage &image) override { m_canvas.setImage(image); }
    void startRefresh() override { m_canvas.startRefresh(); }
    void stopRefresh() override { m_canvas.stopRefresh(); }

    int frames() const { return m_frames.load(); }

private:
    ICaptureCB &m_canvas;
    std::atomic<int> m_frames{0};
};
