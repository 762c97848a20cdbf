// Costs of the live source on the simulated camera, measured in one run each:
//   bench_live_source [cpu-seconds]      CPU of the viewer's preview at 1024 x 768 @ 25 against
//                                        the bare decoding pipeline, where the camera's return
//                                        spends its time, the first recorded frame against the
//                                        click, the preview's gap around a recording and the
//                                        frames a 10 s recording keeps
//   bench_live_source memory [seconds]   peak resident size during 1280 x 960 preview and the
//                                        growth of the resident size after the first minute
//   bench_live_source display [seconds]  CPU of the preview shown in a window against the camera
//                                        decoded into ximagesink on the same display (xvfb-run)
//   bench_live_source return [rounds]    the camera's return only, stage by stage
//   bench_live_source formats [seconds] CPU of recording MP4 and WebM at 1024 x 768 @ 25 against
//                                        recording AVI, each above the preview alone, and the
//                                        frames each recording kept
//   bench_live_source pauses [rounds]    the longest GUI-thread pause during each kind of graph
//                                        change (unplug, return, restart between two presence
//                                        checks, leaving and entering Live mode) against the
//                                        longest in steady preview
// Run with TEVALCAP_SIMULATE=1 and GST_PLUGIN_PATH set to the build tree's plug-in folder, under
// umockdev-wrapper so that a plug can also be announced as the device manager does (without it
// only the presence check's own period is measured). TEVALCAP_SIM_START_MS sets how long the
// simulated camera takes to start streaming (450 ms unless set).
#include "CameraAnnouncer.h"
#include "CountingCallback.h"
#include "GraphWorker.h"
#include "ImageCanvas.h"
#include "LiveSource.h"
#include "MediaGraph.h"
#include "RecordingProbe.h"
#include "SimulatedCamera.h"
#include "sim/CSimCamera.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <vector>

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
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').front().toLong();
        }
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
        if (clock.elapsed() > ms) {
            return false;
        }
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

// Hands frames on and keeps the arrival time of each (steady clock, ns), so that gaps in the
// preview and the moment of a first frame can be found afterwards.
class TimedCallback : public ICaptureCB {
public:
    explicit TimedCallback(ICaptureCB &next) : m_next(next) { m_times.reserve(1 << 16); }

    void frameArrived(uchar *data, int width, int height, bool bottomUp) override
    {
        m_next.frameArrived(data, width, height, bottomUp);
        std::lock_guard lock(m_mutex);
        m_times.push_back(now());
    }
    void frameArrivedRgb32(uchar *data, int width, int height, int stride, bool writeBack) override
    {
        m_next.frameArrivedRgb32(data, width, height, stride, writeBack);
        std::lock_guard lock(m_mutex);
        m_times.push_back(now());
    }
    void setImage(const QImage &image) override { m_next.setImage(image); }
    void startRefresh() override { m_next.startRefresh(); }
    void stopRefresh() override { m_next.stopRefresh(); }

    static qint64 now()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    // The longest time between two frames that arrived in [from, to].
    qint64 longestGapNs(qint64 from, qint64 to) const
    {
        std::lock_guard lock(m_mutex);
        qint64 longest = 0;
        for (size_t i = 1; i < m_times.size(); ++i) {
            if (m_times[i - 1] >= from && m_times[i] <= to) {
                longest = std::max(longest, m_times[i] - m_times[i - 1]);
            }
        }
        return longest;
    }
    // Arrival of the first frame after a moment, -1 when none came.
    qint64 firstAfter(qint64 moment) const
    {
        std::lock_guard lock(m_mutex);
        const auto found = std::upper_bound(m_times.begin(), m_times.end(), moment);
        return found == m_times.end() ? -1 : *found;
    }

private:
    ICaptureCB &m_next;
    mutable std::mutex m_mutex;
    std::vector<qint64> m_times;
};

