// Recording from the simulated camera through the real canvas: the AVI file holds the composed
// picture (effect and drawing) frame for frame, and a recording whose camera is unplugged or
// whose preview fails still ends as a finished, playable file, reported as ended; one that
// cannot start leaves the preview untouched. No sound server runs here, so recordings have
// video only.
#include "CanvasDrag.h"
#include "ImageCanvas.h"
#include "LiveRig.h"
#include "LiveSource.h"
#include "LiveTestSetup.h"
#include "MediaGraph.h"
#include "RecordingProbe.h"
#include "SimulatedCamera.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Generous: the machines running the tests are busy, and sanitizer builds are slower.
constexpr int WaitMs = 30000 * DOCCAM_TEST_SLOWDOWN;
constexpr qint64 FramePeriodNs = 40'000'000;

// Mean absolute difference of two pictures of one size, over all channels.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    if (x.size() != y.size() || x.isNull()) {
        return 255;
    }
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar *p = x.constScanLine(row);
        const uchar *q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i) {
            sum += std::abs(int(p[i]) - int(q[i]));
        }
    }
    return sum / (double(x.width()) * x.height() * 3);
}

} // namespace

class LiveRecordingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void recordingHoldsTheComposedPicture();
    void recordingAskedForWhileTheGraphStartsIsComplete();
    void formatsAndTimeLapseHoldEveryFrameTaken_data();
    void formatsAndTimeLapseHoldEveryFrameTaken();
    void unpluggedRecordingIsFinished();
    void recordingThatCannotStartLeavesThePreview();
    void errorOnThePreviewFinishesTheRecordingAndIsRebuilt();

private:
    QTemporaryDir m_folder;
};

void LiveRecordingTest::initTestCase()
{
    LiveTestSetup::withoutSoundServer(m_folder);
    const QString missing = LiveTestSetup::simulatedCamera(true);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
}

void LiveRecordingTest::recordingHoldsTheComposedPicture()
{
    LiveRig rig(QSize(1024, 768));
    auto [canvas, callback, source] = rig.parts();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > 0, WaitMs);
    QCOMPARE(canvas.frameSize(), QSize(1024, 768));

    // What the presenter sees: the negative picture with a thick red line across it.
    canvas.setEffect(2);
    canvas.setTool(ImageCanvas::ToolLine);
    canvas.setLineColor(Qt::red);
    canvas.setLineWidth(10);
    drag(canvas, QPoint(100, 400), QPoint(900, 400));
    QVERIFY(qAlpha(canvas.layerImage().pixel(500, 400)) != 0);

    const QString path = m_folder.filePath("composed.avi");
    source.startRecord(path);
    QVERIFY(source.isRecording());
    QCOMPARE(source.recordingPath(), path);
    QVERIFY(!source.hasAudio());
    const int atStart = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() - atStart >= 75, WaitMs); // 3 s at 25 a second
    const int beforeStop = callback.frames();
    const QImage shown = canvas.currentImage();
    source.stopRecord();
    const int afterStop = callback.frames();
    const int recorded = source.recordedFrames();
    QVERIFY(!source.isRecording());
    // The preview runs on through start and stop: only the frame on its way through the canvas
    // at the click or at the stop may fall on either side.
    QVERIFY2(recorded >= beforeStop - atStart - 1 && recorded <= afterStop - atStart + 1,
             qPrintable(QString("%1 recorded of %2..%3")
                            .arg(recorded)
                            .arg(beforeStop - atStart)
                            .arg(afterStop - atStart)));

    RecordingProbe probe;
    QVERIFY2(probe.read(path), qPrintable(probe.error()));
    QVERIFY(!probe.hasAudio());
    // Every frame that went into the recording is in the file, the last ones included.
    QCOMPARE(probe.videoFrames(), recorded);
    QVERIFY(probe.durationNs() >= (recorded - 1) * FramePeriodNs);

    // The file holds the composed picture: the canvas's last picture, not the camera's.
    const QImage last = probe.lastFrame();
    QCOMPARE(last.size(), QSize(1024, 768));
    QVERIFY2(meanDifference(last, shown) < 6,
             qPrintable(QString::number(meanDifference(last, shown))));
    const QColor paper = last.pixelColor(int(0.15 * 1024), int(0.3 * 768));
    QVERIFY2(paper.red() + paper.green() + paper.blue() < 3 * 80, "the light paper turned dark");
    for (int x : {200, 500, 800}) {
        const QColor line = last.pixelColor(x, 400); // red turned cyan
        QVERIFY2(line.red() < 90 && line.green() > 160 && line.blue() > 160,
                 qPrintable(QString("%1: %2").arg(x).arg(line.name())));
    }
}

