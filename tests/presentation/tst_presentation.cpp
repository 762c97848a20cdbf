// The composed live picture as a PipeWire camera: the simulated camera through the real canvas
// and preview graph, a private PipeWire session with WirePlumber, and consumers that are what
// other programs run (pipewiresrc). The node carries what the canvas shows, costs nothing
// without consumers, survives consumers that come and go, goes when switched off, and a missing
// PipeWire leaves the preview alone.
#include "ImageCanvas.h"
#include "LiveRig.h"
#include "LiveSource.h"
#include "LiveTestSetup.h"
#include "MediaGraph.h"
#include "PresentationConsumer.h"
#include "PresentationPublisher.h"
#include "PrivatePipeWire.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

// Generous: the machines running the tests are busy, and sanitizer builds are slower.
constexpr int WaitMs = 30000 * DOCCAM_TEST_SLOWDOWN;
const std::string NodeName = PresentationPublisher::NodeName;

// A thick red line across the middle of the canvas, drawn with the pointer.
void drawLine(ImageCanvas &canvas)
{
    canvas.setTool(ImageCanvas::ToolLine);
    canvas.setLineColor(Qt::red);
    canvas.setLineWidth(10);
    QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(100, 400));
    QTest::mouseMove(&canvas, QPoint(900, 400));
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(900, 400));
}

bool isRed(const QColor &color)
{
    return color.red() > 170 && color.green() < 90 && color.blue() < 90;
}

} // namespace

class PresentationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void withoutPipeWireThePreviewRuns();
    void consumersSeeTheComposedPicture();
    void switchedOffThereIsNoNode();
    void cleanupTestCase();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<PrivatePipeWire> m_session;
};

void PresentationTest::initTestCase()
{
    LiveTestSetup::withoutSoundServer(m_folder);
    const QString missing = LiveTestSetup::simulatedCamera(true);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    QVERIFY2(gst_element_factory_find("pipewiresink"), "gstreamer1.0-pipewire is missing");
}

void PresentationTest::withoutPipeWireThePreviewRuns()
{
    // No daemon at this address: the branch cannot connect and is left out.
    const QByteArray nowhere = QFile::encodeName(m_folder.filePath("no-pipewire"));
    QDir().mkpath(m_folder.filePath("no-pipewire"));
    qputenv("PIPEWIRE_RUNTIME_DIR", nowhere);
    qputenv("XDG_RUNTIME_DIR", nowhere);

    LiveRig rig(QSize(1024, 768));
    auto [canvas, callback, source] = rig.parts();
    QVERIFY(source.presentationEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() >= 5, WaitMs);
    QVERIFY(!source.presentation() || !source.presentation()->isAttached());
    const int before = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() >= before + 25, WaitMs);
    QVERIFY(source.graph() && !source.graph()->failed());
}