// Arrival times of the messages of the viewer's category doccam.live and of the camera
// library's category tevalcap (information and above), by text.
class LogClock {
public:
    LogClock()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("doccam.live.debug=true"));
        s_clock = this;
        m_previous = qInstallMessageHandler(&LogClock::handleQt);
        gst_debug_remove_log_function(gst_debug_log_default);
        gst_debug_add_log_function(&LogClock::handleGst, this, nullptr);
        gst_debug_set_threshold_for_name("tevalcap", GST_LEVEL_INFO);
    }
    ~LogClock()
    {
        gst_debug_set_threshold_for_name("tevalcap", GST_LEVEL_NONE);
        gst_debug_remove_log_function(&LogClock::handleGst);
        gst_debug_add_log_function(gst_debug_log_default, nullptr, nullptr);
        qInstallMessageHandler(m_previous);
        s_clock = nullptr;
        QLoggingCategory::setFilterRules(QString());
    }
    // The first arrival after a moment of a message beginning with text, -1 when none.
    qint64 firstAfter(const char *text, qint64 moment) const
    {
        std::lock_guard lock(m_mutex);
        for (const auto &[message, at] : m_messages) {
            if (at >= moment && message.startsWith(QLatin1String(text))) {
                return at;
            }
        }
        return -1;
    }

private:
    void add(QString message)
    {
        const qint64 at = TimedCallback::now();
        std::lock_guard lock(m_mutex);
        m_messages.emplace_back(std::move(message), at);
    }
    static void handleQt(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        if (s_clock && qstrcmp(context.category, "doccam.live") == 0) {
            s_clock->add(message);
        }
    }
    static void handleGst(GstDebugCategory *category, GstDebugLevel, const gchar *, const gchar *,
                          gint, GObject *, GstDebugMessage *message, gpointer self)
    {
        if (qstrcmp(gst_debug_category_get_name(category), "tevalcap") == 0) {
            static_cast<LogClock *>(self)->add(QString::fromUtf8(gst_debug_message_get(message)));
        }
    }

    static inline LogClock *s_clock = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable std::mutex m_mutex;
    std::vector<std::pair<QString, qint64>> m_messages;
};

// Times of one stage of the camera's return (ns from the plug), summarised in ms.
struct Stage {
    std::vector<qint64> values;

    double mean() const
    {
        double sum = 0;
        for (qint64 v : values) {
            sum += double(v);
        }
        return values.empty() ? 0 : sum / double(values.size()) / 1e6;
    }
    QString summary() const
    {
        if (values.empty()) {
            return QStringLiteral("not measured");
        }
        std::vector<qint64> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return QString::asprintf("%4.0f / %4lld / %4lld", mean(),
                                 sorted[sorted.size() / 2] / 1'000'000, sorted.back() / 1'000'000);
    }
};

// The stages of a return, in the order they pass.
constexpr const char *StageNames[] = {
    "presence check started",       "element made, camera answered",  "preview graph running",
    "camera's start sequence done", "first buffer out of the camera", "first frame in the canvas",
};
constexpr int StageCount = int(std::size(StageNames));
using Stages = std::array<Stage, StageCount>;

