#include "CanvasTestSupport.h"
#include "ColorEffects.h"
#include "ImageCanvas.h"

#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <iterator>

using namespace canvastest;

namespace {

constexpr int kFrameW = 640;
constexpr int kFrameH = 480;

// A snapshot clock driven by the test: milliseconds since the series and a wall time that
// advances with them, so that every shot second gets its own file name.
struct FakeClock {
    qint64 ms = 0;
    QDateTime base = QDateTime(QDate(2024, 3, 3), QTime(14, 5, 0));

    ImageCanvas::Clock clock()
    {
        return {[this] { return ms; }, [this] { return base.addMSecs(ms); }};
    }
};

// The composed picture computed literally by the steps the canvas stands for, with the
// toolkit's own operations on whole pictures.
QImage describedSteps(const QImage &raw, const QImage &layer, int rotation, double zoom, QPoint pan,
                      int effect, int mask, bool mirrorH = false, bool mirrorV = false)
{
    const int w = raw.width();
    const int h = raw.height();
    QImage c = raw;
    if (mirrorH || mirrorV) {
        // Mirrored pixel by pixel, before the turn.
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                c.setPixel(x, y, raw.pixel(mirrorH ? w - 1 - x : x, mirrorV ? h - 1 - y : y));
            }
        }
    }
    if (rotation != 0) {
        c = c.transformed(QTransform().rotate(90.0 * rotation), Qt::FastTransformation);
    }
    {
        QPainter painter(&c);
        painter.drawImage(0, 0, layer);
    }
    ColorEffects::applyEffect(c, effect);
    QImage v = c.copy(int(pan.x() / zoom), int(pan.y() / zoom), std::min(c.width(), int(w / zoom)),
                      std::min(c.height(), int(h / zoom)));
    ColorEffects::applyMask(v, mask);
    if (v.size() == QSize(w, h)) {
        return v;
    }
    const double s = std::min(double(w) / v.width(), double(h) / v.height());
    const QImage u = v.scaled(int(v.width() * s), int(v.height() * s), Qt::IgnoreAspectRatio,
                              Qt::FastTransformation);
    if (u.width() >= w && u.height() >= h) {
        return u;
    }
    QImage framed(w, h, QImage::Format_RGB888);
    framed.fill(QColor(0, 0, 0));
    QPainter painter(&framed);
    painter.drawImage((w - u.width()) / 2, (h - u.height()) / 2, u);
    return framed;
}

QStringList jpegFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
}

} // namespace

class TestCanvasPipeline : public QObject {
    Q_OBJECT

private slots:
    void writesBackInTheCallersLayout_data();
    void writesBackInTheCallersLayout();
    void wideFramesShowWhatPackedOnesShow_data();
    void wideFramesShowWhatPackedOnesShow();
    void composesAsTheDescribedSteps_data();
    void composesAsTheDescribedSteps();
    void zoomStepsAndBestFit();
    void panStaysInsideTheZoomedPicture();
    void fourTurnsReturnPictureAndDrawing();
    void mirrorFlipsTheShownPicture_data();
    void mirrorFlipsTheShownPicture();
    void mirrorComposesWithTurnsZoomAndPan_data();
    void mirrorComposesWithTurnsZoomAndPan();
    void drawingStaysOnTheDocumentThroughTheMirror();
    void layerOfANewSizeAtAQuarterTurnIsTurned();
    void newFrameSizeClearsDrawing();
    void frozenPictureIsComposedAgain();
    void emptyPictureShowsOnlyBackgroundAndBorder();
    void refreshShowsEveryChangeOfAStillPicture_data();
    void refreshShowsEveryChangeOfAStillPicture();
    void singleSnapshotWritesOneFile();
    void continuousSnapshotsFollowTheClock();
    void snapshotNeedsAnExistingFolder();
};

void TestCanvasPipeline::writesBackInTheCallersLayout_data()
{
    QTest::addColumn<bool>("bottomUp");
    QTest::addColumn<int>("width");
    QTest::newRow("top-down RGB") << false << kFrameW;
    QTest::newRow("bottom-up BGR") << true << kFrameW;
    // 5 pixels make 15-byte rows, which the canvas's own pictures pad to 16.
    QTest::newRow("top-down RGB, odd width") << false << 5;
    QTest::newRow("bottom-up BGR, odd width") << true << 5;
}

