// CPU of Live mode in the window and in full screen, measured in one run: the real main window
// with the real live source (run it with the camera plug-in on GST_PLUGIN_PATH and
// TEVALCAP_SIMULATE=1, on a display of the size to measure, e.g. under
// `xvfb-run -s "-screen 0 1920x1080x24"`). Full screen only paints the composed picture larger;
// it adds no per-frame pass, so the ratio shows the cost of the larger paint alone.
//
//   bench_fullscreen [seconds per phase, default 8]
#include "ImageCanvas.h"
#include "MainWindow.h"
#include "TestHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <cstdio>

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Phase {
    double cpuPerSecond = 0;
    int paints = 0;
};

// Counts the canvas's paint events while the phase runs.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

Phase measure(ImageCanvas *canvas, int seconds)
{
    PaintCounter counter;
    canvas->installEventFilter(&counter);
    QTest::qWait(2000); // settle
    counter.paints = 0;
    const double cpu0 = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(seconds * 1000);
    Phase phase;
    phase.cpuPerSecond = (processCpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0);
    phase.paints = counter.paints;
    canvas->removeEventFilter(&counter);
    return phase;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    useTestHome(home.path());
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Morvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Document Camera"));
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 8;

    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    ImageCanvas *canvas = window.canvas(MainWindow::LiveMode);
    const Phase windowed = measure(canvas, seconds);
    const QSize windowCanvas = canvas->size();
    const QSize frame = canvas->frameSize();
    QMetaObject::invokeMethod(&window, "toggleFullScreen");
    const Phase full = measure(canvas, seconds);
    const QSize fullCanvas = canvas->size();
    QMetaObject::invokeMethod(&window, "toggleFullScreen");

    std::printf("frames %dx%d, screen %dx%d\n", frame.width(), frame.height(),
                window.screen()->size().width(), window.screen()->size().height());
    std::printf("%-12s %-12s %10s %10s\n", "view", "canvas", "cpu/s", "paints/s");
    std::printf("%-12s %5dx%-6d %10.3f %10.1f\n", "window", windowCanvas.width(),
                windowCanvas.height(), windowed.cpuPerSecond, double(windowed.paints) / seconds);
    std::printf("%-12s %5dx%-6d %10.3f %10.1f\n", "full screen", fullCanvas.width(),
                fullCanvas.height(), full.cpuPerSecond, double(full.paints) / seconds);
    std::printf("ratio full screen / window: %.2f\n",
                windowed.cpuPerSecond > 0 ? full.cpuPerSecond / windowed.cpuPerSecond : 0.0);
    return 0;
}
