// Split compare and picture-in-picture laid into the canvas's picture: the cells of the split
// and where the live picture sits, each still pane's own view and drawing, an unreadable
// picture's pane, the second camera's rectangle and its unplugged state, all read back from the
// buffer the canvas wrote (what a recording and the presentation node get).
#include "CanvasTestSupport.h"
#include "PictureInPicture.h"
#include "SplitCompositor.h"

#include <QtTest>

using canvastest::feed;
using canvastest::fromBuffer;
using canvastest::uniformImage;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

const QColor kLive(200, 30, 30);
const QList<QColor> kStill = {QColor(30, 200, 30), QColor(30, 30, 200), QColor(220, 220, 40)};

// What the canvas wrote back for a live frame of the live colour.
QImage writtenBack(ImageCanvas &canvas)
{
    return fromBuffer(feed(canvas, uniformImage(kWidth, kHeight, kLive), true), kWidth, kHeight,
                      true);
}

QColor centreOf(const QImage &picture, const QRect &cell)
{
    return picture.pixelColor(cell.center());
}

// Left half red, right half blue.
QImage halves()
{
    QImage image = uniformImage(200, 200, Qt::red);
    for (int y = 0; y < 200; ++y) {
        for (int x = 100; x < 200; ++x) {
            image.setPixelColor(x, y, Qt::blue);
        }
    }
    return image;
}

} // namespace

class TestCanvasSplit : public QObject {
    Q_OBJECT

private slots:
    void cellsHoldLiveAndStillPictures_data();
    void cellsHoldLiveAndStillPictures();
    void stillPaneHasItsOwnViewAndDrawing();
    void unreadablePictureShowsInItsPaneOnly();
    void secondCameraInItsRectangle();
    void secondCameraRectangleStaysInsideThePicture();
};

void TestCanvasSplit::cellsHoldLiveAndStillPictures_data()
{
    QTest::addColumn<int>("stillPanes");
    QTest::addColumn<int>("swaps");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("liveCell");
    QTest::newRow("side by side") << 1 << 0 << 2 << 0;
    QTest::newRow("side by side, swapped") << 1 << 1 << 2 << 1;
    QTest::newRow("swapped twice is back") << 1 << 2 << 2 << 0;
    QTest::newRow("grid of three, one cell empty") << 2 << 0 << 4 << 0;
    QTest::newRow("grid of four, live moved twice") << 3 << 2 << 4 << 2;
}

void TestCanvasSplit::cellsHoldLiveAndStillPictures()
{
    QFETCH(int, stillPanes);
    QFETCH(int, swaps);
    QFETCH(int, cells);
    QFETCH(int, liveCell);
    ImageCanvas canvas;
    SplitCompositor split;
    for (int i = 0; i < stillPanes; ++i) {
        QVERIFY(split.addPane(StillPane(uniformImage(320, 240, kStill[i]))));
    }
    if (stillPanes == SplitCompositor::kMaxStillPanes) {
        QVERIFY(!split.addPane(StillPane(uniformImage(8, 8, Qt::white))));
    }
    QCOMPARE(split.stillPaneCount(), stillPanes);
    for (int i = 0; i < swaps; ++i) {
        split.swap();
    }
    canvas.setOutputCompositors({&split});
    const QImage out = writtenBack(canvas);
    QCOMPARE(split.cellCount(), cells);
    QCOMPARE(split.liveCell(), liveCell);
    QCOMPARE(canvas.currentImage(), out.convertToFormat(QImage::Format_RGB888));

    const QSize frame(kWidth, kHeight);
    int still = 0;
    for (int cell = 0; cell < cells; ++cell) {
        const QRect rect = split.cellRect(cell, frame);
        QCOMPARE(split.cellAt(rect.center(), frame), cell);
        QColor expected = Qt::black;
        if (cell == liveCell) {
            expected = kLive;
        } else if (still < stillPanes) {
            expected = kStill[still++];
        }
        QCOMPARE(centreOf(out, rect), expected);
    }
    // The live picture keeps its shape in a cell: 4:3 in half the width leaves black above.
    if (cells == 2) {
        const QRect live = split.cellRect(liveCell, frame);
        QCOMPARE(out.pixelColor(live.center().x(), live.top() + 2), QColor(Qt::black));
    }

    split.clear();
    QVERIFY(!split.isActive());
    QCOMPARE(writtenBack(canvas).pixelColor(kWidth - 5, kHeight / 2), kLive);
}

