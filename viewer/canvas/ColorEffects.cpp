#include "ColorEffects.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define COLOR_EFFECTS_X86 1
#endif

namespace {

struct EffectEntry {
    const char *key;
    const char *label;
};

constexpr std::array<EffectEntry, ColorEffects::kEffectCount> kEffects{{
    {"COLOR", QT_TRANSLATE_NOOP("ColorEffects", "Color")},
    {"BW", QT_TRANSLATE_NOOP("ColorEffects", "B & W")},
    {"NEGATIVE", QT_TRANSLATE_NOOP("ColorEffects", "Negative")},
    {"MOSAIC", QT_TRANSLATE_NOOP("ColorEffects", "Mosaic")},
}};

constexpr std::array<const char *, ColorEffects::kMaskCount> maskKeys{"", "CIRCLE", "RECTANGLE",
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
    while (s > 0 && s * s > n) {
        --s;
    }
    while ((s + 1) * (s + 1) <= n) {
        ++s;
    }
    return s;
}

#ifdef COLOR_EFFECTS_X86
bool hasAvx2()
{
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

// sumBand() sixteen bytes per step; returns how many bytes it did.
__attribute__((target("avx2"))) qsizetype sumBandAvx2(quint16 *sums, const uchar *first,
                                                      qsizetype stride, int rows, qsizetype bytes)
{
    qsizetype i = 0;
    for (; i + 16 <= bytes; i += 16) {
        __m256i sum = _mm256_setzero_si256();
        const uchar *p = first + i;
        for (int y = 0; y < rows; ++y, p += stride) {
            sum = _mm256_add_epi16(
                sum, _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p))));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(sums + i), sum);
    }
    return i;
}

#endif

// Column sums of a band of up to eight rows: sums[i] = the sum of byte i over the rows
// (at most 8 x 255, so 16 bits hold it).
void sumBand(quint16 *sums, const uchar *first, qsizetype stride, int rows, qsizetype bytes)
{
    qsizetype i = 0;
#ifdef COLOR_EFFECTS_X86
    if (hasAvx2()) {
        i = sumBandAvx2(sums, first, stride, rows, bytes);
    }
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= bytes; i += 16) {
        __m128i lo = zero;
        __m128i hi = zero;
        const uchar *p = first + i;
        for (int y = 0; y < rows; ++y, p += stride) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
            hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(sums + i), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(sums + i + 8), hi);
    }
#endif
    for (; i < bytes; ++i) {
        int sum = 0;
        for (int y = 0; y < rows; ++y) {
            sum += first[y * stride + i];
        }
        sums[i] = static_cast<quint16>(sum);
    }
}

// The means of one block from its column sums, written over the block's part of a row.
inline void blockMeans(const quint16 *column, int width, int count, uchar *mean)
{
    int sum[3] = {0, 0, 0};
    for (int i = 0; i < width; ++i) {
        sum[0] += column[3 * i];
        sum[1] += column[3 * i + 1];
        sum[2] += column[3 * i + 2];
    }
    uchar means[3];
    for (int k = 0; k < 3; ++k) {
        means[k] = static_cast<uchar>(sum[k] / count);
    }
    for (int i = 0; i < width; ++i, mean += 3) {
        std::memcpy(mean, means, 3);
    }
}

#ifdef COLOR_EFFECTS_X86
// 0.0001 in single precision, moved two representable values down (direction < 0) or up.
float nudgedTenThousandth(int direction)
{
    float value = 1e-4f;
    for (int i = 0; i < 2; ++i) {
        value = std::nextafter(value, direction < 0 ? 0.0f : 1.0f);
    }
    return value;
}

// Greys eight pixels per step and returns how many pixels of the row it did; the caller
// does the rest. Each step reads 28 bytes from the first of its pixels and writes 24.
__attribute__((target("avx2"))) int blackWhiteAvx2(uchar *row, int width)
{
    const __m256i weightsRG = _mm256_setr_epi16(2989, 5870, 2989, 5870, 2989, 5870, 2989, 5870,
                                                2989, 5870, 2989, 5870, 2989, 5870, 2989, 5870);
    const __m256i weightsB =
        _mm256_setr_epi16(1140, 0, 1140, 0, 1140, 0, 1140, 0, 1140, 0, 1140, 0, 1140, 0, 1140, 0);
    // The four pixels of each 128-bit lane as 16-bit (R, G) pairs and as (B, 0) pairs.
    const __m256i spreadRG =
        _mm256_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1, 0, -1, 1, -1, 3,
                         -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
    const __m256i spreadB =
        _mm256_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1, 2, -1, -1, -1,
                         5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
    // The low byte of each 32-bit grey three times: 12 bytes per lane.
    const __m256i replicate =
        _mm256_setr_epi8(0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1, 0, 0, 0, 4, 4, 4, 8,
                         8, 8, 12, 12, 12, -1, -1, -1, -1);
    // The 12 bytes of both lanes side by side.
    const __m256i compact = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
    const __m256 below = _mm256_set1_ps(nudgedTenThousandth(-1));
    const __m256 above = _mm256_set1_ps(nudgedTenThousandth(+1));
    const __m256i ones = _mm256_set1_epi32(-1);

    int x = 0;
    for (; 3 * x + 28 <= 3 * width; x += 8) {
        uchar *p = row + 3 * x;
        const __m256i v = _mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(p + 12),
                                              reinterpret_cast<const __m128i *>(p));
        // Weighted sums in ten-thousandths, pixels 0..3 and 4..7.
        const __m256i sums =
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(v, spreadRG), weightsRG),
                             _mm256_madd_epi16(_mm256_shuffle_epi8(v, spreadB), weightsB));
        // Two single-precision quotients, with the divisor nudged two steps of the float
        // grid down and up. Where they agree they equal the double-precision grey (the tests
        // check all 2^24 colours); they differ only for sums at whole multiples of 10000,
        // about 1700 colours, whose pixels take the double-precision formula.
        const __m256 sumsF = _mm256_cvtepi32_ps(sums);
        __m256i grey = _mm256_cvttps_epi32(_mm256_mul_ps(sumsF, below));
        const __m256i agree =
            _mm256_cmpeq_epi32(grey, _mm256_cvttps_epi32(_mm256_mul_ps(sumsF, above)));
        if (!_mm256_testc_si256(agree, ones)) {
            alignas(32) int greys[8];
            for (int k = 0; k < 8; ++k) {
                greys[k] = ColorEffects::grey(p[3 * k], p[3 * k + 1], p[3 * k + 2]);
            }
            grey = _mm256_load_si256(reinterpret_cast<const __m256i *>(greys));
        }
        // Exactly the 24 bytes of the eight pixels are written, so the next step's loads
        // never overlap these stores.
        const __m256i out =
            _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(grey, replicate), compact);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p), _mm256_castsi256_si128(out));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(p + 16), _mm256_extracti128_si256(out, 1));
    }
    return x;
}
#endif

} // namespace

