#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char **environ;

namespace {

constexpr auto PollStep = std::chrono::milliseconds(10);

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> result;
    result.reserve(strings.size() + 1);
    for (std::string &s : strings) {
        result.push_back(s.data());
    }
    result.push_back(nullptr);
    return result;
}

} // namespace

ChildProcess::~ChildProcess()
{
    stop();
}

ChildProcess::Environment ChildProcess::environment(const Environment &overrides)
{
    Environment env;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const auto equals = text.find('=');
        if (equals != std::string::npos) {
            env[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto &[name, value] : overrides) {
        env[name] = value;
    }
    return env;
}

bool ChildProcess::start(const std::vector<std::string> &argv, const Environment &env,
                         const std::string &outputFile)
{
    if (m_pid > 0 || argv.empty()) {
        return false;
    }
    // setpriv gives the child the parent-death signal and then executes the program itself.
    std::vector<std::string> args;
    if (m_diesWithParent) {
        args = {"setpriv", "--pdeathsig", "KILL", "--"};
    }
    args.insert(args.end(), argv.begin(), argv.end());
    std::vector<std::string> envStrings;
    for (const auto &[name, value] : env) {
        envStrings.push_back(name + "=" + value);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = outputFile.empty() ? std::string("/dev/null") : outputFile;
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child starts with the default signal mask and dispositions, whatever the test set.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (m_group >= 0) {
        posix_spawnattr_setpgroup(&attributes, m_group);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attributes, flags);

    auto argPointers = pointers(args);
    auto envPointers = pointers(envStrings);
    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argPointers[0], &actions, &attributes, argPointers.data(),
                                    envPointers.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        return false;
    }
    m_pid = pid;
    m_exited = false;
    m_status = 0;
    return true;
}

bool ChildProcess::isRunning()
{
    if (m_pid <= 0 || m_exited) {
        return false;
    }
    int status = 0;
    const pid_t done = waitpid(m_pid, &status, WNOHANG);
    if (done == m_pid || done < 0) {
        m_exited = true;
        m_status = status;
        return false;
    }
    return true;
}

bool ChildProcess::signal(int number)
{
    return isRunning() && kill(m_pid, number) == 0;
}

int ChildProcess::waitForStatus(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (isRunning()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(PollStep);
    }
    return m_pid > 0 ? m_status : -1;
}

int ChildProcess::waitForExit(int ms)
{
    const int status = waitForStatus(ms);
    if (status == -1 || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

void ChildProcess::stop(int graceMs)
{
    if (!isRunning()) {
        return;
    }
    kill(m_pid, SIGTERM);
    if (waitForExit(graceMs) == -1 && isRunning()) {
        kill(m_pid, SIGKILL);
        waitForExit(graceMs);
    }
}

int ChildProcess::run(const std::vector<std::string> &argv, const Environment &env, int timeoutMs,
                      std::string *output)
{
    char name[] = "/tmp/doccam-child-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) {
        return -1;
    }
    close(fd);
    int code = -1;
    {
        ChildProcess child;
        if (child.start(argv, env, name)) {
            code = child.waitForExit(timeoutMs);
            child.stop(1000);
        }
    }
    if (output) {
        std::ifstream in(name);
        std::ostringstream text;
        text << in.rdbuf();
        *output = text.str();
    }
    std::remove(name);
    return code;
}