// The camera's return, rounds times plugged while only the presence check's period looks for
// it and as often announced by the device manager (under umockdev) in between, each at a
// different phase against the presence check. Where the time goes from the plug to the first
// frame in the canvas.
int cameraReturn(LiveSource &source, const TimedCallback &timed, CameraAnnouncer *announcer,
                 int rounds)
{
    const bool announcing = announcer != nullptr;
    if (!spinUntil([&] { return source.isPresent(); })) {
        std::printf("no camera for the return\n");
        return 1;
    }
    Stages announced, timerOnly;
    {
        LogClock log;
        for (int i = 0; i < (announcing ? 2 : 1) * rounds; ++i) {
            const bool announce = announcing && i % 2 == 1;
            SimulatedCamera::setPlugged(false);
            spinUntil([&] { return !source.isPresent(); });
            spin(300 + 61 * (i / (announcing ? 2 : 1)) % 500);
            std::atomic<qint64> firstBuffer{-1};
            const qint64 plugged = TimedCallback::now();
            SimulatedCamera::setPlugged(true);
            if (announce) {
                announcer->announce("camera", true);
            }
            // Polled finely here (not by the source): the camera's first buffer.
            spinUntil(
                [&] {
                    const MediaGraph *graph = source.graph();
                    GstElement *camera = graph ? graph->element("Video Capture Filter") : nullptr;
                    if (!source.isPresent() || !camera) {
                        return false;
                    }
                    MediaGraph::addProbe(camera, "src", GST_PAD_PROBE_TYPE_BUFFER,
                                         [&firstBuffer](GstPad *, GstPadProbeInfo *) {
                                             qint64 none = -1;
                                             firstBuffer.compare_exchange_strong(
                                                 none, TimedCallback::now());
                                             return GST_PAD_PROBE_REMOVE;
                                         });
                    return true;
                },
                WaitMs);
            spinUntil([&] { return timed.firstAfter(plugged) > 0 && firstBuffer.load() > 0; });
            const qint64 at[StageCount] = {
                log.firstAfter("looking for the camera", plugged),
                log.firstAfter("camera present", plugged),
                log.firstAfter("preview graph built", plugged),
                log.firstAfter("stream start", plugged),
                firstBuffer.load(),
                timed.firstAfter(plugged),
            };
            Stages &stages = announce ? announced : timerOnly;
            for (int s = 0; s < StageCount; ++s) {
                if (at[s] >= plugged) {
                    stages[size_t(s)].values.push_back(at[s] - plugged);
                }
            }
        }
    }
    const QByteArray delay = qgetenv(CSimCamera::kStartDelayVariable);
    const int startMs = delay.isEmpty() ? int(CSimCamera::kStartDelay.count()) : delay.toInt();
    std::printf("the camera's return, %d times each, from the plug (ms: mean / median / "
                "slowest); the simulated camera streams %d ms after its start:\n",
                rounds, startMs);
    std::printf("  %-32s %-20s %s\n", "stage", "announced by udev", "presence period only");
    for (int s = 0; s < StageCount; ++s) {
        std::printf("  %-32s %-20s %s\n", StageNames[s], qPrintable(announced[size_t(s)].summary()),
                    qPrintable(timerOnly[size_t(s)].summary()));
    }
    const Stage &shownAnnounced = announced.back();
    const Stage &shownTimer = timerOnly.back();
    if (!shownAnnounced.values.empty() && shownAnnounced.mean() > 0) {
        std::printf("  announced against presence period only: %.0f ms against %.0f ms, ratio "
                    "%.2f\n",
                    shownAnnounced.mean(), shownTimer.mean(),
                    shownAnnounced.mean() / shownTimer.mean());
    } else {
        std::printf("  not under umockdev-wrapper: no announced plug measured\n");
    }
    // The start sequence reads the status 300 ms after the start, then every 300 ms.
    const int floorMs = std::max(1, int(std::ceil(startMs / 300.0))) * 300;
    std::printf("  floor of the start sequence for this camera: %d ms (status reads every 300 "
                "ms from the start); goal: first frame in the canvas <= 600 ms typically\n",
                floorMs);
    return 0;
}

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

