// The camera's return announced by the device manager: under umockdev a camera device is added
// with the property the camera's udev rule sets, and the live source finds the (simulated)
// camera at once, long before its next presence check.
#include "CameraAnnouncer.h"
#include "FrameCounter.h"
#include "LiveSource.h"
#include "LiveTestSetup.h"
#include "SimulatedCamera.h"

#include <QtTest>
#include <memory>

namespace {

constexpr int WaitMs = 20000 * DOCCAM_TEST_SLOWDOWN;
// Long enough that no presence check comes in the test's time.
constexpr int NoPresenceCheckMs = 3'600'000;

} // namespace

class LiveHotplugTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void announcedCameraIsFoundAtOnce();

private:
    // Made before any device manager listener, which the test bed's events must reach.
    std::unique_ptr<CameraAnnouncer> m_devices;
};

void LiveHotplugTest::initTestCase()
{
    QVERIFY2(CameraAnnouncer::isEmulated(), "runs under umockdev-wrapper");
    m_devices = std::make_unique<CameraAnnouncer>();
    const QString missing = LiveTestSetup::simulatedCamera(false);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
}

void LiveHotplugTest::announcedCameraIsFoundAtOnce()
{
    FrameCounter canvas;
    LiveSource source(&canvas);
    source.setPresenceInterval(NoPresenceCheckMs);
    QVERIFY(!source.isPresent());

    // The camera is there, but nothing announced it: no check looks for it.
    QVERIFY(SimulatedCamera::setPlugged(true));
    m_devices->announce("other", false);
    QTest::qWait(1000);
    QVERIFY(!source.isPresent());

    // Announced (the device manager's event for a device with the camera's property): found.
    m_devices->announce("camera", true);
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent(), WaitMs);
    const int atFound = canvas.frames();
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frames() > atFound, WaitMs);
}

QTEST_GUILESS_MAIN(LiveHotplugTest)
#include "tst_live_hotplug.moc"
