#include "FrameOps.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kBytesPerPixel = 3;

// Copies one row of width pixels, reversing the byte order of each pixel (R, G, B <-> B, G, R).
void copySwappedRow(uchar *dst, const uchar *src, int width)
{
    for (int x = 0; x < width; ++x, dst += kBytesPerPixel, src += kBytesPerPixel) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

void copyPixel(uchar *dst, const uchar *src)
{
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
}

// Copies one pixel with one 4-byte load and store: the byte after the source pixel is read
// and the byte after the target pixel is overwritten, so both must be there to spare.
void copyPixelWide(uchar *dst, const uchar *src)
{
    quint32 v;
    std::memcpy(&v, src, sizeof v);
    std::memcpy(dst, &v, sizeof v);
}

// Copies count pixels from src (stepping srcStep bytes) to consecutive target pixels. The
// last target pixel and the last pixel of the source picture (`sourceEnd`) are copied
// narrowly, so nothing outside the target span or the source picture is touched.
void copyPixels(uchar *dst, const uchar *src, qsizetype srcStep, int count, const uchar *sourceEnd)
{
    for (int i = 0; i < count; ++i, dst += kBytesPerPixel, src += srcStep) {
        if (i + 1 < count && src != sourceEnd) {
            copyPixelWide(dst, src);
        } else {
            copyPixel(dst, src);
        }
    }
}

// Copies count pixels of one row backwards (src is the rightmost one read, the row runs left
// from it) to consecutive target pixels: four pixels at a time, read as one 12-byte run and
// written reversed as one, with the pixels moved in registers. Reads stay within the row.
void copyRowReversed(uchar *dst, const uchar *src, int count)
{
    constexpr int kBlock = 4;
    constexpr int kBlockBytes = kBlock * kBytesPerPixel;
    constexpr quint64 kPixelMask = 0xffffff;
    int i = 0;
    // The shifts below read the bytes in little-endian order; elsewhere pixel by pixel.
    for (; Q_BYTE_ORDER == Q_LITTLE_ENDIAN && i + kBlock <= count;
         i += kBlock, dst += kBlockBytes, src -= kBlockBytes) {
        // Pixels p0 .. p3 in memory order, p3 being the one at src.
        quint64 low;
        quint32 high;
        std::memcpy(&low, src - (kBlock - 1) * kBytesPerPixel, sizeof low);
        std::memcpy(&high, src - (kBlock - 1) * kBytesPerPixel + sizeof low, sizeof high);
        const quint64 p0 = low & kPixelMask;
        const quint64 p1 = (low >> 24) & kPixelMask;
        const quint64 p2 = ((low >> 48) | (quint64(high) << 16)) & kPixelMask;
        const quint64 p3 = (high >> 8) & kPixelMask;
        const quint64 outLow = p3 | (p2 << 24) | (p1 << 48);
        const auto outHigh = static_cast<quint32>((p1 >> 16) | (p0 << 8));
        std::memcpy(dst, &outLow, sizeof outLow);
        std::memcpy(dst + sizeof outLow, &outHigh, sizeof outHigh);
    }
    for (; i < count; ++i, dst += kBytesPerPixel, src -= kBytesPerPixel) {
        copyPixel(dst, src);
    }
}

// x * a / 255 per channel of a premultiplied pixel, rounded as the toolkit's blending does.
uint byteMul(uint x, uint a)
{
    uint t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080);
    x &= 0xff00ff00;
    return x | t;
}

// One layer pixel over one picture pixel (source-over), with the toolkit's rounding.
void blendPixel(uchar *p, QRgb s)
{
    const uint a = qAlpha(s);
    if (a == 0) {
        return;
    }
    QRgb result = s;
    if (a != 255) {
        result = qPremultiply(s) + byteMul(qRgb(p[0], p[1], p[2]), 255 - a);
    }
    p[0] = static_cast<uchar>(qRed(result));
    p[1] = static_cast<uchar>(qGreen(result));
    p[2] = static_cast<uchar>(qBlue(result));
}

