#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// A helper program a test fixture starts (a sound server, a media session, the viewer).
//
// Started with posix_spawn, never fork: ThreadSanitizer ends a process that forks once threads
// exist, and GStreamer and Qt start threads early. The child gets the parent-death signal
// SIGKILL (through setpriv; unless told otherwise), so it goes even when the test process dies
// without running its destructors; the destructor ends it (SIGTERM, then SIGKILL) when the
// test ends normally.
class ChildProcess {
public:
    using Environment = std::map<std::string, std::string>;

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // The current environment with the given variables replaced or added.
    static Environment environment(const Environment &overrides = {});

    // Before start(): the child joins process group `group` (0: it leads a new group) instead
    // of this process's, so that a whole session can be signalled at once.
    void setProcessGroup(pid_t group) { m_group = group; }
    // Before start(): false leaves out the parent-death signal, for a watchdog that has to
    // outlive this process.
    void setDiesWithParent(bool dies) { m_diesWithParent = dies; }

    // Starts argv[0] (looked up on PATH) with the environment; standard output and error go
    // to outputFile (appended) or, when empty, to /dev/null. False when it cannot start.
    bool start(const std::vector<std::string> &argv, const Environment &env,
               const std::string &outputFile = {});
    bool isRunning();
    pid_t pid() const { return m_pid; }
    // Sends a signal to the child while it runs; false when it has ended.
    bool signal(int number);
    // Waits up to ms for the child to end; its exit code, or -1 when it is still running or
    // ended on a signal.
    int waitForExit(int ms);
    // Waits up to ms for the child to end; its wait status (see waitpid), or -1 when it is
    // still running or was never started.
    int waitForStatus(int ms);
    // SIGTERM, and SIGKILL when it has not ended within graceMs.
    void stop(int graceMs = 3000);

    // Runs a program to its end (bounded by timeoutMs, then killed). Its exit code (-1 on a
    // signal, a timeout or when it cannot start); its output in *output when given.
    static int run(const std::vector<std::string> &argv, const Environment &env, int timeoutMs,
                   std::string *output = nullptr);

private:
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_exited = false;
    pid_t m_group = -1; // -1: this process's group
    bool m_diesWithParent = true;
};
