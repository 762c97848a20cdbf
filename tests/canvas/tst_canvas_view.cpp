#include "CanvasTestSupport.h"
#include "CanvasView.h"
#include "ColorEffects.h"
#include "ImageCanvas.h"

#include <QTest>

using namespace canvastest;

// The view geometry on its own (zoom steps, best fit, pan bounds), and the mapping of camera
// frame points onto the widget checked against what the canvas really paints.
class TestCanvasView : public QObject {
    Q_OBJECT

private slots:
    void zoomStepsAndBestFit();
    void panStaysInsideTheZoomedPicture();
    void cameraPointsLandOnTheirPixels_data();
    void cameraPointsLandOnTheirPixels();
    void cameraFrameIsTheFrameAsReceived();
    void outlineIsPaintedButNotComposed();
};

void TestCanvasView::zoomStepsAndBestFit()
{
    CanvasView view;
    view.setFrameSize({640, 480});
    QCOMPARE(view.zoom(), 1.0);
    view.zoomOut();
    QCOMPARE(view.zoom(), 1.0); // upright: nothing below 1
    for (int i = 0; i < 5; ++i) {
        QVERIFY(view.zoomIn());
    }
    QCOMPARE(view.zoom(), 6.0);
    QVERIFY(!view.zoomIn());
    QCOMPARE(view.zoom(), 6.0);
    view.zoomReset();
    QCOMPARE(view.zoom(), 1.0);
    QCOMPARE(view.pan(), QPoint(0, 0));

    // A quarter turn: the whole upright picture fits at 0.75, and no further.
    view.turn();
    QCOMPARE(view.zoom(), 1.0);
    QCOMPARE(view.bestFit(), 0.75);
    view.zoomOut();
    QCOMPARE(view.zoom(), 0.75);
    view.zoomOut();
    QCOMPARE(view.zoom(), 0.75);
    QCOMPARE(view.window(), QRect(0, 0, 480, 640));
    view.zoomIn();
    QCOMPARE(view.zoom(), 1.0);
    view.zoomIn();
    view.zoomReset();
    QCOMPARE(view.zoom(), 0.75);
    QCOMPARE(view.pan(), QPoint(0, 0));

    // Without a picture the step holds.
    CanvasView empty;
    empty.setFrameSize({0, 0});
    empty.setZoomStep(3);
    QCOMPARE(empty.zoom(), 3.0);
}

void TestCanvasView::panStaysInsideTheZoomedPicture()
{
    CanvasView view;
    view.setFrameSize({640, 480});
    view.setPan(50, 50);
    QCOMPARE(view.pan(), QPoint(0, 0));
    view.zoomIn();
    QCOMPARE(view.pan(), QPoint(320, 240)); // zoomed about the centre
    view.setPan(100000, 100000);
    QCOMPARE(view.pan(), QPoint(1280 - 640 - 1, 960 - 480 - 1));
    view.setPan(-7, -7);
    QCOMPARE(view.pan(), QPoint(0, 0));
    view.setPan(200, 100);
    QCOMPARE(view.window(), QRect(100, 50, 320, 240));
    view.turn();
    view.setPan(100000, 100000);
    QCOMPARE(view.pan(), QPoint(960 - 640 - 1, 1280 - 480 - 1));
    // Four turns at zoom 1 bring the view back exactly.
    CanvasView upright;
    upright.setFrameSize({640, 480});
    for (int k = 0; k < 4; ++k) {
        upright.turn();
    }
    QCOMPARE(upright.pan(), QPoint(0, 0));
    QCOMPARE(upright.zoom(), 1.0);
}

void TestCanvasView::cameraPointsLandOnTheirPixels_data()
{
    QTest::addColumn<int>("turns");
    QTest::addColumn<bool>("mirror");
    QTest::addColumn<int>("zoomIns");
    QTest::addColumn<bool>("bestFit");
    QTest::addColumn<QPoint>("pan");
    QTest::addColumn<QSize>("widget");
    QTest::newRow("upright") << 0 << false << 0 << false << QPoint() << QSize(320, 240);
    QTest::newRow("upright, larger widget")
        << 0 << false << 0 << false << QPoint() << QSize(500, 300);
    QTest::newRow("quarter turn, best fit")
        << 1 << false << 0 << true << QPoint() << QSize(320, 240);
    QTest::newRow("quarter turn, zoom 2, panned")
        << 1 << false << 1 << false << QPoint(60, 200) << QSize(320, 240);
    QTest::newRow("half turn, mirrored, zoom 3")
        << 2 << true << 2 << false << QPoint(420, 380) << QSize(320, 240);
    QTest::newRow("three turns, mirrored, best fit")
        << 3 << true << 0 << true << QPoint() << QSize(400, 400);
}