// The opaque layer pixel as R, G, B bytes followed by one spare byte, for copyPixelWide().
quint32 opaqueBytes(QRgb s)
{
    const uchar bytes[4] = {static_cast<uchar>(qRed(s)), static_cast<uchar>(qGreen(s)),
                            static_cast<uchar>(qBlue(s)), 0};
    quint32 v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

// Up to four layer pixels over the picture; four cleared ones are skipped and four opaque
// ones copied at once.
void overlayRun(uchar *p, const QRgb *s, int n)
{
    constexpr int kRun = 4;
    if (n == kRun) {
        if ((s[0] | s[1] | s[2] | s[3]) == 0) {
            return;
        }
        if (qAlpha(s[0] & s[1] & s[2] & s[3]) == 255) {
            // The fourth pixel is written narrowly: the byte after it is not ours.
            for (int i = 0; i < kRun - 1; ++i) {
                const quint32 v = opaqueBytes(s[i]);
                std::memcpy(p + i * kBytesPerPixel, &v, sizeof v);
            }
            blendPixel(p + (kRun - 1) * kBytesPerPixel, s[kRun - 1]);
            return;
        }
    }
    for (int i = 0; i < n; ++i) {
        blendPixel(p + i * kBytesPerPixel, s[i]);
    }
}

// Source index of each target pixel when `source` pixels are scaled to `target` pixels by the
// toolkit's fast (nearest) scaling: pixel centres in 16.16 fixed point with its round-off
// nudge of 1/65536, stepped incrementally along spans of 2048 pixels within a row
// (`spans`) or computed afresh for each row.
std::vector<int> nearestIndices(int source, int target, bool spans)
{
    std::vector<int> indices(static_cast<size_t>(std::max(0, target)));
    constexpr double kFixedScale = 65536.0;
    constexpr int kSpanLength = 2048;
    const double scale = double(target) / source;
    const double inverse = 1.0 / scale;
    const double nudge = -((1.0 / kFixedScale) * scale) * inverse;
    const int step = static_cast<int>(inverse * kFixedScale);
    for (int start = 0; start < target; start += spans ? kSpanLength : 1) {
        int fixed = static_cast<int>((inverse * (start + 0.5) + nudge) * kFixedScale);
        const int end = spans ? std::min(target, start + kSpanLength) : start + 1;
        for (int i = start; i < end; ++i, fixed += step) {
            indices[size_t(i)] = std::clamp(fixed >> 16, 0, source - 1);
        }
    }
    return indices;
}

// Scales `view` to width x height (nearest, as the toolkit's fast scaling) into `target` at
// (x, y).
void scaleInto(const QImage &view, QImage &target, int x, int y, int width, int height)
{
    const std::vector<int> columns = nearestIndices(view.width(), width, true);
    const std::vector<int> rows = nearestIndices(view.height(), height, false);
    std::vector<qsizetype> offsets(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        offsets[i] = qsizetype(columns[i]) * kBytesPerPixel;
    }
    // Target pixels that come from the source row's last pixel are copied narrowly: on the
    // last row nothing follows it.
    const auto wide =
        std::min<size_t>(size_t(std::max(0, width - 1)),
                         size_t(std::lower_bound(columns.begin(), columns.end(), view.width() - 1) -
                                columns.begin()));
    const auto rowBytes = size_t(width) * kBytesPerPixel;
    for (int row = 0; row < height; ++row) {
        uchar *d = target.scanLine(y + row) + qsizetype(x) * kBytesPerPixel;
        if (row > 0 && rows[size_t(row)] == rows[size_t(row) - 1]) {
            std::memcpy(d, d - target.bytesPerLine(), rowBytes);
            continue;
        }
        const uchar *s = view.constScanLine(rows[size_t(row)]);
        size_t i = 0;
        for (; i < wide; ++i, d += kBytesPerPixel) {
            copyPixelWide(d, s + offsets[i]);
        }
        for (; i < offsets.size(); ++i, d += kBytesPerPixel) {
            copyPixel(d, s + offsets[i]);
        }
    }
}

// Paints everything of the 24-bit picture outside `inside` black.
void fillAround(QImage &picture, const QRect &inside)
{
    const auto rowBytes = size_t(picture.width()) * kBytesPerPixel;
    for (int y = 0; y < picture.height(); ++y) {
        uchar *row = picture.scanLine(y);
        if (y < inside.top() || y > inside.bottom() || inside.isEmpty()) {
            std::memset(row, 0, rowBytes);
            continue;
        }
        std::memset(row, 0, size_t(inside.left()) * kBytesPerPixel);
        const auto right = size_t(inside.right() + 1) * kBytesPerPixel;
        std::memset(row + right, 0, rowBytes - right);
    }
}

} // namespace

