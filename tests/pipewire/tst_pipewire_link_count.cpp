// The PipeWire link count the plug-in's hosts share, against a private session: which nodes'
// links it counts, and that it notices the daemon going away.
#include "PipeWireLinkCount.h"
#include "PrivatePipeWire.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char *NodeName = "count-cam";

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The system's GStreamer programs, with a registry of their own and none of the build's
// plug-ins (a sanitizer build of one would not load into them).
std::vector<std::string> systemGStreamer()
{
    return {"GST_PLUGIN_PATH=", "GST_REGISTRY_FORK=yes",
            std::string("GST_REGISTRY=") + SYSTEM_REGISTRY};
}

} // namespace

// A node of another process counts for a count of every node of the name and not for one of
// this process's nodes; the links come and go with the consumer, and the count ends at zero,
// disconnected, when the daemon goes.
TEST(PipeWireLinkCount, CountsTheNodesItIsGivenAndNoticesTheDaemonGoing)
{
    PrivatePipeWire session;
    ASSERT_TRUE(session.start()) << session.error();
    const pid_t source = session.spawn(
        {"gst-launch-1.0", "-q", "videotestsrc", "is-live=true", "!",
         "video/x-raw,format=I420,width=320,height=240,framerate=25/1", "!", "pipewiresink",
         "mode=provide",
         std::string("stream-properties=\"props,media.class=Video/Source,node.name=") + NodeName +
             "\""},
        systemGStreamer());
    ASSERT_GT(source, 0) << session.error();
    const auto node = session.waitForNode(NodeName, 30000);
    ASSERT_TRUE(node) << "the published node does not appear";

    std::atomic<int> reported{-1};
    PipeWireLinkCount anyone(NodeName, PipeWireLinkCount::Owner::Anyone, "test-count",
                             [&](int links) { reported = links; });
    PipeWireLinkCount own(NodeName, PipeWireLinkCount::Owner::ThisProcess, "test-own");
    ASSERT_TRUE(anyone.connect());
    ASSERT_TRUE(own.connect());
    EXPECT_TRUE(anyone.isConnected());
    EXPECT_EQ(anyone.links(), 0);

    const pid_t consumer = session.spawn({"gst-launch-1.0", "-q", "pipewiresrc",
                                          "target-object=" + std::to_string(node->serial), "!",
                                          "video/x-raw", "!", "fakesink"},
                                         systemGStreamer());
    ASSERT_GT(consumer, 0) << session.error();
    EXPECT_TRUE(waitFor([&] { return anyone.links() == 1; }, 20000)) << "the link is not seen";
    EXPECT_EQ(reported.load(), 1);
    EXPECT_EQ(own.links(), 0) << "another process's node counted as this process's";

    session.terminate(consumer);
    EXPECT_TRUE(waitFor([&] { return anyone.links() == 0; }, 10000)) << "the link stays";
    EXPECT_EQ(reported.load(), 0);

    session.spawn({"gst-launch-1.0", "-q", "pipewiresrc",
                   "target-object=" + std::to_string(node->serial), "!", "video/x-raw", "!",
                   "fakesink"},
                  systemGStreamer());
    ASSERT_TRUE(waitFor([&] { return anyone.links() == 1; }, 20000));
    session.stop();
    EXPECT_TRUE(waitFor([&] { return !anyone.isConnected(); }, 10000))
        << "the daemon's end goes unnoticed";
    EXPECT_EQ(anyone.links(), 0);
    EXPECT_EQ(reported.load(), 0);
    EXPECT_FALSE(anyone.connect()) << "connected with no daemon running";
}
