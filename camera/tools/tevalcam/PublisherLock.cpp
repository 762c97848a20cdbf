#include "PublisherLock.h"

#include "GstPtr.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

PublisherLock::~PublisherLock()
{
    release();
}

std::string PublisherLock::path()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return std::string(runtime) + "/tevalcam.lock";
    return "/tmp/tevalcam-" + std::to_string(::getuid()) + ".lock";
}

bool PublisherLock::acquire()
{
    if (m_fd >= 0)
        return true;
    const std::string file = path();
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        GST_CAT_DEBUG(tevalcam_debug, "cannot open %s: %s", file.c_str(), std::strerror(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        GST_CAT_DEBUG(tevalcam_debug, "%s held by another publisher", file.c_str());
        ::close(fd);
        return false;
    }
    // The holder's pid, for tools that report who publishes.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::write(fd, pid.data(), pid.size()) < 0)
        GST_CAT_DEBUG(tevalcam_debug, "pid not written to %s", file.c_str());
    m_fd = fd;
    return true;
}

void PublisherLock::release()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
