// Costs of the live source on the simulated camera, measured in one run each:
//   bench_live_source [cpu-seconds]      CPU of the viewer's preview at 1024 x 768 @ 25 against
//                                        the bare decoding pipeline, the camera's return, and the
//                                        frames a 10 s recording keeps
//   bench_live_source memory [seconds]   peak resident size during 1280 x 960 preview and the
//                                        growth of the resident size after the first minute
// Run with TEVALCAP_SIMULATE=1 and GST_PLUGIN_PATH set to the build tree's plug-in folder.
#include "CountingCallback.h"
#include "ImageCanvas.h"
#include "LiveSource.h"
#include "MediaGraph.h"
#include "RecordingProbe.h"
#include "SimulatedCamera.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

constexpr int WaitMs = 30000;
constexpr int WarmUpMs = 2000;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A field of /proc/self/status in kB (VmRSS, VmHWM).
long statusKb(const char *field)
{
    QFile file("/proc/self/status");
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').front().toLong();
    }
    return -1;
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool spinUntil(const std::function<bool()> &done, int ms = WaitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        spin(10);
    }
    return true;
}

// The longest time the GUI thread's event loop was held up, seen by a 5 ms timer.
class StallWatch {
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_clock.restart()); });
        m_clock.start();
        m_timer.start();
    }
    qint64 longestMs() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

struct Load {
    double percentOfCore = 0;
    double framesPerSecond = 0;
};

// CPU of the whole process and frame rate while `frames` counts, after a warm-up.
Load measure(int seconds, const std::function<int()> &frames)
{
    spin(WarmUpMs);
    const double cpu0 = cpuSeconds();
    const int frames0 = frames();
    QElapsedTimer wall;
    wall.start();
    spin(seconds * 1000);
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    return {100.0 * (cpuSeconds() - cpu0) / elapsed, double(frames() - frames0) / elapsed};
}

Load barePipeline(int seconds)
{
    GError *error = nullptr;
    GstElement *pipeline =
        gst_parse_launch("tevalcapsrc ! image/jpeg,width=1024,height=768,framerate=25/1 ! "
                         "jpegdec ! videoconvert ! fakesink name=sink",
                         &error);
    if (error) {
        std::printf("bare pipeline: %s\n", error->message);
        g_error_free(error);
        return {};
    }
    std::atomic<int> frames{0};
    GstElement *sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstPad *pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad *, GstPadProbeInfo *, gpointer count) {
            static_cast<std::atomic<int> *>(count)->fetch_add(1);
            return GST_PAD_PROBE_OK;
        },
        &frames, nullptr);
    gst_object_unref(pad);
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    Load load;
    if (spinUntil([&] { return frames.load() > 0; }))
        load = measure(seconds, [&] { return frames.load(); });
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return load;
}

