// Live mode on a camera other than the Document Camera, end to end: an in-process test webcam
// listed by the device monitor, the real live source, graphs, frame tap and canvas, and the
// simulated Document Camera from the camera plug-in beside it.
#include "CanvasDrag.h"
#include "ImageCanvas.h"
#include "LiveRig.h"
#include "LiveSource.h"
#include "LiveTestSetup.h"
#include "MediaGraph.h"
#include "RecordingProbe.h"
#include "SimulatedCamera.h"
#include "TestWebcams.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Generous: the machines running the tests are busy, and sanitizer builds are slower.
constexpr int WaitMs = 30000 * DOCCAM_TEST_SLOWDOWN;
constexpr QRgb Teal = qRgb(0x20, 0x90, 0xa0);
constexpr QRgb Orange = qRgb(0xe0, 0x80, 0x20);

// Whether a colour is within a few steps of another (the picture went through YUV on its way).
bool near(const QColor &seen, QRgb wanted)
{
    return std::abs(seen.red() - qRed(wanted)) < 12 &&
           std::abs(seen.green() - qGreen(wanted)) < 12 &&
           std::abs(seen.blue() - qBlue(wanted)) < 12;
}

// Whether the canvas shows a picture whose centre has the colour.
bool shows(const ImageCanvas &canvas, QRgb colour)
{
    const QImage picture = canvas.currentImage();
    return !picture.isNull() &&
           near(picture.pixelColor(picture.width() / 2, picture.height() / 2), colour);
}

QString describe(const QColor &colour)
{
    return colour.name();
}

} // namespace

class AnycamLiveTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void webcamPictureControlsAndPresence();
    void recordingHoldsThePatternTheAnnotationAndTheWebcamsSound();
    void documentCameraComesFirstThenTheChosenCamera();

private:
    QTemporaryDir m_folder;
};

void AnycamLiveTest::initTestCase()
{
    LiveTestSetup::withoutSoundServer(m_folder);
    const QString missing = LiveTestSetup::simulatedCamera(false);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    QVERIFY(TestWebcams::registerProvider());
}

void AnycamLiveTest::init()
{
    TestWebcams::unplugAll();
    TestWebcams::clearFocusLog();
    QVERIFY(SimulatedCamera::setPlugged(false));
}

void AnycamLiveTest::cleanupTestCase()
{
    TestWebcams::unplugAll();
}

void AnycamLiveTest::webcamPictureControlsAndPresence()
{
    TestWebcams::plug(QStringLiteral("Test Webcam"), Teal);
    LiveRig rig(QSize(640, 480));
    auto [canvas, callback, source] = rig.parts();
    QList<std::function<void()>> due;
    QList<int> delays;
    source.setDelay([&](int ms, std::function<void()> action) {
        delays.append(ms);
        due.append(std::move(action));
    });

    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > 2, WaitMs);
    QVERIFY(source.isPresent());
    QCOMPARE(source.cameraName(), QStringLiteral("Test Webcam"));
    // Of 640 x 480 and 1920 x 1080 the largest size within 1280 x 960 is asked for; the canvas
    // takes it as it comes.
    QCOMPARE(canvas.frameSize(), QSize(640, 480));
    const QColor centre = canvas.currentImage().pixelColor(320, 240);
    QVERIFY2(near(centre, Teal), qPrintable(describe(centre)));

    // Brightness: the channel's range -100..100 in the steps of the on-screen scale.
    QCOMPARE(source.brightnessLevel(), 5);
    source.brightnessUp();
    QCOMPARE(TestWebcams::brightness(), 20);
    QCOMPARE(source.brightnessLevel(), 6);
    source.brightnessDown();
    source.brightnessDown();
    QCOMPARE(TestWebcams::brightness(), -20);
    QCOMPARE(source.brightnessLevel(), 4);
    for (int i = 0; i < 8; ++i) {
        source.brightnessDown();
    }
    QCOMPARE(TestWebcams::brightness(), TestWebcams::BrightnessMin);
    QCOMPARE(source.brightnessLevel(), 0);

    // Auto focus as a one-shot: on, and off again after the Document Camera's delay.
    source.autoFocus();
    QCOMPARE(TestWebcams::focusLog(), QList<int>{1});
    QCOMPARE(delays, QList<int>{LiveSource::AutoFocusMs});
    due.takeFirst()();
    QCOMPARE(TestWebcams::focusLog(), (QList<int>{1, 0}));

    // The webcam leaves the monitor: absent, canvas cleared, commands do nothing.
    TestWebcams::unplug(QStringLiteral("Test Webcam"));
    QTRY_VERIFY_WITH_TIMEOUT(!source.isPresent(), WaitMs);
    QVERIFY(canvas.currentImage().isNull());
    QVERIFY(source.graph() == nullptr);
    source.autoFocus();
    source.brightnessUp();
    QCOMPARE(TestWebcams::focusLog(), (QList<int>{1, 0}));
    QCOMPARE(source.brightnessLevel(), LiveSource::AbsentLevel);

    // It comes back: the picture returns.
    TestWebcams::plug(QStringLiteral("Test Webcam"), Teal);
    const int atReturn = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > atReturn + 2, WaitMs);
    QVERIFY(source.isPresent());
    QVERIFY(shows(canvas, Teal));

    // Its graph fails (busy, unplugged while listed): torn down quietly, then tried again.
    const MediaGraph *failing = source.graph();
    GstElement *camera = failing->element("Video Capture Filter");
    QVERIFY(camera);
    GST_ELEMENT_ERROR(camera, RESOURCE, BUSY, ("busy"), ("injected by the test"));
    QTRY_VERIFY_WITH_TIMEOUT(!source.isPresent(), WaitMs);
    QVERIFY(canvas.currentImage().isNull());
    const int atRetry = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent() && callback.frames() > atRetry + 2, WaitMs);
}

