#include "CameraStatus.h"
#include "PrivatePipeWire.h"
#include "sim/CSimScene.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace {

constexpr int NodeWaitMs = 30000;
#ifdef DOCCAM_SLOW_CAMERA
// Under ThreadSanitizer the simulated camera encodes a few large frames a second at most: the
// tests that count frames use the camera's smallest size there.
constexpr int FrameWaitMs = 90000;
constexpr int Width = 320;
constexpr int Height = 240;
#else
constexpr int FrameWaitMs = 30000;
constexpr int Width = 1024;
constexpr int Height = 768;
#endif
const std::string Size = std::to_string(Width) + "x" + std::to_string(Height);

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Where the page of the simulated document lies in the picture, without the sticky note and
// its running clock (fractions of the width and height).
struct Region {
    double x0, y0, x1, y1;
};
constexpr Region Page{0.13, 0.06, 0.87, 0.94};
constexpr Region Note{0.51, 0.69, 0.87, 0.91};

bool inside(const Region &r, double x, double y)
{
    return x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1;
}

// Mean absolute difference of the luma on the page between a received I420 frame and the
// document the simulated camera renders at that size, and the spread of the document's luma
// there (so that a blank or wrong picture cannot pass).
struct Comparison {
    double difference = 255;
    double spread = 0;
};

Comparison compareWithDocument(GstSample *sample)
{
    Comparison result;
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
        return result;
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        return result;
    }
    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);
    CSimScene scene;
    CSimScene::State state;
    state.width = width;
    state.height = height;
    std::vector<std::uint8_t> y, cb, cr;
    scene.Render(state, y, cb, cr);

    const auto *luma = static_cast<const std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    double sum = 0, sumExpected = 0, sumSquares = 0;
    long count = 0;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const double fx = double(column) / width;
            const double fy = double(row) / height;
            if (!inside(Page, fx, fy) || inside(Note, fx, fy)) {
                continue;
            }
            const double expected = y[std::size_t(row) * width + column];
            sum += std::fabs(double(luma[row * stride + column]) - expected);
            sumExpected += expected;
            sumSquares += expected * expected;
            ++count;
        }
    }
    gst_video_frame_unmap(&frame);
    if (count == 0) {
        return result;
    }
    const double mean = sumExpected / count;
    result.difference = sum / count;
    result.spread = std::sqrt(std::max(0.0, sumSquares / count - mean * mean));
    return result;
}

// A consumer of the camera node, as a browser or OBS would be: pipewiresrc with raw video.
class Consumer {
public:
    Consumer(std::uint32_t serial, int width, int height)
    {
        const std::string description =
            "pipewiresrc target-object=" + std::to_string(serial) +
            " ! video/x-raw,format=I420,width=" + std::to_string(width) +
            ",height=" + std::to_string(height) +
            " ! appsink name=sink sync=false max-buffers=4 drop=true";
        GError *error = nullptr;
        m_pipeline = gst_parse_launch(description.c_str(), &error);
        if (error) {
            ADD_FAILURE() << error->message;
            g_clear_error(&error);
        }
        if (m_pipeline) {
            gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
        }
    }
    ~Consumer()
    {
        if (!m_pipeline) {
            return;
        }
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
    Consumer(const Consumer &) = delete;
    Consumer &operator=(const Consumer &) = delete;

    // Collects frames until `wanted` arrived or the wait ran out; keeps the last one.
    int receive(int wanted, int timeoutMs)
    {
        if (!m_pipeline) {
            return 0;
        }
        GstElement *sink = gst_bin_get_by_name(GST_BIN(m_pipeline), "sink");
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int received = 0;
        while (received < wanted && std::chrono::steady_clock::now() < deadline) {
            GstSample *sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), GST_SECOND / 2);
            if (!sample) {
                continue;
            }
            ++received;
            if (m_last) {
                gst_sample_unref(m_last);
            }
            m_last = sample;
        }
        gst_object_unref(sink);
        return received;
    }
    GstSample *last() const { return m_last; }
    void release()
    {
        if (m_last) {
            gst_sample_unref(m_last);
        }
        m_last = nullptr;
    }

private:
    GstElement *m_pipeline = nullptr;
    GstSample *m_last = nullptr;
};

} // namespace

