#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Frame messages as the camera sends them, made from baseline 4:2:2 JPEG images that
// libjpeg-turbo encodes with the standard Huffman tables, plus decoding helpers.
namespace testjpeg {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // packed rows, 3 bytes a pixel
};

// A test picture: a gradient with a bright square, different for every seed.
Picture MakePicture(int width, int height, int seed);
// Baseline JPEG of the picture with 4:2:2 chroma.
std::vector<std::uint8_t> Encode(const Picture &picture, int quality);
// The camera's message for that JPEG: its two quantization tables, the scan with EOI, and
// padding so that the length is 16 more than a multiple of 64 (at least `minimumLength`).
std::vector<std::uint8_t> MessageFromJpeg(const std::vector<std::uint8_t> &jpeg,
                                          std::size_t minimumLength = 512);
// Decodes with libjpeg-turbo into RGB; false when the image is not a valid JPEG.
bool Decode(const std::uint8_t *jpeg, std::size_t length, Picture *out);

} // namespace testjpeg