void LiveRecordingTest::recordingAskedForWhileTheGraphStartsIsComplete()
{
    LiveRig rig;
    auto [canvas, callback, source] = rig.parts();
    // At once: the graph has only begun to start.
    const QString path = m_folder.filePath("at-once.avi");
    source.startRecord(path);
    QVERIFY(source.isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(source.recordedFrames() >= 10, WaitMs);
    source.stopRecord();

    RecordingProbe probe;
    QVERIFY2(probe.read(path), qPrintable(probe.error()));
    QCOMPARE(probe.videoFrames(), source.recordedFrames());
}

void LiveRecordingTest::formatsAndTimeLapseHoldEveryFrameTaken_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("timeLapseSeconds");
    QTest::addColumn<int>("frames"); // taken before the stop
    QTest::newRow("MP4") << "every.mp4" << 0 << 50;
    QTest::newRow("WebM") << "every.webm" << 0 << 50;
    QTest::newRow("AVI time-lapse") << "lapse.avi" << 1 << 3;
    QTest::newRow("MP4 time-lapse") << "lapse.mp4" << 1 << 3;
}

void LiveRecordingTest::formatsAndTimeLapseHoldEveryFrameTaken()
{
    QFETCH(QString, file);
    QFETCH(int, timeLapseSeconds);
    QFETCH(int, frames);
    LiveRig rig;
    auto [canvas, callback, source] = rig.parts();
    // The preview runs a while first: a film that kept the graph's times would start seconds
    // late.
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > 75, WaitMs);
    source.setTimeLapseInterval(timeLapseSeconds);
    const QString path = m_folder.filePath(file);
    QElapsedTimer wall;
    wall.start();
    source.startRecord(path);
    QVERIFY(source.isRecording());
    QCOMPARE(source.recordingFormat().extension(), "." + QFileInfo(file).suffix());
    QCOMPARE(source.isTimeLapse(), timeLapseSeconds > 0);
    const int shownAtStart = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(source.recordedFrames() >= frames, WaitMs);
    source.stopRecord();
    const qint64 wallNs = wall.nsecsElapsed();
    const int recorded = source.recordedFrames();
    const int shown = callback.frames() - shownAtStart;
    if (timeLapseSeconds > 0) {
        // One frame a second of the 25 the preview showed, the first at once.
        QVERIFY2(recorded <= shown / 25 + 2,
                 qPrintable(QString("%1 of %2").arg(recorded).arg(shown)));
    }

    RecordingProbe probe;
    QVERIFY2(probe.read(path), qPrintable(probe.error()));
    QCOMPARE(probe.videoFrames(), recorded);
    QCOMPARE(probe.lastFrame().size(), QSize(1024, 768));
    // A time-lapse plays at 25 frames a second, whatever the spacing of the frames taken; MP4
    // and WebM keep the frames' own times (a busy machine's camera delivers fewer than 25 a
    // second, the first frame may be older than the click), from the first frame on.
    const qint64 longest =
        timeLapseSeconds > 0 ? (recorded + 1) * FramePeriodNs : wallNs + 25 * FramePeriodNs;
    const qint64 shortest = (recorded - 1) * FramePeriodNs / (timeLapseSeconds > 0 ? 1 : 2);
    QVERIFY2(probe.durationNs() >= shortest && probe.durationNs() <= longest,
             qPrintable(QString("%1 ns for %2 frames in %3 ns")
                            .arg(probe.durationNs())
                            .arg(recorded)
                            .arg(wallNs)));
    if (timeLapseSeconds > 0) {
        QCOMPARE(probe.lastVideoTimeNs(), (recorded - 1) * FramePeriodNs);
    }
}

