#include "CanvasTestSupport.h"
#include "ImageCanvas.h"
#include "OSDProcessor.h"
#include "SnapshotWriter.h"

#include <QDir>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace canvastest;

// A streaming thread delivers frames while the GUI thread changes the view, draws, paints
// and reads the composed picture, as a live graph and the user do at the same time.
class TestCanvasThreaded : public QObject {
    Q_OBJECT

private slots:
    void framesWhileTheUserWorks();
    void undoAndRedoWhileFramesArrive();
    void snapshotsWaitForNoDisk_data();
    void snapshotsWaitForNoDisk();
    void pendingSnapshotsOutliveTheCanvas();
};

namespace {

QStringList jpegFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
}

// A series with a picture due every frame, each frame a second later than the one before, so
// that every picture has its own name.
void armEverySecond(ImageCanvas &canvas, const QString &folder, const std::atomic<qint64> &ms)
{
    const QDateTime base(QDate(2024, 3, 3), QTime(14, 5, 0));
    canvas.setClock({[&ms] { return ms.load(); }, [&ms, base] { return base.addMSecs(ms); }});
    canvas.setSnapshotFolder(folder);
    canvas.setSnapshotContinuous(true);
    canvas.setSnapshotInterval(1);
    canvas.setSnapshotStopAfter(ImageCanvas::kNeverStop);
    canvas.startSnapshot();
}

} // namespace

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

void TestCanvasThreaded::snapshotsWaitForNoDisk_data()
{
    QTest::addColumn<bool>("encodes");
    QTest::newRow("written: the mark") << true;
    QTest::newRow("failed: the notice") << false;
}

// While the disk is stuck the stream goes on; a series keeps at most two pictures pending and
// drops the rest; once the disk is back the pending ones are written and their outcome is
// shown on the GUI thread.
void TestCanvasThreaded::snapshotsWaitForNoDisk()
{
    QFETCH(bool, encodes);
    constexpr int frames = 8;
    QTemporaryDir folder;
    ImageCanvas canvas;
    OSDProcessor osd(nullptr, &canvas);
    canvas.setOSDProcessor(&osd);
    const QImage picture = patternImage(64, 48);
    feed(canvas, picture);
    QSemaphore disk;
    std::atomic<int> started{0};
    canvas.setSnapshotEncoder([&](QIODevice &file, const QImage &shot) {
        started.fetch_add(1);
        disk.acquire();
        return encodes && SnapshotWriter::encodeJpeg(file, shot);
    });
    std::atomic<qint64> ms{0};
    armEverySecond(canvas, folder.path(), ms);

    std::atomic<int> delivered{0};
    std::thread stream([&] {
        for (int i = 1; i <= frames; ++i) {
            ms = i * 1000;
            std::vector<uchar> buffer = toBuffer(picture, true);
            canvas.frameArrived(buffer.data(), picture.width(), picture.height(), true);
            delivered.fetch_add(1);
        }
    });
    // Bounded, so that a stream stuck behind the disk fails the test instead of hanging it.
    for (int i = 0; i < 500 && delivered.load() < frames; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const int deliveredWhileStuck = delivered.load();
    disk.release(frames);
    stream.join();
    QCOMPARE(deliveredWhileStuck, frames);
    QVERIFY(osd.noticeText().isEmpty());
    QVERIFY(!osd.isSnapshotMarkShowing());

    QTRY_COMPARE(started.load(), SnapshotWriter::kMaxPending);
    QTRY_VERIFY(encodes ? osd.isSnapshotMarkShowing() : !osd.noticeText().isEmpty());
    if (encodes) {
        QCOMPARE(jpegFiles(folder.path()),
                 (QStringList{QStringLiteral("2024-03-03_14-05-01.jpg"),
                              QStringLiteral("2024-03-03_14-05-02.jpg")}));
        QVERIFY(osd.noticeText().isEmpty());
    } else {
        QVERIFY(jpegFiles(folder.path()).isEmpty());
        QCOMPARE(osd.noticeText(), ImageCanvas::tr("Snapshot not saved"));
        QVERIFY(!osd.isSnapshotMarkShowing());
    }
}

// A canvas closed while its pictures are still being written waits for them: none is lost.
void TestCanvasThreaded::pendingSnapshotsOutliveTheCanvas()
{
    QTemporaryDir folder;
    std::atomic<qint64> ms{0};
    {
        ImageCanvas canvas;
        const QImage picture = patternImage(64, 48);
        feed(canvas, picture);
        canvas.setSnapshotEncoder([](QIODevice &file, const QImage &shot) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return SnapshotWriter::encodeJpeg(file, shot);
        });
        armEverySecond(canvas, folder.path(), ms);
        std::thread stream([&] {
            for (int i = 1; i <= 2; ++i) {
                ms = i * 1000;
                std::vector<uchar> buffer = toBuffer(picture, false);
                canvas.frameArrived(buffer.data(), picture.width(), picture.height(), false);
            }
        });
        stream.join();
    }
    QCOMPARE(jpegFiles(folder.path()).size(), 2);
    for (const QString &name : jpegFiles(folder.path())) {
        QCOMPARE(QImage(QDir(folder.path()).filePath(name)).size(), QSize(64, 48));
    }
}

QTEST_MAIN(TestCanvasThreaded)
#include "tst_canvas_threaded.moc"