int cpuAndRecording(int seconds)
{
    ImageCanvas canvas;
    canvas.resize(1024, 768);
    canvas.show();
    CountingCallback callback(canvas);
    StallWatch wholeRun;
    QElapsedTimer clock;
    clock.start();
    auto source = std::make_unique<LiveSource>(&callback);
    source->activate();
    if (!spinUntil([&] { return callback.frames() > 0; })) {
        std::printf("no frames from the camera\n");
        return 1;
    }
    std::printf("first frame after start: %lld ms\n", clock.elapsed());

    auto steady = std::make_unique<StallWatch>();
    const Load preview = measure(seconds, [&] { return callback.frames(); });
    std::printf("longest GUI-thread pause during steady preview: %lld ms\n", steady->longestMs());
    steady.reset();
    source.reset();
    const Load bare = barePipeline(seconds);
    std::printf("preview 1024x768: %.1f %% of one core at %.1f frames/s\n", preview.percentOfCore,
                preview.framesPerSecond);
    std::printf("bare pipeline:    %.1f %% of one core at %.1f frames/s\n", bare.percentOfCore,
                bare.framesPerSecond);
    std::printf("preview costs %.1f %% of one core more (goal <= 25)\n",
                preview.percentOfCore - bare.percentOfCore);

    // The camera's return, five times: the presence check runs every 500 ms and the camera
    // takes about half a second to start streaming.
    source = std::make_unique<LiveSource>(&callback);
    spinUntil([&] { return source->isPresent(); });
    qint64 slowest = 0;
    qint64 total = 0;
    constexpr int Returns = 5;
    for (int i = 0; i < Returns; ++i) {
        SimulatedCamera::setPlugged(false);
        spinUntil([&] { return !source->isPresent(); });
        spin(300 + 97 * i); // different phases against the presence check
        const int before = callback.frames();
        clock.restart();
        SimulatedCamera::setPlugged(true);
        spinUntil([&] { return callback.frames() > before; });
        slowest = std::max(slowest, clock.elapsed());
        total += clock.elapsed();
    }
    std::printf("first frame after the camera's return: mean %lld ms, slowest %lld ms "
                "(goal <= 1000)\n",
                total / Returns, slowest);
    spin(1000);

    // Ten seconds of recording.
    QTemporaryDir folder;
    const QString path = folder.filePath("bench.avi");
    clock.restart();
    source->startRecord(path);
    const qint64 startMs = clock.elapsed();
    const int atStart = callback.frames();
    spinUntil([&] { return callback.frames() > atStart; });
    clock.restart();
    spin(10000);
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;
    clock.restart();
    source->stopRecord();
    const qint64 stopMs = clock.elapsed();
    const int passed = callback.frames() - atStart;
    RecordingProbe probe;
    if (!probe.read(path)) {
        std::printf("recording unreadable: %s\n", qPrintable(probe.error()));
        return 1;
    }
    std::printf("recording over %.2f s: %d frames in the file of %d the camera delivered "
                "through the canvas: %.1f %% (goal >= 99); at the nominal 25 a second %.0f\n",
                elapsed, probe.videoFrames(), passed, 100.0 * probe.videoFrames() / passed,
                elapsed * 25.0);
    std::printf("startRecord took %lld ms, stopRecord %lld ms (GUI thread)\n", startMs, stopMs);
    std::printf("longest GUI-thread pause over the whole run (graph changes included): %lld ms\n",
                wholeRun.longestMs());
    return 0;
}

int memory(int seconds)
{
    ImageCanvas canvas;
    canvas.resize(1280, 960);
    canvas.show();
    CountingCallback callback(canvas);
    LiveSource source(&callback);
    source.setFrameFormat(QSize(1280, 960), 12); // the camera's highest rate at this size
    source.activate();
    if (!spinUntil([&] { return callback.frames() > 0; })) {
        std::printf("no frames from the camera\n");
        return 1;
    }
    // The first graph was built before the format was changed: rebuild it at 1280 x 960.
    source.stopRecord();
    const int atFormat = callback.frames();
    spinUntil([&] { return callback.frames() > atFormat; });
    std::printf("frame size: %dx%d\n", canvas.frameSize().width(), canvas.frameSize().height());

    QElapsedTimer clock;
    clock.start();
    long atMinute = -1;
    long highestAfterMinute = 0;
    while (clock.elapsed() < seconds * 1000LL) {
        spin(1000);
        const long rss = statusKb("VmRSS");
        if (atMinute < 0 && clock.elapsed() >= 60000)
            atMinute = rss;
        if (atMinute >= 0)
            highestAfterMinute = std::max(highestAfterMinute, rss);
    }
    const long final = statusKb("VmRSS");
    std::printf("preview 1280x960 for %d s at %.1f frames/s\n", seconds,
                double(callback.frames()) / seconds);
    std::printf("peak resident size: %.1f MB (goal <= 150)\n", statusKb("VmHWM") / 1024.0);
    if (atMinute >= 0)
        std::printf("resident size after 1 min %.1f MB, at the end %.1f MB, highest %.1f MB: "
                    "growth %.1f MB (goal <= 5)\n",
                    atMinute / 1024.0, final / 1024.0, highestAfterMinute / 1024.0,
                    (final - atMinute) / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!MediaGraph::initialize())
        return 1;
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args.front() == "memory")
        return memory(args.size() > 1 ? args[1].toInt() : 600);
    return cpuAndRecording(!args.isEmpty() ? std::max(args.front().toInt(), 1) : 10);
}
