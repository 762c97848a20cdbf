// CPU of tevalcam idle (node published, no consumer) and serving one consumer at 1024x768@25,
// and the frames the consumer received against those offered, over a run of its own. Not a
// test: it prints the figures. Usage: bench_tevalcam [idle seconds] [serving seconds]
#include "PrivatePipeWire.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <unistd.h>

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
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) // state .. cmajflt
        fields >> skip;
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
                                    " ! video/x-raw,width=1024,height=768 ! appsink name=sink "
                                    "sync=false max-buffers=8 drop=false";
    GstElement *pipeline = gst_parse_launch(description.c_str(), nullptr);
    GstElement *sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    // The first frame: the camera has started; the measured run begins here.
    GstSample *first = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 30 * GST_SECOND);
    if (!first) {
        std::cerr << "no frame\n";
        return 1;
    }
    gst_sample_unref(first);
    long received = 1;
    start = std::chrono::steady_clock::now();
    cpu = cpuSeconds(publisher);
    const long before = received;
    const auto end = start + std::chrono::seconds(servingSeconds);
    while (std::chrono::steady_clock::now() < end) {
        if (GstSample *sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), GST_SECOND / 10)) {
            ++received;
            gst_sample_unref(sample);
        }
    }
    const double elapsed = seconds(std::chrono::steady_clock::now() - start);
    const double serving = (cpuSeconds(publisher) - cpu) / elapsed;
    const long inRun = received - before;
    // What is still on its way when the consumer stops counts as delivered.
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    while (GstSample *sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 0)) {
        ++received;
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);

    std::printf("tevalcam CPU idle (node published, no consumer) over %d s: %.2f %% of a core\n",
                idleSeconds, idle * 100);
    std::printf("tevalcam CPU serving one consumer at 1024x768@%d (includes the simulated "
                "camera's JPEG encoding): %.1f %% of a core\n",
                Rate, serving * 100);
    std::printf("frames received in %.1f s: %ld (%.1f per second; the camera offers %d)\n", elapsed,
                inRun, double(inRun) / elapsed, Rate);
    const std::string marker = "camera released after ";
    std::string text;
    for (int i = 0; i < 50 && text.find(marker) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        text = readFile(log);
    }
    unsigned long camera = 0, published = 0, dropped = 0;
    const auto at = text.find(marker);
    if (at == std::string::npos ||
        std::sscanf(text.c_str() + at + marker.size(), "%lu frames (%lu published, %lu dropped)",
                    &camera, &published, &dropped) != 3) {
        std::cerr << "tevalcam did not report its frames\n";
        return 1;
    }
    std::printf("camera frames %lu, published to PipeWire %lu, dropped for want of a buffer "
                "%lu; received by the consumer %ld = %.2f %% of those published\n",
                camera, published, dropped, received,
                published ? 100.0 * double(received) / double(published) : 0.0);
    return 0;
}
