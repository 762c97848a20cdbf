#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Small baseline JPEG encoder for 4:2:2 pictures (luminance 2 x 1, chrominance 1 x 1), with the
// example Huffman tables of the JPEG standard's Annex K and no restart markers. It writes what
// the camera sends: the two quantization tables in DQT (zig-zag) order and the entropy-coded
// scan; WriteHeader writes the matching 636-byte header that makes a whole JPEG file of them.
class CJpegEncoder {
public:
    using Table = std::array<std::uint8_t, 64>; // zig-zag order, as DQT stores it

    static constexpr int kHeaderSize = 636;

    // Planes: y is width x height, cb and cr are (width / 2) x height. Width must be a multiple
    // of 16 and height a multiple of 8.
    struct Picture {
        int width = 0;
        int height = 0;
        const std::uint8_t *y = nullptr;
        const std::uint8_t *cb = nullptr;
        const std::uint8_t *cr = nullptr;
    };

    // Quantization tables of the standard's example scaled for quality 1..100 (higher is finer).
    static Table LuminanceTable(int quality);
    static Table ChrominanceTable(int quality);

    // Appends the entropy-coded scan of the picture (byte-stuffed, padded with 1 bits, without
    // the EOI marker).
    static void EncodeScan(const Picture &picture, const Table &luminance, const Table &chrominance,
                           std::vector<std::uint8_t> &out);

    // Appends the 636-byte header: SOI, DQT with both tables, two APP0 segments, DRI 0, the four
    // Annex K Huffman tables, SOF0 with the size, a fill byte and SOS.
    static void WriteHeader(int width, int height, const Table &luminance, const Table &chrominance,
                            std::vector<std::uint8_t> &out);

    // A whole JPEG file: header, scan, EOI.
    static std::vector<std::uint8_t> EncodeFile(const Picture &picture, int quality);
};
