// Picture-in-picture end to end: the live source on one test webcam, a second test webcam in
// its own graph laid into the live canvas's picture, both listed by the device monitor; the
// second camera unplugged and plugged again while the live picture goes on.
#include "ImageCanvas.h"
#include "LiveRig.h"
#include "LiveTestSetup.h"
#include "PictureInPicture.h"
#include "SecondCamera.h"
#include "SimulatedCamera.h"
#include "TestWebcams.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int WaitMs = 30000 * DOCCAM_TEST_SLOWDOWN;
constexpr QRgb Teal = qRgb(0x20, 0x90, 0xa0);
constexpr QRgb Orange = qRgb(0xe0, 0x80, 0x20);
const QString LiveName = QStringLiteral("Desk Webcam");
const QString SecondName = QStringLiteral("Presenter Webcam");

bool near(const QColor &seen, QRgb wanted)
{
    return std::abs(seen.red() - qRed(wanted)) < 12 &&
           std::abs(seen.green() - qGreen(wanted)) < 12 &&
           std::abs(seen.blue() - qBlue(wanted)) < 12;
}

bool showsAt(const ImageCanvas &canvas, const QPoint &at, QRgb colour)
{
    const QImage picture = canvas.currentImage();
    return !picture.isNull() && near(picture.pixelColor(at), colour);
}

} // namespace

class AnycamPipTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void secondCameraChoice_data();
    void secondCameraChoice();
    void secondCameraInTheLivePictureThroughUnplugAndReplug();

private:
    QTemporaryDir m_folder;
};

void AnycamPipTest::initTestCase()
{
    LiveTestSetup::withoutSoundServer(m_folder);
    const QString missing = LiveTestSetup::simulatedCamera(false);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    QVERIFY(TestWebcams::registerProvider());
    QVERIFY(SimulatedCamera::setPlugged(false));
}

void AnycamPipTest::cleanupTestCase()
{
    TestWebcams::unplugAll();
}

void AnycamPipTest::secondCameraChoice_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("liveChoice");
    QTest::addColumn<QString>("chosen");
    const QStringList two = {QStringLiteral("A"), QStringLiteral("B")};
    QTest::newRow("live on the second, the first is free") << two << "B"
                                                           << "A";
    QTest::newRow("live on the first") << two << "A"
                                       << "B";
    QTest::newRow("automatic takes the first for live") << two << ""
                                                        << "B";
    QTest::newRow("only the live camera") << QStringList{"A"} << "A"
                                          << "";
    QTest::newRow("automatic with one camera") << QStringList{"A"} << ""
                                               << "";
    QTest::newRow("nothing listed") << QStringList{} << "A"
                                    << "";
}

void AnycamPipTest::secondCameraChoice()
{
    QFETCH(QStringList, listed);
    QFETCH(QString, liveChoice);
    QFETCH(QString, chosen);
    QCOMPARE(SecondCamera::choose(listed, liveChoice), chosen);
}

void AnycamPipTest::secondCameraInTheLivePictureThroughUnplugAndReplug()
{
    TestWebcams::plug(LiveName, Teal);
    TestWebcams::plug(SecondName, Orange);
    LiveRig rig(QSize(640, 480));
    auto [canvas, callback, source] = rig.parts();
    source.setPreferredCamera(LiveName);
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > 2, WaitMs);
    QCOMPARE(source.cameraName(), LiveName);
    QTRY_VERIFY_WITH_TIMEOUT(showsAt(canvas, QPoint(40, 440), Teal), WaitMs);

    PictureInPicture pip;
    SecondCamera second([&pip](const QImage &frame) { pip.setFrame(frame); });
    QSignalSpy gone(&second, &SecondCamera::unplugged);
    QSignalSpy back(&second, &SecondCamera::replugged);
    QVERIFY(!second.start(QStringLiteral("No Such Camera")));
    QVERIFY(second.start(SecondName));
    pip.setVisible(true);
    canvas.setOutputCompositors({&pip});

    const QRect rect = pip.pixelRect(canvas.frameSize());
    const QPoint inside = rect.center();
    const QPoint outside(40, 440);
    QTRY_VERIFY_WITH_TIMEOUT(showsAt(canvas, inside, Orange), WaitMs);
    QVERIFY(showsAt(canvas, outside, Teal));

    // Unplugged: the rectangle shows so, the live picture goes on.
    TestWebcams::unplug(SecondName);
    QTRY_VERIFY_WITH_TIMEOUT(gone.count() == 1, WaitMs);
    QVERIFY(!second.isPlugged());
    pip.setUnplugged(true);
    const int frames = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > frames + 2, WaitMs);
    QVERIFY(showsAt(canvas, QPoint(rect.left() + 4, rect.top() + 4), qRgb(0x20, 0x20, 0x20)));
    QVERIFY(showsAt(canvas, outside, Teal));
    QCOMPARE(source.cameraName(), LiveName);

    // Back in the monitor: its graph is built again and its picture returns.
    TestWebcams::plug(SecondName, Orange);
    QTRY_VERIFY_WITH_TIMEOUT(back.count() == 1, WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(showsAt(canvas, inside, Orange), WaitMs);

    canvas.setOutputCompositors({});
    second.stop();
}

QTEST_MAIN(AnycamPipTest)
#include "tst_anycam_pip.moc"
