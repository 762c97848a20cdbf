#include "ColorEffects.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct EffectEntry {
    const char *key;
    const char *label;
};

constexpr std::array<EffectEntry, ColorEffects::effectCount> effects{{
    {"COLOR", QT_TRANSLATE_NOOP("ColorEffects", "Color")},
    {"BW", QT_TRANSLATE_NOOP("ColorEffects", "B & W")},
    {"NEGATIVE", QT_TRANSLATE_NOOP("ColorEffects", "Negative")},
    {"MOSAIC", QT_TRANSLATE_NOOP("ColorEffects", "Mosaic")},
}};

constexpr std::array<const char *, ColorEffects::maskCount> maskKeys{"", "CIRCLE", "RECTANGLE",
                                                                     "LEFT", "TOP"};

// Weights of the grey value in ten-thousandths, so that most pixels need no floating point.
struct GreyTables {
    std::array<int, 256> r{}, g{}, b{};
    GreyTables()
    {
        for (int v = 0; v < 256; ++v) {
            r[v] = 2989 * v;
            g[v] = 5870 * v;
            b[v] = 1140 * v;
        }
    }
};

const GreyTables &greyTables()
{
    static const GreyTables tables;
    return tables;
}

// Largest s with s * s <= n (n >= 0).
qint64 integerSqrt(qint64 n)
{
    auto s = static_cast<qint64>(std::sqrt(static_cast<double>(n)));
    while (s > 0 && s * s > n)
        --s;
    while ((s + 1) * (s + 1) <= n)
        ++s;
    return s;
}

} // namespace

QString ColorEffects::effectKey(int effect)
{
    if (effect < 0 || effect >= effectCount)
        return {};
    return QString::fromLatin1(effects[static_cast<size_t>(effect)].key);
}

const char *ColorEffects::effectLabel(int effect)
{
    if (effect < 0 || effect >= effectCount)
        return nullptr;
    return effects[static_cast<size_t>(effect)].label;
}

QString ColorEffects::maskKey(int mask)
{
    if (mask < 0 || mask >= maskCount)
        return {};
    return QString::fromLatin1(maskKeys[static_cast<size_t>(mask)]);
}

QList<int> ColorEffects::selectableEffects()
{
    return {EffectColor, EffectBlackWhite, EffectNegative, EffectMosaic};
}

QList<int> ColorEffects::selectableMasks()
{
    return {MaskCircle, MaskRectangle, MaskLeft, MaskTop};
}

int ColorEffects::grey(int r, int g, int b)
{
    const GreyTables &t = greyTables();
    const int sum = t.r[r & 0xff] + t.g[g & 0xff] + t.b[b & 0xff];
    // The exact sum only differs from the double-precision result when it is a whole
    // number, which the binary weights may miss by a hair; those few use the double.
    if (sum % 10000 != 0)
        return sum / 10000;
    return static_cast<int>(0.2989 * (r & 0xff) + 0.587 * (g & 0xff) + 0.114 * (b & 0xff));
}

void ColorEffects::applyEffect(QImage &rgb888, int effect)
{
    if (effect <= EffectColor || effect >= effectCount || !prepare(rgb888))
        return;
    switch (effect) {
    case EffectBlackWhite:
        blackWhite(rgb888);
        break;
    case EffectNegative:
        negative(rgb888);
        break;
    case EffectMosaic:
        mosaic(rgb888);
        break;
    default:
        break;
    }
}

void ColorEffects::applyMask(QImage &rgb888, int mask)
{
    if (mask <= MaskNone || mask >= maskCount || !prepare(rgb888))
        return;
    const int w = rgb888.width();
    const int h = rgb888.height();
    switch (mask) {
    case MaskCircle:
        circle(rgb888);
        break;
    case MaskRectangle:
        rectangle(rgb888);
        break;
    case MaskLeft:
        for (int y = 0; y < h; ++y)
            blackSpan(rgb888.scanLine(y), 0, w / 2);
        break;
    case MaskTop:
        blackRows(rgb888, 0, h / 2);
        break;
    default:
        break;
    }
}

bool ColorEffects::prepare(QImage &image)
{
    if (image.isNull())
        return false;
    if (image.format() != QImage::Format_RGB888)
        image.convertTo(QImage::Format_RGB888);
    return !image.isNull() && image.format() == QImage::Format_RGB888;
}

