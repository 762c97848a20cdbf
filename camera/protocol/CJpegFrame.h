#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Turns a camera frame message, read into a sample buffer at kReadOffset, into a complete
// JPEG image in place. The camera sends its two quantization tables (128 bytes) and the
// entropy-coded scan; the scan lands right behind the 636-byte header, which is written in
// front of it, so the scan itself is never copied.
class CJpegFrame {
public:
    static constexpr std::size_t kHeaderSize = 636;
    static constexpr std::size_t kTablesSize = 128;
    static constexpr std::size_t kReadOffset = kHeaderSize - kTablesSize; // 508
    static constexpr std::size_t kSampleSize = 524288;

    // Byte offsets of the parts that change from frame to frame.
    static constexpr std::size_t kTable0Offset = 7;
    static constexpr std::size_t kTable1Offset = 72;
    static constexpr std::size_t kHeightOffset = 607;
    static constexpr std::size_t kWidthOffset = 609;

    // The header as it stands before a frame's tables and size are filled in.
    static const std::array<std::uint8_t, kHeaderSize> &Template();

    // Bytes to ask the camera for when the buffer holds bufferSize bytes (0 if it is too small).
    static std::size_t ReadLength(std::size_t bufferSize);

    // Completes the frame whose message of `received` bytes starts at buffer + kReadOffset.
    // Returns the length of the JPEG image, or 0 when the message breaks the length rules,
    // has no end-of-image marker in its window, or does not fit the buffer.
    static std::size_t Complete(std::uint8_t *buffer, std::size_t bufferSize, std::size_t received,
                                std::uint16_t width, std::uint16_t height);
};
