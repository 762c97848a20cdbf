// The camera's return announced by the device manager: under umockdev a camera device is added
// with the property the camera's udev rule sets, and the live source finds the (simulated)
// camera at once, long before its next presence check.
// GIO (through umockdev) before Qt, whose "signals" keyword would break its headers.
#include <umockdev.h>

#include "CameraHotplug.h"
#include "FrameCounter.h"
#include "LiveSource.h"
#include "LiveTestSetup.h"
#include "SimulatedCamera.h"

#include <QtTest>

namespace {

constexpr int WaitMs = 20000;
// Long enough that no presence check comes in the test's time.
constexpr int NoPresenceCheckMs = 3'600'000;

} // namespace

class LiveHotplugTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void announcedCameraIsFoundAtOnce();

private:
    gchar *addDevice(const char *name, bool camera);
    UMockdevTestbed *m_testbed = nullptr;
};

void LiveHotplugTest::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("LD_PRELOAD"), "runs under umockdev-wrapper");
    m_testbed = umockdev_testbed_new();
    const QString missing = LiveTestSetup::simulatedCamera(false);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
}

void LiveHotplugTest::cleanupTestCase()
{
    if (m_testbed) {
        g_object_unref(m_testbed);
    }
}

gchar *LiveHotplugTest::addDevice(const char *name, bool camera)
{
    return umockdev_testbed_add_device(m_testbed, "usb", name, nullptr, "idVendor", "abcd",
                                       "idProduct", "0001", nullptr, "DEVTYPE", "usb_device",
                                       camera ? CameraHotplug::InterfaceProperty : "ID_OTHER",
                                       "{264D2EF8-B78E-4249-A210-401900E45B83}", nullptr);
}

void LiveHotplugTest::announcedCameraIsFoundAtOnce()
{
    FrameCounter canvas;
    LiveSource source(&canvas);
    source.setPresenceInterval(NoPresenceCheckMs);
    QVERIFY(!source.isPresent());

    // The camera is there, but nothing announced it: no check looks for it.
    QVERIFY(SimulatedCamera::setPlugged(true));
    gchar *other = addDevice("other", false);
    umockdev_testbed_uevent(m_testbed, other, "add");
    QTest::qWait(1000);
    QVERIFY(!source.isPresent());

    // Announced (the device manager's event for a device with the camera's property): found.
    gchar *camera = addDevice("camera", true);
    umockdev_testbed_uevent(m_testbed, camera, "add");
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent(), WaitMs);
    const int atFound = canvas.frames();
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frames() > atFound, WaitMs);
    g_free(other);
    g_free(camera);
}

QTEST_GUILESS_MAIN(LiveHotplugTest)
#include "tst_live_hotplug.moc"
