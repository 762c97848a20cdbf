#include "PrivatePipeWire.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

extern char **environ;

namespace {

constexpr const char *ChildFlag = "--session-then-die";

bool groupAlive(pid_t group)
{
    return ::kill(-group, 0) == 0;
}

bool waitGroupGone(pid_t group, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (groupAlive(group)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// A publisher in the session: what any camera program does, at the smallest size.
std::vector<std::string> publisher(const std::string &name)
{
    return {"gst-launch-1.0",
            "-q",
            "videotestsrc",
            "is-live=true",
            "!",
            "video/x-raw,format=I420,width=320,height=240,framerate=25/1",
            "!",
            "pipewiresink",
            "mode=provide",
            "stream-properties=\"props,media.class=Video/Source,media.role=Camera,node.name=" +
                name + ",node.description=\\\"Fixture Camera\\\"\""};
}

// The system's GStreamer programs get a registry of their own (kept in the build tree, so that
// only the first run scans) and not the build's plug-ins: a
// plug-in built with a sanitizer does not load into them, and would be marked unloadable in
// the build's registry that the tests share.
const std::vector<std::string> SystemGStreamer = {"GST_PLUGIN_PATH=", "GST_REGISTRY_FORK=yes"};

} // namespace

// The session comes up isolated, sees a published node with its properties, links a consumer
// to it, and leaves nothing behind when it ends.
TEST(PrivatePipeWire, PublishesLinksAndCleansUp)
{
    pid_t group = 0;
    std::string runtime;
    {
        PrivatePipeWire session;
        ASSERT_TRUE(session.start()) << session.error();
        runtime = session.runtimeDir();
        EXPECT_EQ(std::filesystem::status(runtime).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_all);
        EXPECT_STREQ(getenv("XDG_RUNTIME_DIR"), runtime.c_str());

        std::vector<std::string> env = SystemGStreamer;
        env.push_back(std::string("GST_REGISTRY=") + SYSTEM_REGISTRY);
        const pid_t source = session.spawn(publisher("fixture-cam"), env);
        ASSERT_GT(source, 0) << session.error();
        group = ::getpgid(source);
        EXPECT_NE(group, ::getpgrp());

        const auto node = session.waitForNode("fixture-cam", 30000);
        ASSERT_TRUE(node) << "the published node does not appear";
        EXPECT_EQ(node->property("media.class"), "Video/Source");
        EXPECT_EQ(node->property("node.description"), "Fixture Camera");
        EXPECT_EQ(session.nodeSerial("fixture-cam"), node->serial);
        EXPECT_EQ(session.linksFrom(node->id), 0);

        const pid_t consumer = session.spawn(
            {"gst-launch-1.0", "-q", "pipewiresrc", "target-object=" + std::to_string(node->serial),
             "num-buffers=25", "!", "video/x-raw", "!", "fakesink"});
        ASSERT_GT(consumer, 0);
        EXPECT_TRUE(session.waitForNode("fixture-cam", 10000, "running"))
            << "the consumer is never linked";
        const int status = session.terminate(consumer, 0, 20000);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "the consumer does not receive its frames";

        const int ended = session.terminate(source);
        EXPECT_TRUE(WIFSIGNALED(ended) && WTERMSIG(ended) == SIGTERM)
            << "the publisher had already ended";
        EXPECT_TRUE(session.waitForNodeGone("fixture-cam", 5000));
        EXPECT_TRUE(session.isRunning(session.spawn({"sleep", "60"})));
    }
    EXPECT_TRUE(waitGroupGone(group, 5000)) << "processes outlive the session";
    EXPECT_FALSE(std::filesystem::exists(runtime));
}

// A test process that dies without running any destructor or exit handler still takes its
// session down (the watchdog).
TEST(PrivatePipeWire, SessionEndsWhenItsProcessIsKilled)
{
    const std::string groupFile = testing::TempDir() + "/doccam-pw-group";
    std::filesystem::remove(groupFile);
    char *argv[] = {const_cast<char *>(TEST_SELF), const_cast<char *>(ChildFlag),
                    const_cast<char *>(groupFile.c_str()), nullptr};
    pid_t child = -1;
    ASSERT_EQ(posix_spawn(&child, TEST_SELF, nullptr, nullptr, argv, environ), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child failed";

    pid_t group = 0;
    std::ifstream(groupFile) >> group;
    ASSERT_GT(group, 0) << "the child did not start its session";
    EXPECT_TRUE(waitGroupGone(group, 5000)) << "the session outlives its killed process";
    std::string runtime;
    std::ifstream(groupFile) >> group >> runtime;
    EXPECT_FALSE(runtime.empty() || std::filesystem::exists(runtime));
    std::filesystem::remove(groupFile);
    if (groupAlive(group)) {
        ::kill(-group, SIGKILL);
    }
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == ChildFlag) {
        PrivatePipeWire session;
        if (!session.start()) {
            return 1;
        }
        const pid_t sleeper = session.spawn({"sleep", "60"});
        std::ofstream(argv[2]) << ::getpgid(sleeper) << ' ' << session.runtimeDir() << std::endl;
        ::raise(SIGKILL);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
