#include "RegularFile.h"

#include "SourcesLog.h"

#include <QFile>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFile::RegularFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        qCDebug(lcSources) << "cannot open" << path << std::strerror(errno);
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        qCDebug(lcSources) << "not a regular file:" << path;
        ::close(fd);
        return;
    }
    // Reads of a regular file never block anyway; later readers expect blocking semantics.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    m_fd = fd;
    m_size = qint64(info.st_size);
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

QString RegularFile::procPath() const
{
    return m_fd >= 0 ? QStringLiteral("/proc/self/fd/%1").arg(m_fd) : QString();
}

QByteArray RegularFile::head(qint64 count) const
{
    if (m_fd < 0 || count <= 0) {
        return {};
    }
    QByteArray bytes(int(std::min(count, m_size)), '\0');
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(m_fd, bytes.data() + done, size_t(bytes.size() - done), done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += got;
    }
    bytes.truncate(int(done));
    return bytes;
}
