#pragma once

#include "ImageCanvas.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPoint>

#include <initializer_list>
#include <vector>

// Pictures, frame buffers and pointer gestures shared by the canvas tests. The buffer
// conversions are written independently of the canvas, pixel by pixel, as the reference.
namespace canvastest {

// An RGB888 picture in which neighbouring pixels differ and channels differ from each other.
inline QImage patternImage(int width, int height, int seed = 0)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uchar>(x * 3 + y * 5 + seed);
            row[3 * x + 1] = static_cast<uchar>(x * 11 + y * 2 + 7 * seed + 40);
            row[3 * x + 2] = static_cast<uchar>(x + y * 17 + 3 * seed + 90);
        }
    }
    return image;
}

inline QImage uniformImage(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(color);
    return image;
}

// Packed rows, top-down R, G, B (bottomUp false) or bottom-up B, G, R (bottomUp true).
inline std::vector<uchar> toBuffer(const QImage &image, bool bottomUp)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::vector<uchar> buffer(size_t(rgb.width()) * size_t(rgb.height()) * 3);
    for (int y = 0; y < rgb.height(); ++y) {
        const int row = bottomUp ? rgb.height() - 1 - y : y;
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = rgb.pixel(x, y);
            uchar *out = &buffer[(size_t(row) * size_t(rgb.width()) + size_t(x)) * 3];
            out[0] = static_cast<uchar>(bottomUp ? qBlue(p) : qRed(p));
            out[1] = static_cast<uchar>(qGreen(p));
            out[2] = static_cast<uchar>(bottomUp ? qRed(p) : qBlue(p));
        }
    }
    return buffer;
}

inline QImage fromBuffer(const std::vector<uchar> &buffer, int width, int height, bool bottomUp)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        const int row = bottomUp ? height - 1 - y : y;
        for (int x = 0; x < width; ++x) {
            const uchar *in = &buffer[(size_t(row) * size_t(width) + size_t(x)) * 3];
            image.setPixel(x, y, bottomUp ? qRgb(in[2], in[1], in[0]) : qRgb(in[0], in[1], in[2]));
        }
    }
    return image;
}

// The picture turned clockwise by quarter turns, pixel by pixel.
inline QImage turnedClockwise(const QImage &image, int quarterTurns)
{
    QImage result = image;
    for (int t = 0; t < quarterTurns % 4; ++t) {
        QImage next(result.height(), result.width(), result.format());
        for (int y = 0; y < result.height(); ++y) {
            for (int x = 0; x < result.width(); ++x) {
                next.setPixel(result.height() - 1 - y, x, result.pixel(x, y));
            }
        }
        result = next;
    }
    return result;
}

// Hands the picture to the canvas as a top-down frame and returns what was written back.
inline std::vector<uchar> feed(ImageCanvas &canvas, const QImage &image, bool bottomUp = false)
{
    std::vector<uchar> buffer = toBuffer(image, bottomUp);
    canvas.frameArrived(buffer.data(), image.width(), image.height(), bottomUp);
    return buffer;
}

// The picture as a 32-bit frame (B, G, R and a fourth byte of `spare`, rows `stride` bytes
// apart); the canvas gets it, and the frame comes back with whatever the canvas left in it.
inline std::vector<uchar> feed32(ImageCanvas &canvas, const QImage &image, bool writeBack,
                                 int stride, uchar spare)
{
    const QImage rgb32 = image.convertToFormat(QImage::Format_RGB32);
    std::vector<uchar> buffer(size_t(stride) * size_t(image.height()), 0xEE);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = rgb32.pixel(x, y);
            uchar *out = &buffer[size_t(y) * size_t(stride) + size_t(x) * 4];
            out[0] = uchar(qBlue(p));
            out[1] = uchar(qGreen(p));
            out[2] = uchar(qRed(p));
            out[3] = spare;
        }
    }
    canvas.frameArrivedRgb32(buffer.data(), image.width(), image.height(), stride, writeBack);
    return buffer;
}

inline void sendMouse(ImageCanvas &canvas, QEvent::Type type, QPoint pos, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(pos), canvas.mapToGlobal(QPointF(pos)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&canvas, &event);
}

// A press, a move with the button held, or a release, as its event type says.
inline void sendMouse(ImageCanvas &canvas, QEvent::Type type, QPoint pos)
{
    sendMouse(canvas, type, pos,
              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton);
}

// Packed RGB rows of busy bytes, no two neighbours alike: a frame that compresses badly.
inline std::vector<uchar> noiseBuffer(int width, int height)
{
    std::vector<uchar> buffer(size_t(width) * size_t(height) * 3);
    for (size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] = static_cast<uchar>((i * 7) ^ (i >> 11));
    }
    return buffer;
}

// Presses at the first point, moves through the others with the button held, releases at
// the last one.
inline void drag(ImageCanvas &canvas, std::initializer_list<QPoint> points)
{
    const QPoint *p = points.begin();
    sendMouse(canvas, QEvent::MouseButtonPress, *p, Qt::LeftButton);
    for (++p; p != points.end(); ++p) {
        sendMouse(canvas, QEvent::MouseMove, *p, Qt::LeftButton);
    }
    sendMouse(canvas, QEvent::MouseButtonRelease, *(points.end() - 1), Qt::NoButton);
}

inline void click(ImageCanvas &canvas, QPoint pos)
{
    drag(canvas, {pos});
}

inline bool opaque(const QImage &layer, int x, int y)
{
    return qAlpha(layer.pixel(x, y)) != 0;
}

} // namespace canvastest