namespace FrameOps {

QImage viewRegion(const QImage &picture, const ViewTransform &view, const QRect &region)
{
    if (view.isIdentity()) {
        return region == picture.rect() ? picture : picture.copy(region);
    }
    QImage out(region.size(), QImage::Format_RGB888);
    if (out.isNull()) {
        return out;
    }
    const int w = picture.width();
    const int h = picture.height();
    const uchar *src = picture.constBits();
    const qsizetype bpl = picture.bytesPerLine();
    const uchar *lastPixel = src + (h - 1) * bpl + qsizetype(w - 1) * kBytesPerPixel;

    // The picture pixel (column, row) under view pixel (X, Y) is linear in X and Y: before the
    // mirror, (X, Y) after no turn, (Y, h - 1 - X) after one, (w - 1 - X, h - 1 - Y) after two
    // and (w - 1 - Y, X) after three; the mirror then reflects the column or the row.
    struct Axis {
        int base, perX, perY;
    };
    Axis column{0, 1, 0};
    Axis row{0, 0, 1};
    switch (view.turns & 3) {
    case 1:
        column = {0, 0, 1};
        row = {h - 1, -1, 0};
        break;
    case 2:
        column = {w - 1, -1, 0};
        row = {h - 1, 0, -1};
        break;
    case 3:
        column = {w - 1, 0, -1};
        row = {0, 1, 0};
        break;
    default:
        break;
    }
    if (view.mirrorH) {
        column = {w - 1 - column.base, -column.perX, -column.perY};
    }
    if (view.mirrorV) {
        row = {h - 1 - row.base, -row.perX, -row.perY};
    }
    const qsizetype stepX = row.perX * bpl + column.perX * kBytesPerPixel;
    const qsizetype stepY = row.perY * bpl + column.perY * kBytesPerPixel;
    const uchar *origin =
        src + (row.base + row.perX * region.x() + row.perY * region.y()) * bpl +
        qsizetype(column.base + column.perX * region.x() + column.perY * region.y()) *
            kBytesPerPixel;

    if (stepX == kBytesPerPixel || stepX == -kBytesPerPixel) {
        // Rows of the view are rows of the picture, read forwards or backwards.
        const auto rowBytes = size_t(region.width()) * kBytesPerPixel;
        for (int y = 0; y < region.height(); ++y) {
            const uchar *s = origin + y * stepY;
            if (stepX > 0) {
                std::memcpy(out.scanLine(y), s, rowBytes);
            } else {
                copyRowReversed(out.scanLine(y), s, region.width());
            }
        }
        return out;
    }
    // Rows of the view are columns of the picture: work in tiles so that the rows read stay
    // in the cache.
    constexpr int kTile = 64;
    uchar *dst = out.bits();
    const qsizetype dbpl = out.bytesPerLine();
    for (int ty = 0; ty < region.height(); ty += kTile) {
        const int yEnd = std::min(region.height(), ty + kTile);
        for (int tx = 0; tx < region.width(); tx += kTile) {
            const int count = std::min(region.width(), tx + kTile) - tx;
            for (int y = ty; y < yEnd; ++y) {
                copyPixels(dst + y * dbpl + qsizetype(tx) * kBytesPerPixel,
                           origin + tx * stepX + y * stepY, stepX, count, lastPixel);
            }
        }
    }
    return out;
}

int chunksPerRow(int width)
{
    return (width + kChunkPixels - 1) / kChunkPixels;
}

void scanChunks(const QImage &layer, std::vector<quint8> &chunks, const QRect &area)
{
    const QRect r = area.intersected(layer.rect());
    if (r.isEmpty()) {
        return;
    }
    const int stride = chunksPerRow(layer.width());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(layer.constScanLine(y));
        for (int k = r.left() / kChunkPixels; k <= r.right() / kChunkPixels; ++k) {
            const int end = std::min(layer.width(), (k + 1) * kChunkPixels);
            QRgb any = 0;
            QRgb all = ~0u;
            for (int x = k * kChunkPixels; x < end; ++x) {
                any |= row[x];
                all &= row[x];
            }
            chunks[size_t(y) * size_t(stride) + size_t(k)] =
                any == 0 ? 0 : (qAlpha(all) == 255 ? kChunkOpaque : 1);
        }
    }
}

