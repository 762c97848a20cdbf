#pragma once

#include <string>
#include <sys/types.h>

// An advisory lock on a file in the user's runtime folder, holding the holder's process id:
// how two processes agree on who owns something (the simulated camera's interface, the right
// to publish the camera elsewhere). The lock is flock(2) on the file's own open description,
// so it goes with the holder when the holder exits, however it exits.
class CRuntimeLock {
public:
    // Who holds a lock, as far as it can be known.
    struct Holder {
        pid_t pid = 0;       // 0 when the file names nobody
        std::string program; // the holder's command name, empty when unknown
    };

    // $XDG_RUNTIME_DIR/<name>.lock, or /tmp/<name>-<uid>.lock without a runtime folder.
    static std::string PathFor(const std::string &name);
    // The lock a publisher of the camera holds while the camera is offered as a node of the
    // media server: the plug-in's device provider then leaves the camera out of its list, so
    // programs see it once.
    static std::string PublisherPath() { return PathFor("tevalcam"); }

    explicit CRuntimeLock(std::string path);
    ~CRuntimeLock();
    CRuntimeLock(const CRuntimeLock &) = delete;
    CRuntimeLock &operator=(const CRuntimeLock &) = delete;

    // Takes the lock without waiting and writes this process's id into the file. False when
    // another open of the file holds it (then Errno() is EWOULDBLOCK) or the file cannot be
    // opened (a symbolic link is never followed). Taking a held lock again does nothing.
    bool TryLock();
    void Unlock();
    bool IsHeld() const { return m_fd >= 0; }
    int Errno() const { return m_errno; }
    const std::string &Path() const { return m_path; }

    // Whether a process other than this one holds the lock at path now; the holder is filled
    // in when it is. A missing file is a free lock. Probing takes no lock that a taker could
    // trip over for longer than the probe itself.
    static bool HeldByOther(const std::string &path, Holder *holder = nullptr);
    // The process named in the file at path (pid 0 when none).
    static Holder ReadHolder(const std::string &path);

private:
    std::string m_path;
    int m_fd = -1;
    int m_errno = 0;
};
