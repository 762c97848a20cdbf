#pragma once

#include "ViewTransform.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// Pixel kernels of the canvas pipeline, on 24-bit pictures (QImage::Format_RGB888) and the
// ARGB32 annotation layer. They give the same pixels as the toolkit's mirroring, fast
// rotation, source-over drawing and fast scaling, in fewer passes over the picture.
namespace FrameOps {

// Layer pixels per flag of a layer's chunk map: one flag per run of eight pixels of a row,
// 0 when all are cleared, kChunkOpaque when all are opaque, 1 otherwise.
constexpr int kChunkPixels = 8;
constexpr quint8 kChunkOpaque = 2;

// Copies a caller's packed frame (top-down R, G, B, or bottom-up B, G, R) into picture, reusing
// its buffer when nobody else holds it; a null picture for an empty frame.
void importFrame(QImage &picture, const uchar *data, int width, int height, bool bottomUp);
// The rows of a 24-bit picture packed (stride width * 3), top-down R, G, B.
std::vector<uchar> packedRows(const QImage &rgb888);
// Writes picture (24 or 32 bits a pixel) into a packed buffer of its size in the caller's
// layout.
void exportFrame(const QImage &picture, uchar *data, bool bottomUp);
// The 32-bit counterparts: a caller's frame of B, G, R, unused byte per pixel, rows stride
// bytes apart, into a QImage::Format_RGB32 picture (buffer reused as importFrame does), and
// a picture of either depth written into such a frame.
void importFrame32(QImage &picture, const uchar *data, int width, int height, int stride);
// Makes picture an RGB32 picture of the size, reusing its buffer when nobody else holds it;
// false when it cannot be made.
bool fit32(QImage &picture, const QSize &size);
// Rows top .. bottom of a caller's 32-bit frame into such a picture of its size.
void importRows32(QImage &picture, const uchar *data, int stride, int top, int bottom);
void exportFrame32(const QImage &picture, uchar *data, int stride);
// A copy of picture in the buffer of `spare` when nobody else holds it and it fits.
QImage copyInto(const QImage &picture, QImage &spare);

// The pixels of `region` of the view of a 24-bit picture: the picture mirrored as `view` says,
// then turned clockwise by its quarter turns; the same pixels the toolkit's mirroring and fast
// rotation give, in one copy and without turning the rest of the picture.
QImage viewRegion(const QImage &picture, const ViewTransform &view, const QRect &region);

// Flags per layer row for a layer of the given width.
int chunksPerRow(int width);
// Sets the flag of every run of eight layer pixels inside `area` as its pixels are.
void scanChunks(const QImage &layer, std::vector<quint8> &chunks, const QRect &area);
// Lays the part `area` of the ARGB32 layer over the 24-bit (or RGB32) picture whose top-left corner
// is at `origin` of the layer (source-over), with the toolkit's rounding; runs of eight layer
// pixels flagged empty in `chunks` are not read at all.
void overlay(QImage &picture, const QImage &layer, const std::vector<quint8> &chunks,
             const QRect &area, const QPoint &origin);

// The view scaled (nearest) to fit the frame size: as it is when it has that size, scaled to
// fill it when its shape allows, otherwise scaled and centred between black bars. The buffer
// of `spare` is reused when nobody else holds it.
QImage fitInto(const QImage &view, const QSize &frame, QImage &spare);

// The view scaled (nearest) to fit `rect` of the 24-bit target keeping its shape, centred
// between black bars; the target's pixels outside `rect` are left as they are.
void fitIntoRect(const QImage &view, QImage &target, const QRect &rect);

} // namespace FrameOps