void TestCanvasSplit::stillPaneHasItsOwnViewAndDrawing()
{
    ImageCanvas canvas;
    SplitCompositor split;
    QVERIFY(split.addPane(StillPane(halves())));
    canvas.setOutputCompositors({&split});
    const QSize frame(kWidth, kHeight);
    const QRect cell = split.cellRect(1, frame);
    QVERIFY(!split.changePane(0, [](StillPane &) {}));

    // A square picture in a 320 x 480 cell fills its width: left half red, right half blue.
    QImage out = writtenBack(canvas);
    QCOMPARE(out.pixelColor(cell.left() + 40, cell.center().y()), QColor(Qt::red));
    QCOMPARE(out.pixelColor(cell.right() - 40, cell.center().y()), QColor(Qt::blue));

    // A quarter turn of the pane alone: red on top, blue below; the live view is not turned.
    QVERIFY(split.changePane(1, [](StillPane &pane) { pane.turn(); }));
    out = writtenBack(canvas);
    QCOMPARE(out.pixelColor(cell.center().x(), cell.center().y() - 60), QColor(Qt::red));
    QCOMPARE(out.pixelColor(cell.center().x(), cell.center().y() + 60), QColor(Qt::blue));
    QCOMPARE(canvas.rotation(), 0);

    // Zoomed to 2 at the centre, the pane shows the border between red and blue in its middle
    // row: red above, blue below, nothing else.
    QVERIFY(split.changePane(1, [](StillPane &pane) { pane.zoomIn(); }));
    out = writtenBack(canvas);
    QCOMPARE(out.pixelColor(cell.center().x(), cell.center().y() - 40), QColor(Qt::red));
    QCOMPARE(out.pixelColor(cell.center().x(), cell.center().y() + 40), QColor(Qt::blue));
    QCOMPARE(canvas.zoom(), 1.0);

    // A filled rectangle drawn on the pane shows in the pane, not on the live drawing.
    AnnotationLayer::Style style;
    style.fillEnabled = true;
    style.fillColor = Qt::yellow;
    style.lineColor = Qt::yellow;
    QVERIFY(split.changePane(1, [&](StillPane &pane) {
        pane.press();
        const QPoint a = pane.paneToFrame(QPoint(100, 200), cell.size());
        const QPoint b = pane.paneToFrame(QPoint(220, 280), cell.size());
        pane.draw(AnnotationLayer::Rectangle, a, b, style);
    }));
    out = writtenBack(canvas);
    QCOMPARE(out.pixelColor(cell.left() + 160, 240), QColor(Qt::yellow));
    QVERIFY(canvas.layerImage().isNull() || canvas.layerImage().pixelColor(160, 240).alpha() == 0);
}

void TestCanvasSplit::unreadablePictureShowsInItsPaneOnly()
{
    ImageCanvas canvas;
    SplitCompositor split;
    StillPane broken{QImage()};
    QVERIFY(!broken.isReadable());
    broken.zoomIn(); // nothing to zoom, and no fault
    broken.turn();
    QVERIFY(split.addPane(std::move(broken)));
    canvas.setOutputCompositors({&split});
    const QImage out = writtenBack(canvas);
    const QRect cell = split.cellRect(1, QSize(kWidth, kHeight));
    QCOMPARE(out.pixelColor(cell.left() + 3, cell.top() + 3), QColor(0x30, 0x30, 0x30));
    // Some of the notice's white letters are in the pane.
    bool lettered = false;
    for (int y = cell.top(); y <= cell.bottom() && !lettered; y += 2) {
        for (int x = cell.left(); x <= cell.right() && !lettered; ++x) {
            lettered = out.pixelColor(x, y).lightness() > 200;
        }
    }
    QVERIFY(lettered);
    QCOMPARE(centreOf(out, split.cellRect(0, QSize(kWidth, kHeight))), kLive);
}

void TestCanvasSplit::secondCameraInItsRectangle()
{
    ImageCanvas canvas;
    PictureInPicture pip;
    pip.setVisible(true);
    pip.setCameraName(QStringLiteral("Webcam"));
    pip.setFrame(uniformImage(320, 240, Qt::green));
    canvas.setOutputCompositors({&pip});
    const QRect rect = pip.pixelRect(QSize(kWidth, kHeight));
    QVERIFY(rect.right() > kWidth / 2 && rect.top() < kHeight / 2); // the top right corner
    QImage out = writtenBack(canvas);
    QCOMPARE(centreOf(out, rect), QColor(Qt::green));
    QCOMPARE(out.pixelColor(rect.topLeft()), QColor(Qt::white));
    QCOMPARE(out.pixelColor(rect.left() - 2, rect.center().y()), kLive);
    QCOMPARE(out.pixelColor(10, kHeight - 10), kLive);

    // Unplugged: the rectangle shows so, the main picture goes on.
    pip.setUnplugged(true);
    out = writtenBack(canvas);
    QCOMPARE(out.pixelColor(rect.left() + 4, rect.top() + 4), QColor(0x20, 0x20, 0x20));
    QCOMPARE(out.pixelColor(10, kHeight - 10), kLive);
    // Frames again: the picture is back.
    pip.setFrame(uniformImage(320, 240, Qt::green));
    QCOMPARE(centreOf(writtenBack(canvas), rect), QColor(Qt::green));

    // Into the next corner (bottom right), then hidden.
    pip.nextCorner();
    const QRect moved = pip.pixelRect(QSize(kWidth, kHeight));
    QVERIFY(moved.bottom() > kHeight / 2 && moved.right() > kWidth / 2);
    out = writtenBack(canvas);
    QCOMPARE(centreOf(out, moved), QColor(Qt::green));
    QCOMPARE(centreOf(out, rect), kLive);
    pip.setVisible(false);
    QCOMPARE(centreOf(writtenBack(canvas), moved), kLive);
}

void TestCanvasSplit::secondCameraRectangleStaysInsideThePicture()
{
    PictureInPicture pip;
    pip.moveBy(5.0, -5.0);
    QCOMPARE(pip.rect().right(), 1.0);
    QCOMPARE(pip.rect().top(), 0.0);
    for (int i = 0; i < 20; ++i) {
        pip.resize(1.5);
    }
    QCOMPARE(pip.rect().width(), PictureInPicture::kMaxSize);
    QVERIFY(pip.rect().right() <= 1.0);
    for (int i = 0; i < 20; ++i) {
        pip.resize(0.5);
    }
    QCOMPARE(pip.rect().width(), PictureInPicture::kMinSize);
}

QTEST_MAIN(TestCanvasSplit)
#include "tst_canvas_split.moc"
