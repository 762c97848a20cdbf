// A mirrored, annotated live picture from the simulated camera: the AVI recording and a snapshot
// taken meanwhile hold it mirrored, with the drawing where the presenter saw it.
#include "CanvasDrag.h"
#include "ImageCanvas.h"
#include "LiveRig.h"
#include "LiveSource.h"
#include "LiveTestSetup.h"
#include "RecordingProbe.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int WaitMs = 30000 * DOCCAM_TEST_SLOWDOWN;

bool isRed(const QColor &c)
{
    return c.red() > 180 && c.green() < 80 && c.blue() < 80;
}

} // namespace

class LiveMirrorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void recordingAndSnapshotHoldTheMirroredPicture();

private:
    QTemporaryDir m_folder;
};

void LiveMirrorTest::initTestCase()
{
    LiveTestSetup::withoutSoundServer(m_folder);
    const QString missing = LiveTestSetup::simulatedCamera(true);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
}

void LiveMirrorTest::recordingAndSnapshotHoldTheMirroredPicture()
{
    LiveRig rig(QSize(1024, 768));
    auto [canvas, callback, source] = rig.parts();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > 0, WaitMs);
    const QSize size = canvas.frameSize();
    QCOMPARE(size, QSize(1024, 768));

    // A filled red square on the left of the document, then the picture mirrored left-right.
    canvas.setTool(ImageCanvas::ToolRectangle);
    canvas.setLineColor(Qt::red);
    canvas.setFillEnabled(true);
    canvas.setFillColor(Qt::red);
    drag(canvas, QPoint(100, 300), QPoint(200, 400));
    canvas.mirrorLeftRight();
    const QPoint mirroredMark(size.width() - 1 - 150, 350);
    QTRY_VERIFY_WITH_TIMEOUT(isRed(canvas.currentImage().pixelColor(mirroredMark)), WaitMs);
    QVERIFY(!isRed(canvas.currentImage().pixelColor(150, 350)));

    const QString path = m_folder.filePath("mirrored.avi");
    source.startRecord(path);
    QVERIFY(source.isRecording());
    const int atStart = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() - atStart >= 25, WaitMs);
    QDir().mkpath(m_folder.filePath("shots"));
    canvas.setSnapshotFolder(m_folder.filePath("shots"));
    canvas.startSnapshot();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() - atStart >= 50, WaitMs); // 2 s at 25 a second
    source.stopRecord();
    const int recorded = callback.frames() - atStart;

    RecordingProbe probe;
    QVERIFY2(probe.read(path), qPrintable(probe.error()));
    // The recording branch joins the running graph a few frames after the call.
    QVERIFY2(probe.videoFrames() >= 40 && probe.videoFrames() <= recorded,
             qPrintable(QStringLiteral("%1 of %2").arg(probe.videoFrames()).arg(recorded)));
    const QImage last = probe.lastFrame();
    QCOMPARE(last.size(), size);
    QVERIFY2(isRed(last.pixelColor(mirroredMark)),
             qPrintable(last.pixelColor(mirroredMark).name()));
    QVERIFY(!isRed(last.pixelColor(150, 350)));

    const QStringList shots = QDir(m_folder.filePath("shots")).entryList({QStringLiteral("*.jpg")});
    QCOMPARE(shots.size(), 1);
    const QImage shot(QDir(m_folder.filePath("shots")).filePath(shots.first()));
    QCOMPARE(shot.size(), size);
    QVERIFY(isRed(shot.pixelColor(mirroredMark)));
    QVERIFY(!isRed(shot.pixelColor(150, 350)));
}

QTEST_MAIN(LiveMirrorTest)
#include "tst_live_mirror.moc"
