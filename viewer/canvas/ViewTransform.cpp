#include "ViewTransform.h"

#include <QTransform>

namespace {

// The rectangle a quarter turn clockwise maps r to, inside a picture of the given height.
QRect quarterTurned(const QRect &r, int pictureHeight)
{
    return {pictureHeight - r.y() - r.height(), r.x(), r.height(), r.width()};
}

QRect mirroredRect(const QRect &r, const QSize &picture, bool horizontal, bool vertical)
{
    return {horizontal ? picture.width() - r.x() - r.width() : r.x(),
            vertical ? picture.height() - r.y() - r.height() : r.y(), r.width(), r.height()};
}

QImage turnedImage(const QImage &image, int turns)
{
    if ((turns & 3) == 0) {
        return image;
    }
    return image.transformed(QTransform().rotate(90.0 * (turns & 3)), Qt::FastTransformation);
}

} // namespace

QSize ViewTransform::viewSize(const QSize &picture) const
{
    return (turns & 1) != 0 ? picture.transposed() : picture;
}

QRect ViewTransform::toView(const QRect &r, const QSize &picture) const
{
    QRect out = mirroredRect(r, picture, mirrorH, mirrorV);
    QSize size = picture;
    for (int k = 0; k < (turns & 3); ++k) {
        out = quarterTurned(out, size.height());
        size.transpose();
    }
    return out;
}

QRect ViewTransform::fromView(const QRect &r, const QSize &picture) const
{
    // Turning on to a whole turn undoes the turns; the mirror undoes itself.
    QSize size = viewSize(picture);
    QRect out = r;
    for (int k = 0; k < (4 - (turns & 3)) % 4; ++k) {
        out = quarterTurned(out, size.height());
        size.transpose();
    }
    return mirroredRect(out, picture, mirrorH, mirrorV);
}

QImage ViewTransform::toView(const QImage &part) const
{
    const QImage mirrored = mirrorH || mirrorV ? part.mirrored(mirrorH, mirrorV) : part;
    return turnedImage(mirrored, turns);
}

QImage ViewTransform::fromView(const QImage &part) const
{
    const QImage turned = turnedImage(part, 4 - (turns & 3));
    return mirrorH || mirrorV ? turned.mirrored(mirrorH, mirrorV) : turned;
}
