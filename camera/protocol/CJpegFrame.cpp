#include "protocol/CJpegFrame.h"

#include "protocol/JpegHuffmanTables.h"

#include <cstring>
#include <initializer_list>

namespace {

using namespace jpeg_tables;

using Header = std::array<std::uint8_t, CJpegFrame::kHeaderSize>;

class HeaderWriter {
public:
    explicit HeaderWriter(Header &out) : m_out(out) {}

    void Bytes(std::initializer_list<std::uint8_t> bytes)
    {
        for (std::uint8_t b : bytes) {
            m_out[m_pos++] = b;
        }
    }
    void Bytes(const std::uint8_t *data, std::size_t length)
    {
        for (std::size_t i = 0; i < length; ++i) {
            m_out[m_pos++] = data[i];
        }
    }
    void Huffman(std::uint8_t classAndId, const std::uint8_t (&counts)[16],
                 const std::uint8_t *values, std::size_t valueCount)
    {
        const std::size_t length = 2 + 1 + 16 + valueCount;
        Bytes({0xFF, 0xC4, static_cast<std::uint8_t>(length >> 8),
               static_cast<std::uint8_t>(length & 0xFF), classAndId});
        Bytes(counts, 16);
        Bytes(values, valueCount);
    }
    std::size_t Position() const { return m_pos; }

private:
    Header &m_out;
    std::size_t m_pos = 0;
};

Header BuildTemplate()
{
    Header h{};
    HeaderWriter w(h);
    w.Bytes({0xFF, 0xD8});                   // SOI
    w.Bytes({0xFF, 0xDB, 0x00, 0x84, 0x00}); // DQT, table 0 follows
    w.Bytes(std::array<std::uint8_t, 64>{}.data(), 64);
    w.Bytes({0x01}); // table 1 follows
    w.Bytes(std::array<std::uint8_t, 64>{}.data(), 64);
    w.Bytes({0xFF, 0xE0, 0x00, 0x10, 'A', 'V', 'I', '1', 0x00, 0x01, 0x02, 0x00, 0x00, 0x01, 0x00,
             0x01, 0x00, 0x00});
    w.Bytes({0xFF, 0xE0, 0x00, 0x08, 'T', 'E', 'V', 'A', 'L', 0x00});
    w.Bytes({0xFF, 0xDD, 0x00, 0x04, 0x00, 0x00}); // DRI, no restart interval
    w.Huffman(0x00, kLumaDcCounts, kDcValues, sizeof kDcValues);
    w.Huffman(0x10, kLumaAcCounts, kLumaAcValues, sizeof kLumaAcValues);
    w.Huffman(0x01, kChromaDcCounts, kDcValues, sizeof kDcValues);
    w.Huffman(0x11, kChromaAcCounts, kChromaAcValues, sizeof kChromaAcValues);
    // SOF0: 8-bit precision, size filled per frame, Y at 2x1 sampling, Cb and Cr at 1x1.
    w.Bytes({0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x00, 0x00, 0x00, 0x03, 0x01, 0x21, 0x00, 0x02,
             0x11, 0x01, 0x03, 0x11, 0x01});
    w.Bytes({0xFF}); // fill byte
    w.Bytes({0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00});
    return h;
}

const Header kTemplate = BuildTemplate();

// Parts of the header that are the same for every frame (everything but the two tables).
struct Span {
    std::size_t offset;
    std::size_t length;
};
constexpr Span kFixedSpans[] = {
    {0, CJpegFrame::kTable0Offset},
    {CJpegFrame::kTable0Offset + 64, 1},
    {CJpegFrame::kTable1Offset + 64, CJpegFrame::kHeaderSize - (CJpegFrame::kTable1Offset + 64)},
};

// The end-of-image marker is looked for among the received bytes from 530 to 17 before the
// end of the message, and never among the quantization tables.
constexpr std::size_t kWindowStartFromEnd = 530;
constexpr std::size_t kWindowEndFromEnd = 17;

} // namespace

const std::array<std::uint8_t, CJpegFrame::kHeaderSize> &CJpegFrame::Template()
{
    return kTemplate;
}

std::size_t CJpegFrame::ReadLength(std::size_t bufferSize)
{
    if (bufferSize < kHeaderSize) {
        return 0;
    }
    return (bufferSize - kHeaderSize) / 512 * 512;
}

std::size_t CJpegFrame::Complete(std::uint8_t *buffer, std::size_t bufferSize, std::size_t received,
                                 std::uint16_t width, std::uint16_t height)
{
    if (buffer == nullptr || bufferSize < kReadOffset || received > bufferSize - kReadOffset) {
        return 0;
    }
    if (received < 512 || received % 64 != 16) {
        return 0;
    }

    const std::uint8_t *message = buffer + kReadOffset;
    std::size_t first = received - kWindowStartFromEnd;
    if (received < kWindowStartFromEnd || first < kTablesSize) {
        first = kTablesSize;
    }
    const std::size_t last = received - kWindowEndFromEnd; // where a marker may begin, at most
    std::size_t eoi = 0;
    bool found = false;
    for (std::size_t i = first; i <= last;) {
        const void *ff = std::memchr(message + i, 0xFF, last + 1 - i);
        if (ff == nullptr) {
            break;
        }
        i = static_cast<std::size_t>(static_cast<const std::uint8_t *>(ff) - message);
        if (message[i + 1] == 0xD9) {
            eoi = i;
            found = true;
            break;
        }
        ++i;
    }
    if (!found) {
        return 0;
    }

    // The tables go to their places in the header before the rest of it covers them.
    std::memcpy(buffer + kTable0Offset, message, 64);
    std::memcpy(buffer + kTable1Offset, message + 64, 64);
    for (const Span &span : kFixedSpans) {
        std::memcpy(buffer + span.offset, kTemplate.data() + span.offset, span.length);
    }
    buffer[kHeightOffset] = static_cast<std::uint8_t>(height >> 8);
    buffer[kHeightOffset + 1] = static_cast<std::uint8_t>(height & 0xFF);
    buffer[kWidthOffset] = static_cast<std::uint8_t>(width >> 8);
    buffer[kWidthOffset + 1] = static_cast<std::uint8_t>(width & 0xFF);
    return kReadOffset + eoi + 2;
}