void ColorEffects::blackWhite(QImage &image)
{
    const GreyTables &t = greyTables();
    const int w = image.width();
    const int h = image.height();
    const qsizetype stride = image.bytesPerLine();
    uchar *bits = image.bits();
    for (int y = 0; y < h; ++y) {
        uchar *p = bits + y * stride;
        for (int x = 0; x < w; ++x, p += 3) {
            const int sum = t.r[p[0]] + t.g[p[1]] + t.b[p[2]];
            int v = sum / 10000;
            if (sum - v * 10000 == 0)
                v = grey(p[0], p[1], p[2]);
            const auto g = static_cast<uchar>(v);
            p[0] = g;
            p[1] = g;
            p[2] = g;
        }
    }
}

void ColorEffects::negative(QImage &image)
{
    const qsizetype rowBytes = qsizetype(image.width()) * 3;
    const qsizetype stride = image.bytesPerLine();
    uchar *bits = image.bits();
    for (int y = 0; y < image.height(); ++y) {
        uchar *p = bits + y * stride;
        qsizetype i = 0;
        for (; i + 8 <= rowBytes; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, sizeof word);
            word = ~word;
            std::memcpy(p + i, &word, sizeof word);
        }
        for (; i < rowBytes; ++i)
            p[i] = static_cast<uchar>(255 - p[i]);
    }
}

void ColorEffects::mosaic(QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    const qsizetype stride = image.bytesPerLine();
    uchar *bits = image.bits();
    const int columns = (w + mosaicBlock - 1) / mosaicBlock;
    std::vector<int> sums(static_cast<size_t>(columns) * 3);
    std::vector<uchar> means(static_cast<size_t>(columns) * 3);

    for (int y0 = 0; y0 < h; y0 += mosaicBlock) {
        const int bh = std::min(mosaicBlock, h - y0);
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = y0; y < y0 + bh; ++y) {
            const uchar *p = bits + y * stride;
            for (int x = 0; x < w; ++x, p += 3) {
                int *s = &sums[static_cast<size_t>(x / mosaicBlock) * 3];
                s[0] += p[0];
                s[1] += p[1];
                s[2] += p[2];
            }
        }
        for (int c = 0; c < columns; ++c) {
            const int bw = std::min(mosaicBlock, w - c * mosaicBlock);
            const int count = bw * bh;
            for (int k = 0; k < 3; ++k) {
                const auto i = static_cast<size_t>(c) * 3 + static_cast<size_t>(k);
                means[i] = static_cast<uchar>(sums[i] / count);
            }
        }
        for (int y = y0; y < y0 + bh; ++y) {
            uchar *p = bits + y * stride;
            for (int x = 0; x < w; ++x, p += 3) {
                const uchar *m = &means[static_cast<size_t>(x / mosaicBlock) * 3];
                p[0] = m[0];
                p[1] = m[1];
                p[2] = m[2];
            }
        }
    }
}

void ColorEffects::circle(QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    const int cx = w / 2;
    const int cy = h / 2;
    const auto r = static_cast<qint64>(0.48 * std::min(w, h));
    const qint64 r2 = r * r;
    for (int y = 0; y < h; ++y) {
        const qint64 dy = cy - y;
        if (dy * dy > r2) {
            blackSpan(image.scanLine(y), 0, w);
            continue;
        }
        // Visible: cx - s <= x <= cx + s.
        const qint64 s = integerSqrt(r2 - dy * dy);
        const auto left = static_cast<int>(std::clamp<qint64>(cx - s, 0, w));
        const auto right = static_cast<int>(std::clamp<qint64>(cx + s + 1, 0, w));
        uchar *row = image.scanLine(y);
        blackSpan(row, 0, left);
        blackSpan(row, right, w - right);
    }
}

void ColorEffects::rectangle(QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    const int cx = w / 2;
    const int cy = h / 2;
    const auto hx = static_cast<int>(0.3 * w);
    const auto hy = static_cast<int>(0.3 * h);
    // Visible: cx - hx <= x <= cx + hx and cy - hy <= y <= cy + hy.
    const int top = std::clamp(cy - hy, 0, h);
    const int bottom = std::clamp(cy + hy + 1, 0, h);
    const int left = std::clamp(cx - hx, 0, w);
    const int right = std::clamp(cx + hx + 1, 0, w);
    blackRows(image, 0, top);
    for (int y = top; y < bottom; ++y) {
        uchar *row = image.scanLine(y);
        blackSpan(row, 0, left);
        blackSpan(row, right, w - right);
    }
    blackRows(image, bottom, h - bottom);
}

void ColorEffects::blackRows(QImage &image, int firstRow, int rowCount)
{
    for (int y = firstRow; y < firstRow + rowCount; ++y)
        blackSpan(image.scanLine(y), 0, image.width());
}

void ColorEffects::blackSpan(uchar *row, int firstColumn, int columnCount)
{
    if (columnCount > 0)
        std::memset(row + qsizetype(firstColumn) * 3, 0, size_t(columnCount) * 3);
}