void TestCanvasPipeline::writesBackInTheCallersLayout()
{
    QFETCH(bool, bottomUp);
    QFETCH(int, width);
    const int height = 3 * width / 4;
    ImageCanvas canvas;
    const QImage picture = patternImage(width, height);

    // Upright and in true colours, written back unchanged at the default view.
    std::vector<uchar> buffer = feed(canvas, picture, bottomUp);
    QCOMPARE(canvas.currentImage(), picture);
    QVERIFY(buffer == toBuffer(picture, bottomUp));

    // Half a turn keeps the size: the turned picture comes back in the same layout.
    canvas.rotate();
    canvas.rotate();
    buffer = feed(canvas, picture, bottomUp);
    const QImage turned = turnedClockwise(picture, 2);
    QCOMPARE(canvas.currentImage(), turned);
    QCOMPARE(fromBuffer(buffer, width, height, bottomUp), turned);
}

// The settings a row of wideFramesShowWhatPackedOnesShow gives both canvases.
using ViewSetting = void (*)(ImageCanvas &);
const std::pair<const char *, ViewSetting> kViewSettings[] = {
    {"default view", [](ImageCanvas &) {}},
    {"quarter turn", [](ImageCanvas &c) { c.rotate(); }},
    {"half turn", [](ImageCanvas &c) { c.rotate(), c.rotate(); }},
    {"zoom 2, panned", [](ImageCanvas &c) { c.zoomIn(), c.setPan(9, 5); }},
    {"mirrored", [](ImageCanvas &c) { c.mirrorLeftRight(); }},
    {"grey effect", [](ImageCanvas &c) { c.setEffect(1); }},
    {"mask", [](ImageCanvas &c) { c.setMask(2); }},
    {"stroke",
     [](ImageCanvas &c) {
         c.setTool(ImageCanvas::ToolFreehand), drag(c, {{2, 2}, {30, 20}});
     }},
    {"frozen", [](ImageCanvas &c) { c.setFrozen(true); }},
};

void TestCanvasPipeline::wideFramesShowWhatPackedOnesShow_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<bool>("writeBack");
    for (int i = 0; i < int(std::size(kViewSettings)); ++i) {
        QTest::addRow("%s, written back", kViewSettings[i].first) << i << true;
        QTest::addRow("%s, nothing downstream", kViewSettings[i].first) << i << false;
    }
}

// A 32-bit frame (padded rows, any fourth byte) is composed as the same picture in 3 bytes a
// pixel: what the canvas keeps and what it writes back are the same pixels, and without a
// write-back the caller's frame stays as it came.
void TestCanvasPipeline::wideFramesShowWhatPackedOnesShow()
{
    QFETCH(int, setting);
    QFETCH(bool, writeBack);
    constexpr int w = 41;
    constexpr int h = 30;
    constexpr int stride = w * 4 + 12;
    const QImage first = patternImage(w, h, 1);
    const QImage second = patternImage(w, h, 2);
    ImageCanvas packed;
    ImageCanvas wide;
    for (ImageCanvas *canvas : {&packed, &wide}) {
        canvas->resize(w, h);
    }
    feed(packed, first);
    feed32(wide, first, true, stride, 0);
    kViewSettings[setting].second(packed);
    kViewSettings[setting].second(wide);

    feed(packed, second);
    const std::vector<uchar> frame = feed32(wide, second, writeBack, stride, 0x5A);
    const QImage shown = packed.currentImage();
    QCOMPARE(wide.currentImage().convertToFormat(QImage::Format_RGB888), shown);
    const QImage untouched = second.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uchar *p = &frame[size_t(y) * stride + size_t(x) * 4];
            const QRgb want = writeBack ? shown.pixel(x, y) : untouched.pixel(x, y);
            QCOMPARE(qRgb(p[2], p[1], p[0]), want);
        }
        QCOMPARE(frame[size_t(y) * stride + w * 4], uchar(0xEE)); // the padding stays
    }
}

void TestCanvasPipeline::composesAsTheDescribedSteps_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("640x480") << QSize(640, 480);
    QTest::newRow("odd 101x37") << QSize(101, 37);
    // Rows wider than 2048 pixels are scaled in several spans.
    QTest::newRow("wide 2100x90") << QSize(2100, 90);
}