void PresentationTest::consumersSeeTheComposedPicture()
{
    m_session = std::make_unique<PrivatePipeWire>();
    QVERIFY2(m_session->start(), m_session->error().c_str());

    LiveRig rig(QSize(1024, 768));
    auto [canvas, callback, source] = rig.parts();
    canvas.show();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() > 0, WaitMs);
    QCOMPARE(canvas.frameSize(), QSize(1024, 768));
    drawLine(canvas);
    QVERIFY(qAlpha(canvas.layerImage().pixel(500, 400)) != 0);

    const auto node = m_session->waitForNode(NodeName, WaitMs);
    QVERIFY2(node, "the presentation node does not appear");
    QCOMPARE(node->property("node.description"),
             std::string(PresentationPublisher::NodeDescription));
    QCOMPARE(node->property("media.class"), std::string("Video/Source"));
    QCOMPARE(node->property("media.role"), std::string("Camera"));
    QCOMPARE(node->property("doccam.origin"), std::string("viewer"));
    const PresentationPublisher *publisher = source.presentation();
    QVERIFY(publisher && publisher->isAttached());

    // Without a consumer no frame goes down the branch after the one that prepares the sink,
    // while the preview goes on.
    QTRY_VERIFY_WITH_TIMEOUT(publisher->framesSent() >= 1, WaitMs);
    const int primed = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() >= primed + 5, WaitMs);
    const quint64 sent = publisher->framesSent();
    const int previewBefore = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() >= previewBefore + 25, WaitMs);
    QCOMPARE(publisher->consumers(), 0);
    QCOMPARE(publisher->framesOffered(), quint64(0));
    QCOMPARE(publisher->framesSent(), sent);

    // Consumers one after the other, the middle one another program that is killed: each
    // later one proves that the leaving of the one before broke neither the branch nor the
    // preview, and gets (nearly) every frame the canvas composes while it watches.
    for (int round = 0; round < 3; ++round) {
        QVERIFY(m_session->waitForNode(NodeName, WaitMs));
        if (round == 1) {
            const pid_t other = m_session->spawn({"gst-launch-1.0", "-q", "pipewiresrc",
                                                  "target-object=" + NodeName, "!", "video/x-raw",
                                                  "!", "fakesink"});
            QVERIFY(other > 0);
            QTRY_COMPARE_WITH_TIMEOUT(publisher->consumers(), 1, WaitMs);
            const quint64 sent = publisher->framesSent();
            QTRY_VERIFY_WITH_TIMEOUT(publisher->framesSent() >= sent + 10, WaitMs);
            m_session->terminate(other, SIGKILL);
        } else {
            PresentationConsumer consumer(QString::fromStdString(NodeName));
            QVERIFY(consumer.start());
            QTRY_VERIFY_WITH_TIMEOUT(consumer.frames() >= 1, WaitMs);
            const int composedAtStart = callback.frames();
            const int receivedAtStart = consumer.frames();
            QTRY_VERIFY_WITH_TIMEOUT(consumer.frames() >= receivedAtStart + 50, WaitMs);
            const int composed = callback.frames() - composedAtStart;
            QVERIFY2(consumer.frames() - receivedAtStart >= composed / 2,
                     qPrintable(QString("round %1: %2 of %3 frames")
                                    .arg(round)
                                    .arg(consumer.frames() - receivedAtStart)
                                    .arg(composed)));
            QCOMPARE(publisher->consumers(), 1);
            QVERIFY(!consumer.failed());
            const QImage frame = consumer.lastFrame();
            QCOMPARE(frame.size(), canvas.frameSize());
            for (int x : {200, 500, 800}) {
                QVERIFY2(isRed(frame.pixelColor(x, 400)),
                         qPrintable(QString("round %1, %2: %3")
                                        .arg(round)
                                        .arg(x)
                                        .arg(frame.pixelColor(x, 400).name())));
            }
            QVERIFY(!isRed(frame.pixelColor(500, 300)));
        }
        QTRY_COMPARE_WITH_TIMEOUT(publisher->consumers(), 0, WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(publisher->renewals(), round + 1, WaitMs);
        QVERIFY(publisher->isAttached());
        QVERIFY(!publisher->failed());
    }
    QTRY_VERIFY_WITH_TIMEOUT(publisher->framesSent() >= 1, WaitMs);
    const quint64 offered = publisher->framesOffered();
    const int previewAfter = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() >= previewAfter + 25, WaitMs);
    QCOMPARE(publisher->framesOffered(), offered);
    QVERIFY(source.graph() && !source.graph()->failed());
}

void PresentationTest::switchedOffThereIsNoNode()
{
    QVERIFY(m_session);
    QVERIFY(m_session->waitForNodeGone(NodeName, WaitMs));
    LiveRig rig(QSize(1024, 768));
    auto [canvas, callback, source] = rig.parts();
    // As the main window does right after creating the source, before the event loop runs.
    source.setPresentationEnabled(false);
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() >= 25, WaitMs);
    for (int check = 0; check < 5; ++check) {
        QVERIFY(!m_session->node(NodeName));
        QTest::qWait(200);
    }
    QVERIFY(!source.presentation());

    // Switched on and off again while the preview runs.
    source.setPresentationEnabled(true);
    QVERIFY(m_session->waitForNode(NodeName, WaitMs));
    source.setPresentationEnabled(false);
    QVERIFY(m_session->waitForNodeGone(NodeName, WaitMs));
    const int before = callback.frames();
    QTRY_VERIFY_WITH_TIMEOUT(callback.frames() >= before + 25, WaitMs);
    QVERIFY(!m_session->node(NodeName));
}

void PresentationTest::cleanupTestCase()
{
    m_session.reset();
}

QTEST_MAIN(PresentationTest)
#include "tst_presentation.moc"