// The camera decoded into the sink of `sinkLaunch` (launch text of an element named "sink").
Load barePipeline(int seconds, const char *sinkLaunch = "fakesink name=sink")
{
    GError *error = nullptr;
    const std::string launch =
        std::string("tevalcapsrc ! image/jpeg,width=1024,height=768,framerate=25/1 ! "
                    "jpegdec ! videoconvert ! ") +
        sinkLaunch;
    GstElement *pipeline = gst_parse_launch(launch.c_str(), &error);
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
    if (spinUntil([&] { return frames.load() > 0; })) {
        load = measure(seconds, [&] { return frames.load(); });
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return load;
}

int cpuAndRecording(int seconds, CameraAnnouncer *announcer)
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
    // The source's graph lets the camera go on the graph worker: the bare pipeline opens it after.
    GraphWorker::instance().waitIdle(WaitMs);
    const Load bare = barePipeline(seconds);
    std::printf("preview 1024x768: %.1f %% of one core at %.1f frames/s\n", preview.percentOfCore,
                preview.framesPerSecond);
    std::printf("bare pipeline:    %.1f %% of one core at %.1f frames/s\n", bare.percentOfCore,
                bare.framesPerSecond);
    std::printf("preview costs %.1f %% of one core more (goal <= 25)\n",
                preview.percentOfCore - bare.percentOfCore);

    TimedCallback timed(callback);
    source = std::make_unique<LiveSource>(&timed);
    if (cameraReturn(*source, timed, announcer, 8) != 0) {
        return 1;
    }
    spin(1000);

    // Recording: the preview goes on across start and stop; the first recorded frame against
    // the click, over short recordings started at different phases against the camera's
    // frames; then ten seconds of recording.
    QTemporaryDir folder;
    const QString path = folder.filePath("bench.avi");
    {
        constexpr int Clicks = 6;
        Stage lag;
        const qint64 from = TimedCallback::now();
        for (int i = 0; i < Clicks; ++i) {
            spin(500 + 7 * i);
            source->startRecord(folder.filePath(QStringLiteral("click%1.avi").arg(i)));
            spinUntil([&] { return source->recordedFrames() > 0; });
            lag.values.push_back(source->firstRecordedFrameNs() - source->recordingClickNs());
            spin(500);
            source->stopRecord();
        }
        spin(500);
        std::printf("first recorded frame after the click, %d recordings (ms: mean / median / "
                    "slowest): %s (one frame period: 40 ms; goal within it)\n",
                    Clicks, qPrintable(lag.summary()));
        std::printf("longest gap between preview frames meanwhile: %.1f ms\n",
                    double(timed.longestGapNs(from, TimedCallback::now())) / 1e6);
    }
    std::mutex cameraMutex;
    std::vector<qint64> cameraTimes;
    MediaGraph::addProbe(source->graph()->element("Video Capture Filter"), "src",
                         GST_PAD_PROBE_TYPE_BUFFER, [&](GstPad *, GstPadProbeInfo *) {
                             std::lock_guard lock(cameraMutex);
                             cameraTimes.push_back(TimedCallback::now());
                             return GST_PAD_PROBE_OK;
                         });
    const qint64 beforeClick = TimedCallback::now();
    spin(1000);
    clock.restart();
    source->startRecord(path);
    const qint64 startMs = clock.elapsed();
    spinUntil([&] { return source->recordedFrames() > 0; });
    const qint64 lagNs = source->firstRecordedFrameNs() - source->recordingClickNs();
    clock.restart();
    spin(10000);
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;
    const int beforeStop = source->recordedFrames();
    clock.restart();
    source->stopRecord();
    const qint64 stopMs = clock.elapsed();
    spin(1000);
    const qint64 afterStop = TimedCallback::now();
    RecordingProbe probe;
    if (!probe.read(path)) {
        std::printf("recording unreadable: %s\n", qPrintable(probe.error()));
        return 1;
    }
    const int recorded = source->recordedFrames();
    std::printf("first recorded frame: captured %+.1f ms after the click (one frame period: "
                "%.1f ms; goal within it)\n",
                double(lagNs) / 1e6, 1000.0 / 25);
    std::printf("longest gap between preview frames from 1 s before the click to 1 s after the "
                "stop: %.1f ms (frame period 40 ms)\n",
                double(timed.longestGapNs(beforeClick, afterStop)) / 1e6);
    {
        std::lock_guard lock(cameraMutex);
        qint64 longest = 0;
        qint64 at = 0;
        for (size_t i = 1; i < cameraTimes.size(); ++i) {
            if (cameraTimes[i] - cameraTimes[i - 1] > longest) {
                longest = cameraTimes[i] - cameraTimes[i - 1];
                at = cameraTimes[i - 1];
            }
        }
        std::printf("longest gap between the camera's frames meanwhile: %.1f ms, %.1f ms after "
                    "the click\n",
                    double(longest) / 1e6, double(at - beforeClick) / 1e6 - 1000);
    }
    std::printf("recording over %.2f s: %d frames in the file of %d that entered the recording "
                "(%d before the stop); at the nominal 25 a second %.0f\n",
                elapsed, probe.videoFrames(), recorded, beforeStop, elapsed * 25.0);
    std::printf("startRecord took %lld ms, stopRecord %lld ms (GUI thread)\n", startMs, stopMs);
    std::printf("longest GUI-thread pause over the whole run (graph changes included): %lld ms\n",
                wholeRun.longestMs());
    return 0;
}