// Every view (turns, zoom steps from best fit to 6, pans), effect and mask, over a drawing
// with antialiased text: the canvas's result equals the described steps pixel for pixel.
void TestCanvasPipeline::composesAsTheDescribedSteps()
{
    QFETCH(QSize, size);
    const QImage raw = patternImage(size.width(), size.height(), 4);
    ImageCanvas canvas;
    canvas.resize(size);
    feed(canvas, raw);
    canvas.setFillEnabled(true);
    canvas.setFillColor(QColor(20, 200, 90));
    canvas.setTool(ImageCanvas::ToolCircle);
    drag(canvas, {QPoint(size.width() / 4, 2), QPoint(size.width() / 2, size.height() - 3)});
    canvas.setTool(ImageCanvas::ToolText);
    canvas.setTextColor(QColor(250, 250, 40));
    click(canvas, QPoint(3, 1));
    QTest::keyClicks(canvas.textEditor(), QStringLiteral("Agw"));
    canvas.setTool(ImageCanvas::ToolFreehand);
    drag(canvas, {QPoint(1, size.height() - 2), QPoint(size.width() - 2, 1)});

    const int combos[][2] = {{0, 0}, {3, 1}, {1, 3}, {2, 2}, {3, 4}};
    for (int turn = 0; turn < 4; ++turn) {
        canvas.zoomReset();
        canvas.zoomOut();
        for (int step = 0; step < 4; ++step) {
            if (step == 3) {
                for (int i = 0; i < 3; ++i) {
                    canvas.zoomIn();
                }
                canvas.setPan(size.width() / 3 + 1, size.height() / 5 + 1);
            }
            for (const auto &combo : combos) {
                canvas.setEffect(combo[0]);
                canvas.setMask(combo[1]);
                feed(canvas, raw);
                const QImage expected =
                    describedSteps(raw, canvas.layerImage(), canvas.rotation(), canvas.zoom(),
                                   canvas.pan(), combo[0], combo[1]);
                QVERIFY2(canvas.currentImage() == expected,
                         qPrintable(QStringLiteral("turn %1 zoom %2 pan %3,%4 effect %5 mask %6")
                                        .arg(turn)
                                        .arg(canvas.zoom())
                                        .arg(canvas.pan().x())
                                        .arg(canvas.pan().y())
                                        .arg(combo[0])
                                        .arg(combo[1])));
            }
            canvas.zoomIn();
        }
        canvas.rotate();
    }
}

// The zoom steps and the pan bounds themselves are the view geometry's (tst_canvas_view); here
// the pictures they give.
void TestCanvasPipeline::zoomStepsAndBestFit()
{
    ImageCanvas canvas;
    const QImage picture = patternImage(kFrameW, kFrameH);
    feed(canvas, picture);
    for (int i = 0; i < 6; ++i) {
        canvas.zoomIn();
    }
    QCOMPARE(canvas.zoom(), 6.0);
    canvas.zoomReset();
    QCOMPARE(canvas.pan(), QPoint(0, 0));

    // A quarter turn: best fit 0.75 shows the whole upright picture between black bars.
    canvas.rotate();
    canvas.zoomOut();
    QCOMPARE(canvas.zoom(), 0.75);
    feed(canvas, picture);
    const QImage shown = canvas.currentImage();
    QCOMPARE(shown.size(), QSize(kFrameW, kFrameH));
    const QImage upright = turnedClockwise(picture, 1); // 480 x 640
    // Bars of 140 columns left and right of a 360 x 480 picture.
    for (int y : {0, 200, 479}) {
        QCOMPARE(shown.pixel(0, y), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(139, y), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(500, y), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(639, y), qRgb(0, 0, 0));
    }
    QCOMPARE(shown.pixel(140, 0), upright.pixel(0, 0));
    QCOMPARE(shown.pixel(499, 479), upright.pixel(479, 639));
    canvas.zoomReset();
    QCOMPARE(canvas.zoom(), 0.75);
}