void LiveRecordingTest::unpluggedRecordingIsFinished()
{
    LiveRig rig;
    auto [canvas, callback, source] = rig.parts();
    QList<bool> ended;
    source.setRecordingEndedHandler([&](bool failed) { ended.append(failed); });
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent(), WaitMs);

    const QString path = m_folder.filePath("unplugged.avi");
    source.startRecord(path);
    const int atStart = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() - atStart >= 10, WaitMs);
    QVERIFY(SimulatedCamera::setPlugged(false));
    // The recording ends with its stream, visibly, before anyone stops it.
    QTRY_COMPARE_WITH_TIMEOUT(ended, QList<bool>{false}, WaitMs);
    QVERIFY(!source.isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(!source.isPresent(), WaitMs);
    source.stopRecord();
    const int recorded = source.recordedFrames();
    QVERIFY(qAbs(recorded - (callback.frames() - atStart)) <= 1);
    QVERIFY(source.graph() == nullptr);

    RecordingProbe probe;
    QVERIFY2(probe.read(path), qPrintable(probe.error()));
    QCOMPARE(probe.videoFrames(), recorded);
    QVERIFY(probe.durationNs() >= (recorded - 1) * FramePeriodNs);

    // The camera's return brings the preview back.
    QVERIFY(SimulatedCamera::setPlugged(true));
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent(), WaitMs);
    QVERIFY(!source.isRecording());
    const int atReturn = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > atReturn, WaitMs);
    QCOMPARE(ended.size(), 1);
}

void LiveRecordingTest::recordingThatCannotStartLeavesThePreview()
{
    LiveRig rig;
    auto [canvas, callback, source] = rig.parts();
    QList<bool> ended;
    source.setRecordingEndedHandler([&](bool failed) { ended.append(failed); });
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent() && callback.frames() > 0, WaitMs);
    const MediaGraph *graph = source.graph();

    // A folder that exists but cannot be written.
    source.startRecord(QStringLiteral("/proc/sys/recording.avi"));
    QVERIFY(!source.isRecording());
    QTRY_COMPARE_WITH_TIMEOUT(ended, QList<bool>{true}, WaitMs);
    QCOMPARE(source.graph(), graph);
    QVERIFY(!graph->failed());
    QCOMPARE(graph->state(), MediaGraph::State::Running);
    const int atRefusal = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > atRefusal + 5, WaitMs);
    source.stopRecord(); // nothing to stop
    QCOMPARE(source.graph(), graph);

    // The next recording into a good folder works on the same graph.
    const QString path = m_folder.filePath("after-refusal.avi");
    source.startRecord(path);
    QVERIFY(source.isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(source.recordedFrames() >= 5, WaitMs);
    source.stopRecord();
    RecordingProbe probe;
    QVERIFY2(probe.read(path), qPrintable(probe.error()));
    QCOMPARE(probe.videoFrames(), source.recordedFrames());
    QCOMPARE(ended.size(), 1);
}

void LiveRecordingTest::errorOnThePreviewFinishesTheRecordingAndIsRebuilt()
{
    LiveRig rig;
    auto [canvas, callback, source] = rig.parts();
    QList<bool> ended;
    source.setRecordingEndedHandler([&](bool failed) { ended.append(failed); });
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent() && callback.frames() > 0, WaitMs);

    const QString path = m_folder.filePath("preview-error.avi");
    source.startRecord(path);
    QTRY_VERIFY_WITH_TIMEOUT(source.recordedFrames() >= 10, WaitMs);
    // An element of the preview (not of the recording) reports an error.
    GstElement *grabber = source.graph()->element("Grabber");
    QVERIFY(grabber);
    GError *error = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, "injected");
    gst_element_post_message(grabber, gst_message_new_error(GST_OBJECT(grabber), error, "test"));
    g_error_free(error);
    QTRY_COMPARE_WITH_TIMEOUT(ended, QList<bool>{true}, WaitMs);
    QVERIFY(!source.isRecording());
    // What was recorded up to the error is a finished file.
    RecordingProbe probe;
    QVERIFY2(probe.read(path), qPrintable(probe.error()));
    QCOMPARE(probe.videoFrames(), source.recordedFrames());

    // The camera still answers: the next presence check builds a new preview.
    QTRY_VERIFY_WITH_TIMEOUT(source.graph() && !source.graph()->failed(), WaitMs);
    const int atRebuild = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > atRebuild + 2, WaitMs);
    QVERIFY(source.isPresent());
}

QTEST_MAIN(LiveRecordingTest)
#include "tst_live_recording.moc"
