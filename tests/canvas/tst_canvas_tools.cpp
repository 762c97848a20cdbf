#include "CanvasTestSupport.h"
#include "ImageCanvas.h"
#include "OSDProcessor.h"

#include <QApplication>
#include <QClipboard>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <array>

using namespace canvastest;

namespace {

constexpr int kFrameW = 640;
constexpr int kFrameH = 480;
const QColor grey(128, 128, 128);

// The canvas has the frame's size, so widget points are frame points at zoom 1.
struct Setup {
    ImageCanvas canvas;
    Setup()
    {
        canvas.resize(kFrameW, kFrameH);
        feed(canvas, uniformImage(kFrameW, kFrameH, grey));
        canvas.setLineColor(Qt::red);
        canvas.setFillColor(Qt::red);
    }
    QImage shown()
    {
        feed(canvas, uniformImage(kFrameW, kFrameH, grey));
        return canvas.currentImage();
    }
};

bool allTransparent(const QImage &layer)
{
    for (int y = 0; y < layer.height(); ++y) {
        for (int x = 0; x < layer.width(); ++x) {
            if (qAlpha(layer.pixel(x, y)) != 0) {
                return false;
            }
        }
    }
    return true;
}

int redInRow(const QImage &picture, int y)
{
    int count = 0;
    for (int x = 0; x < picture.width(); ++x) {
        count += picture.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
    }
    return count;
}

} // namespace

class TestCanvasTools : public QObject {
    Q_OBJECT

private slots:
    void rubberBandRestoresFreehandBuildsUp();
    void closedShapesHaveTheirCorners();
    void everyDrawnEllipsePixelReachesThePicture();
    void eraserClearsItsSquareInsideTheLayer();
    void strokeLandsUnderThePointer();
    void handDragsThePicture();
    void clipCopiesTheShownSelection();
    void textIsCommittedOnce();
};

void TestCanvasTools::rubberBandRestoresFreehandBuildsUp()
{
    Setup line;
    line.canvas.setTool(ImageCanvas::ToolLine);
    drag(line.canvas, {QPoint(100, 100), QPoint(200, 150), QPoint(150, 100)});
    QImage layer = line.canvas.layerImage();
    QVERIFY(opaque(layer, 125, 100));
    QVERIFY(opaque(layer, 150, 100));
    QVERIFY(!opaque(layer, 180, 140));
    QVERIFY(!opaque(layer, 175, 125));
    QCOMPARE(line.shown().pixel(125, 100), qRgb(255, 0, 0));

    Setup freehand;
    freehand.canvas.setTool(ImageCanvas::ToolFreehand);
    drag(freehand.canvas, {QPoint(100, 100), QPoint(200, 150), QPoint(150, 100)});
    layer = freehand.canvas.layerImage();
    QVERIFY(opaque(layer, 120, 110));
    QVERIFY(opaque(layer, 180, 140));
    QVERIFY(opaque(layer, 175, 125));
    QVERIFY(!opaque(layer, 125, 100)); // the straight line was never drawn

    // A second stroke keeps the first.
    drag(freehand.canvas, {QPoint(10, 300), QPoint(50, 300)});
    layer = freehand.canvas.layerImage();
    QVERIFY(opaque(layer, 180, 140));
    QVERIFY(opaque(layer, 30, 300));
}