void TestCanvasPipeline::panStaysInsideTheZoomedPicture()
{
    ImageCanvas canvas;
    const QImage picture = patternImage(kFrameW, kFrameH);
    feed(canvas, picture);
    canvas.zoomIn();
    QCOMPARE(canvas.zoom(), 2.0);
    canvas.setPan(100000, 100000);
    QCOMPARE(canvas.pan(), QPoint(2 * kFrameW - kFrameW - 1, 2 * kFrameH - kFrameH - 1));

    // The shown picture is the window at the pan, every pixel doubled.
    canvas.setPan(200, 100);
    feed(canvas, picture);
    const QImage shown = canvas.currentImage();
    for (QPoint p : {QPoint(0, 0), QPoint(7, 3), QPoint(319, 239), QPoint(100, 200)}) {
        const QRgb expected = picture.pixel(100 + p.x(), 50 + p.y());
        QCOMPARE(shown.pixel(2 * p.x(), 2 * p.y()), expected);
        QCOMPARE(shown.pixel(2 * p.x() + 1, 2 * p.y() + 1), expected);
    }

    // Quarter turn at zoom 2: the window moves over the turned picture (480 x 640 at 2x).
    canvas.rotate();
    canvas.setPan(100000, 100000);
    QCOMPARE(canvas.pan(), QPoint(2 * kFrameH - kFrameW - 1, 2 * kFrameW - kFrameH - 1));
}

void TestCanvasPipeline::fourTurnsReturnPictureAndDrawing()
{
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    const QImage picture = patternImage(kFrameW, kFrameH);
    feed(canvas, picture);
    canvas.setTool(ImageCanvas::ToolRectangle);
    canvas.setLineColor(Qt::red);
    drag(canvas, {QPoint(30, 40), QPoint(200, 120)});
    canvas.setTool(ImageCanvas::ToolFreehand);
    drag(canvas, {QPoint(400, 300), QPoint(420, 330), QPoint(600, 10)});
    feed(canvas, picture);
    const QImage shownBefore = canvas.currentImage();
    const QImage layerBefore = canvas.layerImage();
    QVERIFY(shownBefore != picture);

    for (int turn = 1; turn <= 4; ++turn) {
        canvas.rotate();
        QCOMPARE(canvas.rotation(), turn % 4);
        QCOMPARE(canvas.layerImage(), turnedClockwise(layerBefore, turn));
    }
    feed(canvas, picture);
    QCOMPARE(canvas.zoom(), 1.0);
    QCOMPARE(canvas.pan(), QPoint(0, 0));
    QCOMPARE(canvas.currentImage(), shownBefore);
}

void TestCanvasPipeline::mirrorFlipsTheShownPicture_data()
{
    QTest::addColumn<int>("turns");
    QTest::addColumn<bool>("leftRight");
    for (int turns = 0; turns < 4; ++turns) {
        QTest::addRow("%d turns, left-right", turns) << turns << true;
        QTest::addRow("%d turns, top-bottom", turns) << turns << false;
    }
}

// Whatever the turn, a mirror flips the picture as it is shown, annotations included; a second
// one undoes it.
void TestCanvasPipeline::mirrorFlipsTheShownPicture()
{
    QFETCH(int, turns);
    QFETCH(bool, leftRight);
    // Square, so that the whole picture is in view at every turn.
    constexpr int side = 300;
    const QImage raw = patternImage(side, side, 9);
    ImageCanvas canvas;
    canvas.resize(side, side);
    feed(canvas, raw);
    canvas.setTool(ImageCanvas::ToolRectangle);
    canvas.setLineColor(Qt::red);
    drag(canvas, {QPoint(30, 40), QPoint(200, 120)});
    for (int k = 0; k < turns; ++k) {
        canvas.rotate();
    }
    feed(canvas, raw);
    const QImage before = canvas.currentImage();
    leftRight ? canvas.mirrorLeftRight() : canvas.mirrorTopBottom();
    feed(canvas, raw);
    QCOMPARE(canvas.currentImage(), before.mirrored(leftRight, !leftRight));
    leftRight ? canvas.mirrorLeftRight() : canvas.mirrorTopBottom();
    feed(canvas, raw);
    QCOMPARE(canvas.currentImage(), before);
}

void TestCanvasPipeline::mirrorComposesWithTurnsZoomAndPan_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("640x480") << QSize(640, 480);
    QTest::newRow("odd 101x37") << QSize(101, 37);
}

