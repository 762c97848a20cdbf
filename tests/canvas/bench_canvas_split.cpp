#include "CanvasTestSupport.h"
#include "ImageCanvas.h"
#include "PictureInPicture.h"
#include "SplitCompositor.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

// CPU time the composing thread spends in frameArrived per frame at 1280 x 960: the single view,
// the split view side by side and in the grid of four, and the single view with a second camera's
// rectangle. Printed as medians and as ratios to the single view, all measured in this one run.

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr int kFrames = 60;

enum class Case { Single, SideBySide, Grid, PictureInPicture };

double threadCpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

double medianFrameMicroseconds(Case which)
{
    ImageCanvas canvas;
    canvas.resize(kWidth, kHeight);
    SplitCompositor split;
    PictureInPicture pip;
    const int panes = which == Case::SideBySide ? 1 : which == Case::Grid ? 3 : 0;
    for (int i = 0; i < panes; ++i) {
        split.addPane(StillPane(canvastest::patternImage(kWidth, kHeight, i + 1)));
    }
    if (which == Case::PictureInPicture) {
        pip.setVisible(true);
        pip.setFrame(canvastest::patternImage(640, 480, 9));
        canvas.setOutputCompositors({&pip});
    } else if (panes > 0) {
        canvas.setOutputCompositors({&split});
    }
    const std::vector<uchar> source = canvastest::noiseBuffer(kWidth, kHeight);
    std::vector<uchar> buffer = source;
    std::vector<double> times;
    for (int i = 0; i < kFrames; ++i) {
        std::copy(source.begin(), source.end(), buffer.begin());
        const double start = threadCpuMicroseconds();
        canvas.frameArrived(buffer.data(), kWidth, kHeight, true);
        times.push_back(threadCpuMicroseconds() - start);
        // A new second-camera frame now and then, as a camera delivers them.
        if (which == Case::PictureInPicture) {
            pip.setFrame(canvastest::patternImage(640, 480, i));
        }
    }
    QCoreApplication::processEvents();
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double single = medianFrameMicroseconds(Case::Single);
    const double side = medianFrameMicroseconds(Case::SideBySide);
    const double grid = medianFrameMicroseconds(Case::Grid);
    const double pip = medianFrameMicroseconds(Case::PictureInPicture);
    std::printf("%-34s %12s %8s\n", "frame 1280x960, CPU per frame", "us/frame", "ratio");
    std::printf("%-34s %12.0f %8.2f\n", "single view", single, 1.0);
    std::printf("%-34s %12.0f %8.2f\n", "split, side by side", side, side / single);
    std::printf("%-34s %12.0f %8.2f\n", "split, grid of four", grid, grid / single);
    std::printf("%-34s %12.0f %8.2f\n", "single view, picture in picture", pip, pip / single);
    std::printf("split goal: ratio <= 1.30\n");
    return 0;
}
