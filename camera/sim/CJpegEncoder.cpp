#include "CJpegEncoder.h"

#include "protocol/CJpegFrame.h"
#include "protocol/JpegHuffmanTables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using namespace jpeg_tables;

constexpr std::uint8_t kZigZag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Annex K.1 example tables, natural (row-major) order.
constexpr std::uint8_t kLuminanceQ[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::uint8_t kChrominanceQ[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

struct HuffmanCode {
    std::uint16_t code = 0;
    std::uint8_t length = 0;
};

struct HuffmanTable {
    HuffmanCode codes[256];
};

HuffmanTable BuildTable(const std::uint8_t *bits, const std::uint8_t *values)
{
    HuffmanTable table{};
    std::uint16_t code = 0;
    int k = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < bits[length - 1]; ++i) {
            table.codes[values[k++]] = {code, static_cast<std::uint8_t>(length)};
            ++code;
        }
        code = static_cast<std::uint16_t>(code << 1);
    }
    return table;
}

const HuffmanTable &DcLum()
{
    static const HuffmanTable t = BuildTable(kLumaDcCounts, kDcValues);
    return t;
}
const HuffmanTable &DcChrom()
{
    static const HuffmanTable t = BuildTable(kChromaDcCounts, kDcValues);
    return t;
}
const HuffmanTable &AcLum()
{
    static const HuffmanTable t = BuildTable(kLumaAcCounts, kLumaAcValues);
    return t;
}
const HuffmanTable &AcChrom()
{
    static const HuffmanTable t = BuildTable(kChromaAcCounts, kChromaAcValues);
    return t;
}

CJpegEncoder::Table Scaled(const std::uint8_t *base, int quality)
{
    quality = std::clamp(quality, 1, 100);
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    CJpegEncoder::Table table{};
    for (int i = 0; i < 64; ++i) {
        const int value = (base[kZigZag[i]] * scale + 50) / 100;
        table[i] = static_cast<std::uint8_t>(std::clamp(value, 1, 255));
    }
    return table;
}

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t> &out) : m_out(out) {}

    void Put(std::uint32_t bits, int count)
    {
        m_buffer = (m_buffer << count) | (bits & ((1u << count) - 1));
        m_count += count;
        while (m_count >= 8) {
            const auto byte = static_cast<std::uint8_t>(m_buffer >> (m_count - 8));
            m_out.push_back(byte);
            if (byte == 0xFF) {
                m_out.push_back(0x00);
            }
            m_count -= 8;
        }
        m_buffer &= (1u << m_count) - 1;
    }

    void Flush()
    {
        if (m_count > 0) {
            Put(0x7F, 8 - m_count);
        }
    }

private:
    std::vector<std::uint8_t> &m_out;
    std::uint32_t m_buffer = 0;
    int m_count = 0;
};

// Cosine basis for the separable forward DCT.
struct DctBasis {
    float c[8][8];
    DctBasis()
    {
        for (int u = 0; u < 8; ++u) {
            const float a = u == 0 ? std::sqrt(0.125f) : 0.5f;
            for (int x = 0; x < 8; ++x) {
                c[u][x] = a * std::cos((2 * x + 1) * u * 3.14159265358979f / 16.0f);
            }
        }
    }
};

const DctBasis &Basis()
{
    static const DctBasis basis;
    return basis;
}

