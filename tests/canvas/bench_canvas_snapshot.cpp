#include "CanvasTestSupport.h"
#include "ImageCanvas.h"
#include "SnapshotWriter.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

// Time the streaming thread spends in frameArrived per frame at 1280 x 960, without a
// snapshot, with a snapshot due on every frame (a series without an interval), and with a
// snapshot due while the disk takes 200 ms per write. Printed as medians and as ratios to the
// frame without a snapshot, all measured in this one run.

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr int kFrames = 40;

enum class Case { NoSnapshot, SnapshotDue, SlowDisk };

double medianFrameMicroseconds(Case which)
{
    ImageCanvas canvas;
    canvas.resize(kWidth, kHeight);
    const std::vector<uchar> source = canvastest::noiseBuffer(kWidth, kHeight);
    std::vector<uchar> buffer = source;
    canvas.frameArrived(buffer.data(), kWidth, kHeight, false);
    QTemporaryDir folder;
    if (which != Case::NoSnapshot) {
        canvas.setSnapshotFolder(folder.path());
        canvas.setSnapshotContinuous(true);
        canvas.setSnapshotInterval(0);
        canvas.setSnapshotStopAfter(ImageCanvas::kNeverStop);
        canvas.startSnapshot();
    }
    if (which == Case::SlowDisk) {
        canvas.setSnapshotEncoder([](QIODevice &file, const QImage &picture) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return SnapshotWriter::encodeJpeg(file, picture);
        });
    }
    std::vector<double> times;
    // The frames come from a thread of their own, as a graph's streaming thread delivers them.
    std::thread stream([&] {
        for (int i = 0; i < kFrames; ++i) {
            std::copy(source.begin(), source.end(), buffer.begin());
            const auto start = std::chrono::steady_clock::now();
            canvas.frameArrived(buffer.data(), kWidth, kHeight, false);
            const std::chrono::duration<double, std::micro> spent =
                std::chrono::steady_clock::now() - start;
            times.push_back(spent.count());
            // A camera frame every 40 ms, minus the time the frame took.
            std::this_thread::sleep_for(
                std::chrono::milliseconds(40) -
                std::chrono::duration_cast<std::chrono::milliseconds>(spent));
        }
    });
    stream.join();
    QCoreApplication::processEvents();
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double none = medianFrameMicroseconds(Case::NoSnapshot);
    const double due = medianFrameMicroseconds(Case::SnapshotDue);
    std::printf("%-34s %12s %8s\n", "frame 1280x960, streaming thread", "us/frame", "ratio");
    std::printf("%-34s %12.0f %8.2f\n", "no snapshot", none, 1.0);
    const double slow = medianFrameMicroseconds(Case::SlowDisk);
    std::printf("%-34s %12.0f %8.2f\n", "snapshot due", due, due / none);
    std::printf("%-34s %12.0f %8.2f\n", "snapshot due, 200 ms disk", slow, slow / none);
    return 0;
}
