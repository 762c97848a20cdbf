// Completion of the camera's frame messages into JPEG images.
#include "CameraMessage.h"
#include "protocol/CJpegFrame.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A sample buffer holding the message where the bulk read puts it.
Bytes BufferWith(const Bytes &message, std::size_t size = CJpegFrame::kSampleSize)
{
    Bytes buffer(size, 0xEE);
    std::memcpy(buffer.data() + CJpegFrame::kReadOffset, message.data(), message.size());
    return buffer;
}

std::size_t Complete(Bytes &buffer, std::size_t received, std::uint16_t w = 640,
                     std::uint16_t h = 480)
{
    return CJpegFrame::Complete(buffer.data(), buffer.size(), received, w, h);
}

Bytes Slice(const std::array<std::uint8_t, 636> &t, std::size_t offset, std::size_t length)
{
    return Bytes(t.begin() + static_cast<std::ptrdiff_t>(offset),
                 t.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

TEST(JpegHeader, SegmentsSitAtTheirOffsetsAndChainToTheScan)
{
    const auto &t = CJpegFrame::Template();
    EXPECT_EQ(Slice(t, 0, 7), (Bytes{0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x84, 0x00}));
    EXPECT_EQ(t[71], 0x01);
    EXPECT_EQ(Slice(t, 136, 18),
              (Bytes{0xFF, 0xE0, 0x00, 0x10, 'A', 'V', 'I', '1', 0, 1, 2, 0, 0, 1, 0, 1, 0, 0}));
    EXPECT_EQ(Slice(t, 154, 10), (Bytes{0xFF, 0xE0, 0x00, 0x08, 'T', 'E', 'V', 'A', 'L', 0}));
    EXPECT_EQ(Slice(t, 164, 6), (Bytes{0xFF, 0xDD, 0x00, 0x04, 0x00, 0x00}));
    // The four Huffman tables: luminance DC and AC, then chrominance DC and AC.
    EXPECT_EQ(Slice(t, 170, 5), (Bytes{0xFF, 0xC4, 0x00, 0x1F, 0x00}));
    EXPECT_EQ(Slice(t, 203, 5), (Bytes{0xFF, 0xC4, 0x00, 0xB5, 0x10}));
    EXPECT_EQ(Slice(t, 386, 5), (Bytes{0xFF, 0xC4, 0x00, 0x1F, 0x01}));
    EXPECT_EQ(Slice(t, 419, 5), (Bytes{0xFF, 0xC4, 0x00, 0xB5, 0x11}));
    EXPECT_EQ(Slice(t, 602, 5), (Bytes{0xFF, 0xC0, 0x00, 0x11, 0x08}));
    EXPECT_EQ(Slice(t, 611, 10),
              (Bytes{0x03, 0x01, 0x21, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01}));
    EXPECT_EQ(t[621], 0xFF);
    EXPECT_EQ(Slice(t, 622, 14), (Bytes{0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03,
                                        0x11, 0x00, 0x3F, 0x00}));

    // Walking the segments by their lengths from the DQT on reaches the fill byte at 621.
    std::size_t pos = 2;
    int segments = 0;
    while (pos < 621) {
        ASSERT_EQ(t[pos], 0xFF) << "at " << pos;
        pos += 2 + ((static_cast<std::size_t>(t[pos + 2]) << 8) | t[pos + 3]);
        ++segments;
    }
    EXPECT_EQ(pos, 621u);
    EXPECT_EQ(segments, 9); // DQT, two APP0, DRI, four DHT, SOF0
}

// Where the scan's end-of-image marker sits in a message made by MessageFromJpeg.
std::size_t EoiOffset(const Bytes &message)
{
    for (std::size_t i = message.size() - 2; i > 0; --i) {
        if (message[i] == 0xFF && message[i + 1] == 0xD9) {
            return i;
        }
    }
    return 0;
}

TEST(JpegFrame, ImagesFromLibjpegTurboDecodeExactlyAfterCompletion)
{
    const std::pair<int, int> sizes[] = {{320, 240}, {1024, 576}, {1280, 960}};
    int seed = 0;
    for (const auto &[w, h] : sizes) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const testjpeg::Picture picture = testjpeg::MakePicture(w, h, ++seed);
        const Bytes jpeg = testjpeg::Encode(picture, 60 + seed * 10);
        const Bytes message = testjpeg::MessageFromJpeg(jpeg);
        Bytes buffer = BufferWith(message);

        const std::size_t length = Complete(buffer, message.size(), static_cast<std::uint16_t>(w),
                                            static_cast<std::uint16_t>(h));
        ASSERT_EQ(length, EoiOffset(message) + 510);
        // The scan stays where the read put it.
        EXPECT_EQ(0, std::memcmp(buffer.data() + 636, message.data() + 128, length - 636));
        EXPECT_EQ(0, std::memcmp(buffer.data() + 7, message.data(), 64));
        EXPECT_EQ(0, std::memcmp(buffer.data() + 72, message.data() + 64, 64));

        testjpeg::Picture expected;
        testjpeg::Picture completed;
        ASSERT_TRUE(testjpeg::Decode(jpeg.data(), jpeg.size(), &expected));
        ASSERT_TRUE(testjpeg::Decode(buffer.data(), length, &completed));
        EXPECT_EQ(completed.width, w);
        EXPECT_EQ(completed.height, h);
        EXPECT_TRUE(completed.rgb == expected.rgb);
    }
}

// A message of `length` zero bytes with FF D9 at the given received offsets.
Bytes MessageWithMarkers(std::size_t length, std::initializer_list<std::size_t> markers)
{
    Bytes message(length, 0x00);
    for (std::size_t at : markers) {
        message[at] = 0xFF;
        message[at + 1] = 0xD9;
    }
    return message;
}

TEST(JpegFrame, LengthRulesAndTheEndOfImageWindow)
{
    {
        // The shortest message that meets both length rules.
        const Bytes message = MessageWithMarkers(528, {510});
        Bytes buffer = BufferWith(message);
        EXPECT_EQ(Complete(buffer, message.size()), 1020u);
    }
    {
        // Only the marker inside the window (received offsets 510 to 1023) counts.
        const Bytes message = MessageWithMarkers(1040, {300, 900});
        Bytes buffer = BufferWith(message);
        EXPECT_EQ(Complete(buffer, message.size()), 1410u);
    }
    {
        // First and last positions of the window.
        const Bytes early = MessageWithMarkers(1040, {1040 - 530});
        Bytes buffer = BufferWith(early);
        EXPECT_EQ(Complete(buffer, early.size()), 1040u - 530 + 510);
        const Bytes late = MessageWithMarkers(1040, {1040 - 17});
        buffer = BufferWith(late);
        EXPECT_EQ(Complete(buffer, late.size()), 1040u - 17 + 510);
    }
    const struct {
        std::size_t length;
        std::size_t marker;
        const char *why;
    } failures[] = {
        {1024, 900, "length a multiple of 64"},
        {1041, 900, "length not 16 more than a multiple of 64"},
        {464, 300, "shorter than 512"},
        {1040, 1040 - 531, "marker before the window"},
        {1040, 1040 - 16, "marker after the window"},
        {528, 100, "marker among the quantization tables"},
    };
    for (const auto &f : failures) {
        SCOPED_TRACE(f.why);
        const Bytes message = MessageWithMarkers(f.length, {f.marker});
        Bytes buffer = BufferWith(message);
        const Bytes before = buffer;
        EXPECT_EQ(Complete(buffer, message.size()), 0u);
        EXPECT_TRUE(buffer == before) << "a refused frame leaves the buffer alone";
    }
}

TEST(JpegFrame, SizesAndBoundsOfTheBuffer)
{
    EXPECT_EQ(CJpegFrame::ReadLength(524288), 523264u);
    EXPECT_EQ(CJpegFrame::ReadLength(636 + 511), 0u);
    EXPECT_EQ(CJpegFrame::ReadLength(100), 0u);

    // A count that claims more than the buffer holds is refused, not read past the end.
    const Bytes message = MessageWithMarkers(1040, {900});
    Bytes buffer = BufferWith(message, 508 + 1040);
    EXPECT_EQ(Complete(buffer, 1040), 1410u);
    Bytes small = BufferWith(message, 508 + 1040);
    EXPECT_EQ(CJpegFrame::Complete(small.data(), small.size(), 1040 + 64, 640, 480), 0u);
    EXPECT_EQ(CJpegFrame::Complete(nullptr, 0, 1040, 640, 480), 0u);

    // Width and height go into SOF0 big-endian.
    buffer = BufferWith(message);
    ASSERT_EQ(Complete(buffer, 1040, 1280, 960), 1410u);
    EXPECT_EQ(buffer[607], 0x03);
    EXPECT_EQ(buffer[608], 0xC0);
    EXPECT_EQ(buffer[609], 0x05);
    EXPECT_EQ(buffer[610], 0x00);
}

} // namespace