namespace {

// overlay() on a 32-bit picture: the same source-over and rounding as on 24 bits. A run of
// eight layer pixels all opaque is copied at once, one all cleared is skipped.
void overlay32(QImage &picture, const QImage &layer, const std::vector<quint8> &chunks,
               const QRect &area, const QPoint &origin)
{
    const int stride = chunksPerRow(layer.width());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *__restrict src = reinterpret_cast<const QRgb *>(layer.constScanLine(y));
        const quint8 *flags = chunks.data() + size_t(y) * size_t(stride);
        auto *__restrict row =
            reinterpret_cast<QRgb *>(picture.scanLine(y - origin.y())) - origin.x();
        for (int k = area.left() / kChunkPixels; k <= area.right() / kChunkPixels; ++k) {
            if (flags[k] == 0) {
                continue;
            }
            const int begin = std::max(area.left(), k * kChunkPixels);
            const int end = std::min(area.right() + 1, (k + 1) * kChunkPixels);
            if (flags[k] == kChunkOpaque && end - begin == kChunkPixels) {
                std::memcpy(row + begin, src + begin, kChunkPixels * sizeof(QRgb));
                continue;
            }
            for (int x = begin; x < end; ++x) {
                const QRgb s = src[x];
                const uint a = qAlpha(s);
                if (a == 255) {
                    row[x] = s;
                } else if (a != 0) {
                    row[x] = (qPremultiply(s) + byteMul(row[x], 255 - a)) | 0xff000000u;
                }
            }
        }
    }
}

} // namespace

void overlay(QImage &picture, const QImage &layer, const std::vector<quint8> &chunks,
             const QRect &area, const QPoint &origin)
{
    if (picture.format() == QImage::Format_RGB32) {
        overlay32(picture, layer, chunks, area, origin);
        return;
    }
    constexpr int kRun = 4;
    uchar *dst = picture.bits();
    const qsizetype bpl = picture.bytesPerLine();
    const int stride = chunksPerRow(layer.width());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(layer.constScanLine(y));
        const quint8 *flags = chunks.data() + size_t(y) * size_t(stride);
        uchar *row = dst + (y - origin.y()) * bpl;
        for (int k = area.left() / kChunkPixels; k <= area.right() / kChunkPixels; ++k) {
            if (flags[k] == 0) {
                continue;
            }
            const int end = std::min(area.right() + 1, (k + 1) * kChunkPixels);
            for (int x = std::max(area.left(), k * kChunkPixels); x < end; x += kRun) {
                overlayRun(row + qsizetype(x - origin.x()) * kBytesPerPixel, src + x,
                           std::min(kRun, end - x));
            }
        }
    }
}

