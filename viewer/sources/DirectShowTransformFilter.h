#pragma once

#include <gst/gst.h>

#include <QtGlobal>
#include <atomic>
#include <mutex>
#include <vector>

class ICaptureCB;

// The viewer's frame tap: an in-place filter that hands every RGB video frame to a canvas
// and lets the frame go on downstream with whatever the canvas wrote back into it.
//
// It accepts uncompressed RGB video only (3 bytes per pixel, rows top to bottom), so the
// graph converts or decodes in front of it. Frames reach the callback as packed rows
// (bottomUp false); rows that the framework pads to 4 bytes are repacked for the callback
// and copied back afterwards. The tap's element exists only inside this process.
class DirectShowTransformFilter {
public:
    explicit DirectShowTransformFilter(ICaptureCB *callback);
    ~DirectShowTransformFilter();
    DirectShowTransformFilter(const DirectShowTransformFilter &) = delete;
    DirectShowTransformFilter &operator=(const DirectShowTransformFilter &) = delete;

    // The pipeline element (one input, one output pad). This object holds a reference; add
    // it to a graph and take it out again to reuse it in another.
    GstElement *element() const { return m_element; }
    // The canvas the frames go to; nullptr once disconnected.
    ICaptureCB *callback() const;
    // From now on no frame reaches the canvas: a frame being handed to it now is delivered
    // before this returns, so the canvas may go away afterwards while the graph still runs.
    void disconnect();

    // True for RGB video in system memory with a size within FrameBounds; every other type is
    // refused.
    static bool checkInputType(const GstCaps *caps);
    // Remembers the size of the connected video type.
    void setMediaType(int width, int height);
    int width() const { return m_width.load(std::memory_order_relaxed); }
    int height() const { return m_height.load(std::memory_order_relaxed); }

    // One frame of the connected size whose rows lie stride bytes apart: the bottom picture
    // row is replaced by the row above it, then the canvas receives the picture.
    void transform(uchar *data, int stride);

private:
    mutable std::mutex m_callbackMutex; // held while a frame is with the canvas
    ICaptureCB *m_callback;
    GstElement *m_element = nullptr;
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
    std::vector<uchar> m_packed; // streaming thread only
};
