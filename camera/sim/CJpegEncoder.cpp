#include "CJpegEncoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

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

// Annex K.3 Huffman tables: code counts per length 1..16, then the values.
constexpr std::uint8_t kDcLumBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr std::uint8_t kDcChromBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr std::uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr std::uint8_t kAcLumBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr std::uint8_t kAcLumValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
    0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
    0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
    0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
    0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
    0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
    0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
    0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
    0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
    0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr std::uint8_t kAcChromBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
constexpr std::uint8_t kAcChromValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
    0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
    0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
    0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
    0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
    0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
    0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
    0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
    0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
    0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

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
    static const HuffmanTable t = BuildTable(kDcLumBits, kDcValues);
    return t;
}
const HuffmanTable &DcChrom()
{
    static const HuffmanTable t = BuildTable(kDcChromBits, kDcValues);
    return t;
}
const HuffmanTable &AcLum()
{
    static const HuffmanTable t = BuildTable(kAcLumBits, kAcLumValues);
    return t;
}
const HuffmanTable &AcChrom()
{
    static const HuffmanTable t = BuildTable(kAcChromBits, kAcChromValues);
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

void PutWordBE(std::vector<std::uint8_t> &out, int value)
{
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void PutHuffmanSegment(std::vector<std::uint8_t> &out, int classId, const std::uint8_t *bits,
                       const std::uint8_t *values, int count)
{
    out.push_back(0xFF);
    out.push_back(0xC4);
    PutWordBE(out, 2 + 1 + 16 + count);
    out.push_back(static_cast<std::uint8_t>(classId));
    out.insert(out.end(), bits, bits + 16);
    out.insert(out.end(), values, values + count);
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
    out.insert(out.end(), {0xFF, 0xD8});
    out.insert(out.end(), {0xFF, 0xDB, 0x00, 0x84, 0x00});
    out.insert(out.end(), luminance.begin(), luminance.end());
    out.push_back(0x01);
    out.insert(out.end(), chrominance.begin(), chrominance.end());
    out.insert(out.end(), {0xFF, 0xE0, 0x00, 0x10, 'A', 'V', 'I', '1', 0x00, 0x01, 0x02, 0x00, 0x00,
                           0x01, 0x00, 0x01, 0x00, 0x00});
    out.insert(out.end(), {0xFF, 0xE0, 0x00, 0x08, 'T', 'E', 'V', 'A', 'L', 0x00});
    out.insert(out.end(), {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x00});
    PutHuffmanSegment(out, 0x00, kDcLumBits, kDcValues, 12);
    PutHuffmanSegment(out, 0x10, kAcLumBits, kAcLumValues, 162);
    PutHuffmanSegment(out, 0x01, kDcChromBits, kDcValues, 12);
    PutHuffmanSegment(out, 0x11, kAcChromBits, kAcChromValues, 162);
    out.insert(out.end(), {0xFF, 0xC0, 0x00, 0x11, 0x08});
    PutWordBE(out, height);
    PutWordBE(out, width);
    out.insert(out.end(), {0x03, 0x01, 0x21, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01});
    out.push_back(0xFF);
    out.insert(out.end(), {0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00,
                           0x3F, 0x00});
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