// The viewer's preview shown in a window against the camera decoded into the display server's
// own video sink, both on the same display (run under xvfb-run).
int display(int seconds)
{
    Load preview;
    {
        ImageCanvas canvas;
        canvas.resize(1024, 768);
        canvas.show();
        CountingCallback callback(canvas);
        auto source = std::make_unique<LiveSource>(&callback);
        source->activate();
        if (!spinUntil([&] { return callback.frames() > 0; })) {
            std::printf("no frames from the camera\n");
            return 1;
        }
        preview = measure(seconds, [&] { return callback.frames(); });
    }
    GraphWorker::instance().waitIdle(WaitMs);
    const Load bare = barePipeline(seconds, "ximagesink name=sink");
    std::printf("preview shown 1024x768: %.1f %% of one core at %.1f frames/s\n",
                preview.percentOfCore, preview.framesPerSecond);
    std::printf("camera into ximagesink: %.1f %% of one core at %.1f frames/s\n",
                bare.percentOfCore, bare.framesPerSecond);
    if (bare.percentOfCore > 0) {
        std::printf("preview against the bare display pipeline: %.2f (goal <= 1.3)\n",
                    preview.percentOfCore / bare.percentOfCore);
    }
    return 0;
}

int returnOnly(int rounds, CameraAnnouncer *announcer)
{
    ImageCanvas canvas;
    canvas.resize(1024, 768);
    canvas.show();
    CountingCallback callback(canvas);
    TimedCallback timed(callback);
    LiveSource source(&timed);
    source.activate();
    return cameraReturn(source, timed, announcer, rounds);
}

// The longest pause of the GUI thread's event loop while each kind of graph change happens,
// rounds times each, with the longest of steady preview in the same run for scale.
int pauses(int rounds)
{
    ImageCanvas canvas;
    canvas.resize(1024, 768);
    canvas.show();
    CountingCallback callback(canvas);
    auto source = std::make_unique<LiveSource>(&callback);
    source->activate();
    const auto previewRuns = [&] {
        const int before = callback.frames();
        return spinUntil([&] { return callback.frames() > before + 2; });
    };
    if (!previewRuns()) {
        std::printf("no frames from the camera\n");
        return 1;
    }
    qint64 steady = 0;
    {
        StallWatch watch;
        spin(3000);
        steady = watch.longestMs();
    }
    std::map<std::string, qint64> longest;
    std::map<std::string, int> missed;
    const auto watched = [&](const char *change, const std::function<bool()> &action) {
        StallWatch watch;
        const bool done = action();
        spin(200); // work left to the event loop after the change is seen
        longest[change] = std::max(longest[change], watch.longestMs());
        missed[change] += done ? 0 : 1;
    };
    for (int i = 0; i < rounds; ++i) {
        watched("camera unplugged", [&] {
            SimulatedCamera::setPlugged(false);
            return spinUntil([&] { return !source->isPresent(); });
        });
        watched("camera plugged in again", [&] {
            SimulatedCamera::setPlugged(true);
            return spinUntil([&] { return source->isPresent(); }) && previewRuns();
        });
        watched("camera out and in between two presence checks", [&] {
            const MediaGraph *graph = source->graph();
            SimulatedCamera::setPlugged(false);
            spinUntil([&] { return graph == nullptr || graph->atEos(); });
            SimulatedCamera::setPlugged(true);
            // The new graph may live at the old one's address: its state tells.
            return spinUntil([&] { return source->graph() && !source->graph()->atEos(); }, 5000) &&
                   previewRuns();
        });
        watched("Live mode left (source destroyed)", [&] {
            source.reset();
            return true;
        });
        watched("Live mode entered (source made)", [&] {
            source = std::make_unique<LiveSource>(&callback);
            source->activate();
            return previewRuns();
        });
    }
    std::printf("longest GUI-thread pause in steady preview: %lld ms\n", steady);
    for (const auto &[change, ms] : longest) {
        std::printf("longest GUI-thread pause, %s (%d rounds): %lld ms (%.1f x steady)%s\n",
                    change.c_str(), rounds, ms, double(ms) / double(std::max<qint64>(steady, 1)),
                    missed[change] ? qPrintable(QStringLiteral("; the preview did not follow %1 "
                                                               "times")
                                                    .arg(missed[change]))
                                   : "");
    }
    return 0;
}

