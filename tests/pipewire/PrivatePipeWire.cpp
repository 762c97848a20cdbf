#include "PrivatePipeWire.h"

#include "ChildProcess.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

extern char **environ;

namespace {

constexpr int StartWaitMs = 15000;
constexpr int DumpWaitMs = 10000;
constexpr int PollMs = 50;
// How long a killed process may take to be reaped.
constexpr int StopWaitMs = 60000;

// Process groups of every live session in this process, for the exit and terminate paths.
std::mutex &groupsMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<pid_t> &liveGroups()
{
    static std::vector<pid_t> groups;
    return groups;
}

void killLiveGroups()
{
    // No lock: this also runs from std::terminate, possibly with the lock held.
    for (pid_t group : liveGroups()) {
        ::kill(-group, SIGKILL);
    }
}

std::terminate_handler previousTerminate = nullptr;

void onTerminate()
{
    killLiveGroups();
    if (previousTerminate) {
        previousTerminate();
    }
    std::abort();
}

void registerGroup(pid_t group)
{
    static std::once_flag once;
    std::call_once(once, [] {
        std::atexit(killLiveGroups);
        previousTerminate = std::set_terminate(onTerminate);
    });
    std::lock_guard lock(groupsMutex());
    liveGroups().push_back(group);
}

void unregisterGroup(pid_t group)
{
    std::lock_guard lock(groupsMutex());
    auto &groups = liveGroups();
    groups.erase(std::remove(groups.begin(), groups.end(), group), groups.end());
}

std::vector<std::string> currentEnvironment()
{
    std::vector<std::string> env;
    for (char **entry = environ; entry && *entry; ++entry) {
        env.emplace_back(*entry);
    }
    return env;
}

// Sets NAME=value in an environment list, replacing an earlier entry of that name.
void setEntry(std::vector<std::string> &env, const std::string &entry)
{
    const std::string name = entry.substr(0, entry.find('=') + 1);
    std::erase_if(env, [&](const std::string &e) { return e.compare(0, name.size(), name) == 0; });
    env.push_back(entry);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string tail(const std::string &text, std::size_t length = 600)
{
    return text.size() <= length ? text : text.substr(text.size() - length);
}

std::string jsonText(const QJsonValue &value)
{
    if (value.isString()) {
        return value.toString().toStdString();
    }
    if (value.isBool()) {
        return value.toBool() ? "true" : "false";
    }
    if (value.isDouble()) {
        return std::to_string(value.toInteger());
    }
    return {};
}

} // namespace

struct PrivatePipeWire::Dump {
    std::vector<Node> nodes;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> links; // output node, input node
    std::vector<std::map<std::string, std::string>> clients;
};

std::string PrivatePipeWire::Node::property(const std::string &key) const
{
    const auto it = properties.find(key);
    return it == properties.end() ? std::string() : it->second;
}

PrivatePipeWire::PrivatePipeWire() = default;

PrivatePipeWire::~PrivatePipeWire()
{
    stop();
}

std::vector<std::string> PrivatePipeWire::environment() const
{
    return currentEnvironment();
}

std::vector<std::string> PrivatePipeWire::daemonEnvironment() const
{
    std::vector<std::string> env = currentEnvironment();
    // The daemons read no configuration or state of the person running the tests.
    setEntry(env, "HOME=" + m_base);
    setEntry(env, "XDG_CONFIG_HOME=" + m_base + "/config");
    setEntry(env, "XDG_STATE_HOME=" + m_base + "/state");
    setEntry(env, "XDG_DATA_HOME=" + m_base + "/data");
    std::erase_if(env, [](const std::string &e) { return e.rfind("PIPEWIRE_REMOTE=", 0) == 0; });
    return env;
}

pid_t PrivatePipeWire::spawnInGroup(const std::vector<std::string> &argv,
                                    const std::vector<std::string> &env, const std::string &logFile)
{
    ChildProcess::Environment variables;
    for (const std::string &entry : env) {
        const auto equals = entry.find('=');
        if (equals != std::string::npos) {
            variables[entry.substr(0, equals)] = entry.substr(equals + 1);
        }
    }
    auto process = std::make_unique<ChildProcess>();
    // The first process (the watchdog) leads the group and must outlive this process.
    process->setProcessGroup(m_group);
    process->setDiesWithParent(m_group != 0);
    if (!process->start(argv, variables, logFile)) {
        m_error = "cannot start " + argv[0];
        return -1;
    }
    const pid_t pid = process->pid();
    if (m_group == 0) {
        m_group = pid;
        registerGroup(pid);
    }
    m_children.push_back(std::move(process));
    return pid;
}

ChildProcess *PrivatePipeWire::child(pid_t pid)
{
    const auto found = std::find_if(m_children.begin(), m_children.end(),
                                    [&](const auto &process) { return process->pid() == pid; });
    return found == m_children.end() ? nullptr : found->get();
}

void PrivatePipeWire::forget(pid_t pid)
{
    std::erase_if(m_children, [&](const auto &process) { return process->pid() == pid; });
}

bool PrivatePipeWire::start()
{
    if (m_group != 0) {
        return true;
    }
    char base[] = "/tmp/doccam-pw-XXXXXX";
    if (!mkdtemp(base)) {
        m_error = "no temporary folder";
        return false;
    }
    m_base = base;
    m_runtimeDir = m_base + "/run";
    for (const char *folder : {"/run", "/config", "/state", "/data", "/logs"}) {
        if (::mkdir((m_base + folder).c_str(), 0700) != 0) {
            m_error = "cannot create " + m_base + folder;
            return false;
        }
    }
    const std::string busAddress = "unix:path=" + m_runtimeDir + "/bus";
    // This process's clients follow from here on.
    ::setenv("XDG_RUNTIME_DIR", m_runtimeDir.c_str(), 1);
    ::setenv("PIPEWIRE_RUNTIME_DIR", m_runtimeDir.c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), 1);
    ::unsetenv("PIPEWIRE_REMOTE");

