#include "CRuntimeLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// A taker that meets a probe's momentary shared lock tries again this often.
constexpr int kLockAttempts = 5;
constexpr useconds_t kLockRetryUs = 2000;

int OpenLockFile(const std::string &path, int flags)
{
    return ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
}

pid_t PidOf(const std::string &text)
{
    char *end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    return value > 0 && end != text.c_str() ? static_cast<pid_t>(value) : 0;
}

} // namespace

std::string CRuntimeLock::PathFor(const std::string &name)
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return std::string(runtime) + "/" + name + ".lock";
    }
    return "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock";
}

CRuntimeLock::CRuntimeLock(std::string path) : m_path(std::move(path)) {}

CRuntimeLock::~CRuntimeLock()
{
    Unlock();
}

bool CRuntimeLock::TryLock()
{
    if (m_fd >= 0) {
        return true;
    }
    const int fd = OpenLockFile(m_path, O_RDWR | O_CREAT);
    if (fd < 0) {
        m_errno = errno;
        return false;
    }
    int r = -1;
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
        if (r == 0 || errno != EWOULDBLOCK) {
            break;
        }
        ::usleep(kLockRetryUs);
    }
    if (r != 0) {
        m_errno = errno;
        ::close(fd);
        return false;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        // The lock holds without the note; only the holder's name is lost.
        m_errno = errno;
    }
    m_fd = fd;
    return true;
}

void CRuntimeLock::Unlock()
{
    if (m_fd < 0) {
        return;
    }
    // The file stays: removing it would let a taker lock a name another process just opened.
    ::ftruncate(m_fd, 0);
    ::close(m_fd); // releases the lock
    m_fd = -1;
}

bool CRuntimeLock::HeldByOther(const std::string &path, Holder *holder)
{
    const int fd = OpenLockFile(path, O_RDONLY);
    if (fd < 0) {
        return false;
    }
    bool held = false;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        held = errno == EWOULDBLOCK;
    } else {
        ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    if (!held) {
        return false;
    }
    const Holder found = ReadHolder(path);
    // This process's own lock (taken through another open of the file) is no other's.
    if (found.pid == ::getpid()) {
        return false;
    }
    if (holder != nullptr) {
        *holder = found;
    }
    return true;
}

CRuntimeLock::Holder CRuntimeLock::ReadHolder(const std::string &path)
{
    Holder holder;
    const int fd = OpenLockFile(path, O_RDONLY);
    if (fd < 0) {
        return holder;
    }
    char text[32] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) {
        return holder;
    }
    holder.pid = PidOf(std::string(text, static_cast<std::size_t>(n)));
    if (holder.pid != 0) {
        std::ifstream comm("/proc/" + std::to_string(holder.pid) + "/comm");
        std::getline(comm, holder.program);
    }
    return holder;
}