int Magnitude(int value)
{
    int v = value < 0 ? -value : value;
    int bits = 0;
    while (v != 0) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

void PutValue(BitWriter &writer, int value, int size)
{
    if (size == 0) {
        return;
    }
    const int bits = value < 0 ? value + (1 << size) - 1 : value;
    writer.Put(static_cast<std::uint32_t>(bits), size);
}

// Transforms, quantizes and codes one 8 x 8 block read from plane at (x0, y0).
void EncodeBlock(BitWriter &writer, const std::uint8_t *plane, int stride, int x0, int y0,
                 const CJpegEncoder::Table &table, const HuffmanTable &dc, const HuffmanTable &ac,
                 int &previousDc)
{
    const DctBasis &basis = Basis();
    float rows[8][8];
    for (int y = 0; y < 8; ++y) {
        const std::uint8_t *line = plane + static_cast<std::size_t>(y0 + y) * stride + x0;
        for (int u = 0; u < 8; ++u) {
            float sum = 0;
            for (int x = 0; x < 8; ++x) {
                sum += basis.c[u][x] * (static_cast<float>(line[x]) - 128.0f);
            }
            rows[y][u] = sum;
        }
    }
    int coefficients[64];
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            float sum = 0;
            for (int y = 0; y < 8; ++y) {
                sum += basis.c[v][y] * rows[y][u];
            }
            coefficients[v * 8 + u] = static_cast<int>(std::lround(sum));
        }
    }
    int zz[64];
    for (int i = 0; i < 64; ++i) {
        const int q = table[i];
        const int c = coefficients[kZigZag[i]];
        zz[i] = c >= 0 ? (c + q / 2) / q : -((-c + q / 2) / q);
    }

    const int diff = zz[0] - previousDc;
    previousDc = zz[0];
    const int dcSize = Magnitude(diff);
    writer.Put(dc.codes[dcSize].code, dc.codes[dcSize].length);
    PutValue(writer, diff, dcSize);

    int run = 0;
    for (int i = 1; i < 64; ++i) {
        if (zz[i] == 0) {
            ++run;
            continue;
        }
        while (run > 15) {
            writer.Put(ac.codes[0xF0].code, ac.codes[0xF0].length);
            run -= 16;
        }
        const int size = std::min(Magnitude(zz[i]), 10);
        const int symbol = (run << 4) | size;
        writer.Put(ac.codes[symbol].code, ac.codes[symbol].length);
        PutValue(writer, std::clamp(zz[i], -1023, 1023), size);
        run = 0;
    }
    if (run > 0) {
        writer.Put(ac.codes[0x00].code, ac.codes[0x00].length);
    }
}

} // namespace

CJpegEncoder::Table CJpegEncoder::LuminanceTable(int quality)
{
    return Scaled(kLuminanceQ, quality);
}

CJpegEncoder::Table CJpegEncoder::ChrominanceTable(int quality)
{
    return Scaled(kChrominanceQ, quality);
}

void CJpegEncoder::EncodeScan(const Picture &picture, const Table &luminance,
                              const Table &chrominance, std::vector<std::uint8_t> &out)
{
    BitWriter writer(out);
    int dcY = 0;
    int dcCb = 0;
    int dcCr = 0;
    const int chromaStride = picture.width / 2;
    for (int y = 0; y + 8 <= picture.height; y += 8) {
        for (int x = 0; x + 16 <= picture.width; x += 16) {
            EncodeBlock(writer, picture.y, picture.width, x, y, luminance, DcLum(), AcLum(), dcY);
            EncodeBlock(writer, picture.y, picture.width, x + 8, y, luminance, DcLum(), AcLum(),
                        dcY);
            EncodeBlock(writer, picture.cb, chromaStride, x / 2, y, chrominance, DcChrom(),
                        AcChrom(), dcCb);
            EncodeBlock(writer, picture.cr, chromaStride, x / 2, y, chrominance, DcChrom(),
                        AcChrom(), dcCr);
        }
    }
    writer.Flush();
}

void CJpegEncoder::WriteHeader(int width, int height, const Table &luminance,
                               const Table &chrominance, std::vector<std::uint8_t> &out)
{
    const auto &header = CJpegFrame::Template();
    const std::size_t at = out.size();
    out.insert(out.end(), header.begin(), header.end());
    std::copy(luminance.begin(), luminance.end(), out.begin() + at + CJpegFrame::kTable0Offset);
    std::copy(chrominance.begin(), chrominance.end(), out.begin() + at + CJpegFrame::kTable1Offset);
    out[at + CJpegFrame::kHeightOffset] = static_cast<std::uint8_t>((height >> 8) & 0xFF);
    out[at + CJpegFrame::kHeightOffset + 1] = static_cast<std::uint8_t>(height & 0xFF);
    out[at + CJpegFrame::kWidthOffset] = static_cast<std::uint8_t>((width >> 8) & 0xFF);
    out[at + CJpegFrame::kWidthOffset + 1] = static_cast<std::uint8_t>(width & 0xFF);
}

std::vector<std::uint8_t> CJpegEncoder::EncodeFile(const Picture &picture, int quality)
{
    const Table luminance = LuminanceTable(quality);
    const Table chrominance = ChrominanceTable(quality);
    std::vector<std::uint8_t> out;
    WriteHeader(picture.width, picture.height, luminance, chrominance, out);
    EncodeScan(picture, luminance, chrominance, out);
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}
