#include "CanvasTestSupport.h"
#include "ImageCanvas.h"

#include <QTest>

#include <atomic>
#include <thread>

using namespace canvastest;

// A streaming thread delivers frames while the GUI thread changes the view, draws, paints
// and reads the composed picture, as a live graph and the user do at the same time.
class TestCanvasThreaded : public QObject {
    Q_OBJECT

private slots:
    void framesWhileTheUserWorks();
    void undoAndRedoWhileFramesArrive();
};

void TestCanvasThreaded::framesWhileTheUserWorks()
{
    constexpr int width = 160;
    constexpr int height = 120;
    constexpr int frames = 300;
    constexpr size_t guard = 64;
    ImageCanvas canvas;
    // Below 96 rows the toolkit paints on the calling thread; taller fills are split over its
    // thread pool, whose synchronisation ThreadSanitizer cannot see in the uninstrumented
    // library (a false report about the painted pixmap).
    canvas.resize(width, 90);
    canvas.setTool(ImageCanvas::ToolFreehand);
    canvas.setLineColor(Qt::red);

    const QImage pictures[2] = {patternImage(width, height, 1), patternImage(width, height, 2)};
    feed(canvas, pictures[0]);
    std::atomic<int> delivered{0};
    std::atomic<bool> intact{true};
    std::thread stream([&] {
        for (int i = 0; i < frames; ++i) {
            const bool bottomUp = i % 2 == 1;
            std::vector<uchar> buffer = toBuffer(pictures[i % 2], bottomUp);
            const size_t size = buffer.size();
            buffer.resize(size + guard, 0xa5);
            canvas.frameArrived(buffer.data(), width, height, bottomUp);
            for (size_t b = size; b < buffer.size(); ++b) {
                if (buffer[b] != 0xa5) {
                    intact = false;
                }
            }
            delivered.fetch_add(1);
        }
    });

    // No QVERIFY inside the loop: the stream must be joined whatever happens.
    bool shownWhole = true;
    int step = 0;
    while (delivered.load() < frames) {
        switch (step++ % 6) {
        case 0:
            canvas.zoomIn();
            break;
        case 1:
            canvas.rotate();
            break;
        case 2:
            drag(canvas, {QPoint(20, 20 + step % 80), QPoint(140, 100 - step % 80)});
            break;
        case 3:
            canvas.zoomOut();
            canvas.setEffect(step % 4);
            canvas.setMask(step % 5);
            break;
        case 4:
            shownWhole = shownWhole && !canvas.grab().isNull();
            break;
        default:
            shownWhole = shownWhole && canvas.currentImage().size() == QSize(width, height);
            QCoreApplication::processEvents();
            break;
        }
    }
    stream.join();
    QVERIFY(intact.load());
    QVERIFY(shownWhole);
    QVERIFY(step > 0);

    // Every request for a repaint reaches the GUI thread, where it is harmless.
    QCoreApplication::processEvents();
    canvas.setEffect(0);
    canvas.setMask(0);
    while (canvas.rotation() != 0) {
        canvas.rotate();
    }
    canvas.zoomReset();
    canvas.eraseAll();
    feed(canvas, pictures[0]);
    QCOMPARE(canvas.currentImage(), pictures[0]);
}

// Strokes, erase-all, undo and redo on the GUI thread while a stream composes the layer: the
// history ends where it should and every frame shows a whole picture.
void TestCanvasThreaded::undoAndRedoWhileFramesArrive()
{
    constexpr int width = 160;
    constexpr int height = 120;
    ImageCanvas canvas;
    canvas.resize(width, 90);
    canvas.setLineColor(Qt::red);
    const QImage picture = patternImage(width, height, 3);
    feed(canvas, picture);
    const QImage empty = canvas.layerImage();

    std::atomic<bool> stop{false};
    std::atomic<int> delivered{0};
    std::thread stream([&] {
        while (!stop.load()) {
            std::vector<uchar> buffer = toBuffer(picture, true);
            canvas.frameArrived(buffer.data(), width, height, true);
            delivered.fetch_add(1);
        }
    });

    bool steps = true;
    int rounds = 0;
    while (rounds < 40 || delivered.load() < 100) {
        canvas.setTool(rounds % 2 == 0 ? ImageCanvas::ToolFreehand : ImageCanvas::ToolRectangle);
        drag(canvas, {QPoint(10 + rounds % 50, 10), QPoint(120, 20 + rounds % 60)});
        const QImage drawn = canvas.layerImage();
        canvas.eraseAll();
        canvas.undo();
        steps = steps && canvas.layerImage() == drawn;
        canvas.rotate();
        canvas.undo();
        canvas.redo();
        canvas.undo();
        canvas.rotate();
        canvas.rotate();
        canvas.rotate();
        steps = steps && canvas.layerImage() == empty;
        canvas.redo();
        canvas.undo();
        QCoreApplication::processEvents();
        ++rounds;
    }
    stop = true;
    stream.join();
    QVERIFY(steps);
    QCOMPARE(canvas.layerImage(), empty);
    feed(canvas, picture);
    QCOMPARE(canvas.currentImage(), picture);
}

QTEST_MAIN(TestCanvasThreaded)
#include "tst_canvas_threaded.moc"