void TestCanvasTools::closedShapesHaveTheirCorners()
{
    Setup s;
    s.canvas.setLineWidth(0); // one-pixel outline: corners are exact
    s.canvas.setFillEnabled(true);

    // Arrow (100, 100) -> (200, 100): tip (200, 100), head base corners (180, 90) and
    // (180, 110), shaft corners (100, 95), (180, 95), (180, 105), (100, 105).
    s.canvas.setTool(ImageCanvas::ToolArrow);
    drag(s.canvas, {QPoint(100, 100), QPoint(200, 100)});
    QImage layer = s.canvas.layerImage();
    for (QPoint p : {QPoint(200, 100), QPoint(180, 90), QPoint(180, 110), QPoint(100, 95),
                     QPoint(100, 105), QPoint(150, 95), QPoint(150, 105), QPoint(190, 100)}) {
        QVERIFY2(opaque(layer, p.x(), p.y()),
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    }
    for (QPoint p : {QPoint(201, 100), QPoint(180, 89), QPoint(180, 111), QPoint(99, 100),
                     QPoint(150, 94), QPoint(150, 106), QPoint(190, 106)}) {
        QVERIFY2(!opaque(layer, p.x(), p.y()),
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    }

    // Triangle (300, 200) -> (300, 300): equilateral, base corners (242, 300), (358, 300).
    s.canvas.setTool(ImageCanvas::ToolTriangle);
    drag(s.canvas, {QPoint(300, 200), QPoint(300, 300)});
    layer = s.canvas.layerImage();
    // The outline leaves out the right-hand end pixel of the base, as the toolkit rasterises.
    for (QPoint p : {QPoint(300, 200), QPoint(242, 300), QPoint(357, 300), QPoint(300, 280)}) {
        QVERIFY2(opaque(layer, p.x(), p.y()),
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    }
    for (QPoint p : {QPoint(241, 300), QPoint(358, 300), QPoint(300, 301), QPoint(300, 199)}) {
        QVERIFY2(!opaque(layer, p.x(), p.y()),
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    }
    QVERIFY(opaque(layer, 150, 100)); // the arrow is still there

    // A rectangle starts at the press point.
    s.canvas.eraseAll();
    s.canvas.setTool(ImageCanvas::ToolRectangle);
    drag(s.canvas, {QPoint(400, 50), QPoint(450, 80)});
    layer = s.canvas.layerImage();
    QVERIFY(opaque(layer, 400, 50));
    QVERIFY(opaque(layer, 425, 65));
    QVERIFY(!opaque(layer, 399, 65));
    QVERIFY(!opaque(layer, 425, 49));
}

// The composed picture takes the annotation layer only inside the area recorded as drawn; a
// pixel painted outside it stays on the layer but never reaches the picture, snapshots or
// recordings. Flat ellipses with a thin pen are where the painter reaches furthest beyond the
// shape's box, so most of the random ones are flat.
void TestCanvasTools::everyDrawnEllipsePixelReachesThePicture()
{
    QRandomGenerator random(20261207);
    int missed = 0;
    QString first;
    for (int i = 0; i < 400; ++i) {
        const int width = std::array{0, 1, 0, 1, 2, 4, 7, 10}[random.bounded(8)];
        const QPoint a(random.bounded(20, kFrameW - 20), random.bounded(20, kFrameH - 20));
        const bool flat = random.bounded(4) != 0;
        const int dx = random.bounded(-a.x(), kFrameW - a.x());
        const int dy = flat ? random.bounded(-6, 7) : random.bounded(-a.y(), kFrameH - a.y());
        const QPoint b = a + QPoint(dx, dy);

        Setup s;
        s.canvas.setTool(ImageCanvas::ToolCircle);
        s.canvas.setLineWidth(width);
        s.canvas.setFillEnabled(random.bounded(2) == 0);
        drag(s.canvas, {a, b});
        const QImage layer = s.canvas.layerImage().convertToFormat(QImage::Format_ARGB32);
        const QImage shown = s.shown().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), layer.size());
        int lost = 0;
        QPoint where;
        for (int y = 0; y < layer.height(); ++y) {
            const auto *drawn = reinterpret_cast<const QRgb *>(layer.constScanLine(y));
            const auto *picture = reinterpret_cast<const QRgb *>(shown.constScanLine(y));
            for (int x = 0; x < layer.width(); ++x) {
                if (qAlpha(drawn[x]) == 0 || picture[x] != grey.rgb()) {
                    continue;
                }
                if (lost++ == 0) {
                    where = QPoint(x, y);
                }
            }
        }
        if (lost > 0 && missed++ == 0) {
            first = QStringLiteral("width %1 from (%2, %3) to (%4, %5): %6 pixels, at (%7, %8)")
                        .arg(width)
                        .arg(a.x())
                        .arg(a.y())
                        .arg(b.x())
                        .arg(b.y())
                        .arg(lost)
                        .arg(where.x())
                        .arg(where.y());
        }
    }
    QVERIFY2(
        missed == 0,
        qPrintable(QStringLiteral("%1 ellipses lost pixels, first %2").arg(missed).arg(first)));
}

void TestCanvasTools::eraserClearsItsSquareInsideTheLayer()
{
    Setup s;
    s.canvas.setFillEnabled(true);
    s.canvas.setTool(ImageCanvas::ToolRectangle);
    drag(s.canvas, {QPoint(0, 0), QPoint(kFrameW + 10, kFrameH + 10)});
    QVERIFY(opaque(s.canvas.layerImage(), 0, 0));
    QVERIFY(opaque(s.canvas.layerImage(), kFrameW - 1, kFrameH - 1));

    // Width 2: a square of 11 pixels around the pointer, cut at the layer's edges.
    s.canvas.setTool(ImageCanvas::ToolEraser);
    drag(s.canvas, {QPoint(0, 0), QPoint(0, 0)});
    drag(s.canvas, {QPoint(kFrameW - 1, kFrameH - 1), QPoint(kFrameW - 1, kFrameH - 1)});
    QImage layer = s.canvas.layerImage();
    QVERIFY(!opaque(layer, 0, 0));
    QVERIFY(!opaque(layer, 5, 5));
    QVERIFY(opaque(layer, 6, 0));
    QVERIFY(opaque(layer, 0, 6));
    QVERIFY(!opaque(layer, kFrameW - 6, kFrameH - 6));
    QVERIFY(opaque(layer, kFrameW - 7, kFrameH - 1));

    // Width 0: 3 x 3.
    s.canvas.setLineWidth(0);
    drag(s.canvas, {QPoint(300, 300), QPoint(300, 300)});
    layer = s.canvas.layerImage();
    QVERIFY(!opaque(layer, 299, 299));
    QVERIFY(!opaque(layer, 301, 301));
    QVERIFY(opaque(layer, 302, 300));
    QVERIFY(opaque(layer, 298, 300));
    QVERIFY(opaque(layer, 300, 302));

    // Only the drawing is erased, never the picture.
    QCOMPARE(s.shown().pixel(300, 300), grey.rgb());
}

void TestCanvasTools::strokeLandsUnderThePointer()
{
    // Zoom 2: under the pointer, then half as long at zoom 1.
    Setup z;
    z.canvas.zoomIn();
    z.canvas.setTool(ImageCanvas::ToolFreehand);
    drag(z.canvas, {QPoint(100, 100), QPoint(300, 100)});
    QImage shown = z.shown();
    QCOMPARE(shown.pixel(100, 100), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(200, 100), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(298, 100), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(200, 110), grey.rgb());
    const int zoomedLength = redInRow(shown, 100);
    z.canvas.zoomOut();
    const QPoint layerPoint = z.canvas.frameToLayer(QPoint(200, 170));
    shown = z.shown();
    const int length = redInRow(shown, layerPoint.y());
    QVERIFY2(std::abs(2 * length - zoomedLength) <= 4,
             qPrintable(QStringLiteral("%1 vs %2").arg(length).arg(zoomedLength)));

    // Quarter turn in best fit: the black bars are outside the layer; inside, the stroke
    // lands under the pointer.
    Setup t;
    t.canvas.rotate();
    t.canvas.zoomOut();
    QCOMPARE(t.canvas.zoom(), 0.75);
    t.canvas.setLineWidth(4);
    t.canvas.setTool(ImageCanvas::ToolFreehand);
    QVERIFY(t.canvas.frameToLayer(QPoint(50, 200)).x() < 0);
    drag(t.canvas, {QPoint(50, 200), QPoint(60, 300), QPoint(20, 400)});
    QVERIFY(allTransparent(t.canvas.layerImage()));
    drag(t.canvas, {QPoint(300, 200), QPoint(400, 200)});
    shown = t.shown();
    QCOMPARE(shown.pixel(350, 200), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(350, 190), grey.rgb());
    QCOMPARE(shown.pixel(100, 200), qRgb(0, 0, 0)); // bar
}

void TestCanvasTools::handDragsThePicture()
{
    Setup s;
    s.canvas.zoomIn();
    s.canvas.setTool(ImageCanvas::ToolHand);
    const QPoint start = s.canvas.pan();
    drag(s.canvas, {QPoint(300, 200), QPoint(280, 210), QPoint(250, 230)});
    QCOMPARE(s.canvas.pan(), start + QPoint(50, -30));
    QVERIFY(allTransparent(s.canvas.layerImage()));
    drag(s.canvas, {QPoint(0, 0), QPoint(-5000, -5000)});
    QCOMPARE(s.canvas.pan(), QPoint(kFrameW - 1, kFrameH - 1));
}

void TestCanvasTools::clipCopiesTheShownSelection()
{
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    const QImage picture = patternImage(kFrameW, kFrameH);
    feed(canvas, picture);
    canvas.setTool(ImageCanvas::ToolClip);
    QSignalSpy done(&canvas, &ImageCanvas::clipDone);
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();

    click(canvas, QPoint(10, 10)); // no movement: nothing
    QCOMPARE(done.count(), 0);
    QVERIFY(clipboard->image().isNull());

    // While dragging, the display painter outlines the selection (it reads the canvas
    // inside the paint event, with the canvas lock held).
    OSDProcessor osd(nullptr, &canvas);
    canvas.setOSDProcessor(&osd);
    sendMouse(canvas, QEvent::MouseButtonPress, QPoint(19, 14), Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseMove, QPoint(15, 12), Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseMove, QPoint(10, 10), Qt::LeftButton);
    QCOMPARE(canvas.clipRect(), QRect(10, 10, 10, 5));
    QVERIFY(!canvas.grab().isNull());
    QCOMPARE(osd.clipOutline(), QRectF(10, 10, 10, 5));
    sendMouse(canvas, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::NoButton);
    QCOMPARE(done.count(), 1);
    QCOMPARE(clipboard->image().convertToFormat(QImage::Format_RGB888),
             picture.copy(10, 10, 10, 5));
    QVERIFY(canvas.clipRect().isEmpty());

    // A selection dragged past the picture's edge holds only picture pixels.
    drag(canvas, {QPoint(630, 470), QPoint(700, 520)});
    QCOMPARE(done.count(), 2);
    QCOMPARE(clipboard->image().convertToFormat(QImage::Format_RGB888),
             picture.copy(630, 470, 10, 10));
}

void TestCanvasTools::textIsCommittedOnce()
{
    Setup s;
    s.canvas.setTextColor(Qt::red);
    s.canvas.setTool(ImageCanvas::ToolText);
    click(s.canvas, QPoint(50, 60));
    QTextEdit *editor = s.canvas.textEditor();
    QVERIFY(!editor->isHidden());
    QCOMPARE(editor->pos(), QPoint(50, 60));
    QTest::keyClicks(editor, QStringLiteral("HELLO"));
    QCOMPARE(editor->toPlainText(), QStringLiteral("HELLO"));
    QVERIFY(allTransparent(s.canvas.layerImage())); // not in the drawing while edited

    s.canvas.setTool(ImageCanvas::ToolLine);
    QVERIFY(editor->isHidden());
    QImage layer = s.canvas.layerImage();
    int reddish = 0;
    for (int y = 60; y < 100; ++y) {
        for (int x = 50; x < 200; ++x) {
            const QRgb p = layer.pixel(x, y);
            reddish += qAlpha(p) > 128 && qRed(p) > 200 && qGreen(p) < 60 ? 1 : 0;
        }
    }
    QVERIFY(reddish > 20);
    QVERIFY(allTransparent(layer.copy(0, 0, 50, kFrameH)));

    // Once committed the text is part of the drawing only: erasing it is final.
    s.canvas.eraseAll();
    s.canvas.setTool(ImageCanvas::ToolArrow);
    QVERIFY(allTransparent(s.canvas.layerImage()));

    // A second release of the text tool commits as well.
    s.canvas.setTool(ImageCanvas::ToolText);
    click(s.canvas, QPoint(300, 300));
    QTest::keyClicks(editor, QStringLiteral("X"));
    click(s.canvas, QPoint(10, 10));
    QVERIFY(editor->isHidden());
    QVERIFY(!allTransparent(s.canvas.layerImage()));
}

QTEST_MAIN(TestCanvasTools)
#include "tst_canvas_tools.moc"
