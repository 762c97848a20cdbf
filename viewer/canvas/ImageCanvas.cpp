#include "ImageCanvas.h"

#include "CanvasLog.h"
#include "CaptureFileName.h"
#include "ColorEffects.h"
#include "OSDProcessor.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QTextDocument>
#include <QTextEdit>
#include <QTransform>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kBytesPerPixel = 3;
const char *const snapshotNameFormat = "yyyy-MM-dd_hh-mm-ss";
const char *const snapshotSuffix = ".jpg";
const char *const backgroundPicture = ":/icons/Background/MAIN_WINDOWS.png";

qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Copies one row of width pixels, reversing the byte order of each pixel (R, G, B <-> B, G, R).
void copySwappedRow(uchar *dst, const uchar *src, int width)
{
    for (int x = 0; x < width; ++x, dst += kBytesPerPixel, src += kBytesPerPixel) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

// The rectangle a quarter turn clockwise maps r to, inside a picture of the given height.
QRect rotatedQuarter(const QRect &r, int pictureHeight)
{
    if (r.isEmpty()) {
        return {};
    }
    return {pictureHeight - r.y() - r.height(), r.x(), r.height(), r.width()};
}

QImage turned(const QImage &picture, int quarterTurns)
{
    if (quarterTurns % 4 == 0 || picture.isNull()) {
        return picture;
    }
    return picture.transformed(QTransform().rotate(90.0 * quarterTurns), Qt::FastTransformation);
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

// The pixels of `region` of the view of a 24-bit picture: the picture mirrored as `view` says,
// then turned clockwise by its quarter turns; the same pixels the toolkit's mirroring and fast
// rotation give, in one copy and without turning the rest of the picture.
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

constexpr int kChunkPixels = 8;

int chunksPerRow(int width)
{
    return (width + kChunkPixels - 1) / kChunkPixels;
}

// Sets the flag of every run of eight layer pixels inside `area` that is not fully cleared.
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
            for (int x = k * kChunkPixels; x < end; ++x) {
                any |= row[x];
            }
            chunks[size_t(y) * size_t(stride) + size_t(k)] = any != 0 ? 1 : 0;
        }
    }
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

