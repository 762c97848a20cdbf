#pragma once

#include <QImage>
#include <QtGlobal>

// Interface through which every source hands pictures to a canvas.
//
// frameArrived() receives width x height pixels of 3 bytes in packed rows (stride
// width * 3). With bottomUp true the rows run bottom to top and each pixel is B, G, R;
// with bottomUp false the rows run top to bottom and each pixel is R, G, B. The callee
// may read and write the buffer until it returns.
class ICaptureCB {
public:
    virtual ~ICaptureCB() = default;

    virtual void frameArrived(uchar *data, int width, int height, bool bottomUp) = 0;
    virtual void setImage(const QImage &image) = 0;
    virtual void startRefresh() {}
    virtual void stopRefresh() {}

protected:
    ICaptureCB() = default;
    ICaptureCB(const ICaptureCB &) = default;
    ICaptureCB &operator=(const ICaptureCB &) = default;
};