QString ColorEffects::effectKey(int effect)
{
    if (effect < 0 || effect >= kEffectCount) {
        return {};
    }
    return QString::fromLatin1(kEffects[static_cast<size_t>(effect)].key);
}

const char *ColorEffects::effectLabel(int effect)
{
    if (effect < 0 || effect >= kEffectCount) {
        return nullptr;
    }
    return kEffects[static_cast<size_t>(effect)].label;
}

QString ColorEffects::maskKey(int mask)
{
    if (mask < 0 || mask >= kMaskCount) {
        return {};
    }
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
    if (sum % 10000 != 0) {
        return sum / 10000;
    }
    return static_cast<int>(0.2989 * (r & 0xff) + 0.587 * (g & 0xff) + 0.114 * (b & 0xff));
}

void ColorEffects::applyEffect(QImage &rgb888, int effect)
{
    if (effect <= EffectColor || effect >= kEffectCount || !prepare(rgb888)) {
        return;
    }
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
    if (mask <= MaskNone || mask >= kMaskCount || !prepare(rgb888)) {
        return;
    }
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
        for (int y = 0; y < h; ++y) {
            blackSpan(rgb888.scanLine(y), 0, w / 2);
        }
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
    if (image.isNull()) {
        return false;
    }
    if (image.format() != QImage::Format_RGB888) {
        image.convertTo(QImage::Format_RGB888);
    }
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
        int x = 0;
#ifdef COLOR_EFFECTS_X86
        if (hasAvx2()) {
            x = blackWhiteAvx2(p, w);
            p += 3 * x;
        }
#endif
        for (; x < w; ++x, p += 3) {
            const int sum = t.r[p[0]] + t.g[p[1]] + t.b[p[2]];
            int v = sum / 10000;
            if (sum - v * 10000 == 0) {
                v = grey(p[0], p[1], p[2]);
            }
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
#ifdef COLOR_EFFECTS_X86
        const __m128i ones = _mm_set1_epi32(-1);
        for (; i + 16 <= rowBytes; i += 16) {
            auto *chunk = reinterpret_cast<__m128i *>(p + i);
            _mm_storeu_si128(chunk, _mm_xor_si128(_mm_loadu_si128(chunk), ones));
        }
#endif
        for (; i + 8 <= rowBytes; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, sizeof word);
            word = ~word;
            std::memcpy(p + i, &word, sizeof word);
        }
        for (; i < rowBytes; ++i) {
            p[i] = static_cast<uchar>(255 - p[i]);
        }
    }
}

void ColorEffects::mosaic(QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    const qsizetype rowBytes = qsizetype(w) * 3;
    const qsizetype stride = image.bytesPerLine();
    uchar *bits = image.bits();
    // Per band of up to eight rows: the column sums of the band, then one row of block
    // means that every row of the band becomes.
    std::vector<quint16> columnSums(static_cast<size_t>(rowBytes));
    std::vector<uchar> meanRow(static_cast<size_t>(rowBytes));

    for (int y0 = 0; y0 < h; y0 += kMosaicBlock) {
        const int bh = std::min(kMosaicBlock, h - y0);
        sumBand(columnSums.data(), bits + y0 * stride, stride, bh, rowBytes);
        for (int x0 = 0; x0 < w; x0 += kMosaicBlock) {
            const int bw = std::min(kMosaicBlock, w - x0);
            const quint16 *column = &columnSums[static_cast<size_t>(x0) * 3];
            uchar *mean = &meanRow[static_cast<size_t>(x0) * 3];
            // Whole blocks get a loop of fixed length and a division by a shift.
            if (bw == kMosaicBlock && bh == kMosaicBlock) {
                blockMeans(column, kMosaicBlock, kMosaicBlock * kMosaicBlock, mean);
            } else {
                blockMeans(column, bw, bw * bh, mean);
            }
        }
        for (int y = y0; y < y0 + bh; ++y) {
            std::memcpy(bits + y * stride, meanRow.data(), static_cast<size_t>(rowBytes));
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
    for (int y = firstRow; y < firstRow + rowCount; ++y) {
        blackSpan(image.scanLine(y), 0, image.width());
    }
}

void ColorEffects::blackSpan(uchar *row, int firstColumn, int columnCount)
{
    if (columnCount > 0) {
        std::memset(row + qsizetype(firstColumn) * 3, 0, size_t(columnCount) * 3);
    }
}
