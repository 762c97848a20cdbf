// Scanning as the window drives it: the controller with a camera picture, its notices and
// outline, text recognition on its worker, saving, restarts, and the page strip.
#include "PdfExporter.h"
#include "ScanController.h"
#include "ScanStrip.h"
#include "ScanTestSupport.h"
#include "TextRecognizer.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestScanController : public QObject {
    Q_OBJECT

private slots:
    void scanShowsOutlineAndTakesPage_data();
    void scanShowsOutlineAndTakesPage();
    void pagesAreReadSavedAndSurviveARestart();
    void missingLanguagePackStillSavesThePdf();
    void deletingAPageBeingReadSettlesTheQueue();
    void autoCaptureTakesTheTurnedPage();
    void stripFollowsTheDocument();
};

namespace {
const QSize kCamera(1280, 960);
const QSize kPage(420, 594);

QStringList fewWords()
{
    return scantest::sampleWords().mid(0, 16);
}

QImage pageOnDesk(int degrees = 8)
{
    return scantest::onDesk(scantest::desk(kCamera, scantest::Desk::Wood),
                            scantest::printedPage(kPage, fewWords(), 26),
                            scantest::pageCorners(kCamera, kPage, degrees, 0.04));
}

// A controller on a temporary document folder with a picture the test sets, recording the
// outlines and notices it shows.
struct Rig {
    explicit Rig(const QString &folder, QImage picture = {})
        : frame(std::move(picture)),
          controller([this] { return frame; }, [this](const QPolygonF &p) { outlines.append(p); },
                     [this](const QString &n) { notices.append(n); }, folder, QStringLiteral("eng"))
    {
    }
    QImage frame;
    QList<QPolygonF> outlines;
    QStringList notices;
    ScanController controller;
};

bool waitForText(const ScanController &controller)
{
    // A page takes a few seconds to read on a slow machine (more under the sanitizers).
    return QTest::qWaitFor([&] { return controller.pendingRecognition() == 0; },
                           60000 * DOCCAM_TEST_SLOWDOWN);
}
} // namespace

void TestScanController::scanShowsOutlineAndTakesPage_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QPolygonF>("outline");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("notice");

    QTest::newRow("page on the desk")
        << pageOnDesk() << scantest::pageCorners(kCamera, kPage, 8, 0.04) << 1
        << QStringLiteral("Page 1 scanned.");
    QTest::newRow("empty desk: the whole picture")
        << scantest::desk(kCamera, scantest::Desk::Green)
        << QPolygonF({{0, 0}, {1279, 0}, {1279, 959}, {0, 959}}) << 1
        << QStringLiteral("No page found: page 1 is the whole picture.");
    QTest::newRow("no camera picture")
        << QImage() << QPolygonF() << 0 << QStringLiteral("There is no camera picture to scan.");
}

void TestScanController::scanShowsOutlineAndTakesPage()
{
    QFETCH(QImage, picture);
    QFETCH(QPolygonF, outline);
    QFETCH(int, pages);
    QFETCH(QString, notice);

    QTemporaryDir dir;
    Rig rig(dir.path(), picture);
    QSignalSpy changed(&rig.controller, &ScanController::documentChanged);
    rig.controller.scanPage();
    if (pages > 0) {
        // The outline shows first, the page comes a moment later.
        QCOMPARE(rig.outlines.size(), 1);
        QVERIFY(scantest::cornerError(rig.outlines[0], outline) < 2.0);
        QCOMPARE(rig.controller.document().count(), 0);
        QTRY_COMPARE(rig.controller.document().count(), pages);
        QTRY_COMPARE(rig.outlines.size(), 2); // and is cleared
        QVERIFY(rig.outlines[1].isEmpty());
    }
    QCOMPARE(rig.notices, QStringList{notice});
    QCOMPARE(rig.controller.document().count(), pages);
    QCOMPARE(changed.isEmpty(), pages == 0);
}

