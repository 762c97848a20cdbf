// Speed of the camera stream.
//  1. Frame completion per 1280 x 960 frame, as a ratio to one memcpy of the frame (the scan is
//     never copied, so the ratio stays small: goal <= 0.05).
//  2. Frames per second through "tevalcapsrc ! jpegdec ! fakesink" from the simulated camera at
//     every size (run with GST_PLUGIN_PATH pointing at the built plugin).
#include "CameraMessage.h"
#include "protocol/CJpegFrame.h"
#include "sim/CSimCamera.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>

namespace {

// One 1280 x 960 frame message of the simulated camera.
std::vector<std::uint8_t> SimulatedFrame()
{
    CSimCamera camera;
    camera.SetPaced(false);
    const std::uint8_t width[6] = {0x0C, 0x20, 0x00, 0x05, 0, 0};  // 0x200C = 1280
    const std::uint8_t height[6] = {0x0D, 0x20, 0xC0, 0x03, 0, 0}; // 0x200D = 960
    const std::uint8_t quality[6] = {0x02, 0x20, 20, 0, 0, 0};
    const std::uint8_t streaming[6] = {0x03, 0x20, 1, 0, 0, 0};
    for (const std::uint8_t *write : {width, height, quality, streaming}) {
        camera.ControlOut(0x1200, write, 6);
    }
    std::vector<std::uint8_t> message(CJpegFrame::ReadLength(CJpegFrame::kSampleSize));
    std::size_t received = 0;
    for (int tries = 0; tries < 100; ++tries) {
        const int n =
            camera.BulkIn(message.data() + received, static_cast<int>(message.size() - received),
                          std::chrono::milliseconds(100));
        if (n > 0) {
            received += static_cast<std::size_t>(n);
        }
        if (n > 0 && n % 64 != 0) {
            break;
        }
    }
    message.resize(received);
    return message;
}

// A sample buffer holding one 1280 x 960 frame message as the camera sends it.
struct Frame {
    Frame()
    {
        message = SimulatedFrame();
        if (message.size() < 512) {
            const testjpeg::Picture picture = testjpeg::MakePicture(1280, 960, 3);
            message = testjpeg::MessageFromJpeg(testjpeg::Encode(picture, 85));
        }
        buffer.assign(CJpegFrame::kSampleSize, 0);
        std::memcpy(buffer.data() + CJpegFrame::kReadOffset, message.data(), message.size());
        length = CJpegFrame::Complete(buffer.data(), buffer.size(), message.size(), 1280, 960);
        copy.assign(buffer.size(), 0);
    }
    std::vector<std::uint8_t> message;
    std::vector<std::uint8_t> buffer;
    std::vector<std::uint8_t> copy;
    std::size_t length = 0;
};

Frame &TheFrame()
{
    static Frame frame;
    return frame;
}

void BM_FrameCompletion(benchmark::State &state)
{
    Frame &f = TheFrame();
    for (auto _ : state) {
        // Each frame arrives afresh: the tables sit where the read put them.
        std::memcpy(f.buffer.data() + CJpegFrame::kReadOffset, f.message.data(),
                    CJpegFrame::kTablesSize);
        benchmark::DoNotOptimize(
            CJpegFrame::Complete(f.buffer.data(), f.buffer.size(), f.message.size(), 1280, 960));
        benchmark::ClobberMemory();
    }
    state.counters["frame_bytes"] = static_cast<double>(f.length);
}
BENCHMARK(BM_FrameCompletion);

void BM_FrameMemcpy(benchmark::State &state)
{
    Frame &f = TheFrame();
    for (auto _ : state) {
        std::memcpy(f.copy.data(), f.buffer.data(), f.length);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameMemcpy);

// Remembers each benchmark's time per iteration.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            cpuTimes[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> cpuTimes;
};

GstPadProbeReturn CountBuffer(GstPad *, GstPadProbeInfo *, gpointer counter)
{
    static_cast<std::atomic<int> *>(counter)->fetch_add(1);
    return GST_PAD_PROBE_OK;
}

void MeasurePipelines()
{
    const std::pair<int, int> sizes[] = {{320, 240},  {640, 480},  {960, 720}, {1024, 576},
                                         {1024, 768}, {1280, 720}, {1280, 960}};
    const double seconds =
        std::getenv("BENCH_SECONDS") ? std::atof(std::getenv("BENCH_SECONDS")) : 3.0;
    std::printf("\ntevalcapsrc ! jpegdec ! fakesink, simulated camera, %.0f s per size\n", seconds);
    for (const auto &[w, h] : sizes) {
        const std::string description = "tevalcapsrc ! image/jpeg,width=" + std::to_string(w) +
                                        ",height=" + std::to_string(h) +
                                        " ! jpegdec ! fakesink name=sink sync=false";
        GstElement *pipeline = gst_parse_launch(description.c_str(), nullptr);
        if (pipeline == nullptr) {
            std::printf("%4dx%-4d  no pipeline (is GST_PLUGIN_PATH set?)\n", w, h);
            continue;
        }
        GstElement *sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
        GstPad *pad = gst_element_get_static_pad(sink, "sink");
        std::atomic<int> frames{0};
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountBuffer, &frames, nullptr);
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (frames.load() == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const int first = frames.load();
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const int counted = frames.load() - first;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        gst_element_set_state(pipeline, GST_STATE_NULL);
        std::printf("%4dx%-4d  %6.2f frames/s  (process CPU %5.1f %% of a core)\n", w, h,
                    counted / elapsed, 100.0 * cpu / elapsed);
        gst_object_unref(pad);
        gst_object_unref(sink);
        gst_object_unref(pipeline);
    }
}

} // namespace

int main(int argc, char **argv)
{
    setenv("TEVALCAP_SIMULATE", "1", 1);
    gst_init(&argc, &argv);
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // CPU time: on a busy machine the wall clock also counts other programs' turns.
    const double completion = reporter.cpuTimes["BM_FrameCompletion"];
    const double copy = reporter.cpuTimes["BM_FrameMemcpy"];
    if (completion > 0 && copy > 0) {
        std::printf("\nframe completion / memcpy of the %zu-byte 1280x960 frame (CPU time): "
                    "%.4f (goal <= 0.05)\n",
                    TheFrame().length, completion / copy);
    }
    MeasurePipelines();
    benchmark::Shutdown();
    return 0;
}
