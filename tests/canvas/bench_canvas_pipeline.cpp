#include "CanvasTestSupport.h"
#include "ImageCanvas.h"
#include "MedianReporter.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The canvas pipeline (frameArrived, write-back included) at three frame sizes, in the
// default view, in a heavy one (quarter turn, zoom 2, a drawn layer) and with the drawn layer
// at the default view; and the 32-bit frames of the live preview (frameArrivedRgb32, no
// write-back) in the default view and with the drawn layer. Each case is printed with its time
// per frame and its ratio to one memcpy of the same (24-bit) frame in the same run.

namespace {

using canvastest::noiseBuffer;
using canvastest::sendMouse;

struct Size {
    int width;
    int height;
};
constexpr Size sizes[] = {{640, 480}, {1024, 768}, {1280, 960}};

// Strokes and shapes spread over the whole picture.
void drawOn(ImageCanvas &canvas, int width, int height)
{
    canvas.setLineColor(Qt::red);
    canvas.setLineWidth(4);
    canvas.setTool(ImageCanvas::ToolFreehand);
    sendMouse(canvas, QEvent::MouseButtonPress, {5, 5});
    for (int i = 1; i <= 40; ++i) {
        sendMouse(canvas, QEvent::MouseMove, {i * (width - 10) / 40, (i % 2) * (height - 10) + 5});
    }
    sendMouse(canvas, QEvent::MouseButtonRelease, {width - 5, 5});
    canvas.setTool(ImageCanvas::ToolRectangle);
    canvas.setFillEnabled(true);
    sendMouse(canvas, QEvent::MouseButtonPress, {width / 3, height / 3});
    sendMouse(canvas, QEvent::MouseMove, {2 * width / 3, 2 * height / 3});
    sendMouse(canvas, QEvent::MouseButtonRelease, {2 * width / 3, 2 * height / 3});
}

void BM_Memcpy(benchmark::State &state)
{
    const Size size = sizes[state.range(0)];
    const std::vector<uchar> source = noiseBuffer(size.width, size.height);
    std::vector<uchar> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
}

enum View { Default = 0, Heavy = 1, LayerOnly = 2, Wide = 3, WideLayer = 4 };
constexpr const char *kViewNames[] = {"default", "heavy", "layer", "32-bit", "32 layer"};
constexpr const char *kViewGoals[] = {"<=4", "<=12", "<=heavy", "", "<=heavy"};

void BM_Pipeline(benchmark::State &state)
{
    const Size size = sizes[state.range(0)];
    const auto view = View(state.range(1));
    const bool wide = view == Wide || view == WideLayer;
    const int stride = size.width * 4;
    const std::vector<uchar> packed = noiseBuffer(size.width, size.height);
    std::vector<uchar> source = packed;
    if (wide) { // the same noise, spread over 4 bytes a pixel
        source.resize(size_t(stride) * size_t(size.height));
        for (size_t i = 0; i < source.size(); ++i) {
            source[i] = packed[i % packed.size()];
        }
    }
    std::vector<uchar> buffer = source;
    ImageCanvas canvas;
    canvas.resize(size.width, size.height);
    const auto deliver = [&] {
        if (wide) {
            canvas.frameArrivedRgb32(buffer.data(), size.width, size.height, stride, false);
        } else {
            canvas.frameArrived(buffer.data(), size.width, size.height, false);
        }
    };
    deliver();
    if (view == Heavy) {
        canvas.rotate();
        canvas.zoomIn();
    }
    if (view != Default && view != Wide) {
        drawOn(canvas, size.width, size.height);
    }
    int n = 0;
    for (auto _ : state) {
        // The caller's buffer holds a fresh frame each time, as a graph's sample does.
        std::memcpy(buffer.data(), source.data(), packed.size());
        deliver();
        if (++n % 32 == 0) {
            QCoreApplication::processEvents();
        }
        benchmark::ClobberMemory();
    }
}

// The refresh timer's run over a still picture that nothing changes (Photograph mode).
void BM_Refresh(benchmark::State &state)
{
    const Size size = sizes[state.range(0)];
    std::vector<uchar> buffer = noiseBuffer(size.width, size.height);
    ImageCanvas canvas;
    canvas.resize(size.width, size.height);
    canvas.frameArrived(buffer.data(), size.width, size.height, false);
    int n = 0;
    for (auto _ : state) {
        canvas.autoRefresh();
        if (++n % 32 == 0) {
            QCoreApplication::processEvents();
        }
        benchmark::ClobberMemory();
    }
}

std::string sizeName(int index)
{
    return std::to_string(sizes[index].width) + "x" + std::to_string(sizes[index].height);
}

// Prints each pipeline case as time per frame and as a multiple of the memcpy of its size.
// The pipeline loop copies a fresh frame into the buffer before each run; that copy is
// subtracted, so the ratio is the pipeline's own cost.
class RatioReporter : public MedianReporter {
public:
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-12s %-8s %12s %12s %8s %6s\n", "frame", "view", "us/frame", "memcpy us",
                    "ratio", "goal");
        for (int i = 0; i < 3; ++i) {
            const double copy = times["BM_Memcpy/" + std::to_string(i)];
            for (int view = Default; view <= WideLayer; ++view) {
                const std::string key =
                    "BM_Pipeline/" + std::to_string(i) + "/" + std::to_string(view);
                if (times.count(key) == 0 || copy <= 0) {
                    continue;
                }
                // The loop's refill copies one 24-bit frame in every case.
                const double own = times[key] - copy;
                std::printf("%-12s %-8s %12.0f %12.0f %8.2f %7s\n", sizeName(i).c_str(),
                            kViewNames[view], own, copy, own / copy, kViewGoals[view]);
            }
            const std::string refresh = "BM_Refresh/" + std::to_string(i);
            if (times.count(refresh) != 0 && copy > 0) {
                std::printf("%-12s %-8s %12.0f %12.0f %8.2f %6s\n", sizeName(i).c_str(), "still",
                            times[refresh], copy, times[refresh] / copy, "");
            }
        }
    }
};

} // namespace

BENCHMARK(BM_Memcpy)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pipeline)->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3, 4}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Refresh)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

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
