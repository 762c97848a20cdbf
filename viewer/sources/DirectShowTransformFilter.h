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
// It accepts uncompressed video in system memory only, rows top to bottom: 32-bit BGRx, which
// it prefers, or RGB (3 bytes per pixel); the graph converts or decodes in front of it. BGRx
// frames reach the callback's frameArrivedRgb32() in place. RGB frames reach frameArrived()
// as packed rows (bottomUp false); rows that the framework pads to 4 bytes are repacked for
// the callback and copied back afterwards. The tap's element exists only inside this process.
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

    // True for RGB or BGRx video in system memory with a size within FrameBounds; every
    // other type is refused.
    static bool checkInputType(const GstCaps *caps);
    // Remembers the size and depth of the connected video type.
    void setMediaType(int width, int height, bool rgb32);
    int width() const { return m_width.load(std::memory_order_relaxed); }
    int height() const { return m_height.load(std::memory_order_relaxed); }
    bool isRgb32() const { return m_rgb32.load(std::memory_order_relaxed); }
    // Whether anything downstream (a recording, the presentation) shows the frames: without,
    // the canvas need not write its composed picture back into 32-bit frames. On at first.
    void setWriteBack(bool on) { m_writeBack.store(on, std::memory_order_relaxed); }
    bool writesBack() const { return m_writeBack.load(std::memory_order_relaxed); }

    // One frame of the connected size whose rows lie stride bytes apart: the bottom picture
    // row is replaced by the row above it, then the canvas receives the picture.
    void transform(uchar *data, int stride);

private:
    mutable std::mutex m_callbackMutex; // held while a frame is with the canvas
    ICaptureCB *m_callback;
    GstElement *m_element = nullptr;
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
    std::atomic<bool> m_rgb32{false};
    std::atomic<bool> m_writeBack{true};
    std::vector<uchar> m_packed; // streaming thread only
};