// The one-copy mirror and turn give the pixels of mirroring and turning whole pictures, for
// every turn and mirror, zoomed in and panned, with the effects that read the whole view.
void TestCanvasPipeline::mirrorComposesWithTurnsZoomAndPan()
{
    QFETCH(QSize, size);
    const QImage raw = patternImage(size.width(), size.height(), 6);
    ImageCanvas canvas;
    canvas.resize(size);
    feed(canvas, raw);
    canvas.setTool(ImageCanvas::ToolFreehand);
    drag(canvas, {QPoint(1, size.height() - 2), QPoint(size.width() - 2, 1)});
    for (int turn = 0; turn < 4; ++turn) {
        // No mirror, left-right, both, top-bottom; then back to none.
        for (int mirror = 0; mirror < 4; ++mirror) {
            if (mirror == 1 || mirror == 3) {
                canvas.mirrorLeftRight();
            } else if (mirror == 2) {
                canvas.mirrorTopBottom();
            }
            for (const int zoomIns : {0, 2}) {
                canvas.zoomReset();
                for (int i = 0; i < zoomIns; ++i) {
                    canvas.zoomIn();
                }
                canvas.setPan(size.width() / 3 + 1, size.height() / 5 + 1);
                for (const int effect : {0, 3}) {
                    canvas.setEffect(effect);
                    feed(canvas, raw);
                    const QImage expected = describedSteps(
                        raw, canvas.layerImage(), canvas.rotation(), canvas.zoom(), canvas.pan(),
                        effect, 0, canvas.isMirroredHorizontally(), canvas.isMirroredVertically());
                    QVERIFY2(canvas.currentImage() == expected,
                             qPrintable(QStringLiteral("turn %1 mirror %2 zoom %3 effect %4")
                                            .arg(turn)
                                            .arg(mirror)
                                            .arg(canvas.zoom())
                                            .arg(effect)));
                }
            }
        }
        canvas.mirrorTopBottom();
        QVERIFY(!canvas.isMirroredHorizontally() && !canvas.isMirroredVertically());
        canvas.rotate();
    }
}

// A mark drawn on the document is mirrored with it, and drawing after a mirror lands under the
// pointer; the snapshot holds the mirrored, annotated picture.
void TestCanvasPipeline::drawingStaysOnTheDocumentThroughTheMirror()
{
    const QImage raw = uniformImage(kFrameW, kFrameH, QColor(200, 200, 200));
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    feed(canvas, raw);
    canvas.setTool(ImageCanvas::ToolRectangle);
    canvas.setLineColor(Qt::red);
    canvas.setFillEnabled(true);
    canvas.setFillColor(Qt::red);
    drag(canvas, {QPoint(10, 20), QPoint(60, 50)});
    canvas.mirrorLeftRight();
    feed(canvas, raw);
    QImage shown = canvas.currentImage();
    QCOMPARE(shown.pixelColor(kFrameW - 1 - 30, 35), QColor(Qt::red));
    QCOMPARE(shown.pixelColor(30, 35), QColor(200, 200, 200));
    canvas.setFillColor(Qt::blue);
    canvas.setLineColor(Qt::blue);
    drag(canvas, {QPoint(300, 300), QPoint(340, 340)});
    // Turning, mirroring across the then other axis and turning back undoes the mirror.
    canvas.rotate();
    canvas.mirrorTopBottom();
    canvas.rotate();
    canvas.rotate();
    canvas.rotate();
    // Back where the picture started: the red mark at its place, the blue one where the
    // mirrored view had it.
    QVERIFY(!canvas.isMirroredHorizontally() && !canvas.isMirroredVertically());
    QCOMPARE(canvas.rotation(), 0);

    QTemporaryDir folder;
    canvas.setSnapshotFolder(folder.path());
    canvas.startSnapshot();
    feed(canvas, raw);
    shown = canvas.currentImage();
    QCOMPARE(shown.pixelColor(30, 35), QColor(Qt::red));
    QCOMPARE(shown.pixelColor(kFrameW - 1 - 320, 320), QColor(Qt::blue));
    const QStringList files = jpegFiles(folder.path());
    QCOMPARE(files.size(), 1);
    const QImage written(QDir(folder.path()).filePath(files.first()));
    QVERIFY(qRed(written.pixel(30, 35)) > 200 && qBlue(written.pixel(30, 35)) < 60);
}

