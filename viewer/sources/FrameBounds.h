#pragma once

#include <QSize>
#include <QtGlobal>

// The largest picture the viewer decodes from a file: 8192 pixels on a side and 40 megapixels
// (120 MB as 24-bit pixels, 160 MB as 32-bit). Films and photographs beyond it are refused
// before a buffer of their size exists; the camera's frames are far smaller.
struct FrameBounds {
    static constexpr int MaxSide = 8192;
    static constexpr qint64 MaxPixels = 40'000'000;
    // Qt's image allocation limit for the process, in megabytes: one picture at the bound as
    // 32-bit pixels.
    static constexpr int AllocationLimitMb = int((MaxPixels * 4 + (1 << 20) - 1) >> 20);

    static constexpr bool fits(qint64 width, qint64 height)
    {
        return width > 0 && height > 0 && width <= MaxSide && height <= MaxSide &&
               width * height <= MaxPixels;
    }
    static bool fits(const QSize &size) { return fits(size.width(), size.height()); }
};
