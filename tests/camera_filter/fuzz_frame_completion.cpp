// Random frame messages must end in a clean refusal or a well-formed JPEG image, and never in a
// read or write outside the sample buffer (which is sized exactly, so AddressSanitizer sees
// every byte past it).
#include "protocol/CJpegFrame.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4) {
        return 0;
    }
    const auto width = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    const auto height = static_cast<std::uint16_t>(data[2] << 8 | data[3]);
    const std::uint8_t *message = data + 4;
    const std::size_t received = size - 4;
    const std::size_t bufferSize = CJpegFrame::kReadOffset + received;

    auto buffer = std::make_unique<std::uint8_t[]>(bufferSize);
    std::memset(buffer.get(), 0xA5, CJpegFrame::kReadOffset);
    std::memcpy(buffer.get() + CJpegFrame::kReadOffset, message, received);

    // A count larger than the buffer is refused before anything is touched.
    Check(CJpegFrame::Complete(buffer.get(), bufferSize, received + 64, width, height) == 0);
    Check(buffer[0] == 0xA5);

    const std::size_t length =
        CJpegFrame::Complete(buffer.get(), bufferSize, received, width, height);
    if (length == 0) {
        Check(buffer[0] == 0xA5); // refused: the header was not written
        return 0;
    }
    const std::uint8_t *jpeg = buffer.get();
    Check(length <= bufferSize);
    Check(length >= CJpegFrame::kHeaderSize + 2);
    Check(received >= 512 && received % 64 == 16);
    // Header: the template with this frame's tables and size.
    const auto &t = CJpegFrame::Template();
    for (std::size_t i = 0; i < CJpegFrame::kHeaderSize; ++i) {
        if (i >= CJpegFrame::kTable0Offset && i < CJpegFrame::kTable0Offset + 64) {
            Check(jpeg[i] == message[i - CJpegFrame::kTable0Offset]);
        } else if (i >= CJpegFrame::kTable1Offset && i < CJpegFrame::kTable1Offset + 64) {
            Check(jpeg[i] == message[64 + i - CJpegFrame::kTable1Offset]);
        } else if (i < CJpegFrame::kHeightOffset || i >= CJpegFrame::kWidthOffset + 2) {
            Check(jpeg[i] == t[i]);
        }
    }
    Check((jpeg[CJpegFrame::kHeightOffset] << 8 | jpeg[CJpegFrame::kHeightOffset + 1]) == height);
    Check((jpeg[CJpegFrame::kWidthOffset] << 8 | jpeg[CJpegFrame::kWidthOffset + 1]) == width);
    // Scan untouched, ending with the first EOI of the window.
    Check(std::memcmp(jpeg + CJpegFrame::kHeaderSize, message + CJpegFrame::kTablesSize,
                      length - CJpegFrame::kHeaderSize) == 0);
    Check(jpeg[length - 2] == 0xFF && jpeg[length - 1] == 0xD9);
    const std::size_t eoi = length - 2 - CJpegFrame::kReadOffset; // in the message
    Check(eoi + 530 >= received && eoi + 17 <= received);
    return 0;
}