// A frame of a new size arriving while the picture is turned gets a layer of the turned size:
// a stroke anywhere on the upright picture is kept.
void TestCanvasPipeline::layerOfANewSizeAtAQuarterTurnIsTurned()
{
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    feed(canvas, patternImage(320, 240));
    canvas.rotate();
    feed(canvas, patternImage(kFrameW, kFrameH));
    QCOMPARE(canvas.layerImage().size(), QSize(kFrameH, kFrameW));
}

void TestCanvasPipeline::newFrameSizeClearsDrawing()
{
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    feed(canvas, patternImage(kFrameW, kFrameH));
    canvas.setTool(ImageCanvas::ToolLine);
    drag(canvas, {QPoint(10, 10), QPoint(300, 10)});
    canvas.zoomIn();
    canvas.zoomIn();

    feed(canvas, patternImage(kFrameW, kFrameH, 9)); // same size keeps the drawing
    QVERIFY(opaque(canvas.layerImage(), 100, 10));

    feed(canvas, patternImage(320, 240));
    QCOMPARE(canvas.frameSize(), QSize(320, 240));
    QCOMPARE(canvas.layerImage().size(), QSize(320, 240));
    QVERIFY(!opaque(canvas.layerImage(), 100, 10));
    QCOMPARE(canvas.zoom(), 3.0);
    const QPoint pan = canvas.pan();
    QVERIFY(pan.x() >= 0 && pan.x() <= 3 * 320 - 320 - 1);
    QVERIFY(pan.y() >= 0 && pan.y() <= 3 * 240 - 240 - 1);
    QCOMPARE(canvas.currentImage().size(), QSize(320, 240));
}

void TestCanvasPipeline::frozenPictureIsComposedAgain()
{
    ImageCanvas canvas;
    const QImage held = patternImage(kFrameW, kFrameH, 1);
    feed(canvas, held);
    canvas.setFrozen(true);

    // A new picture of the same size is dropped; the held one is written back instead.
    const QImage incoming = patternImage(kFrameW, kFrameH, 2);
    std::vector<uchar> buffer = feed(canvas, incoming, true);
    QCOMPARE(canvas.currentImage(), held);
    QCOMPARE(fromBuffer(buffer, kFrameW, kFrameH, true), held);

    // View changes still act on the held picture.
    canvas.rotate();
    canvas.rotate();
    feed(canvas, incoming);
    QCOMPARE(canvas.currentImage(), turnedClockwise(held, 2));

    // A buffer of another size cannot take the held picture: it is left as it came.
    const QImage small = patternImage(320, 240, 3);
    buffer = feed(canvas, small, true);
    QVERIFY(buffer == toBuffer(small, true));
    QCOMPARE(canvas.currentImage().size(), QSize(kFrameW, kFrameH));

    canvas.setFrozen(false);
    feed(canvas, small);
    QCOMPARE(canvas.currentImage(), turnedClockwise(small, 2));
}

void TestCanvasPipeline::emptyPictureShowsOnlyBackgroundAndBorder()
{
    ImageCanvas canvas;
    canvas.resize(200, 150);
    feed(canvas, uniformImage(kFrameW, kFrameH, Qt::white));
    canvas.rotate();
    canvas.zoomOut(); // best fit below 1
    canvas.setImage(QImage());
    QCOMPARE(canvas.frameSize(), QSize(0, 0));
    QVERIFY(canvas.currentImage().isNull());
    QCOMPARE(canvas.zoom(), 1.0);
    canvas.zoomIn();
    canvas.zoomIn();
    QCOMPARE(canvas.zoom(), 3.0);
    canvas.zoomOut();
    QCOMPARE(canvas.zoom(), 2.0);

    const QImage painted = canvas.grab().toImage();
    QCOMPARE(painted.pixel(1, 1), qRgb(0x48, 0x48, 0x48));
    QCOMPARE(painted.pixel(198, 148), qRgb(0x48, 0x48, 0x48));
    for (QPoint p : {QPoint(2, 2), QPoint(100, 75), QPoint(197, 147)}) {
        QCOMPARE(painted.pixel(p), qRgb(0, 0, 0));
    }

    // The next real picture is shown normally.
    canvas.zoomReset();
    feed(canvas, uniformImage(kFrameW, kFrameH, Qt::white));
    QCOMPARE(canvas.frameSize(), QSize(kFrameW, kFrameH));
    QCOMPARE(canvas.zoom(), 1.0);
    canvas.zoomOut();
    QCOMPARE(canvas.zoom(), 0.75);
    feed(canvas, uniformImage(kFrameW, kFrameH, Qt::white));
    const QImage shown = canvas.grab().toImage();
    QCOMPARE(shown.pixel(100, 75), qRgb(255, 255, 255));
    QCOMPARE(shown.pixel(1, 1), qRgb(0x48, 0x48, 0x48));
}

