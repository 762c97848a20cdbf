// The live source against the camera plug-in and its simulated camera: presence polling with
// the camera plugged in late, unplugged and plugged in again, and the camera commands.
#include "CameraElement.h"
#include "ControlLog.h"
#include "FrameCounter.h"
#include "GraphWorker.h"
#include "LiveSource.h"
#include "LiveTestSetup.h"
#include "MediaGraph.h"
#include "SimulatedCamera.h"

#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Generous: the machines running the tests are busy, and sanitizer builds are slower.
constexpr int WaitMs = 20000 * DOCCAM_TEST_SLOWDOWN;

} // namespace

class LivePresenceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void pluggingInStartsThePreviewAndUnpluggingSilencesCommands();
    void cameraBackBetweenTwoChecksRestartsThePreview();
    void sourceGoneSendsNoMoreFrames();
    void brightnessStepsStayOnTheScale();
    void autoFocusStopsEachStartAfterThreeSeconds();
    void commandsWithoutCameraDoNothing();

private:
    // Waits until the source has found the camera and frames flow.
    bool waitForPreview(LiveSource &source, const FrameCounter &canvas);

    std::unique_ptr<ControlLog> m_log;
};

void LivePresenceTest::initTestCase()
{
    const QString missing = LiveTestSetup::simulatedCamera(true);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    m_log = std::make_unique<ControlLog>();
    QVERIFY(m_log->isValid());
}

void LivePresenceTest::init()
{
    QVERIFY(SimulatedCamera::setPlugged(true));
    m_log->clear();
}

bool LivePresenceTest::waitForPreview(LiveSource &source, const FrameCounter &canvas)
{
    const int before = canvas.frames();
    return QTest::qWaitFor([&] { return source.isPresent() && canvas.frames() > before; }, WaitMs);
}

void LivePresenceTest::pluggingInStartsThePreviewAndUnpluggingSilencesCommands()
{
    QVERIFY(SimulatedCamera::setPlugged(false));
    FrameCounter canvas;
    LiveSource source(&canvas);
    QVERIFY(!source.isPresent());
    QVERIFY(source.graph() == nullptr);

    // Plugged in: the next presence check builds the preview and frames reach the canvas,
    // decoded to top-down RGB at the size asked of the camera.
    QVERIFY(SimulatedCamera::setPlugged(true));
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent(), WaitMs);
    QVERIFY(source.graph() != nullptr);
    QVERIFY(!source.isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frames() > 2, WaitMs);
    QCOMPARE(canvas.lastSize(), QSize(1024, 768));
    QVERIFY(!canvas.sawBottomUp());
    source.activate();
    QCOMPARE(canvas.stopRefreshCount(), 1);

    // Unplugged: absent at the next check; the commands go nowhere.
    QVERIFY(SimulatedCamera::setPlugged(false));
    QTRY_VERIFY_WITH_TIMEOUT(!source.isPresent(), WaitMs);
    m_log->clear();
    source.brightnessUp();
    source.brightnessDown();
    source.autoFocus();
    QCOMPARE(source.brightnessLevel(), LiveSource::AbsentLevel);
    source.startRecord(QDir::temp().filePath("never.avi"));
    QVERIFY(!source.isRecording());
    QVERIFY(m_log->entries().isEmpty());

    // Plugged in again: a new preview replaces the ended graph and frames flow again (the
    // new graph may live at the old one's address, so its state tells them apart).
    QTRY_VERIFY_WITH_TIMEOUT(source.graph() == nullptr || source.graph()->atEos(), WaitMs);
    QVERIFY(SimulatedCamera::setPlugged(true));
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent(), WaitMs);
    const int atReturn = canvas.frames();
    QVERIFY(source.graph() != nullptr && !source.graph()->atEos());
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frames() > atReturn + 2, WaitMs);
}

void LivePresenceTest::cameraBackBetweenTwoChecksRestartsThePreview()
{
    FrameCounter canvas;
    LiveSource source(&canvas);
    QVERIFY(waitForPreview(source, canvas));
    const MediaGraph *graph = source.graph();

    // Out and in again faster than the presence check: the stream has ended meanwhile.
    QVERIFY(SimulatedCamera::setPlugged(false));
    QTRY_VERIFY_WITH_TIMEOUT(graph->atEos(), WaitMs);
    const int atEnd = canvas.frames();
    QVERIFY(SimulatedCamera::setPlugged(true));
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frames() > atEnd, WaitMs);
    QVERIFY(source.isPresent());
}

