#include "ICaptureCB.h"

#include <vector>

void ICaptureCB::frameArrivedRgb32(uchar *data, int width, int height, int stride, bool writeBack)
{
    if (data == nullptr || width <= 0 || height <= 0 || stride < width * 4) {
        frameArrived(nullptr, 0, 0, false);
        return;
    }
    std::vector<uchar> packed(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        const uchar *from = data + qsizetype(y) * stride;
        uchar *to = packed.data() + qsizetype(y) * width * 3;
        for (int x = 0; x < width; ++x, from += 4, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    frameArrived(packed.data(), width, height, false);
    if (!writeBack) {
        return;
    }
    for (int y = 0; y < height; ++y) {
        uchar *to = data + qsizetype(y) * stride;
        const uchar *from = packed.data() + qsizetype(y) * width * 3;
        for (int x = 0; x < width; ++x, from += 3, to += 4) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
}
