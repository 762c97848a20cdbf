#include "MatroskaLayout.h"

#include <array>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr quint32 kEbmlId = 0x1A45DFA3;
constexpr quint32 kSegmentId = 0x18538067;
// Bytes beyond the head that make a recording worth mending (more than a header's worth).
constexpr qint64 kDataBytes = 4096;

// An element size (EBML variable-length integer) at data[pos]: its length in bytes, 0 when
// it is malformed; allOnes tells the reserved value "unknown size".
int readSize(const quint8 *data, int available, quint64 &value, bool &allOnes)
{
    if (available < 1 || data[0] == 0) {
        return 0;
    }
    int length = 1;
    while (!(data[0] & (0x80 >> (length - 1)))) {
        ++length;
    }
    if (length > available) {
        return 0;
    }
    value = data[0] & (0xFF >> length);
    allOnes = value == quint64(0xFF >> length);
    for (int i = 1; i < length; ++i) {
        value = (value << 8) | data[i];
        allOnes = allOnes && data[i] == 0xFF;
    }
    return length;
}

quint32 readId(const quint8 *data)
{
    return quint32(data[0]) << 24 | quint32(data[1]) << 16 | quint32(data[2]) << 8 | data[3];
}

} // namespace

MatroskaLayout MatroskaLayout::read(int fd)
{
    MatroskaLayout layout;
    std::array<quint8, 256> head{};
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got < 12 || readId(head.data()) != kEbmlId) {
        return layout;
    }
    quint64 headerSize = 0;
    bool unknown = false;
    const int sizeLength = readSize(head.data() + 4, int(got) - 4, headerSize, unknown);
    const quint64 segmentAt = 4 + quint64(sizeLength) + headerSize;
    if (sizeLength == 0 || unknown || segmentAt + 5 > quint64(got) ||
        readId(head.data() + segmentAt) != kSegmentId) {
        return layout;
    }
    quint64 segmentSize = 0;
    if (readSize(head.data() + segmentAt + 4, int(got - qint64(segmentAt) - 4), segmentSize,
                 unknown) == 0) {
        return layout;
    }
    struct stat info {};
    layout.m_matroska = true;
    layout.m_finished = !unknown;
    layout.m_hasData = ::fstat(fd, &info) == 0 && info.st_size > qint64(segmentAt) + kDataBytes;
    return layout;
}