// One PipeWire session and one `tevalcam --simulate` for the whole suite, in the order of the
// tests: published node, frames only while consumed, unplug and replug, a second publisher,
// another size.
class TevalCamPublish : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_session = new PrivatePipeWire;
        s_started = s_session->start();
        // This process's simulated camera is the one tevalcam films: one claim for both, in
        // the session's runtime folder, as for a real camera.
        ::setenv("TEVALCAP_SIMULATE", "1", 1);
        ::setenv("TEVALCAP_SIM_LOCK", "", 1);
        gst_init(nullptr, nullptr);
    }
    static void TearDownTestSuite()
    {
        delete s_session;
        s_session = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(s_started) << s_session->error(); }
    void TearDown() override
    {
        if (!HasFailure() || !s_session) {
            return;
        }
        const std::string log = readFile(logPath("tevalcam"));
        std::cerr << "tevalcam's log, last part:\n"
                  << log.substr(log.size() > 4000 ? log.size() - 4000 : 0) << "\n";
    }

    static pid_t startPublisher(const std::string &size, const std::string &log)
    {
        return s_session->spawn(
            {TEVALCAM, "--simulate", "--size", size},
            {"GST_DEBUG=tevalcam:4", "GST_DEBUG_NO_COLOR=1", "TEVALCAP_SIM_LOCK="}, log);
    }
    static bool waitForLog(const std::string &log, const std::string &text, int timeoutMs,
                           std::size_t after = 0)
    {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (readFile(log).find(text, after) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }
    static std::string logPath(const char *name)
    {
        return s_session->runtimeDir() + "/" + name + ".log";
    }

    static PrivatePipeWire *s_session;
    static bool s_started;
    static pid_t s_publisher;
};

PrivatePipeWire *TevalCamPublish::s_session = nullptr;
bool TevalCamPublish::s_started = false;
pid_t TevalCamPublish::s_publisher = -1;