void TestCanvasPipeline::refreshShowsEveryChangeOfAStillPicture_data()
{
    QTest::addColumn<int>("change");
    const char *names[] = {"effect", "mask",      "zoom", "turn", "mirror",
                           "stroke", "erase all", "undo", "text", "freeze, then a new picture"};
    for (int i = 0; i < int(std::size(names)); ++i) {
        QTest::newRow(names[i]) << i;
    }
}

// A still picture is composed again by the refresh only when something changed; whatever
// changed shows with the next refresh.
void TestCanvasPipeline::refreshShowsEveryChangeOfAStillPicture()
{
    QFETCH(int, change);
    ImageCanvas canvas;
    canvas.resize(kFrameW, kFrameH);
    const QImage picture = patternImage(kFrameW, kFrameH);
    canvas.setImage(picture);
    canvas.setLineColor(Qt::red);
    canvas.setTool(ImageCanvas::ToolFreehand);
    drag(canvas, {QPoint(10, 10), QPoint(300, 200)});
    canvas.autoRefresh();
    const QImage before = canvas.currentImage();
    canvas.autoRefresh();
    QCOMPARE(canvas.currentImage(), before);

    switch (change) {
    case 0:
        canvas.setEffect(ColorEffects::EffectNegative);
        break;
    case 1:
        canvas.setMask(ColorEffects::MaskLeft);
        break;
    case 2:
        canvas.zoomIn();
        break;
    case 3:
        canvas.rotate();
        canvas.rotate();
        break;
    case 4:
        canvas.mirrorLeftRight();
        break;
    case 5:
        drag(canvas, {QPoint(400, 300), QPoint(500, 400)});
        break;
    case 6:
        canvas.eraseAll();
        break;
    case 7:
        canvas.undo();
        break;
    case 8:
        canvas.setTool(ImageCanvas::ToolText);
        click(canvas, QPoint(100, 300));
        canvas.textEditor()->setPlainText(QStringLiteral("WWWW"));
        canvas.setTool(ImageCanvas::ToolHand);
        break;
    default:
        canvas.setFrozen(true);
        canvas.setImage(uniformImage(kFrameW, kFrameH, Qt::blue));
        canvas.setFrozen(false);
        canvas.setImage(uniformImage(kFrameW, kFrameH, Qt::blue));
        break;
    }
    canvas.autoRefresh();
    QVERIFY(canvas.currentImage() != before);
}

void TestCanvasPipeline::singleSnapshotWritesOneFile()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    FakeClock clock;
    ImageCanvas canvas;
    canvas.setClock(clock.clock());
    canvas.setSnapshotFolder(folder.path());
    canvas.setSnapshotContinuous(false);
    feed(canvas, patternImage(kFrameW, kFrameH));
    QVERIFY(jpegFiles(folder.path()).isEmpty()); // not armed yet

    canvas.startSnapshot();
    QVERIFY(canvas.isSnapshotArmed());
    clock.ms = 2500;
    canvas.rotate();
    canvas.rotate();
    feed(canvas, uniformImage(kFrameW, kFrameH, QColor(200, 30, 30)));
    QVERIFY(!canvas.isSnapshotArmed());
    clock.ms = 4000;
    feed(canvas, uniformImage(kFrameW, kFrameH, Qt::blue));

    QCOMPARE(jpegFiles(folder.path()), QStringList{QStringLiteral("2024-03-03_14-05-02.jpg")});
    const QImage written(QDir(folder.path()).filePath(jpegFiles(folder.path()).first()));
    QCOMPARE(written.size(), QSize(kFrameW, kFrameH));
    const QColor centre = written.pixelColor(320, 240);
    QVERIFY(centre.red() > 180 && centre.green() < 60 && centre.blue() < 60);
}

