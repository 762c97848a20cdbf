#include "AviLayout.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 ChunkHeader = 8;
constexpr qint64 ListHeader = 12;
constexpr qint64 IndexEntry = 16;
constexpr qint64 IndexSlice = 64 * 1024;
constexpr int MaxListDepth = 4;
// The size a writer gives its "movi" list until it finishes: just the list type.
constexpr quint32 PlaceholderMoviSize = 4;

bool readAt(int fd, qint64 offset, void *data, qint64 count)
{
    auto *bytes = static_cast<char *>(data);
    qint64 done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, bytes + done, size_t(count - done), off_t(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        done += got;
    }
    return true;
}

quint32 le32(const unsigned char *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

bool isFourCc(const unsigned char *p, const char *code)
{
    return std::memcmp(p, code, 4) == 0;
}

// "00db", "01dc": a video frame of some stream.
bool isVideoChunk(const unsigned char *id)
{
    return (id[2] == 'd' && (id[3] == 'b' || id[3] == 'c'));
}

qint64 padded(quint32 size)
{
    return qint64(size) + (size & 1);
}

} // namespace

AviLayout AviLayout::read(int fd)
{
    AviLayout layout;
    struct stat info {};
    std::array<unsigned char, ListHeader> header{};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !readAt(fd, 0, header.data(), ListHeader) ||
        !isFourCc(header.data(), "RIFF") || !isFourCc(header.data() + 8, "AVI ")) {
        return layout;
    }
    layout.m_avi = true;
    const qint64 fileSize = qint64(info.st_size);
    // The top level is walked to the file's end, not to the size the header states: a file
    // that was never finished states the size of its header only.
    qint64 pos = ListHeader;
    while (pos + ChunkHeader <= fileSize) {
        std::array<unsigned char, ListHeader> chunk{};
        if (!readAt(fd, pos, chunk.data(), std::min(ListHeader, fileSize - pos))) {
            break;
        }
        const quint32 size = le32(chunk.data() + 4);
        if (isFourCc(chunk.data(), "LIST") && isFourCc(chunk.data() + 8, "movi")) {
            if (size <= PlaceholderMoviSize) {
                // The frames follow the empty list up to the file's end.
                layout.walkFrames(fd, pos + ListHeader, fileSize, 0);
                break;
            }
            layout.m_finished = true;
            layout.walkFrames(fd, pos + ListHeader, std::min(fileSize, pos + 8 + padded(size)), 0);
        } else if (isFourCc(chunk.data(), "idx1")) {
            layout.m_finished = true;
            layout.countIndex(fd, pos + ChunkHeader, std::min(fileSize, pos + 8 + qint64(size)));
        } else if (isFourCc(chunk.data(), "RIFF")) {
            // A further RIFF list of a large file: its frames are inside, behind a list header.
            pos += ListHeader;
            continue;
        }
        pos += ChunkHeader + padded(size);
    }
    return layout;
}

void AviLayout::walkFrames(int fd, qint64 begin, qint64 end, int depth)
{
    qint64 pos = begin;
    while (pos + ChunkHeader <= end) {
        std::array<unsigned char, ListHeader> chunk{};
        if (!readAt(fd, pos, chunk.data(), std::min(ListHeader, end - pos))) {
            return;
        }
        const quint32 size = le32(chunk.data() + 4);
        const qint64 next = pos + ChunkHeader + padded(size);
        if (pos + ChunkHeader + qint64(size) > end) {
            return; // cut off in the middle of this chunk
        }
        if (isFourCc(chunk.data(), "LIST") && depth < MaxListDepth) {
            walkFrames(fd, pos + ListHeader, pos + ChunkHeader + qint64(size), depth + 1);
        } else if (isVideoChunk(chunk.data())) {
            ++m_videoFrames;
        }
        pos = next;
    }
}

void AviLayout::countIndex(int fd, qint64 begin, qint64 end)
{
    std::array<unsigned char, IndexSlice> slice{};
    for (qint64 pos = begin; pos + IndexEntry <= end;) {
        const qint64 count = std::min<qint64>(IndexSlice, (end - pos) / IndexEntry * IndexEntry);
        if (!readAt(fd, pos, slice.data(), count)) {
            return;
        }
        for (qint64 i = 0; i < count; i += IndexEntry) {
            if (isVideoChunk(slice.data() + i)) {
                ++m_indexedVideoFrames;
            }
        }
        pos += count;
    }
}