void LivePresenceTest::sourceGoneSendsNoMoreFrames()
{
    FrameCounter canvas;
    auto source = std::make_unique<LiveSource>(&canvas);
    QVERIFY(waitForPreview(*source, canvas));
    // The graph worker is kept busy, so the graph of the source streams on after the source
    // has gone; the canvas (which may go next) hears nothing more of it all the same.
    std::atomic<bool> release{false};
    GraphWorker::instance().post([&release] {
        while (!release.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    source.reset();
    const int atEnd = canvas.frames();
    QTest::qWait(500);
    const int later = canvas.frames();
    release.store(true);
    QVERIFY(GraphWorker::instance().waitIdle(WaitMs));
    QCOMPARE(later, atEnd);
}

void LivePresenceTest::brightnessStepsStayOnTheScale()
{
    FrameCounter canvas;
    LiveSource source(&canvas);
    QVERIFY(waitForPreview(source, canvas));
    const CameraElement camera; // the same camera, to set and read its brightness

    struct Step {
        int start; // brightness the camera reports
        int level; // what brightnessLevel() makes of it
        bool up;   // brightnessUp() or brightnessDown()
        int sent;  // value written to the camera
    };
    const Step steps[] = {
        {14, 10, true, 14}, // the top stays at the top
        {0, 0, false, 0},   // the bottom stays at the bottom
        {2, 7, true, 11},   // off the scale: read as index 7, one up is index 8
        {2, 7, false, 8},   // one down is index 6
        {6, 4, true, 7},    {6, 4, false, 4},
    };
    for (const Step &step : steps) {
        QVERIFY(camera.set(LiveSource::Brightness, step.start));
        QCOMPARE(source.brightnessLevel(), step.level);
        m_log->clear();
        if (step.up) {
            source.brightnessUp();
        } else {
            source.brightnessDown();
        }
        QCOMPARE(m_log->values(LiveSource::Brightness), QList<int>{step.sent});
        qint32 now = -1;
        QVERIFY(camera.get(LiveSource::Brightness, &now));
        QCOMPARE(now, step.sent);
    }
}

void LivePresenceTest::autoFocusStopsEachStartAfterThreeSeconds()
{
    FrameCounter canvas;
    LiveSource source(&canvas);
    QList<int> delays;
    QList<std::function<void()>> due;
    source.setDelay([&](int ms, std::function<void()> action) {
        delays.append(ms);
        due.append(std::move(action));
    });
    QVERIFY(waitForPreview(source, canvas));

    m_log->clear();
    source.autoFocus();
    source.autoFocus();
    QCOMPARE(m_log->values(LiveSource::AutoFocus), (QList<int>{1, 1}));
    QCOMPARE(delays, (QList<int>{3000, 3000}));
    for (const auto &action : due) {
        action();
    }
    QCOMPARE(m_log->values(LiveSource::AutoFocus), (QList<int>{1, 1, 0, 0}));

    // A stop that comes due after the camera went away is not sent.
    delays.clear();
    due.clear();
    source.autoFocus();
    QVERIFY(SimulatedCamera::setPlugged(false));
    QTRY_VERIFY_WITH_TIMEOUT(!source.isPresent(), WaitMs);
    m_log->clear();
    QCOMPARE(due.size(), 1);
    due.front()();
    QVERIFY(m_log->entries().isEmpty());
}

void LivePresenceTest::commandsWithoutCameraDoNothing()
{
    QVERIFY(SimulatedCamera::setPlugged(false));
    FrameCounter canvas;
    LiveSource source(&canvas);
    source.startRecord(QDir::temp().filePath("never.avi"));
    source.brightnessUp();
    source.autoFocus();
    QVERIFY(!source.isPresent());
    QVERIFY(source.graph() == nullptr);
    QVERIFY(source.recordingPath().isEmpty()); // not remembered either
    QCOMPARE(source.brightnessLevel(), LiveSource::AbsentLevel);
    QVERIFY(m_log->entries().isEmpty());
    source.stopRecord(); // nothing to stop
    QVERIFY(source.graph() == nullptr);
    QCOMPARE(canvas.frames(), 0);
}

QTEST_GUILESS_MAIN(LivePresenceTest)
#include "tst_live_presence.moc"
