// Which camera and which format: the device monitor's video sources without the nodes this
// system publishes, the preference with its fall-back, and the frame format asked of a camera
// for the formats it offers.
#include "CameraFormat.h"
#include "CameraMonitor.h"
#include "MediaDeviceEnumerator.h"
#include "MediaGraph.h"
#include "TestWebcams.h"

#include <QtTest>

namespace {

QString chosenFor(const char *offered)
{
    GstCaps *caps = gst_caps_from_string(offered);
    GstCaps *chosen = CameraFormat::choose(caps, QSize(1024, 768), 25);
    gchar *text = gst_caps_to_string(chosen);
    const QString result = QString::fromUtf8(text);
    g_free(text);
    gst_caps_unref(chosen);
    if (caps) {
        gst_caps_unref(caps);
    }
    return result;
}

GstStructure *nodeProperties(const char *nodeName, const char *origin)
{
    GstStructure *properties = gst_structure_new_empty("pipewire-proplist");
    if (nodeName) {
        gst_structure_set(properties, "node.name", G_TYPE_STRING, nodeName, nullptr);
    }
    if (origin) {
        gst_structure_set(properties, "doccam.origin", G_TYPE_STRING, origin, nullptr);
    }
    return properties;
}

QString nameOf(const GstHandle<GstDevice> &device)
{
    return CameraMonitor::displayName(device.get());
}

} // namespace

class AnycamChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void formatFollowsWhatTheCameraOffers_data();
    void formatFollowsWhatTheCameraOffers();
    void ownNodesAndTheDocumentCameraAreNotOtherCameras();
    void preferredCameraWhenPresentElseTheFirst();
    void monitorSeesCamerasComeAndGo();
};

void AnycamChoiceTest::initTestCase()
{
    QVERIFY(MediaGraph::initialize());
    QVERIFY(TestWebcams::registerProvider());
}

void AnycamChoiceTest::cleanup()
{
    TestWebcams::unplugAll();
}

void AnycamChoiceTest::formatFollowsWhatTheCameraOffers_data()
{
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("chosen");
    const auto row = [](const char *name, const char *offered, const char *chosen) {
        QTest::newRow(name) << QString::fromLatin1(offered) << QString::fromLatin1(chosen);
    };
    row("viewer's format in MJPEG",
        "video/x-raw,format=YUY2,width=1024,height=768,framerate=5/1;"
        "image/jpeg,width=1024,height=768,framerate={30/1,25/1,15/1}",
        "image/jpeg, width=(int)1024, height=(int)768, framerate=(fraction)25/1");
    row("viewer's format raw only",
        "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1;"
        "video/x-raw,format=YUY2,width=1024,height=768,framerate=[5/1,30/1]",
        "video/x-raw, width=(int)1024, height=(int)768, framerate=(fraction)25/1");
    row("largest within 1280x960",
        "image/jpeg,width=640,height=480,framerate=30/1;"
        "image/jpeg,width=1280,height=720,framerate=30/1;"
        "image/jpeg,width=1920,height=1080,framerate=30/1",
        "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction)30/1");
    row("15 fps before size",
        "video/x-raw,format=YUY2,width=1280,height=960,framerate=10/1;"
        "video/x-raw,format=YUY2,width=800,height=600,framerate={30/1,20/1}",
        "video/x-raw, width=(int)800, height=(int)600, framerate=(fraction)30/1");
    row("slow only: still the largest within the limit",
        "video/x-raw,width=1280,height=960,framerate=5/1;video/x-raw,width=640,height=480,"
        "framerate=10/1",
        "video/x-raw, width=(int)1280, height=(int)960, framerate=(fraction)5/1");
    row("all larger: the smallest",
        "image/jpeg,width=2592,height=1944,framerate=15/1;"
        "image/jpeg,width=1920,height=1080,framerate=30/1",
        "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1");
    row("MJPEG before raw of one size",
        "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1;"
        "image/jpeg,width=640,height=480,framerate=30/1",
        "image/jpeg, width=(int)640, height=(int)480, framerate=(fraction)30/1");
    row("ranges take the viewer's format", "video/x-raw,width=[1,4096],height=[1,4096]",
        "video/x-raw, width=(int)1024, height=(int)768, framerate=(fraction)25/1");
    row("nothing usable", "audio/x-raw,rate=48000", "ANY");
    row("says nothing", "ANY", "ANY");
}

