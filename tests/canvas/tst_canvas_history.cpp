#include "AnnotationHistory.h"
#include "CanvasTestSupport.h"
#include "ImageCanvas.h"

#include <QTest>
#include <QTextEdit>

using namespace canvastest;

namespace {

constexpr int kFrameW = 640;
constexpr int kFrameH = 480;

QImage transparentLayer(QSize size)
{
    QImage layer(size, QImage::Format_ARGB32);
    layer.fill(Qt::transparent);
    return layer;
}

} // namespace

// Undo and redo of annotations: every finished stroke, shape, text, eraser stroke and erase-all
// is one step, across turns, mirrors and zoom changes, in a bounded history.
class TestCanvasHistory : public QObject {
    Q_OBJECT

private slots:
    void everyToolIsOneStep();
    void stepsSurviveTurnsMirrorsAndZoom();
    void aNewStepForgetsTheRedoSteps();
    void aNewFrameSizeClearsTheHistory();
    void historyKeepsOnlyChangedTilesWithinItsBound();
};

// Draw with every tool, then undo back to the empty layer and redo forward again: each step
// restores exactly the layer there was.
void TestCanvasHistory::everyToolIsOneStep()
{
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    const QImage picture = patternImage(kFrameW, kFrameH);
    feed(canvas, picture);
    canvas.setLineColor(Qt::red);
    canvas.setLineWidth(4);
    canvas.setFillEnabled(true);
    canvas.setFillColor(Qt::yellow);

    std::vector<QImage> layers{canvas.layerImage()};
    const auto step = [&] { layers.push_back(canvas.layerImage()); };
    const int tools[] = {ImageCanvas::ToolFreehand, ImageCanvas::ToolLine,
                         ImageCanvas::ToolArrow,    ImageCanvas::ToolRectangle,
                         ImageCanvas::ToolCircle,   ImageCanvas::ToolTriangle};
    int k = 0;
    for (const int tool : tools) {
        canvas.setTool(tool);
        const int y = 30 + 60 * k++;
        drag(canvas, {QPoint(20, y), QPoint(200, y + 40), QPoint(300, y + 20)});
        step();
    }
    canvas.setTool(ImageCanvas::ToolText);
    click(canvas, QPoint(400, 100));
    QTest::keyClicks(canvas.textEditor(), QStringLiteral("Note"));
    canvas.setTool(ImageCanvas::ToolEraser);
    step();
    // Across the freehand stroke, which runs through (110, 50) and (200, 70).
    drag(canvas, {QPoint(100, 30), QPoint(110, 50), QPoint(200, 70)});
    step();
    // A click of the hand tool and a press that changes nothing are no steps.
    canvas.setTool(ImageCanvas::ToolHand);
    click(canvas, QPoint(10, 10));
    canvas.setTool(ImageCanvas::ToolEraser);
    click(canvas, QPoint(630, 470));
    canvas.eraseAll();
    step();
    QCOMPARE(canvas.history().undoCount(), int(layers.size()) - 1);
    QVERIFY(layers.back() == transparentLayer(layers.back().size()));

    for (int i = int(layers.size()) - 2; i >= 0; --i) {
        QVERIFY(canvas.canUndo());
        canvas.undo();
        QVERIFY2(canvas.layerImage() == layers[size_t(i)], qPrintable(QString::number(i)));
    }
    QVERIFY(!canvas.canUndo());
    for (size_t i = 1; i < layers.size(); ++i) {
        QVERIFY(canvas.canRedo());
        canvas.redo();
        QVERIFY2(canvas.layerImage() == layers[i], qPrintable(QString::number(i)));
    }
    QVERIFY(!canvas.canRedo());

    // The composed picture follows: undoing the erase-all brings the drawing back on screen.
    canvas.undo();
    feed(canvas, picture);
    QVERIFY(canvas.currentImage() != picture);
    canvas.redo();
    feed(canvas, picture);
    QCOMPARE(canvas.currentImage(), picture);
}