void TestCanvasPipeline::continuousSnapshotsFollowTheClock()
{
    QTemporaryDir folder;
    FakeClock clock;
    ImageCanvas canvas;
    canvas.setClock(clock.clock());
    canvas.setSnapshotFolder(folder.path());
    canvas.setSnapshotContinuous(true);
    canvas.setSnapshotInterval(5);
    canvas.setSnapshotStopAfter(ImageCanvas::kNeverStop);
    const QImage picture = patternImage(64, 48);
    canvas.startSnapshot();

    QStringList expected;
    for (qint64 ms : {0, 1000, 4999, 5000, 5500, 9999, 10000, 14000, 15000, 600000}) {
        clock.ms = ms;
        feed(canvas, picture);
    }
    for (int s : {5, 10, 15, 600}) {
        expected << clock.base.addSecs(s).toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss.jpg"));
    }
    QCOMPARE(jpegFiles(folder.path()), expected);
    QVERIFY(canvas.isSnapshotArmed());
    canvas.stopSnapshot();
    QVERIFY(!canvas.isSnapshotArmed());

    // Stop after 12: last file at 10, disarmed by the first frame at or after 12.
    QTemporaryDir second;
    canvas.setSnapshotFolder(second.path());
    canvas.setSnapshotStopAfter(12);
    clock.ms = 0;
    clock.base = clock.base.addDays(1);
    canvas.startSnapshot();
    expected.clear();
    for (qint64 ms : {5000, 10000, 11999}) {
        clock.ms = ms;
        feed(canvas, picture);
        QVERIFY(canvas.isSnapshotArmed());
    }
    clock.ms = 12000;
    feed(canvas, picture);
    QVERIFY(!canvas.isSnapshotArmed());
    clock.ms = 15000;
    feed(canvas, picture);
    for (int s : {5, 10}) {
        expected << clock.base.addSecs(s).toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss.jpg"));
    }
    QCOMPARE(jpegFiles(second.path()), expected);

    // Interval 0 shoots every frame; two shots within one second replace each other.
    QTemporaryDir third;
    canvas.setSnapshotFolder(third.path());
    canvas.setSnapshotInterval(0);
    canvas.setSnapshotStopAfter(ImageCanvas::kNeverStop);
    clock.ms = 0;
    canvas.startSnapshot();
    for (qint64 ms : {0, 300, 1200, 2100}) {
        clock.ms = ms;
        feed(canvas, picture);
    }
    QCOMPARE(jpegFiles(third.path()).size(), 3);
}

void TestCanvasPipeline::snapshotNeedsAnExistingFolder()
{
    QTemporaryDir parent;
    const QString missing = QDir(parent.path()).filePath(QStringLiteral("missing"));
    ImageCanvas canvas;
    FakeClock clock;
    canvas.setClock(clock.clock());
    canvas.setSnapshotFolder(missing);
    canvas.startSnapshot();
    QVERIFY(!canvas.isSnapshotArmed());
    canvas.setSnapshotFolder(QString());
    canvas.startSnapshot();
    QVERIFY(!canvas.isSnapshotArmed());

    // Armed, then the folder goes away: nothing is written, and the canvas stays armed
    // until the folder is back.
    QVERIFY(QDir(parent.path()).mkdir(QStringLiteral("missing")));
    canvas.setSnapshotFolder(missing);
    canvas.startSnapshot();
    QVERIFY(QDir(missing).removeRecursively());
    feed(canvas, patternImage(32, 24));
    QVERIFY(canvas.isSnapshotArmed());
    QVERIFY(QDir(parent.path()).mkdir(QStringLiteral("missing")));
    feed(canvas, patternImage(32, 24));
    QVERIFY(!canvas.isSnapshotArmed());
    QCOMPARE(jpegFiles(missing).size(), 1);
}

QTEST_MAIN(TestCanvasPipeline)
#include "tst_canvas_pipeline.moc"