void importFrame(QImage &picture, const uchar *data, int width, int height, bool bottomUp)
{
    if (width <= 0 || height <= 0) {
        picture = QImage();
        return;
    }
    if (!picture.isDetached() || picture.width() != width || picture.height() != height ||
        picture.format() != QImage::Format_RGB888) {
        picture = QImage(width, height, QImage::Format_RGB888);
    }
    if (picture.isNull()) {
        return;
    }
    const qsizetype rowBytes = qsizetype(width) * kBytesPerPixel;
    if (!bottomUp && picture.bytesPerLine() == rowBytes) {
        std::memcpy(picture.bits(), data, size_t(rowBytes * height));
        return;
    }
    for (int y = 0; y < height; ++y) {
        if (bottomUp) {
            copySwappedRow(picture.scanLine(y), data + rowBytes * (height - 1 - y), width);
        } else {
            std::memcpy(picture.scanLine(y), data + rowBytes * y, size_t(rowBytes));
        }
    }
}

std::vector<uchar> packedRows(const QImage &rgb888)
{
    const auto rowBytes = size_t(rgb888.width()) * kBytesPerPixel;
    std::vector<uchar> buffer(rowBytes * size_t(rgb888.height()));
    for (int y = 0; y < rgb888.height(); ++y) {
        std::memcpy(buffer.data() + rowBytes * size_t(y), rgb888.constScanLine(y), rowBytes);
    }
    return buffer;
}

namespace {

// One row of 32-bit pixels copied with the fourth byte set, in 16-byte steps the compiler turns
// into vector operations (source and target never overlap).
void orOpaqueRow(uchar *__restrict to, const uchar *__restrict from, int width)
{
    constexpr int kStep = 4;
    int x = 0;
    for (; x + kStep <= width; x += kStep) {
        quint32 v[kStep];
        std::memcpy(v, from + x * 4, sizeof v);
        for (quint32 &p : v) {
            p |= 0xff000000u;
        }
        std::memcpy(to + x * 4, v, sizeof v);
    }
    for (; x < width; ++x) {
        quint32 p;
        std::memcpy(&p, from + x * 4, sizeof p);
        p |= 0xff000000u;
        std::memcpy(to + x * 4, &p, sizeof p);
    }
}

} // namespace

bool fit32(QImage &picture, const QSize &size)
{
    if (!picture.isDetached() || picture.size() != size ||
        picture.format() != QImage::Format_RGB32) {
        picture = QImage(size, QImage::Format_RGB32);
    }
    return !picture.isNull();
}

void importRows32(QImage &picture, const uchar *data, int stride, int top, int bottom)
{
    // The fourth byte of the caller's pixels is undefined; the toolkit's format wants it 0xff.
    uchar *bits = picture.bits();
    const qsizetype bpl = picture.bytesPerLine();
    for (int y = top; y <= bottom; ++y) {
        orOpaqueRow(bits + bpl * y, data + qsizetype(y) * stride, picture.width());
    }
}

void importFrame32(QImage &picture, const uchar *data, int width, int height, int stride)
{
    if (width <= 0 || height <= 0 || stride < width * 4) {
        picture = QImage();
        return;
    }
    if (fit32(picture, QSize(width, height))) {
        importRows32(picture, data, stride, 0, height - 1);
    }
}

QImage copyInto(const QImage &picture, QImage &spare)
{
    if (!spare.isDetached() || spare.size() != picture.size() ||
        spare.format() != picture.format()) {
        spare = QImage(picture.size(), picture.format());
    }
    if (spare.isNull()) {
        return spare;
    }
    const auto rowBytes = size_t(std::min(picture.bytesPerLine(), spare.bytesPerLine()));
    for (int y = 0; y < picture.height(); ++y) {
        std::memcpy(spare.scanLine(y), picture.constScanLine(y), rowBytes);
    }
    return spare;
}

