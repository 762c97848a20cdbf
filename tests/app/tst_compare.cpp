// The pointer over the split view and the second camera's rectangle: a drag in a still pane
// draws on or pans that pane, one in the live pane reaches the live drawing at the point of the
// live picture it shows, the wheel zooms a still pane, and the hand drags the rectangle.
#include "AppTestMain.h"
#include "CompareController.h"
#include "ImageCanvas.h"

#include <QWheelEvent>
#include <QtTest>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

void dragOn(ImageCanvas &canvas, QPoint from, QPoint to)
{
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&canvas, (from + to) / 2);
    QTest::mouseMove(&canvas, to);
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, to);
}

} // namespace

class CompareTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dragDrawsInThePaneItStartsIn_data();
    void dragDrawsInThePaneItStartsIn();
    void wheelZoomsAStillPaneAndHandPansIt();
    void handDragsTheSecondCameraRectangle();

private:
    std::unique_ptr<ImageCanvas> m_canvas;
    std::unique_ptr<CompareController> m_compare;
    QStringList m_notices;
};

void CompareTest::init()
{
    m_canvas = std::make_unique<ImageCanvas>();
    m_canvas->resize(kWidth, kHeight);
    QImage live(kWidth, kHeight, QImage::Format_RGB888);
    live.fill(Qt::gray);
    m_canvas->setImage(live);
    m_compare = std::make_unique<CompareController>(
        *m_canvas, [] { return QStringLiteral("/nonexistent/photo.jpg"); },
        [this](const QString &text) { m_notices.append(text); });
}

void CompareTest::cleanup()
{
    m_compare.reset();
    m_canvas.reset();
    m_notices.clear();
}

void CompareTest::dragDrawsInThePaneItStartsIn_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("onLive");
    // The live pane (left) shows the whole picture at half size, 120 px below the top.
    QTest::newRow("live pane") << QPoint(100, 200) << QPoint(200, 300) << true;
    QTest::newRow("still pane") << QPoint(400, 200) << QPoint(500, 300) << false;
    QTest::newRow("still pane, ending over the live one")
        << QPoint(400, 200) << QPoint(100, 300) << false;
}

void CompareTest::dragDrawsInThePaneItStartsIn()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(bool, onLive);
    m_compare->compareWithLive();
    QCOMPARE(m_compare->split().stillPaneCount(), 1);
    m_canvas->setTool(ImageCanvas::ToolRectangle);
    dragOn(*m_canvas, from, to);
    QRect paneUsed;
    m_compare->split().changePane(1, [&](StillPane &pane) { paneUsed = pane.layer().used(); });
    const QImage layer = m_canvas->layerImage();
    // The live drawing's corner lies at the live picture's point under the pointer: twice the
    // offset in the half-size pane.
    const QPoint corner((from.x() - 0) * 2, (from.y() - 120) * 2);
    if (onLive) {
        QVERIFY(layer.pixelColor(corner).alpha() > 0);
    } else {
        QCOMPARE(layer, AnnotationLayer::blank(layer.size()));
    }
    QCOMPARE(paneUsed.isEmpty(), onLive);
}

void CompareTest::wheelZoomsAStillPaneAndHandPansIt()
{
    m_compare->compareWithFile(QStringLiteral("/nonexistent/photo.jpg"));
    m_compare->compareWithLive();
    QCOMPARE(m_compare->split().cellCount(), 4);
    const auto zoomOf = [this](int cell) {
        double zoom = 0;
        m_compare->split().changePane(cell, [&](StillPane &pane) { zoom = pane.view().zoom(); });
        return zoom;
    };
    const auto wheelAt = [this](QPoint at) {
        QWheelEvent wheel(at, m_canvas->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_canvas.get(), &wheel);
    };
    wheelAt(QPoint(160, 360));
    QCOMPARE(zoomOf(2), 2.0);
    QCOMPARE(m_canvas->zoom(), 1.0);
    // The unreadable photograph's pane (top right) takes the wheel without a change.
    wheelAt(QPoint(480, 120));
    QCOMPARE(zoomOf(1), 1.0);
    QCOMPARE(m_notices, QStringList());

    m_canvas->setTool(ImageCanvas::ToolHand);
    dragOn(*m_canvas, QPoint(200, 400), QPoint(100, 300));
    QPoint pan;
    m_compare->split().changePane(2, [&](StillPane &pane) { pan = pane.view().pan(); });
    QVERIFY(pan.x() > 0 && pan.y() > 0);
}

void CompareTest::handDragsTheSecondCameraRectangle()
{
    PictureInPicture &pip = m_compare->pictureInPicture();
    pip.setVisible(true);
    m_compare->updateCanvas();
    const QRectF before = pip.rect();
    const QPoint grab = pip.pixelRect(QSize(kWidth, kHeight)).center();
    m_canvas->setTool(ImageCanvas::ToolHand);
    dragOn(*m_canvas, grab, grab + QPoint(-320, 240));
    QCOMPARE(pip.rect().size(), before.size());
    QVERIFY(qAbs(pip.rect().x() - (before.x() - 0.5)) < 0.01);
    QVERIFY(qAbs(pip.rect().y() - (before.y() + 0.5)) < 0.01);
    // Another tool draws over it instead.
    m_canvas->setTool(ImageCanvas::ToolLine);
    const QRectF moved = pip.rect();
    dragOn(*m_canvas, grab + QPoint(-320, 240), QPoint(10, 10));
    QCOMPARE(pip.rect(), moved);
}

DOCCAM_APP_TEST_MAIN(CompareTest)
#include "tst_compare.moc"
