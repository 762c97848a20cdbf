// Photograph mode's cost with a 24-megapixel photograph: the picture decoded at full size (as
// before) against the picture decoded at display size (PhotographSource::load), each shown in an
// ImageCanvas whose 40 ms refresh re-composes it. Prints the process CPU load and the longest
// gap of the GUI thread for each, and the ratios, measured in one run.
//
// Run: QT_QPA_PLATFORM=offscreen bench_photograph_display [seconds per case, default 4]
#include "ImageCanvas.h"
#include "PhotographSource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Cost {
    double load = 0;     // CPU share of one core while shown, in percent
    qint64 worstGap = 0; // longest GUI-thread gap, ms
    double decodeMs = 0; // wall time of the decode
    QSize size;
};

Cost measure(ImageCanvas &canvas, const std::function<QImage()> &decode, int seconds)
{
    Cost cost;
    QElapsedTimer decodeClock;
    decodeClock.start();
    const QImage picture = decode();
    cost.decodeMs = double(decodeClock.nsecsElapsed()) / 1e6;
    cost.size = picture.size();
    canvas.setImage(picture);
    canvas.startRefresh();
    QTimer tick;
    QElapsedTimer clock;
    qint64 last = 0;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        cost.worstGap = std::max(cost.worstGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    const double cpuBefore = cpuSeconds();
    clock.start();
    tick.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    cost.load = (cpuSeconds() - cpuBefore) / (double(clock.elapsed()) / 1000.0) * 100.0;
    canvas.stopRefresh();
    return cost;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 4;
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    {
        QImage photo(6000, 4000, QImage::Format_RGB888); // 24 megapixels
        for (int y = 0; y < photo.height(); ++y) {
            uchar *row = photo.scanLine(y);
            for (int x = 0; x < photo.width() * 3; ++x) {
                row[x] = uchar((x * 7 + y * 3) & 0xff);
            }
        }
        if (!photo.save(path, "JPEG", 85)) {
            return 1;
        }
    }
    ImageCanvas canvas;
    canvas.resize(760, 570);
    canvas.show();
    const Cost full = measure(
        canvas, [&] { return QImage(path); }, seconds);
    const Cost display = measure(
        canvas, [&] { return PhotographSource::load(path); }, seconds);
    std::printf("24 MP photograph (6000x4000 JPEG), %d s shown in an ImageCanvas each\n", seconds);
    for (const auto &[name, cost] : {std::pair{"full size   ", full}, {"display size", display}}) {
        std::printf("  %s %4dx%-4d decode %7.1f ms  CPU %5.1f %%  longest GUI gap %4lld ms\n", name,
                    cost.size.width(), cost.size.height(), cost.decodeMs, cost.load,
                    static_cast<long long>(cost.worstGap));
    }
    std::printf("ratios full/display: CPU %.1fx, GUI gap %.1fx, decode %.1fx\n",
                full.load / std::max(display.load, 0.1),
                double(full.worstGap) / double(std::max<qint64>(display.worstGap, 1)),
                full.decodeMs / std::max(display.decodeMs, 0.1));
    return 0;
}