void exportFrame32(const QImage &picture, uchar *data, int stride)
{
    const QImage rgb32 = picture.format() == QImage::Format_RGB32
                             ? picture
                             : picture.convertToFormat(QImage::Format_RGB32);
    const auto rowBytes = size_t(rgb32.width()) * 4;
    for (int y = 0; y < rgb32.height(); ++y) {
        std::memcpy(data + qsizetype(y) * stride, rgb32.constScanLine(y), rowBytes);
    }
}

void exportFrame(const QImage &image, uchar *data, bool bottomUp)
{
    const QImage picture = image.format() == QImage::Format_RGB888
                               ? image
                               : image.convertToFormat(QImage::Format_RGB888);
    const int width = picture.width();
    const int height = picture.height();
    const qsizetype rowBytes = qsizetype(width) * kBytesPerPixel;
    if (!bottomUp && picture.bytesPerLine() == rowBytes) {
        std::memcpy(data, picture.constBits(), size_t(rowBytes * height));
        return;
    }
    for (int y = 0; y < height; ++y) {
        if (bottomUp) {
            copySwappedRow(data + rowBytes * (height - 1 - y), picture.constScanLine(y), width);
        } else {
            std::memcpy(data + rowBytes * y, picture.constScanLine(y), size_t(rowBytes));
        }
    }
}

QImage fitInto(const QImage &view, const QSize &frame, QImage &spare)
{
    const int width = frame.width();
    const int height = frame.height();
    if (view.width() == width && view.height() == height) {
        return view;
    }
    const double s = std::min(double(width) / view.width(), double(height) / view.height());
    const int scaledWidth = static_cast<int>(view.width() * s);
    const int scaledHeight = static_cast<int>(view.height() * s);
    // Either the scaled view fills the frame, or it sits in the middle of black bars.
    const bool fills = scaledWidth >= width && scaledHeight >= height;
    const QSize size = fills ? QSize(scaledWidth, scaledHeight) : QSize(width, height);
    QImage out = std::move(spare);
    if (!out.isDetached() || out.size() != size || out.format() != QImage::Format_RGB888) {
        out = QImage(size, QImage::Format_RGB888);
    }
    if (out.isNull()) {
        return out;
    }
    const int x = fills ? 0 : (width - scaledWidth) / 2;
    const int y = fills ? 0 : (height - scaledHeight) / 2;
    if (!fills) {
        fillAround(out, QRect(x, y, scaledWidth, scaledHeight));
    }
    scaleInto(view, out, x, y, scaledWidth, scaledHeight);
    return out;
}

void fitIntoRect(const QImage &view, QImage &target, const QRect &rect)
{
    const QRect area = rect.intersected(target.rect());
    if (area.isEmpty()) {
        return;
    }
    int width = 0;
    int height = 0;
    if (!view.isNull()) {
        const double s =
            std::min(double(area.width()) / view.width(), double(area.height()) / view.height());
        width = std::min(area.width(), static_cast<int>(view.width() * s));
        height = std::min(area.height(), static_cast<int>(view.height() * s));
    }
    const QRect inside(area.left() + (area.width() - width) / 2,
                       area.top() + (area.height() - height) / 2, width, height);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        uchar *row = target.scanLine(y) + qsizetype(area.left()) * kBytesPerPixel;
        if (y < inside.top() || y > inside.bottom() || inside.isEmpty()) {
            std::memset(row, 0, size_t(area.width()) * kBytesPerPixel);
            continue;
        }
        std::memset(row, 0, size_t(inside.left() - area.left()) * kBytesPerPixel);
        std::memset(row + qsizetype(inside.right() + 1 - area.left()) * kBytesPerPixel, 0,
                    size_t(area.right() - inside.right()) * kBytesPerPixel);
    }
    if (!inside.isEmpty()) {
        scaleInto(view, target, inside.x(), inside.y(), inside.width(), inside.height());
    }
}

} // namespace FrameOps
