// What publishing the composed live picture costs the viewer, measured in one run on the
// simulated camera (1024 x 768 at 25) in a private PipeWire session:
//   1. CPU of the preview with the presentation switched off,
//   2. CPU with the presentation node published but no consumer,
//   3. CPU with one consumer in another process (gst-launch-1.0 pipewiresrc ! fakesink),
//   4. frames an in-process consumer receives against frames the canvas composed, over a minute.
// CPU is this process's user + system time over wall time, in percent of one core.
// Usage: bench_presentation [seconds per CPU phase, default 20] [delivery seconds, default 60]
#include "CountingCallback.h"
#include "ImageCanvas.h"
#include "LiveSource.h"
#include "MediaGraph.h"
#include "PresentationConsumer.h"
#include "PresentationPublisher.h"
#include "PrivatePipeWire.h"
#include "SimulatedCamera.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Phase {
    double cpuPercent = 0;
    double framesPerSecond = 0;
};

Phase measure(const CountingCallback &callback, int seconds)
{
    QTest::qWait(2000); // settle after the change
    const int frames = callback.frames();
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(seconds * 1000);
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    return {100.0 * (cpuSeconds() - cpu) / elapsed, (callback.frames() - frames) / elapsed};
}

bool waitFor(const std::function<bool()> &condition, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const int phaseSeconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int deliverySeconds = argc > 2 ? std::atoi(argv[2]) : 60;
    if (!MediaGraph::initialize() || !SimulatedCamera::setPlugged(true)) {
        std::fprintf(stderr, "needs TEVALCAP_SIMULATE=1 and the plug-in on GST_PLUGIN_PATH\n");
        return 1;
    }
    PrivatePipeWire session;
    if (!session.start()) {
        std::fprintf(stderr, "PipeWire session: %s\n", session.error().c_str());
        return 1;
    }

    ImageCanvas canvas;
    canvas.resize(1024, 768);
    canvas.show();
    CountingCallback callback(canvas);
    LiveSource source(&callback);
    source.setPresentationEnabled(false);
    if (!waitFor([&] { return callback.frames() > 25; }, 30000)) {
        std::fprintf(stderr, "the simulated camera delivers no frames\n");
        return 1;
    }

    const Phase off = measure(callback, phaseSeconds);
    source.setPresentationEnabled(true);
    if (!session.waitForNode(PresentationPublisher::NodeName, 30000)) {
        std::fprintf(stderr, "the presentation node does not appear\n");
        return 1;
    }
    const Phase idle = measure(callback, phaseSeconds);

    const pid_t consumer =
        session.spawn({"gst-launch-1.0", "-q", "pipewiresrc",
                       std::string("target-object=") + PresentationPublisher::NodeName, "!",
                       "video/x-raw", "!", "fakesink", "sync=false"});
    const PresentationPublisher *publisher = source.presentation();
    if (consumer <= 0 || !publisher ||
        !waitFor([&] { return publisher->consumers() == 1 && publisher->framesSent() > 25; },
                 30000)) {
        std::fprintf(stderr, "the consumer process is not served\n");
        return 1;
    }
    const Phase served = measure(callback, phaseSeconds);
    session.terminate(consumer);
    // The branch is renewed once its last consumer has gone.
    waitFor([&] { return publisher->consumers() == 0 && publisher->renewals() == 1; }, 10000);
    session.waitForNode(PresentationPublisher::NodeName, 30000);

    PresentationConsumer receiver(QString::fromLatin1(PresentationPublisher::NodeName));
    receiver.start();
    if (!waitFor([&] { return receiver.frames() > 25; }, 30000)) {
        std::fprintf(stderr, "the in-process consumer receives nothing (consumers %d, %s)\n",
                     publisher->consumers(), publisher->failed() ? "failed" : "not failed");
        return 1;
    }
    const int composedBefore = callback.frames();
    const int receivedBefore = receiver.frames();
    QTest::qWait(deliverySeconds * 1000);
    const int composed = callback.frames() - composedBefore;
    const int received = receiver.frames() - receivedBefore;
    receiver.stop();

    std::printf("preview, presentation off:      %5.1f %% CPU, %4.1f frames/s\n", off.cpuPercent,
                off.framesPerSecond);
    std::printf("node published, no consumer:    %5.1f %% CPU, %4.1f frames/s (%+.1f points)\n",
                idle.cpuPercent, idle.framesPerSecond, idle.cpuPercent - off.cpuPercent);
    std::printf("one consumer (other process):   %5.1f %% CPU, %4.1f frames/s (%+.1f points)\n",
                served.cpuPercent, served.framesPerSecond, served.cpuPercent - idle.cpuPercent);
    // Per composed frame, so that a camera slowed down by a busy machine does not skew them.
    const auto perFrame = [](const Phase &phase) {
        return phase.framesPerSecond > 0 ? 10.0 * phase.cpuPercent / phase.framesPerSecond : 0;
    };
    std::printf("CPU ms per frame: off %.2f, no consumer %.2f, one consumer %.2f\n", perFrame(off),
                perFrame(idle), perFrame(served));
    std::printf("no-consumer cost / preview:     %.3f (per frame %.3f)\n",
                idle.cpuPercent / off.cpuPercent, perFrame(idle) / perFrame(off));
    std::printf("one-consumer cost / preview:    %.3f (per frame %.3f)\n",
                served.cpuPercent / off.cpuPercent, perFrame(served) / perFrame(off));
    std::printf("delivered / composed over %d s: %d / %d = %.4f\n", deliverySeconds, received,
                composed, composed > 0 ? double(received) / composed : 0.0);
    return 0;
}
