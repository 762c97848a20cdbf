#include "CanvasTestSupport.h"
#include "ImageCanvas.h"
#include "MedianReporter.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// The cost of the mirror in the canvas pipeline: the same frames composed with the mirror off
// and on (left-right and top-bottom), upright and at a quarter turn, at zoom 1 and 2, with a
// drawing on the layer. The mirror is part of the copy that turns the picture, so the goal is
// no measurable extra pass: a ratio on/off near 1. A whole extra pass over the frame would add
// about one frame copy, printed beside it for scale.

namespace {

using canvastest::noiseBuffer;
using canvastest::sendMouse;

constexpr int kFrameW = 1280;
constexpr int kFrameH = 960;

void BM_FrameCopy(benchmark::State &state)
{
    const std::vector<uchar> source = noiseBuffer(kFrameW, kFrameH);
    std::vector<uchar> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
}

// range(0): quarter turns (0 or 1); range(1): zoom step; range(2): mirror off (0) or on (1).
void BM_Compose(benchmark::State &state)
{
    const std::vector<uchar> source = noiseBuffer(kFrameW, kFrameH);
    std::vector<uchar> buffer = source;
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    canvas.frameArrived(buffer.data(), kFrameW, kFrameH, false);
    canvas.setTool(ImageCanvas::ToolFreehand);
    canvas.setLineWidth(4);
    sendMouse(canvas, QEvent::MouseButtonPress, {5, 5});
    for (int i = 1; i <= 20; ++i) {
        sendMouse(canvas, QEvent::MouseMove, {i * (kFrameW - 10) / 20, (i % 2) * (kFrameH - 10)});
    }
    sendMouse(canvas, QEvent::MouseButtonRelease, {kFrameW - 5, 5});
    for (int k = 0; k < state.range(0); ++k) {
        canvas.rotate();
    }
    canvas.setZoomStep(int(state.range(1)));
    if (state.range(2) != 0) {
        canvas.mirrorLeftRight();
        canvas.mirrorTopBottom();
    }
    int n = 0;
    for (auto _ : state) {
        std::memcpy(buffer.data(), source.data(), source.size());
        canvas.frameArrived(buffer.data(), kFrameW, kFrameH, false);
        if (++n % 32 == 0) {
            QCoreApplication::processEvents();
        }
        benchmark::ClobberMemory();
    }
}

class RatioReporter : public MedianReporter {
public:
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double copy = times["BM_FrameCopy"];
        std::printf("\n1280x960, drawn layer; frame copy %.0f us\n", copy);
        std::printf("%-6s %-5s %12s %12s %8s %14s %6s\n", "turns", "zoom", "off us", "on us",
                    "on/off", "extra/copy", "goal");
        for (int turns = 0; turns < 2; ++turns) {
            for (const int zoom : {1, 2}) {
                const std::string base =
                    "BM_Compose/" + std::to_string(turns) + "/" + std::to_string(zoom) + "/";
                if (times.count(base + "0") == 0 || times.count(base + "1") == 0) {
                    continue;
                }
                // The loop's refill of the buffer is one frame copy; it is not the pipeline's.
                const double off = times[base + "0"] - copy;
                const double on = times[base + "1"] - copy;
                std::printf("%-6d %-5d %12.0f %12.0f %8.2f %14.2f %6s\n", turns, zoom, off, on,
                            on / off, copy > 0 ? (on - off) / copy : 0.0, "<=1.1");
            }
        }
    }
};

} // namespace

BENCHMARK(BM_FrameCopy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Compose)->ArgsProduct({{0, 1}, {1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