int memory(int seconds)
{
    ImageCanvas canvas;
    canvas.resize(1280, 960);
    canvas.show();
    CountingCallback callback(canvas);
    // The camera comes in after the format is set, so the first graph asks for 1280 x 960.
    SimulatedCamera::setPlugged(false);
    LiveSource source(&callback);
    source.setFrameFormat(QSize(1280, 960), 12); // the camera's highest rate at this size
    source.activate();
    SimulatedCamera::setPlugged(true);
    if (!spinUntil([&] { return callback.frames() > 0; })) {
        std::printf("no frames from the camera\n");
        return 1;
    }
    std::printf("frame size: %dx%d\n", canvas.frameSize().width(), canvas.frameSize().height());

    QElapsedTimer clock;
    clock.start();
    long atMinute = -1;
    long highestAfterMinute = 0;
    while (clock.elapsed() < seconds * 1000LL) {
        spin(1000);
        const long rss = statusKb("VmRSS");
        if (atMinute < 0 && clock.elapsed() >= 60000) {
            atMinute = rss;
        }
        if (atMinute >= 0) {
            highestAfterMinute = std::max(highestAfterMinute, rss);
        }
    }
    const long final = statusKb("VmRSS");
    std::printf("preview 1280x960 for %d s at %.1f frames/s\n", seconds,
                double(callback.frames()) / seconds);
    std::printf("peak resident size: %.1f MB (goal <= 150)\n", statusKb("VmHWM") / 1024.0);
    if (atMinute >= 0) {
        std::printf("resident size after 1 min %.1f MB, at the end %.1f MB, highest %.1f MB: "
                    "growth %.1f MB (goal <= 5)\n",
                    atMinute / 1024.0, final / 1024.0, highestAfterMinute / 1024.0,
                    (final - atMinute) / 1024.0);
    }
    return 0;
}

int formats(int seconds)
{
    QTemporaryDir folder;
    ImageCanvas canvas;
    canvas.resize(1024, 768);
    canvas.show();
    CountingCallback callback(canvas);
    LiveSource source(&callback);
    source.activate();
    if (!spinUntil([&] { return callback.frames() > 0; })) {
        std::printf("no frames from the camera\n");
        return 1;
    }
    const Load preview = measure(seconds, [&] { return callback.frames(); });
    std::printf("preview alone: %.0f%% of a core at %.1f frames/s\n", preview.percentOfCore,
                preview.framesPerSecond);
    std::map<QString, double> above; // recording's CPU above the preview, by format
    for (const QString format : {"avi", "mp4", "webm"}) {
        const QString path = folder.filePath("bench." + format);
        source.startRecord(path);
        const Load load = measure(seconds, [&] { return source.recordedFrames(); });
        const int recorded = source.recordedFrames();
        source.stopRecord();
        RecordingProbe probe;
        const bool read = probe.read(path);
        above[format] = load.percentOfCore - preview.percentOfCore;
        std::printf("%s: %.0f%% of a core (%.0f%% above the preview) at %.1f frames/s; %d frames "
                    "recorded, %d in the file%s\n",
                    qPrintable(format.toUpper()), load.percentOfCore, above[format],
                    load.framesPerSecond, recorded, read ? probe.videoFrames() : -1,
                    read ? "" : qPrintable(" (unreadable: " + probe.error() + ")"));
    }
    for (const QString format : {"mp4", "webm"}) {
        std::printf("%s recording CPU / AVI recording CPU (above the preview): %.2f\n",
                    qPrintable(format.toUpper()), above[format] / std::max(above["avi"], 1.0));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!MediaGraph::initialize()) {
        return 1;
    }
    // Made before any device manager listener, which its events must reach.
    const std::unique_ptr<CameraAnnouncer> announcer =
        CameraAnnouncer::isEmulated() ? std::make_unique<CameraAnnouncer>() : nullptr;
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args.front() == "memory") {
        return memory(args.size() > 1 ? args[1].toInt() : 600);
    }
    if (!args.isEmpty() && args.front() == "formats") {
        return formats(args.size() > 1 ? std::max(args[1].toInt(), 1) : 10);
    }
    if (!args.isEmpty() && args.front() == "pauses") {
        return pauses(args.size() > 1 ? std::max(args[1].toInt(), 1) : 5);
    }
    if (!args.isEmpty() && args.front() == "display") {
        return display(args.size() > 1 ? std::max(args[1].toInt(), 1) : 10);
    }
    if (!args.isEmpty() && args.front() == "return") {
        return returnOnly(args.size() > 1 ? std::max(args[1].toInt(), 1) : 8, announcer.get());
    }
    return cpuAndRecording(!args.isEmpty() ? std::max(args.front().toInt(), 1) : 10,
                           announcer.get());
}