    // The watchdog leads the group and ends it once this process is gone.
    const std::string watchdog = "while kill -0 " + std::to_string(::getpid()) +
                                 " 2>/dev/null; do sleep 1; done; rm -rf '" + m_base +
                                 "'; kill -KILL 0";
    if (spawnInGroup({"/bin/sh", "-c", watchdog}, daemonEnvironment(), {}) < 0) {
        return false;
    }

    const std::vector<std::string> env = daemonEnvironment();
    const std::string logs = m_base + "/logs/";
    const pid_t bus = spawnInGroup(
        {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + busAddress}, env,
        logs + "dbus.log");
    if (bus < 0 || !waitForPath(m_runtimeDir + "/bus", bus, StartWaitMs)) {
        m_error = "dbus-daemon does not start: " + tail(readFile(logs + "dbus.log"));
        return false;
    }
    const pid_t daemon = spawnInGroup({"pipewire"}, env, logs + "pipewire.log");
    if (daemon < 0 || !waitForPath(m_runtimeDir + "/pipewire-0", daemon, StartWaitMs)) {
        m_error = "pipewire does not start: " + tail(readFile(logs + "pipewire.log"));
        return false;
    }
    const pid_t manager = spawnInGroup({"wireplumber"}, env, logs + "wireplumber.log");
    if (manager < 0 || !waitForClient("WirePlumber [export]", manager, StartWaitMs)) {
        m_error = "wireplumber does not start: " + tail(readFile(logs + "wireplumber.log"));
        return false;
    }
    return true;
}

void PrivatePipeWire::stop()
{
    if (m_group == 0) {
        return;
    }
    ::kill(-m_group, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline) {
        std::erase_if(m_children, [](const auto &process) { return !process->isRunning(); });
        if (m_children.empty()) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMs));
    }
    ::kill(-m_group, SIGKILL);
    for (const auto &process : m_children) {
        process->waitForStatus(StopWaitMs);
    }
    m_children.clear();
    unregisterGroup(m_group);
    m_group = 0;
    std::error_code ignored;
    std::filesystem::remove_all(m_base, ignored);
}

pid_t PrivatePipeWire::spawn(const std::vector<std::string> &argv,
                             const std::vector<std::string> &extraEnvironment,
                             const std::string &logFile)
{
    if (m_group == 0 || argv.empty()) {
        m_error = "the session is not running";
        return -1;
    }
    std::vector<std::string> env = currentEnvironment();
    for (const std::string &entry : extraEnvironment) {
        setEntry(env, entry);
    }
    return spawnInGroup(argv, env, logFile);
}

