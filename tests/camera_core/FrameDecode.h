#pragma once

#include <cstdint>
#include <vector>

// Decoding of the simulated camera's frame messages in the tests, with libturbojpeg.
struct DecodedFrame {
    bool ok = false;
    int width = 0;
    int height = 0;
    int subsampling = -1;
    std::vector<std::uint8_t> gray; // luminance, width x height
    std::vector<std::uint8_t> rgb;  // width x height x 3
};

// Index of the EOI that ends the scan inside a frame message, or -1 when the message breaks the
// length rules (at least 512 bytes, 16 more than a multiple of 64, EOI 17 to 530 bytes before
// the end).
int FindFrameEoi(const std::vector<std::uint8_t> &message);

// Puts the 636-byte header (tables from the message, the given size) in front of the scan and
// decodes the whole JPEG image.
DecodedFrame DecodeFrameMessage(const std::vector<std::uint8_t> &message, int width, int height);

double MeanOf(const std::vector<std::uint8_t> &values);