// Lays the part `area` of the ARGB32 layer over the 24-bit picture whose top-left corner is
// at `origin` of the layer (source-over), with the toolkit's rounding; runs of eight layer
// pixels flagged empty in `chunks` are not read at all.
void overlay(QImage &picture, const QImage &layer, const std::vector<quint8> &chunks,
             const QRect &area, const QPoint &origin)
{
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

int floorToBlock(int v)
{
    return v - v % ColorEffects::kMosaicBlock;
}

// round() of the triangle corners: to the nearest integer, halves upwards.
int roundHalfUp(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

} // namespace

ImageCanvas::ImageCanvas(QWidget *parent)
    : QWidget(parent), m_textEdit(new QTextEdit(this)),
      m_clock{steadyMilliseconds, [] { return QDateTime::currentDateTime(); }}
{
    m_textEdit->hide();
    m_textEdit->setStyleSheet(QStringLiteral("border: none;"));
    m_fontFamily = font().family();
    m_fontSize = font().pointSize();
    m_textEdit->setTextColor(m_textColor);

    m_refreshTimer.setInterval(kRefreshIntervalMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &ImageCanvas::autoRefresh);

    setImage(QImage(QString::fromLatin1(backgroundPicture)));
}

ImageCanvas::~ImageCanvas()
{
    m_refreshTimer.stop();
}

// ---------------------------------------------------------------------------------------------
// Frame intake

void ImageCanvas::frameArrived(uchar *data, int width, int height, bool bottomUp)
{
    if (width <= 0 || height <= 0 || data == nullptr) {
        width = height = 0;
    }
    {
        QMutexLocker locker(&m_lock);
        // The last frame's pictures lend their buffers to this one unless someone (a
        // printout, say) still holds them.
        QImage spare = std::move(m_composed);
        m_display = QImage();
        // While frozen the incoming picture is dropped, so it need not be read at all.
        if (!isFrozen()) {
            importFrame(m_raw, data, width, height, bottomUp);
        }
        QImage picture = compose(m_raw, spare);
        if (!picture.isNull()) {
            snapshotStep(picture);
        }
        m_composed = picture;
        m_display = picture;
        m_displayWidth.store(picture.width(), std::memory_order_relaxed);
        m_displayHeight.store(picture.height(), std::memory_order_relaxed);
        // A frozen picture of another size than the buffer cannot be written back; the
        // buffer then keeps the incoming picture.
        if (!picture.isNull() && picture.width() == width && picture.height() == height) {
            exportFrame(picture, data, bottomUp);
        }
    }
    requestRepaint();
}

void ImageCanvas::setImage(const QImage &image)
{
    std::vector<uchar> buffer;
    int width = 0;
    int height = 0;
    {
        QMutexLocker locker(&m_lock);
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        width = rgb.width();
        height = rgb.height();
        const auto rowBytes = static_cast<size_t>(width) * kBytesPerPixel;
        buffer.resize(rowBytes * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y) {
            std::memcpy(buffer.data() + rowBytes * static_cast<size_t>(y), rgb.constScanLine(y),
                        rowBytes);
        }
    }
    frameArrived(buffer.data(), width, height, false);
}

void ImageCanvas::startRefresh()
{
    m_refreshTimer.start();
}

void ImageCanvas::stopRefresh()
{
    m_refreshTimer.stop();
}

bool ImageCanvas::isRefreshing() const
{
    return m_refreshTimer.isActive();
}

void ImageCanvas::autoRefresh()
{
    QImage raw;
    {
        QMutexLocker locker(&m_lock);
        raw = m_raw;
    }
    setImage(raw);
}

void ImageCanvas::setOSDProcessor(OSDProcessor *osd)
{
    m_osd = osd;
}

void ImageCanvas::importFrame(QImage &picture, const uchar *data, int width, int height,
                              bool bottomUp)
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

void ImageCanvas::exportFrame(const QImage &picture, uchar *data, bool bottomUp)
{
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

QImage ImageCanvas::compose(const QImage &raw, QImage &spare)
{
    const int width = raw.width();
    const int height = raw.height();
    if (width != m_frameWidth.load() || height != m_frameHeight.load()) {
        m_frameWidth.store(width);
        m_frameHeight.store(height);
        resetLayer(width, height);
        setZoomCentred(centre(), static_cast<int>(zoom()));
    }
    if (raw.isNull()) {
        return {};
    }

    // Only the part of the turned picture that the view shows is composed: the window of
    // the view, widened to whole blocks for the mosaic, whose blocks start at (0, 0).
    const int rotW = rotatedWidth();
    const int rotH = rotatedHeight();
    const QRect bounds(0, 0, rotW, rotH);
    const double z = zoom();
    QRect window = QRect(static_cast<int>(m_panX / z), static_cast<int>(m_panY / z),
                         std::max(1, std::min(rotW, static_cast<int>(width / z))),
                         std::max(1, std::min(rotH, static_cast<int>(height / z))))
                       .intersected(bounds);
    if (window.isEmpty()) {
        window = bounds;
    }
    QRect region = window;
    if (effect() == ColorEffects::EffectMosaic) {
        const int block = ColorEffects::kMosaicBlock;
        region.setCoords(floorToBlock(window.left()), floorToBlock(window.top()),
                         std::min(rotW, floorToBlock(window.right()) + block) - 1,
                         std::min(rotH, floorToBlock(window.bottom()) + block) - 1);
    }

    QImage c = viewRegion(raw, viewTransform(), region);
    const QRect drawn = m_layerUsed.intersected(region).intersected(m_layer.rect());
    if (!drawn.isEmpty()) {
        overlay(c, m_layer, m_layerChunks, drawn, region.topLeft());
    }
    if (effect() != ColorEffects::EffectColor) {
        ColorEffects::applyEffect(c, effect());
    }

    QImage view = window == region ? c : c.copy(window.translated(-region.topLeft()));
    if (mask() != ColorEffects::MaskNone) {
        ColorEffects::applyMask(view, mask());
    }
    return fitView(view, spare);
}

QImage ImageCanvas::fitView(const QImage &view, QImage &spare) const
{
    const int width = m_frameWidth.load();
    const int height = m_frameHeight.load();
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

void ImageCanvas::resetLayer(int width, int height)
{
    if (width > 0 && height > 0) {
        // The layer lies in the view's coordinates: turned, it is the turned frame's size.
        m_layer = QImage(viewTransform().viewSize(QSize(width, height)), QImage::Format_ARGB32);
        m_layer.fill(Qt::transparent);
    } else {
        m_layer = QImage();
    }
    m_layerUsed = QRect();
    m_layerChunks.assign(size_t(chunksPerRow(m_layer.width())) * size_t(m_layer.height()), 0);
    m_layerEpoch.fetch_add(1);
}

void ImageCanvas::noteDrawn(const QRect &area)
{
    const QRect inside = area.intersected(m_layer.rect());
    m_layerUsed = m_layerUsed.united(inside);
    scanChunks(m_layer, m_layerChunks, inside);
}

void ImageCanvas::requestRepaint()
{
    // Queued to the GUI thread, whichever thread asks; the slot is named rather than wrapped
    // in a functor, so that nothing of ours is handed across the threads.
    QMetaObject::invokeMethod(this, "update", Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------------------------
// Snapshots

void ImageCanvas::snapshotStep(const QImage &picture)
{
    if (!m_armed || m_snapshotFolder.isEmpty()) {
        return;
    }
    // A folder that went away (a drive pulled out) keeps the canvas armed until it is back;
    // meanwhile the notice says that nothing is saved.
    if (!QDir(m_snapshotFolder).exists()) {
        if (m_osd != nullptr) {
            m_osd->showNotice(tr("Snapshot not saved"));
        }
        return;
    }
    const QString stem = m_clock.localNow().toString(QString::fromLatin1(snapshotNameFormat));
    if (!m_continuous) {
        m_armed = false;
        shoot(picture, stem, false);
        return;
    }
    const qint64 elapsedMs = std::max<qint64>(0, m_clock.monotonicMs() - m_snapshotStartMs);
    const auto second = static_cast<quint64>(elapsedMs / 1000);
    if (second - m_lastShotSecond >= m_intervalSeconds) {
        // A series without an interval writes every frame: one picture per second is kept,
        // the latest, rather than a numbered file for each frame.
        shoot(picture, stem, m_intervalSeconds == 0);
        m_lastShotSecond = second;
    }
    if (second >= m_stopAfterSeconds) {
        m_armed = false;
    }
}

void ImageCanvas::shoot(const QImage &picture, const QString &stem, bool replace)
{
    const QDir folder(m_snapshotFolder);
    const QString suffix = QString::fromLatin1(snapshotSuffix);
    QFile file;
    bool written = false;
    if (replace) {
        file.setFileName(CaptureFileName::numbered(folder, stem, suffix, 1));
        written = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    } else {
        written = CaptureFileName::createNew(file, folder, stem, suffix);
    }
    if (written) {
        QImageWriter writer(&file, "jpeg");
        written = writer.write(picture) && file.flush();
        if (!written) {
            qCDebug(lcCanvas) << "snapshot" << file.fileName()
                              << "not written:" << writer.errorString() << file.errorString();
        }
        file.close();
        written = written && file.error() == QFileDevice::NoError;
        if (!written) {
            file.remove();
        }
    } else {
        qCDebug(lcCanvas) << "snapshot" << stem << "in" << m_snapshotFolder
                          << "not created:" << file.errorString();
    }
    if (m_osd == nullptr) {
        return;
    }
    if (written) {
        m_osd->showSnapshot();
    } else {
        m_osd->showNotice(tr("Snapshot not saved"));
    }
}

void ImageCanvas::setSnapshotFolder(const QString &folder)
{
    QMutexLocker locker(&m_lock);
    m_snapshotFolder = folder;
}

QString ImageCanvas::snapshotFolder() const
{
    QMutexLocker locker(&m_lock);
    return m_snapshotFolder;
}

void ImageCanvas::setSnapshotContinuous(bool continuous)
{
    QMutexLocker locker(&m_lock);
    m_continuous = continuous;
}

bool ImageCanvas::isSnapshotContinuous() const
{
    QMutexLocker locker(&m_lock);
    return m_continuous;
}

void ImageCanvas::setSnapshotInterval(quint64 seconds)
{
    QMutexLocker locker(&m_lock);
    m_intervalSeconds = seconds;
}

quint64 ImageCanvas::snapshotInterval() const
{
    QMutexLocker locker(&m_lock);
    return m_intervalSeconds;
}

void ImageCanvas::setSnapshotStopAfter(quint64 seconds)
{
    QMutexLocker locker(&m_lock);
    m_stopAfterSeconds = seconds;
}

quint64 ImageCanvas::snapshotStopAfter() const
{
    QMutexLocker locker(&m_lock);
    return m_stopAfterSeconds;
}

void ImageCanvas::startSnapshot()
{
    QMutexLocker locker(&m_lock);
    if (m_snapshotFolder.isEmpty() || !QDir(m_snapshotFolder).exists()) {
        return;
    }
    m_armed = true;
    m_snapshotStartMs = m_clock.monotonicMs();
    m_lastShotSecond = 0;
}

void ImageCanvas::stopSnapshot()
{
    QMutexLocker locker(&m_lock);
    m_armed = false;
}

bool ImageCanvas::isSnapshotArmed() const
{
    QMutexLocker locker(&m_lock);
    return m_armed;
}

void ImageCanvas::setClock(const Clock &clock)
{
    QMutexLocker locker(&m_lock);
    m_clock = clock;
}

// ---------------------------------------------------------------------------------------------
// View geometry

int ImageCanvas::rotatedWidth() const
{
    return rotation() % 2 == 0 ? m_frameWidth.load() : m_frameHeight.load();
}

int ImageCanvas::rotatedHeight() const
{
    return rotation() % 2 == 0 ? m_frameHeight.load() : m_frameWidth.load();
}

double ImageCanvas::bestFitLocked() const
{
    const int width = m_frameWidth.load();
    const int height = m_frameHeight.load();
    if (width <= 0 || height <= 0) {
        return 1.0;
    }
    return std::min(double(width) / rotatedWidth(), double(height) / rotatedHeight());
}

QPointF ImageCanvas::centre() const
{
    const double z = zoom();
    const double f = std::min(z, 1.0);
    const int width = m_frameWidth.load();
    const int height = m_frameHeight.load();
    const double cx =
        (std::min(static_cast<int>(rotatedWidth() * z), width) * f * 0.5 + m_panX) / z;
    const double cy =
        (std::min(static_cast<int>(rotatedHeight() * z), height) * f * 0.5 + m_panY) / z;
    return {cx, cy};
}

void ImageCanvas::setZoomCentred(const QPointF &centre, int step)
{
    // Without a picture there is no best fit: the requested step holds, at least 1.
    const bool empty = m_frameWidth.load() <= 0 || m_frameHeight.load() <= 0;
    const double z = empty ? std::max(step, 1) : std::max(double(step), bestFitLocked());
    m_zoom.store(z);
    const double f = std::min(z, 1.0);
    setPanLocked(static_cast<int>(centre.x() * z - m_frameWidth.load() * f * 0.5),
                 static_cast<int>(centre.y() * z - m_frameHeight.load() * f * 0.5));
}

void ImageCanvas::setPanLocked(int x, int y)
{
    const double z = zoom();
    const int maxX = std::max(0, static_cast<int>(rotatedWidth() * z) - m_frameWidth.load() - 1);
    const int maxY = std::max(0, static_cast<int>(rotatedHeight() * z) - m_frameHeight.load() - 1);
    m_panX = std::clamp(x, 0, maxX);
    m_panY = std::clamp(y, 0, maxY);
}

void ImageCanvas::setPan(int x, int y)
{
    {
        QMutexLocker locker(&m_lock);
        setPanLocked(x, y);
    }
    update();
}

QPoint ImageCanvas::pan() const
{
    QMutexLocker locker(&m_lock);
    return {m_panX, m_panY};
}

double ImageCanvas::bestFit() const
{
    QMutexLocker locker(&m_lock);
    return bestFitLocked();
}

QSize ImageCanvas::frameSize() const
{
    return {m_frameWidth.load(), m_frameHeight.load()};
}

QSize ImageCanvas::displaySize() const
{
    return {m_displayWidth.load(std::memory_order_relaxed),
            m_displayHeight.load(std::memory_order_relaxed)};
}

void ImageCanvas::zoomIn()
{
    if (zoom() + 1 > kMaxZoom) {
        return;
    }
    {
        QMutexLocker locker(&m_lock);
        setZoomCentred(centre(), static_cast<int>(zoom() + 1));
    }
    update();
}

void ImageCanvas::zoomOut()
{
    {
        QMutexLocker locker(&m_lock);
        setZoomCentred(centre(), static_cast<int>(zoom() - 1));
    }
    update();
}

void ImageCanvas::zoomReset()
{
    {
        QMutexLocker locker(&m_lock);
        m_zoom.store(rotation() % 2 == 1 ? 1.0 : 2.0);
        setZoomCentred(centre(), static_cast<int>(zoom() - 1));
    }
    update();
}

void ImageCanvas::rotate()
{
    {
        QMutexLocker locker(&m_lock);
        turnLocked();
    }
    update();
}

void ImageCanvas::rotateLeft()
{
    {
        QMutexLocker locker(&m_lock);
        for (int k = 0; k < 3; ++k) {
            turnLocked();
        }
    }
    update();
}

void ImageCanvas::turnLocked()
{
    const QPointF old = centre();
    m_rotation.store((rotation() + 1) % 4);
    const double z = zoom();
    const QPointF turnedCentre((static_cast<int>(rotatedWidth() * z) - old.y() * z - 1) / z,
                               old.x());
    const int layerHeight = m_layer.height();
    const QRect used = rotatedQuarter(m_layerUsed, layerHeight);
    replaceLayerLocked(turned(m_layer, 1), used);
    setZoomCentred(turnedCentre, static_cast<int>(z));
}

void ImageCanvas::mirrorLeftRight()
{
    {
        QMutexLocker locker(&m_lock);
        mirrorViewLocked(true);
    }
    update();
}

void ImageCanvas::mirrorTopBottom()
{
    {
        QMutexLocker locker(&m_lock);
        mirrorViewLocked(false);
    }
    update();
}

void ImageCanvas::mirrorViewLocked(bool leftRight)
{
    const QPointF old = centre();
    // Mirroring the view across one axis mirrors the picture across the same axis after an
    // even number of quarter turns and across the other one after an odd number.
    if (leftRight == (rotation() % 2 == 0)) {
        m_mirrorH.store(!isMirroredHorizontally());
    } else {
        m_mirrorV.store(!isMirroredVertically());
    }
    const QSize size = m_layer.size();
    QRect used;
    if (!m_layerUsed.isEmpty()) {
        used = leftRight
                   ? QRect(size.width() - m_layerUsed.x() - m_layerUsed.width(), m_layerUsed.y(),
                           m_layerUsed.width(), m_layerUsed.height())
                   : QRect(m_layerUsed.x(), size.height() - m_layerUsed.y() - m_layerUsed.height(),
                           m_layerUsed.width(), m_layerUsed.height());
    }
    replaceLayerLocked(m_layer.isNull() ? m_layer : m_layer.mirrored(leftRight, !leftRight), used);
    const QPointF mirroredCentre = leftRight ? QPointF(rotatedWidth() - old.x(), old.y())
                                             : QPointF(old.x(), rotatedHeight() - old.y());
    setZoomCentred(mirroredCentre, static_cast<int>(zoom()));
}

void ImageCanvas::replaceLayerLocked(const QImage &layer, const QRect &used)
{
    m_layer = layer;
    m_layerUsed = QRect();
    m_layerChunks.assign(size_t(chunksPerRow(m_layer.width())) * size_t(m_layer.height()), 0);
    noteDrawn(used);
}

ViewTransform ImageCanvas::viewTransform() const
{
    return {rotation(), isMirroredHorizontally(), isMirroredVertically()};
}

void ImageCanvas::setZoomStep(int step)
{
    {
        QMutexLocker locker(&m_lock);
        setZoomCentred(centre(), std::clamp(step, 0, static_cast<int>(kMaxZoom)));
    }
    update();
}

void ImageCanvas::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    QMutexLocker locker(&m_lock);
    setZoomCentred(centre(), static_cast<int>(zoom()));
}

QImage ImageCanvas::currentImage() const
{
    QMutexLocker locker(&m_lock);
    return m_composed;
}

QImage ImageCanvas::layerImage() const
{
    QMutexLocker locker(&m_lock);
    return m_layer;
}

void ImageCanvas::setEffect(int effect)
{
    QMutexLocker locker(&m_lock);
    m_effect.store(effect);
}

void ImageCanvas::setMask(int mask)
{
    QMutexLocker locker(&m_lock);
    m_mask.store(mask);
}

void ImageCanvas::setFrozen(bool frozen)
{
    QMutexLocker locker(&m_lock);
    m_frozen.store(frozen);
}

// ---------------------------------------------------------------------------------------------
// Painting and the widget-to-frame mapping

ImageCanvas::Placement ImageCanvas::placement() const
{
    Placement p;
    const int w = m_display.width();
    const int h = m_display.height();
    if (w <= 0 || h <= 0) {
        return p;
    }
    p.scale = std::min(double(height()) / h, double(width()) / w);
    p.width = static_cast<int>(w * p.scale);
    p.height = static_cast<int>(h * p.scale);
    p.x = (width() - p.width) / 2;
    p.y = (height() - p.height) / 2;
    return p;
}

void ImageCanvas::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    if (isBlanked()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    QMutexLocker locker(&m_lock);
    painter.fillRect(QRect(QPoint(2, 2), QPoint(width() - 3, height() - 3)), Qt::black);
    const Placement p = placement();
    if (p.scale > 0) {
        painter.drawImage(QRect(p.x, p.y, p.width, p.height), m_display);
        if (m_osd != nullptr) {
            m_osd->paint(painter);
        }
    }
    painter.setPen(QPen(QColor(0x48, 0x48, 0x48), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(1, 1), QPoint(width() - 2, height() - 2)));
}

QPoint ImageCanvas::widgetToFrameLocked(const QPoint &widgetPoint) const
{
    const Placement p = placement();
    if (p.scale <= 0) {
        return {};
    }
    return {static_cast<int>((widgetPoint.x() - p.x) / p.scale),
            static_cast<int>((widgetPoint.y() - p.y) / p.scale)};
}

QPoint ImageCanvas::frameToLayerLocked(const QPoint &framePoint) const
{
    const double z = zoom();
    const int width = m_frameWidth.load();
    const int height = m_frameHeight.load();
    const int offX =
        std::max(0, static_cast<int>((width - static_cast<int>(rotatedWidth() * z)) * 0.5));
    const int offY =
        std::max(0, static_cast<int>((height - static_cast<int>(rotatedHeight() * z)) * 0.5));
    return {static_cast<int>((framePoint.x() + m_panX - offX) / z),
            static_cast<int>((framePoint.y() + m_panY - offY) / z)};
}

QPoint ImageCanvas::widgetToFrame(const QPoint &widgetPoint) const
{
    QMutexLocker locker(&m_lock);
    return widgetToFrameLocked(widgetPoint);
}

QPoint ImageCanvas::frameToLayer(const QPoint &framePoint) const
{
    QMutexLocker locker(&m_lock);
    return frameToLayerLocked(framePoint);
}

// ---------------------------------------------------------------------------------------------
// Annotation tools

void ImageCanvas::setTool(int code)
{
    m_tool.store(code);
    if (code != ToolText) {
        commitText();
    }
}

void ImageCanvas::eraseAll()
{
    // The cleared layer is made outside the lock; the old one becomes the undo step.
    const QSize size = frameSize();
    QImage cleared;
    if (size.width() > 0 && size.height() > 0) {
        cleared = QImage(viewTransform().viewSize(size), QImage::Format_ARGB32);
        cleared.fill(Qt::transparent);
    }
    QImage before;
    QImage after;
    QRect area;
    quint64 epoch = 0;
    {
        QMutexLocker locker(&m_lock);
        before = m_layer;
        area = m_layerUsed;
        if (cleared.size() == m_layer.size()) {
            m_layer = cleared;
        } else {
            m_layer.fill(Qt::transparent);
        }
        m_layerUsed = QRect();
        std::fill(m_layerChunks.begin(), m_layerChunks.end(), quint8(0));
        after = m_layer;
        epoch = m_layerEpoch.load();
    }
    cleared = QImage();
    recordStep(before, after, area, epoch, viewTransform());
    update();
}

void ImageCanvas::undo()
{
    applyHistory(true);
}

void ImageCanvas::redo()
{
    applyHistory(false);
}

bool ImageCanvas::canUndo()
{
    syncHistory();
    return m_history.canUndo();
}

bool ImageCanvas::canRedo()
{
    syncHistory();
    return m_history.canRedo();
}

void ImageCanvas::syncHistory()
{
    const quint64 epoch = m_layerEpoch.load();
    if (epoch == m_historyEpoch) {
        return;
    }
    m_history.clear();
    m_historyEpoch = epoch;
}

void ImageCanvas::recordStep(const QImage &before, const QImage &after, const QRect &area,
                             quint64 epoch, const ViewTransform &transform)
{
    syncHistory();
    if (epoch != m_historyEpoch || area.isEmpty()) {
        return;
    }
    m_history.record(before, after, area, transform);
}

void ImageCanvas::applyHistory(bool undo)
{
    syncHistory();
    // The tiles are laid out for the view outside the lock; only the exchange runs under it.
    const ViewTransform transform = viewTransform();
    const QSize picture = frameSize();
    AnnotationHistory::Patches patches =
        undo ? m_history.takeUndo(transform, picture) : m_history.takeRedo(transform, picture);
    if (patches.empty()) {
        return;
    }
    bool stale = false;
    {
        QMutexLocker locker(&m_lock);
        if (m_layerEpoch.load() != m_historyEpoch) {
            stale = true;
        } else {
            AnnotationHistory::exchange(m_layer, patches);
            for (const AnnotationHistory::Patch &patch : patches) {
                noteDrawn(patch.area);
            }
        }
    }
    if (stale) {
        syncHistory();
        return;
    }
    if (undo) {
        m_history.putRedo(patches, transform, picture);
    } else {
        m_history.putUndo(patches, transform, picture);
    }
    update();
}

void ImageCanvas::setBlanked(bool blanked)
{
    m_blanked.store(blanked);
    update();
}

void ImageCanvas::setLineWidth(int width)
{
    m_lineWidth = width;
}

void ImageCanvas::setLineColor(const QColor &color)
{
    m_lineColor = color;
}

void ImageCanvas::setFillColor(const QColor &color)
{
    m_fillColor = color;
}

void ImageCanvas::setFillEnabled(bool enabled)
{
    m_fillEnabled = enabled;
}

void ImageCanvas::setTextColor(const QColor &color)
{
    m_textColor = color;
    m_textEdit->setTextColor(color);
}

void ImageCanvas::setFontFamily(const QString &family)
{
    m_fontFamily = family;
    m_textEdit->setCurrentFont(QFont(m_fontFamily, m_fontSize));
}

void ImageCanvas::setFontSize(int pointSize)
{
    m_fontSize = pointSize;
    m_textEdit->setCurrentFont(QFont(m_fontFamily, m_fontSize));
}

void ImageCanvas::mousePressEvent(QMouseEvent *event)
{
    QMutexLocker locker(&m_lock);
    m_lastPoint = widgetToFrameLocked(event->position().toPoint());
    m_layerBackup = m_layer;
    m_layerBackupUsed = m_layerUsed;
    m_layerChunksBackup = m_layerChunks;
    m_strokeEpoch = m_layerEpoch.load();
    m_strokeTransform = viewTransform();
    m_strokeArea = QRect();
}

void ImageCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (tool() == ToolHand) {
        emit handDoubleClicked();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void ImageCanvas::mouseMoveEvent(QMouseEvent *event)
{
    {
        QMutexLocker locker(&m_lock);
        const QPoint p = widgetToFrameLocked(event->position().toPoint());
        switch (tool()) {
        case ToolHand:
            setPanLocked(m_panX + m_lastPoint.x() - p.x(), m_panY + m_lastPoint.y() - p.y());
            m_lastPoint = p;
            break;
        case ToolClip: {
            // The selection stays inside the picture (inclusive corners).
            const int right = std::max(0, m_frameWidth.load() - 1);
            const int bottom = std::max(0, m_frameHeight.load() - 1);
            m_clipRect = QRect(QPoint(std::max(0, std::min(m_lastPoint.x(), p.x())),
                                      std::max(0, std::min(m_lastPoint.y(), p.y()))),
                               QPoint(std::min(std::max(m_lastPoint.x(), p.x()), right),
                                      std::min(std::max(m_lastPoint.y(), p.y()), bottom)));
            break;
        }
        case ToolText:
            break;
        case ToolEraser:
            erase(frameToLayerLocked(p));
            break;
        default:
            drawShape(p);
            break;
        }
    }
    update();
}

void ImageCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (tool() == ToolClip) {
        copyClip();
    } else if (tool() == ToolText) {
        if (!m_textEdit->isHidden()) {
            commitText();
        } else {
            openTextEditor(event->position().toPoint());
        }
    } else {
        // A finished stroke (drawing tools and the eraser) is one undo step.
        QImage before;
        QImage after;
        QRect area;
        quint64 epoch = 0;
        {
            QMutexLocker locker(&m_lock);
            before = m_layerBackup;
            after = m_layer;
            area = m_strokeArea;
            m_strokeArea = QRect();
            epoch = m_layerEpoch.load();
        }
        if (epoch == m_strokeEpoch && viewTransform() == m_strokeTransform) {
            recordStep(before, after, area, epoch, m_strokeTransform);
        }
    }
    update();
}

void ImageCanvas::drawShape(const QPoint &framePoint)
{
    if (m_layer.isNull()) {
        return;
    }
    const QPoint a = frameToLayerLocked(m_lastPoint);
    const QPoint b = frameToLayerLocked(framePoint);
    const int dx = b.x() - a.x();
    const int dy = b.y() - a.y();
    const int code = tool();
    if (code != ToolFreehand && m_layerBackup.size() == m_layer.size()) {
        m_layer = m_layerBackup;
        m_layerUsed = m_layerBackupUsed;
        m_layerChunks = m_layerChunksBackup;
    }

    QPainter painter(&m_layer);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(m_lineColor);
    if (m_lineWidth > 0) {
        pen.setWidth(m_lineWidth);
    }
    painter.setPen(pen);
    painter.setBrush(m_fillEnabled ? QBrush(m_fillColor) : QBrush(Qt::NoBrush));

    const QRect box(a, QPoint(b.x() - 1, b.y() - 1));
    QPolygonF polygon;
    switch (code) {
    case ToolFreehand:
        painter.drawLine(a, b);
        m_lastPoint = framePoint;
        break;
    case ToolLine:
        painter.drawLine(a, b);
        break;
    case ToolRectangle:
        painter.drawRect(box);
        break;
    case ToolCircle:
        painter.drawPath(ellipseOutline(box));
        break;
    case ToolArrow: {
        const QPointF n(-dy, dx);
        const QPointF d(dx, dy);
        const QPointF pa(a);
        polygon << pa + 0.05 * n << pa + 0.05 * n + 0.8 * d << pa + 0.1 * n + 0.8 * d << QPointF(b)
                << pa - 0.1 * n + 0.8 * d << pa - 0.05 * n + 0.8 * d << pa - 0.05 * n;
        painter.drawPolygon(polygon, Qt::OddEvenFill);
        break;
    }
    case ToolTriangle: {
        const double root3 = std::sqrt(3.0);
        const QPoint side(roundHalfUp(-dy / root3), roundHalfUp(dx / root3));
        const QPoint otherSide(roundHalfUp(dy / root3), roundHalfUp(-dx / root3));
        polygon << QPointF(a) << QPointF(b + side) << QPointF(b + otherSide);
        painter.drawPolygon(polygon, Qt::OddEvenFill);
        break;
    }
    default:
        return;
    }
    painter.end();

    // Everything drawn lies within the shape's points widened by the pen. An ellipse's outline
    // is a curve the painter flattens and strokes by its own rules, and a flat one with a thin
    // pen reaches beyond its box widened by the pen: its area is the stroked outline's.
    QRect bounds;
    if (code == ToolCircle) {
        bounds = ellipseArea(box, pen);
    } else {
        bounds =
            polygon.isEmpty() ? QRect(a, b).normalized() : polygon.boundingRect().toAlignedRect();
        bounds = bounds.united(QRect(a, b).normalized());
        const int margin = std::max(1, m_lineWidth) + 2;
        bounds.adjust(-margin, -margin, margin, margin);
    }
    m_strokeArea = m_strokeArea.united(bounds);
    noteDrawn(bounds);
}

QPainterPath ImageCanvas::ellipseOutline(const QRect &box)
{
    QPainterPath outline;
    outline.addEllipse(QRectF(box.normalized()));
    return outline;
}

QRect ImageCanvas::ellipseArea(const QRect &box, const QPen &pen)
{
    const QPainterPath outline = ellipseOutline(box);
    QPainterPathStroker stroker(pen);
    stroker.setWidth(std::max(1, pen.width())); // a cosmetic pen covers one pixel
    const QRectF touched =
        stroker.createStroke(outline).boundingRect().united(outline.boundingRect());
    // Pixels whose centres the rasteriser rounds outwards, on both sides.
    constexpr int kRasterMargin = 2;
    return touched.toAlignedRect().adjusted(-kRasterMargin, -kRasterMargin, kRasterMargin,
                                            kRasterMargin);
}

void ImageCanvas::erase(const QPoint &centre)
{
    const int e = 2 * m_lineWidth + 1;
    const QRect square =
        QRect(QPoint(centre.x() - e, centre.y() - e), QPoint(centre.x() + e, centre.y() + e))
            .intersected(m_layer.rect());
    if (square.isEmpty()) {
        return;
    }
    m_strokeArea = m_strokeArea.united(square);
    for (int y = square.top(); y <= square.bottom(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(m_layer.scanLine(y));
        std::fill(row + square.left(), row + square.right() + 1, QRgb(0));
    }
    scanChunks(m_layer, m_layerChunks, square);
}

void ImageCanvas::copyClip()
{
    QImage part;
    {
        QMutexLocker locker(&m_lock);
        if (!m_clipRect.isEmpty()) {
            part = m_display.copy(m_clipRect);
        }
        m_clipRect = QRect();
    }
    if (part.isNull()) {
        return;
    }
    QApplication::clipboard()->setImage(part, QClipboard::Clipboard);
    emit clipDone();
}

void ImageCanvas::openTextEditor(const QPoint &widgetPoint)
{
    QMutexLocker locker(&m_lock);
    m_textEdit->move(widgetPoint);
    m_textEdit->resize(std::max(40, width() - widgetPoint.x() - 3),
                       std::max(20, height() - widgetPoint.y() - 3));
    m_textEdit->setFont(font());
    m_textEdit->clear();
    // Typed text takes the chosen colour and font, also after clear() reset the format.
    m_textEdit->setTextColor(m_textColor);
    m_textEdit->setCurrentFont(QFont(m_fontFamily, m_fontSize));
    m_textEdit->show();
    m_textEdit->setFocus(Qt::OtherFocusReason);
    m_textAnchor = frameToLayerLocked(widgetToFrameLocked(widgetPoint));
}

void ImageCanvas::commitText()
{
    // Only text being edited is committed, once: the editor is emptied afterwards, so that
    // a later tool change cannot paint the same text again (over an erased area, say).
    if (m_textEdit->isHidden()) {
        return;
    }
    m_textEdit->hide();
    // A copy lays itself out at the editor's width, also when the editor never got the
    // layout a shown widget gets; the text keeps the wrapping it had in the editor.
    const std::unique_ptr<QTextDocument> document(m_textEdit->document()->clone());
    document->setTextWidth(m_textEdit->viewport()->width());
    QImage before;
    QImage after;
    QRect bounds;
    quint64 epoch = 0;
    {
        QMutexLocker locker(&m_lock);
        if (!m_layer.isNull()) {
            before = m_layer;
            QPainter painter(&m_layer);
            painter.translate(m_textAnchor);
            document->drawContents(&painter, QRectF());
            painter.end();
            bounds = QRect(m_textAnchor, document->size().toSize() + QSize(1, 1));
            noteDrawn(bounds);
            after = m_layer;
            epoch = m_layerEpoch.load();
        }
    }
    recordStep(before, after, bounds, epoch, viewTransform());
    m_textEdit->clear();
    update();
}