bool PrivatePipeWire::isRunning(pid_t pid)
{
    ChildProcess *process = child(pid);
    if (process && process->isRunning()) {
        return true;
    }
    forget(pid);
    return false;
}

int PrivatePipeWire::terminate(pid_t pid, int signal, int timeoutMs)
{
    ChildProcess *process = child(pid);
    if (!process) {
        return -1;
    }
    process->signal(signal);
    int status = process->waitForStatus(timeoutMs);
    if (status == -1) {
        process->signal(SIGKILL);
        status = process->waitForStatus(StopWaitMs);
    }
    forget(pid);
    return status;
}

bool PrivatePipeWire::waitForPath(const std::string &path, pid_t owner, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    struct stat info {};
    while (::stat(path.c_str(), &info) != 0) {
        if (!isRunning(owner) || std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMs));
    }
    return true;
}

bool PrivatePipeWire::waitForClient(const std::string &applicationName, pid_t owner, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline && isRunning(owner)) {
        if (const auto d = dump()) {
            for (const auto &client : d->clients) {
                const auto it = client.find("application.name");
                if (it != client.end() && it->second == applicationName) {
                    return true;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMs * 2));
    }
    return false;
}

std::optional<PrivatePipeWire::Dump> PrivatePipeWire::dump()
{
    if (m_group == 0) {
        return std::nullopt;
    }
    const std::string file = m_base + "/dump.json";
    std::filesystem::remove(file);
    const pid_t pid = spawnInGroup({"pw-dump"}, daemonEnvironment(), file);
    if (pid < 0) {
        return std::nullopt;
    }
    // Signal 0: only waits for pw-dump to finish (killing it when it hangs).
    const int status = terminate(pid, 0, DumpWaitMs);
    if (status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }

    const std::string text = readFile(file);
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(text.data(), qsizetype(text.size())));
    if (!document.isArray()) {
        return std::nullopt;
    }
    Dump result;
    for (const QJsonValue &value : document.array()) {
        const QJsonObject object = value.toObject();
        const QString type = object.value("type").toString();
        const QJsonObject info = object.value("info").toObject();
        const QJsonObject props = info.value("props").toObject();
        std::map<std::string, std::string> properties;
        for (auto it = props.begin(); it != props.end(); ++it) {
            properties[it.key().toStdString()] = jsonText(it.value());
        }
        if (type == "PipeWire:Interface:Node") {
            Node node;
            node.id = std::uint32_t(object.value("id").toInteger());
            node.serial = std::uint32_t(props.value("object.serial").toInteger());
            node.state = info.value("state").toString().toStdString();
            node.properties = std::move(properties);
            result.nodes.push_back(std::move(node));
        } else if (type == "PipeWire:Interface:Link") {
            result.links.emplace_back(std::uint32_t(info.value("output-node-id").toInteger()),
                                      std::uint32_t(info.value("input-node-id").toInteger()));
        } else if (type == "PipeWire:Interface:Client") {
            result.clients.push_back(std::move(properties));
        }
    }
    return result;
}

std::vector<PrivatePipeWire::Node> PrivatePipeWire::nodes()
{
    auto d = dump();
    return d ? std::move(d->nodes) : std::vector<Node>{};
}

std::optional<PrivatePipeWire::Node> PrivatePipeWire::node(const std::string &name)
{
    for (Node &n : nodes()) {
        if (n.property("node.name") == name) {
            return std::move(n);
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> PrivatePipeWire::nodeSerial(const std::string &name)
{
    if (const auto n = node(name)) {
        return n->serial;
    }
    return std::nullopt;
}

std::optional<PrivatePipeWire::Node>
PrivatePipeWire::waitForNode(const std::string &name, int timeoutMs, const std::string &state)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (auto n = node(name); n && (state.empty() || n->state == state)) {
            return n;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMs * 2));
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

bool PrivatePipeWire::waitForNodeGone(const std::string &name, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (const auto d = dump();
            d && std::none_of(d->nodes.begin(), d->nodes.end(),
                              [&](const Node &n) { return n.property("node.name") == name; })) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMs * 2));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

int PrivatePipeWire::linksFrom(std::uint32_t nodeId)
{
    const auto d = dump();
    if (!d) {
        return 0;
    }
    return int(std::count_if(d->links.begin(), d->links.end(),
                             [&](const auto &link) { return link.first == nodeId; }));
}