// A marker square on a grey camera frame: wherever the view puts it, the widget point mapped
// from the marker's centre shows the marker's colour, and a point well outside it does not.
void TestCanvasView::cameraPointsLandOnTheirPixels()
{
    QFETCH(int, turns);
    QFETCH(bool, mirror);
    QFETCH(int, zoomIns);
    QFETCH(bool, bestFit);
    QFETCH(QPoint, pan);
    QFETCH(QSize, widget);
    const QColor marker(250, 20, 20);
    QImage frame = uniformImage(320, 240, QColor(90, 90, 90));
    const QRect square(180, 60, 24, 24);
    for (int y = square.top(); y <= square.bottom(); ++y) {
        for (int x = square.left(); x <= square.right(); ++x) {
            frame.setPixelColor(x, y, marker);
        }
    }
    ImageCanvas canvas;
    canvas.resize(widget);
    feed(canvas, frame);
    for (int k = 0; k < turns; ++k) {
        canvas.rotate();
    }
    if (mirror) {
        canvas.mirrorLeftRight();
    }
    for (int k = 0; k < zoomIns; ++k) {
        canvas.zoomIn();
    }
    if (bestFit) {
        canvas.zoomOut();
        QVERIFY(canvas.zoom() < 1.0);
    }
    if (!pan.isNull()) {
        canvas.setPan(pan.x(), pan.y());
    }
    feed(canvas, frame);
    const QImage shown = canvas.grab().toImage();
    const QPolygonF mapped = canvas.frameToWidget(
        QPolygonF{QPointF(square.center()) + QPointF(0.5, 0.5), QPointF(40, 200)});
    QCOMPARE(mapped.size(), 2);
    const QPoint onMarker = mapped[0].toPoint();
    QVERIFY2(shown.rect().contains(onMarker),
             qPrintable(QStringLiteral("%1,%2").arg(onMarker.x()).arg(onMarker.y())));
    QCOMPARE(shown.pixelColor(onMarker), marker);
    const QPoint offMarker = mapped[1].toPoint();
    if (shown.rect().contains(offMarker)) {
        QVERIFY(shown.pixelColor(offMarker) != marker);
    }
}

void TestCanvasView::cameraFrameIsTheFrameAsReceived()
{
    ImageCanvas canvas;
    QVERIFY(canvas.cameraFrame().isNull()); // only the skin's background so far
    const QImage picture = patternImage(160, 120);
    canvas.rotate();
    canvas.zoomIn();
    canvas.setEffect(ColorEffects::EffectNegative);
    canvas.setTool(ImageCanvas::ToolRectangle);
    canvas.setFillEnabled(true);
    drag(canvas, {QPoint(10, 10), QPoint(90, 90)});
    feed(canvas, picture, true);
    QCOMPARE(canvas.cameraFrame(), picture);
    QVERIFY(canvas.currentImage() != picture);
}

void TestCanvasView::outlineIsPaintedButNotComposed()
{
    ImageCanvas canvas;
    canvas.resize(320, 240);
    feed(canvas, uniformImage(320, 240, Qt::white));
    canvas.setOverlayOutline(
        QPolygonF{QPointF(40, 40), QPointF(280, 40), QPointF(280, 200), QPointF(40, 200)});
    const QImage shown = canvas.grab().toImage();
    const QColor edge = shown.pixelColor(160, 40);
    QVERIFY(edge.green() > 200 && edge.red() < 60 && edge.blue() < 60);
    QCOMPARE(shown.pixelColor(160, 120), QColor(Qt::white));
    feed(canvas, uniformImage(320, 240, Qt::white));
    QCOMPARE(canvas.currentImage().pixelColor(160, 40), QColor(Qt::white));

    canvas.setOverlayOutline({});
    QCOMPARE(canvas.grab().toImage().pixelColor(160, 40), QColor(Qt::white));
}

QTEST_MAIN(TestCanvasView)
#include "tst_canvas_view.moc"