void AnycamLiveTest::recordingHoldsThePatternTheAnnotationAndTheWebcamsSound()
{
    TestWebcams::plug(QStringLiteral("Test Webcam"), Teal);
    LiveRig rig(QSize(640, 480));
    auto [canvas, callback, source] = rig.parts();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > 0, WaitMs);
    canvas.setTool(ImageCanvas::ToolLine);
    canvas.setLineColor(Qt::red);
    canvas.setLineWidth(10);
    drag(canvas, QPoint(60, 240), QPoint(580, 240));

    // The webcam's microphone is the one named like it; the Document Camera's (silent here)
    // is not taken for it.
    TestWebcams::plugMicrophone(QStringLiteral("Document Camera Microphone"), false);
    TestWebcams::plugMicrophone(QStringLiteral("Test Webcam Analog Stereo"), true);
    const QString path = m_folder.filePath("webcam.avi");
    source.startRecord(path);
    QVERIFY(source.isRecording());
    QVERIFY(source.hasAudio());
    const int atStart = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() - atStart >= 25, WaitMs);
    source.stopRecord();
    QVERIFY(!source.isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > atStart + 30, WaitMs); // previewing again

    RecordingProbe probe;
    QVERIFY2(probe.read(path), qPrintable(probe.error()));
    QVERIFY(probe.videoFrames() >= 25);
    QVERIFY(probe.hasAudio());
    QVERIFY2(probe.audioLevel() > 500, qPrintable(QString::number(probe.audioLevel())));
    const QImage last = probe.lastFrame();
    QCOMPARE(last.size(), QSize(640, 480));
    const QColor paper = last.pixelColor(320, 100);
    QVERIFY2(near(paper, Teal), qPrintable(describe(paper)));
    for (int x : {100, 320, 540}) {
        const QColor line = last.pixelColor(x, 240);
        QVERIFY2(line.red() > 180 && line.green() < 70 && line.blue() < 70,
                 qPrintable(QString("%1: %2").arg(x).arg(describe(line))));
    }
}

void AnycamLiveTest::documentCameraComesFirstThenTheChosenCamera()
{
    TestWebcams::plug(QStringLiteral("Test Webcam"), Teal);
    TestWebcams::plug(QStringLiteral("Second Webcam"), Orange);
    QVERIFY(SimulatedCamera::setPlugged(true));
    LiveRig rig(QSize(1024, 768));
    auto [canvas, callback, source] = rig.parts();
    source.setPreferredCamera(QStringLiteral("Second Webcam"));
    QVERIFY(source.isPresent());
    QVERIFY(source.cameraName().isEmpty()); // the Document Camera
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frameSize() == QSize(1024, 768), WaitMs);

    // Unplugged, the chosen camera takes over, not the first one.
    QVERIFY(SimulatedCamera::setPlugged(false));
    QTRY_COMPARE_WITH_TIMEOUT(source.cameraName(), QStringLiteral("Second Webcam"), WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frameSize() == QSize(640, 480) && shows(canvas, Orange),
                             WaitMs);

    // A chosen camera that is not there falls back to Automatic: the first camera.
    source.setPreferredCamera(QStringLiteral("Unplugged Camera"));
    QCOMPARE(source.cameraName(), QStringLiteral("Test Webcam"));
    QTRY_VERIFY_WITH_TIMEOUT(shows(canvas, Teal), WaitMs);
    source.setPreferredCamera(QString());
    QCOMPARE(source.cameraName(), QStringLiteral("Test Webcam"));

    // The Document Camera back: it is used again.
    QVERIFY(SimulatedCamera::setPlugged(true));
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent() && source.cameraName().isEmpty(), WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frameSize() == QSize(1024, 768), WaitMs);
}

QTEST_MAIN(AnycamLiveTest)
#include "tst_anycam_live.moc"