void TestScanController::pagesAreReadSavedAndSurviveARestart()
{
    QTemporaryDir dir;
    QTemporaryDir out;
    {
        // Ended while the page is being read: the worker stops and the page stays on disk.
        Rig rig(dir.path(), pageOnDesk());
        rig.controller.scanPage();
        QTRY_COMPARE(rig.controller.document().count(), 1);
        QCOMPARE(rig.controller.pendingRecognition(), 1);
    }
    Rig rig(dir.path(), pageOnDesk(-12));
    QCOMPARE(rig.controller.document().count(), 1);
    QCOMPARE(rig.controller.pendingRecognition(), 1); // read again after the restart
    rig.controller.scanPage();
    QTRY_COMPARE(rig.controller.document().count(), 2);

    // Saving waits for the text of every page.
    QSignalSpy saved(&rig.controller, &ScanController::pdfSaved);
    rig.controller.savePdf(out.path());
    QCOMPARE(rig.notices.last(),
             QStringLiteral("The PDF is saved when the text of every page has been read."));
    QVERIFY(saved.isEmpty());
    QVERIFY(saved.wait(60000 * DOCCAM_TEST_SLOWDOWN));
    const QString path = saved.first().first().toString();
    QVERIFY(QFileInfo(path).size() > 0);
    QCOMPARE(QFileInfo(path).dir().path(), out.path());
    QVERIFY(QFileInfo(path).fileName().endsWith(QStringLiteral(".pdf")));
    // A saved document is done with: a new one starts, and the kept pages are gone.
    QCOMPARE(rig.controller.document().count(), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

void TestScanController::missingLanguagePackStillSavesThePdf()
{
    QTemporaryDir emptyPacks;
    qputenv("TESSDATA_PREFIX", emptyPacks.path().toUtf8());
    QTemporaryDir dir;
    QTemporaryDir out;
    Rig rig(dir.path(), pageOnDesk());
    rig.controller.scanPage();
    QTRY_COMPARE(rig.controller.document().count(), 1);
    QVERIFY(waitForText(rig.controller));
    qunsetenv("TESSDATA_PREFIX");
    QVERIFY(rig.notices.last().contains(QStringLiteral("language pack \"eng\"")));

    rig.controller.copyText();
    QVERIFY(rig.notices.last().contains(QStringLiteral("language pack \"eng\"")));
    QSignalSpy saved(&rig.controller, &ScanController::pdfSaved);
    rig.controller.savePdf(out.path());
    QCOMPARE(saved.size(), 1);
}

void TestScanController::deletingAPageBeingReadSettlesTheQueue()
{
    QTemporaryDir dir;
    Rig rig(dir.path(), pageOnDesk());
    rig.controller.scanPage();
    QTRY_COMPARE(rig.controller.document().count(), 1);
    rig.controller.scanPage();
    QTRY_COMPARE(rig.controller.document().count(), 2);
    QSignalSpy progress(&rig.controller, &ScanController::recognitionProgress);
    rig.controller.removePage(0); // being read
    rig.controller.removePage(0); // queued
    QCOMPARE(rig.controller.document().count(), 0);
    QCOMPARE(rig.controller.pendingRecognition(), 0);
    QCOMPARE(progress.last().first().toInt(), 100);
    // Whatever the worker still reports is ignored: nothing comes back.
    rig.controller.scanPage();
    QTRY_COMPARE(rig.controller.document().count(), 1);
    QVERIFY(waitForText(rig.controller));
    QVERIFY(rig.controller.document().page(0).recognized);
    rig.controller.copyText();
    QVERIFY(scantest::wordsFound(fewWords(), QApplication::clipboard()->text()) > 0.9);
}

void TestScanController::autoCaptureTakesTheTurnedPage()
{
    QTemporaryDir dir;
    Rig rig(dir.path(), pageOnDesk(5));
    rig.controller.setAutoCapture(true);
    QVERIFY(rig.controller.autoCapture());
    QTest::qWait(1500);
    QCOMPARE(rig.controller.document().count(), 0); // the page already there is not new
    rig.frame = pageOnDesk(-15);                    // turned
    QTRY_COMPARE_WITH_TIMEOUT(rig.controller.document().count(), 1, 5000);
    QTest::qWait(1500);
    QCOMPARE(rig.controller.document().count(), 1); // held still: taken once
    rig.controller.setAutoCapture(false);
}

void TestScanController::stripFollowsTheDocument()
{
    QTemporaryDir dir;
    Rig rig(dir.path(), pageOnDesk());
    ScanStrip strip(&rig.controller);
    strip.resize(720, 180);
    QListWidget *pages = strip.pages();
    const auto button = [&](const QString &text) {
        for (QPushButton *b : strip.findChildren<QPushButton *>()) {
            if (b->text() == text) {
                return b;
            }
        }
        return static_cast<QPushButton *>(nullptr);
    };
    QVERIFY(!button(QStringLiteral("Save as PDF"))->isEnabled());

    for (QImage picture : {pageOnDesk(4), scantest::desk(kCamera, scantest::Desk::Grey)}) {
        rig.frame = picture;
        const int before = rig.controller.document().count();
        rig.controller.scanPage();
        QTRY_COMPARE(rig.controller.document().count(), before + 1);
    }
    QCOMPARE(pages->count(), 2);
    QCOMPARE(pages->currentRow(), 1);
    QVERIFY(button(QStringLiteral("Save as PDF"))->isEnabled());
    const QString second = rig.controller.document().page(1).id;

    QTest::mouseClick(button(QStringLiteral("Move left")), Qt::LeftButton);
    QCOMPARE(rig.controller.document().page(0).id, second);
    QCOMPARE(pages->currentRow(), 0);
    QVERIFY(!button(QStringLiteral("Move left"))->isEnabled());

    QSignalSpy save(&strip, &ScanStrip::savePdfRequested);
    QTest::mouseClick(button(QStringLiteral("Save as PDF")), Qt::LeftButton);
    QCOMPARE(save.size(), 1);

    if (const QString shot = qEnvironmentVariable("DOCCAM_SCAN_SCREENSHOT"); !shot.isEmpty()) {
        QVERIFY(waitForText(rig.controller));
        strip.grab().save(shot + QStringLiteral("-strip.png"));
        rig.controller.document().image(1).save(shot + QStringLiteral("-page.png"));
        ScanDocument copy(dir.path()); // the same pages, for a PDF to look at
        PdfExporter::save(copy, QFileInfo(shot).dir(), QFileInfo(shot).fileName());
    }

    QTest::mouseClick(button(QStringLiteral("Delete")), Qt::LeftButton);
    QCOMPARE(pages->count(), 1);
    QVERIFY(rig.controller.document().indexOf(second) < 0);

    QTest::mouseClick(button(QStringLiteral("Discard")), Qt::LeftButton);
    QCOMPARE(pages->count(), 0);
    QCOMPARE(rig.controller.document().count(), 0);
    QVERIFY(!button(QStringLiteral("Save as PDF"))->isEnabled());
}

QTEST_MAIN(TestScanController)
#include "tst_scan_controller.moc"