void AnycamChoiceTest::formatFollowsWhatTheCameraOffers()
{
    QFETCH(QString, offered);
    QFETCH(QString, chosen);
    QCOMPARE(chosenFor(offered.toLatin1().constData()), chosen);
}

void AnycamChoiceTest::ownNodesAndTheDocumentCameraAreNotOtherCameras()
{
    TestWebcams::plug(QStringLiteral("Document Camera — Presentation"), 0,
                      nodeProperties("doccam-presentation", "viewer"));
    TestWebcams::plug(QStringLiteral("Document Camera"), 0, nodeProperties("doccam", "tevalcam"));
    // Either mark alone is enough: another program may publish without the origin ...
    TestWebcams::plug(QStringLiteral("Renamed Presentation"), 0,
                      nodeProperties("doccam-presentation", nullptr));
    // ... and the origin names the publisher whatever the node is called.
    TestWebcams::plug(QStringLiteral("Picture Loop"), 0, nodeProperties("loop", "viewer"));
    TestWebcams::plug(QStringLiteral("Gooseneck Camera"), 0,
                      nodeProperties("v4l2_input.usb-0000_00_14.0-1", nullptr));
    TestWebcams::plug(QStringLiteral("Test Webcam"), 0);

    CameraMonitor monitor;
    QCOMPARE(monitor.names(),
             (QStringList{QStringLiteral("Gooseneck Camera"), QStringLiteral("Test Webcam")}));
    // The camera library's own entry (when its plug-in is loaded) is the Document Camera, which
    // the live source drives itself, never as another camera.
    if (MediaDeviceEnumerator(CameraMonitor::DeviceClass).find(QStringLiteral("Document Camera")) >=
        0) {
        QVERIFY(!monitor.names().contains(QStringLiteral("Document Camera")));
    }
}

void AnycamChoiceTest::preferredCameraWhenPresentElseTheFirst()
{
    CameraMonitor monitor;
    QVERIFY(monitor.choose(QString()) == nullptr);
    TestWebcams::plug(QStringLiteral("Test Webcam"), 0);
    TestWebcams::plug(QStringLiteral("Second Webcam"), 0);
    QCOMPARE(nameOf(monitor.choose(QString())), QStringLiteral("Test Webcam"));
    QCOMPARE(nameOf(monitor.choose(QStringLiteral("Second Webcam"))),
             QStringLiteral("Second Webcam"));
    QCOMPARE(nameOf(monitor.choose(QStringLiteral("Unplugged Camera"))),
             QStringLiteral("Test Webcam"));
    // Names are display names, compared exactly.
    QCOMPARE(nameOf(monitor.choose(QStringLiteral("second webcam"))),
             QStringLiteral("Test Webcam"));
}

void AnycamChoiceTest::monitorSeesCamerasComeAndGo()
{
    CameraMonitor monitor;
    QVERIFY(monitor.names().isEmpty());
    TestWebcams::plug(QStringLiteral("Test Webcam"), 0);
    QCOMPARE(monitor.names(), QStringList{QStringLiteral("Test Webcam")});
    TestWebcams::unplug(QStringLiteral("Test Webcam"));
    QVERIFY(monitor.names().isEmpty());
    TestWebcams::plug(QStringLiteral("Test Webcam"), 0);
    QCOMPARE(monitor.names(), QStringList{QStringLiteral("Test Webcam")});
}

QTEST_GUILESS_MAIN(AnycamChoiceTest)
#include "tst_anycam_choice.moc"