TEST_F(TevalCamPublish, PublishesTheCameraNode)
{
    s_publisher = startPublisher(Size, logPath("tevalcam"));
    ASSERT_GT(s_publisher, 0) << s_session->error();
    const auto node = s_session->waitForNode("doccam", NodeWaitMs);
    ASSERT_TRUE(node) << readFile(logPath("tevalcam"));
    EXPECT_EQ(node->property("media.class"), "Video/Source");
    EXPECT_EQ(node->property("media.role"), "Camera");
    EXPECT_EQ(node->property("node.description"), "Document Camera");
    EXPECT_EQ(node->property("doccam.origin"), "tevalcam");
    EXPECT_EQ(s_session->linksFrom(node->id), 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(readFile(logPath("tevalcam")).find("camera streaming"), std::string::npos)
        << "the camera runs without a consumer";
}

TEST_F(TevalCamPublish, ServesTheDocumentOnlyWhileConsumed)
{
    const auto serial = s_session->nodeSerial("doccam");
    ASSERT_TRUE(serial);
    {
        Consumer consumer(*serial, Width, Height);
        EXPECT_GE(consumer.receive(50, FrameWaitMs), 50);
        ASSERT_TRUE(consumer.last());
        const Comparison seen = compareWithDocument(consumer.last());
        EXPECT_GT(seen.spread, 30) << "the compared region shows too little of the document";
        EXPECT_LT(seen.difference, 6) << "the frames are not the simulated document";
        EXPECT_TRUE(waitForLog(logPath("tevalcam"), "camera streaming", 1000));
        const auto node = s_session->node("doccam");
        ASSERT_TRUE(node);
        EXPECT_EQ(node->state, "running");
        EXPECT_GE(s_session->linksFrom(node->id), 1);
    }
    EXPECT_TRUE(waitForLog(logPath("tevalcam"), "camera released", 5000))
        << "the camera keeps streaming after the consumer left";
    // Idle at once, suspended by WirePlumber some seconds later: no longer running.
    bool running = true;
    for (int i = 0; i < 50 && running; ++i) {
        const auto node = s_session->node("doccam");
        running = !node || node->state == "running";
        if (running) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    EXPECT_FALSE(running) << "the node still runs without a consumer";
}

// Whichever process holds the camera works and the other waits: this process's camera element
// gets no status while tevalcam serves, and the camera once the consumer left; while this
// process holds the camera, tevalcam withdraws its node, and publishes it again afterwards.
TEST_F(TevalCamPublish, CameraPassesBetweenProcesses)
{
    const auto serial = s_session->nodeSerial("doccam");
    ASSERT_TRUE(serial);
    const std::size_t before = readFile(logPath("tevalcam")).size();
    {
        Consumer consumer(*serial, Width, Height);
        ASSERT_GE(consumer.receive(5, FrameWaitMs), 5);
        const auto status = CameraStatus::probe();
        EXPECT_FALSE(status && CameraStatus::showsCamera(*status))
            << "a second process reaches the camera tevalcam streams from";
        EXPECT_GE(consumer.receive(5, 15000), 5) << "the other process stopped the stream";
    }
    ASSERT_TRUE(waitForLog(logPath("tevalcam"), "camera released", 5000, before));

    GstElement *made = nullptr;
    for (int attempt = 0; attempt < 20 && !made; ++attempt) {
        GstElement *camera = gst_element_factory_make(CameraStatus::FactoryName, nullptr);
        ASSERT_TRUE(camera);
        gst_object_ref_sink(camera);
        const auto status = CameraStatus::read(camera);
        if (status && CameraStatus::showsCamera(*status)) {
            made = camera;
        } else {
            // tevalcam's presence probe held the camera for a moment.
            gst_object_unref(camera);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    }
    ASSERT_TRUE(made) << "the camera does not pass to another process after the consumer left";
    EXPECT_TRUE(s_session->waitForNodeGone("doccam", 5000))
        << "tevalcam offers a camera another process holds";
    gst_element_set_state(made, GST_STATE_NULL);
    gst_object_unref(made);
    EXPECT_TRUE(s_session->waitForNode("doccam", 5000)) << "the node does not come back";
}

TEST_F(TevalCamPublish, FollowsUnplugAndReplug)
{
    ASSERT_TRUE(s_session->isRunning(s_publisher));
    ::kill(s_publisher, SIGUSR1);
    EXPECT_TRUE(s_session->waitForNodeGone("doccam", 5000)) << "the node outlives the camera";
    ::kill(s_publisher, SIGUSR2);
    auto node = s_session->waitForNode("doccam", 5000);
    ASSERT_TRUE(node) << "the node does not come back with the camera";
    {
        Consumer consumer(node->serial, Width, Height);
        EXPECT_GE(consumer.receive(10, FrameWaitMs), 10);
        // Unplugged while serving: the stream ends, the camera is let go, the node goes.
        const std::size_t before = readFile(logPath("tevalcam")).size();
        ::kill(s_publisher, SIGUSR1);
        EXPECT_TRUE(s_session->waitForNodeGone("doccam", 5000));
        EXPECT_TRUE(waitForLog(logPath("tevalcam"), "camera released", 1000, before));
    }
    ::kill(s_publisher, SIGUSR2);
    node = s_session->waitForNode("doccam", 5000);
    ASSERT_TRUE(node);
    Consumer consumer(node->serial, Width, Height);
    EXPECT_GE(consumer.receive(10, FrameWaitMs), 10) << "no frames after the camera came back";
}

TEST_F(TevalCamPublish, OnePublisherAtATime)
{
    const pid_t second = startPublisher(Size, logPath("second"));
    ASSERT_GT(second, 0);
    std::this_thread::sleep_for(std::chrono::seconds(4));
    int published = 0;
    for (const auto &node : s_session->nodes()) {
        published += node.property("node.name") == "doccam" ? 1 : 0;
    }
    EXPECT_EQ(published, 1) << "two nodes of the one camera";
    s_session->terminate(second);
}

TEST_F(TevalCamPublish, PublishesTheSizeAskedFor)
{
    s_session->terminate(s_publisher);
    ASSERT_TRUE(s_session->waitForNodeGone("doccam", 5000)) << "the node outlives tevalcam";
    s_publisher = startPublisher("1280x720", logPath("hd"));
    const auto node = s_session->waitForNode("doccam", NodeWaitMs);
    ASSERT_TRUE(node);
    Consumer consumer(node->serial, 1280, 720);
    EXPECT_GE(consumer.receive(5, FrameWaitMs), 5);
    ASSERT_TRUE(consumer.last());
    EXPECT_LT(compareWithDocument(consumer.last()).difference, 6);
    consumer.release();
}