// A step drawn before a turn, a mirror and a zoom change is undone where the document has it.
void TestCanvasHistory::stepsSurviveTurnsMirrorsAndZoom()
{
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    feed(canvas, patternImage(kFrameW, kFrameH));
    canvas.setTool(ImageCanvas::ToolRectangle);
    canvas.setLineColor(Qt::blue);
    drag(canvas, {QPoint(30, 40), QPoint(150, 100)});
    const QImage afterFirst = canvas.layerImage();
    canvas.setTool(ImageCanvas::ToolFreehand);
    drag(canvas, {QPoint(400, 300), QPoint(600, 20)});
    const QImage afterSecond = canvas.layerImage();

    canvas.rotate();
    canvas.zoomIn();
    canvas.mirrorLeftRight();
    // What the layers look like now: turned a quarter, then mirrored left-right as shown.
    const auto nowShown = [](const QImage &layer) {
        return turnedClockwise(layer, 1).mirrored(true, false);
    };
    QCOMPARE(canvas.layerImage(), nowShown(afterSecond));
    canvas.undo();
    QCOMPARE(canvas.layerImage(), nowShown(afterFirst));
    canvas.rotate();
    canvas.zoomOut();
    canvas.undo();
    QCOMPARE(canvas.layerImage(), transparentLayer(QSize(kFrameW, kFrameH)));
    canvas.redo();
    canvas.redo();
    // A turn, a left-right mirror and a turn: a half turn and a top-bottom mirror, which
    // together are a left-right mirror of what was drawn.
    QCOMPARE(canvas.layerImage(), afterSecond.mirrored(true, false));
}

void TestCanvasHistory::aNewStepForgetsTheRedoSteps()
{
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    feed(canvas, patternImage(kFrameW, kFrameH));
    canvas.setTool(ImageCanvas::ToolLine);
    drag(canvas, {QPoint(10, 10), QPoint(100, 100)});
    drag(canvas, {QPoint(10, 100), QPoint(100, 10)});
    canvas.undo();
    QVERIFY(canvas.canRedo());
    drag(canvas, {QPoint(200, 10), QPoint(300, 100)});
    QVERIFY(!canvas.canRedo());
    QCOMPARE(canvas.history().undoCount(), 2);
}

void TestCanvasHistory::aNewFrameSizeClearsTheHistory()
{
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    feed(canvas, patternImage(kFrameW, kFrameH));
    canvas.setTool(ImageCanvas::ToolLine);
    drag(canvas, {QPoint(10, 10), QPoint(100, 100)});
    feed(canvas, patternImage(kFrameW, kFrameH));
    QVERIFY(canvas.canUndo());
    feed(canvas, patternImage(320, 240));
    QVERIFY(!canvas.canUndo());
    QCOMPARE(canvas.history().bytes(), 0);
    // Nothing of the old layer comes back into the new one.
    canvas.undo();
    QCOMPARE(canvas.layerImage(), transparentLayer(QSize(320, 240)));
}

void TestCanvasHistory::historyKeepsOnlyChangedTilesWithinItsBound()
{
    constexpr int tile = AnnotationHistory::kTileSize;
    const qsizetype tileBytes = qsizetype(tile) * tile * 4;
    const QSize size(1280, 960);
    const ViewTransform upright;
    AnnotationHistory history;
    QImage before = transparentLayer(size);

    // A dot in one tile costs one tile, whatever area the caller names.
    QImage after = before;
    after.setPixel(70, 70, qRgba(255, 0, 0, 255));
    QVERIFY(history.record(before, after, after.rect(), upright));
    QCOMPARE(history.bytes(), tileBytes);
    // Naming an area without a change records nothing.
    QVERIFY(!history.record(after, after, after.rect(), upright));

    // More steps than the history holds: the oldest go, at least 50 stay.
    for (int i = 0; i < 2 * AnnotationHistory::kMaxSteps; ++i) {
        QImage next = after;
        next.setPixel((i * 37) % size.width(), (i * 11) % size.height(), qRgba(0, 0, 255, 255));
        history.record(after, next, next.rect(), upright);
        after = next;
    }
    QCOMPARE(history.undoCount(), AnnotationHistory::kMaxSteps);
    QVERIFY(history.undoCount() >= 50);

    // Steps that change the whole layer: the byte bound holds.
    history.clear();
    for (int i = 0; i < 40; ++i) {
        QImage next(size, QImage::Format_ARGB32);
        next.fill(qRgba(i, 0, 0, 255));
        history.record(after, next, next.rect(), upright);
        after = next;
    }
    QVERIFY(history.bytes() <= AnnotationHistory::kMaxBytes);
    QVERIFY(history.undoCount() >=
            AnnotationHistory::kMaxBytes / (size.width() * size.height() * 4));
}

QTEST_MAIN(TestCanvasHistory)
#include "tst_canvas_history.moc"
