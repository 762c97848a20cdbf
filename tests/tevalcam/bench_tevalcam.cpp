// CPU of tevalcam idle (node published, no consumer) and serving one consumer at 1024x768@25,
// and the frames the consumer received against those offered, over a run of its own. Not a
// test: it prints the figures. Usage: bench_tevalcam [idle seconds] [serving seconds]
#include "PrivatePipeWire.h"

#include <gst/gst.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

// User plus system CPU time of a process, in seconds.
double cpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) { // state .. cmajflt
        fields >> skip;
    }
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / double(sysconf(_SC_CLK_TCK));
}

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

int main(int argc, char **argv)
{
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int servingSeconds = argc > 2 ? std::atoi(argv[2]) : 60;
    constexpr int Rate = 25;
    gst_init(nullptr, nullptr);
    PrivatePipeWire session;
    if (!session.start()) {
        std::cerr << "no PipeWire session: " << session.error() << "\n";
        return 1;
    }
    const std::string log = session.runtimeDir() + "/tevalcam.log";
    const pid_t publisher = session.spawn({TEVALCAM, "--simulate", "--size", "1024x768"},
                                          {"GST_DEBUG=tevalcam:4", "GST_DEBUG_NO_COLOR=1"}, log);
    const auto node = session.waitForNode("doccam", 30000);
    if (publisher < 0 || !node) {
        std::cerr << "tevalcam does not publish\n" << readFile(log);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2)); // start-up done

    auto start = std::chrono::steady_clock::now();
    double cpu = cpuSeconds(publisher);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double idle =
        (cpuSeconds(publisher) - cpu) / seconds(std::chrono::steady_clock::now() - start);

    const std::string description = "pipewiresrc target-object=" + std::to_string(node->serial) +
                                    " ! video/x-raw,width=1024,height=768 ! fakesink name=sink "
                                    "sync=false signal-handoffs=true";
    GstElement *pipeline = gst_parse_launch(description.c_str(), nullptr);
    GstElement *sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    // Counted on the consumer's streaming thread, as soon as each frame arrives.
    std::atomic<long> received{0};
    g_signal_connect(sink, "handoff",
                     G_CALLBACK(+[](GstElement *, GstBuffer *, GstPad *, gpointer count) {
                         ++*static_cast<std::atomic<long> *>(count);
                     }),
                     &received);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    // The first frame: the camera has started; the measured run begins here.
    for (int waited = 0; received == 0; waited += 10) {
        if (waited > 30000) {
            std::cerr << "no frame\n";
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    start = std::chrono::steady_clock::now();
    cpu = cpuSeconds(publisher);
    const long before = received;
    std::this_thread::sleep_for(std::chrono::seconds(servingSeconds));
    const double elapsed = seconds(std::chrono::steady_clock::now() - start);
    const double serving = (cpuSeconds(publisher) - cpu) / elapsed;
    const long inRun = received - before;
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);

    std::printf("tevalcam CPU idle (node published, no consumer) over %d s: %.2f %% of a core\n",
                idleSeconds, idle * 100);
    std::printf("tevalcam CPU serving one consumer at 1024x768@%d (includes the simulated "
                "camera's JPEG encoding): %.1f %% of a core\n",
                Rate, serving * 100);
    const double consumerRate = double(inRun) / elapsed;
    std::printf("frames received in %.1f s: %ld, %.2f per second\n", elapsed, inRun, consumerRate);

    // What tevalcam offered: its frames from the camera's first one to its release, at the
    // times of its own log.
    const std::string first = "first camera frame";
    const std::string released = "camera released after ";
    std::string text;
    for (int i = 0; i < 50 && text.find(released) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        text = readFile(log);
    }
    const auto firstAt = text.rfind('\n', text.find(first));
    const auto releasedAt = text.rfind('\n', text.find(released));
    unsigned long camera = 0, published = 0, dropped = 0;
    const auto lineTime = [&](std::size_t at) {
        unsigned hours = 0, minutes = 0;
        double secondsOfLine = 0;
        std::sscanf(text.c_str() + at + 1, "%u:%u:%lf", &hours, &minutes, &secondsOfLine);
        return hours * 3600.0 + minutes * 60.0 + secondsOfLine;
    };
    if (text.find(first) == std::string::npos || text.find(released) == std::string::npos ||
        std::sscanf(text.c_str() + text.find(released) + released.size(),
                    "%lu frames (%lu published, %lu dropped)", &camera, &published,
                    &dropped) != 3) {
        std::cerr << "tevalcam did not report its frames\n";
        return 1;
    }
    const double cameraSeconds = lineTime(releasedAt) - lineTime(firstAt);
    const double offeredRate = cameraSeconds > 0 ? double(published - 1) / cameraSeconds : 0;
    std::printf("tevalcam: %lu camera frames, %lu published to PipeWire, %lu dropped for want "
                "of a free buffer; %.2f offered per second (the camera's nominal rate: %d)\n",
                camera, published, dropped, offeredRate, Rate);
    std::printf("frames delivered / offered: %.2f %%\n",
                offeredRate > 0 ? 100.0 * consumerRate / offeredRate : 0.0);
    return 0;
}
