#pragma once

#include <QImage>
#include <QtGlobal>

// Interface through which every source hands pictures to a canvas.
//
// frameArrived() receives width x height pixels of 3 bytes in packed rows (stride
// width * 3). With bottomUp true the rows run bottom to top and each pixel is B, G, R;
// with bottomUp false the rows run top to bottom and each pixel is R, G, B. The callee
// may read and write the buffer until it returns.
//
// frameArrivedRgb32() receives 32-bit pixels (B, G, R, unused byte in memory: the toolkit's
// QImage::Format_RGB32), rows top to bottom, stride bytes apart. With writeBack the callee
// leaves in the buffer the picture that goes on downstream; without, nothing downstream shows
// the buffer and the callee need not write it. The default repacks the frame to 3 bytes a
// pixel for frameArrived() (and back with writeBack).
class ICaptureCB {
public:
    virtual ~ICaptureCB() = default;

    virtual void frameArrived(uchar *data, int width, int height, bool bottomUp) = 0;
    virtual void frameArrivedRgb32(uchar *data, int width, int height, int stride, bool writeBack);
    virtual void setImage(const QImage &image) = 0;
    virtual void startRefresh() {}
    virtual void stopRefresh() {}

protected:
    ICaptureCB() = default;
    ICaptureCB(const ICaptureCB &) = default;
    ICaptureCB &operator=(const ICaptureCB &) = default;
};
