#pragma once

#include <sys/types.h>

class ChildProcess;

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A PipeWire session of the test's own: a runtime folder (mode 700) with a private D-Bus session
// bus, a pipewire daemon and the WirePlumber session manager (without it no consumer is ever
// linked). start() also points this process at the session (XDG_RUNTIME_DIR,
// PIPEWIRE_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS), so in-process pipewiresrc/pipewiresink
// elements created afterwards connect to it.
//
// Every process is started as a ChildProcess (posix_spawn, safe once threads exist) into one
// process group. The group is killed by the destructor, at exit, from std::terminate and,
// should this process die without any of those, by a small watchdog in the group that outlives
// its parent only long enough to end the group.
class PrivatePipeWire {
public:
    struct Node {
        std::uint32_t id = 0;
        std::uint32_t serial = 0;
        std::string state; // "running", "idle", "suspended", "creating", "error"
        std::map<std::string, std::string> properties;

        std::string property(const std::string &key) const;
    };

    PrivatePipeWire();
    ~PrivatePipeWire();
    PrivatePipeWire(const PrivatePipeWire &) = delete;
    PrivatePipeWire &operator=(const PrivatePipeWire &) = delete;

    // Starts D-Bus, PipeWire and WirePlumber and waits until WirePlumber has connected; false
    // (with error()) when any of them cannot.
    bool start();
    // Ends every process of the session (also done by the destructor).
    void stop();
    const std::string &error() const { return m_error; }
    const std::string &runtimeDir() const { return m_runtimeDir; }
    // This process's environment with the session's variables: what spawned programs get.
    std::vector<std::string> environment() const;

    // Starts a program in the session (searched in PATH unless it has a slash), its output
    // appended to logFile when given; the program ends with the session at the latest.
    // Returns its pid, or -1 (with error()).
    pid_t spawn(const std::vector<std::string> &argv,
                const std::vector<std::string> &extraEnvironment = {},
                const std::string &logFile = {});
    // Whether a spawned program still runs (reaps it when it has ended).
    bool isRunning(pid_t pid);
    // Sends `signal` to a spawned program and waits for it to end, killing it after timeoutMs.
    // Returns its wait status, or -1 when it was not a running child.
    int terminate(pid_t pid, int signal = 15, int timeoutMs = 5000);

    // The nodes of the session now (one pw-dump).
    std::vector<Node> nodes();
    std::optional<Node> node(const std::string &name);
    std::optional<std::uint32_t> nodeSerial(const std::string &name);
    // Polls until a node of that name exists (and, when `state` is given, is in that state).
    std::optional<Node> waitForNode(const std::string &name, int timeoutMs,
                                    const std::string &state = {});
    bool waitForNodeGone(const std::string &name, int timeoutMs);
    // Links whose output is the node with that id.
    int linksFrom(std::uint32_t nodeId);

private:
    struct Dump;
    std::optional<Dump> dump();
    bool waitForPath(const std::string &path, pid_t owner, int timeoutMs);
    bool waitForClient(const std::string &applicationName, pid_t owner, int timeoutMs);
    std::vector<std::string> daemonEnvironment() const;
    pid_t spawnInGroup(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                       const std::string &logFile);
    ChildProcess *child(pid_t pid);
    void forget(pid_t pid);

    std::string m_base;
    std::string m_runtimeDir;
    std::string m_error;
    pid_t m_group = 0;
    std::vector<std::unique_ptr<ChildProcess>> m_children;
};
