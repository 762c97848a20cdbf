// The simulated camera is claimed across processes as a real interface is: while another
// process holds it, this process's commands and filters never reach it.
#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "filter/CStreamWaiter.h"
#include "filter/CTevalFilter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern char **environ;

namespace {

// The holder process, spawned with pipes on its standard input and output; killed and
// reaped on destruction whatever happened.
class Holder {
public:
    Holder()
    {
        int in[2] = {-1, -1};
        int out[2] = {-1, -1};
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        char *argv[] = {const_cast<char *>(SIM_HOLDER_PATH), nullptr};
        if (posix_spawn(&m_pid, SIM_HOLDER_PATH, &actions, nullptr, argv, environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_to = in[1];
        m_from = fdopen(out[0], "r");
    }
    ~Holder()
    {
        Kill(SIGKILL);
        if (m_to >= 0) {
            ::close(m_to);
        }
        if (m_from != nullptr) {
            std::fclose(m_from);
        }
    }
    Holder(const Holder &) = delete;
    Holder &operator=(const Holder &) = delete;

    pid_t Pid() const { return m_pid; }
    std::string ReadLine()
    {
        char line[64] = {};
        if (m_from == nullptr || std::fgets(line, sizeof line, m_from) == nullptr) {
            return {};
        }
        std::string text(line);
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        return text;
    }
    std::string Ask(const std::string &request)
    {
        const std::string line = request + "\n";
        if (::write(m_to, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            return {};
        }
        return ReadLine();
    }
    void Kill(int signal)
    {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    int m_to = -1;
    FILE *m_from = nullptr;
};

class SimClaimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Both processes claim one camera through this file.
        m_lock = ::testing::TempDir() + "tevalcap-sim-claim-" + std::to_string(::getpid());
        setenv("TEVALCAP_SIM_LOCK", m_lock.c_str(), 1);
        setenv("TEVALCAP_SIMULATE", "1", 1);
        ReleaseDevice();
    }
    void TearDown() override
    {
        ReleaseDevice();
        unsetenv("TEVALCAP_SIMULATE");
        setenv("TEVALCAP_SIM_LOCK", "private", 1);
        std::remove(m_lock.c_str());
    }

    std::string m_lock;
};

} // namespace

TEST_F(SimClaimTest, SecondProcessFindsTheCameraBusyAndLeavesTheFirstStreaming)
{
    Holder holder;
    ASSERT_GT(holder.Pid(), 0);
    ASSERT_EQ(holder.ReadLine(), "held");
    ASSERT_EQ(holder.Ask("stream"), "ok");

    // Creating a filter here would stop a stream it could reach; the claim keeps it away.
    {
        HRESULT hr = E_FAIL;
        CTevalFilter filter(nullptr, &hr);
        std::int32_t status = 0;
        EXPECT_EQ(filter.Get(0x200E, &status, nullptr), E_INVALIDARG);
    }
    EXPECT_EQ(Teval_OpenDevice(), 0);
    const OpenResult failure = LastOpenFailure();
    EXPECT_EQ(failure.reason, OpenFailure::Busy);
    EXPECT_EQ(failure.text, "interface 0 is claimed by another program (pid " +
                                std::to_string(holder.Pid()) + ", simholder)");
    EXPECT_EQ(holder.Ask("status"), "1");

    // The claim goes with its holder, however it ends.
    holder.Kill(SIGKILL);
    EXPECT_EQ(Teval_OpenDevice(), 1);
    EXPECT_EQ(LastOpenFailure().reason, OpenFailure::None);
}

TEST_F(SimClaimTest, ClosingTheLastUserReleasesTheClaimForOthers)
{
    ASSERT_EQ(Teval_OpenDevice(), 1);
    {
        Holder holder;
        EXPECT_EQ(holder.ReadLine(), "refused");
    }
    Teval_CloseDevice();
    Holder holder;
    EXPECT_EQ(holder.ReadLine(), "held");
    EXPECT_EQ(Teval_OpenDevice(), 0);
}
