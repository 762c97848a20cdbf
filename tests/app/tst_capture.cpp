#include "AppTestMain.h"
#include "Config.h"
#include "FakeLiveControl.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "MainWindow.h"
#include "OSDProcessor.h"
#include "ScanController.h"
#include "ScanStrip.h"
#include "WindowButton.h"

#include <gst/gst.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

// The capture commands: snapshots into the snapshot folder, recording through the live source,
// the folder error box, and printing the current picture.
class CaptureTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingFolderShowsTheErrorBoxAndChangesNothing();
    void singleSnapshotWritesOnePictureFromTheNextFrame();
    void continuousSnapshotsRunUntilTheNextClick();
    void snapshotsInOneSecondAreNumberedNeverReplaced();
    void unwritableSnapshotFolderShowsTheNoticeNotTheMark();
    void recordingKeepsBothButtonsInStep();
    void recordingThatEndsByItselfReleasesTheButtons();
    void recordingsNeverReplaceAFile();
    void formatAndTimeLapseReachTheRecording_data();
    void formatAndTimeLapseReachTheRecording();
    void closingTheWindowStopsARecording();
    void printPutsOnePicturePixelPerPrinterUnitOnOnePage();
    void printShrinksALargePictureOntoThePage();
    void cancelledPrintDialogPrintsNothing();
    void scannedPageShowsInTheStripAndSavesAsAPdf();

private:
    ImageButton *button(const char *name) const;
    QStringList pictures() const;
    void feedFrame();
    void closeErrorBox();

    std::shared_ptr<QStringList> m_live;
    std::shared_ptr<FakeRecording> m_recording;
    MainWindow *m_window = nullptr;
    QTemporaryDir m_folder;
};

void CaptureTest::init()
{
    m_live = std::make_shared<QStringList>();
    m_recording = std::make_shared<FakeRecording>();
    m_window = new MainWindow(FakeLiveControl::factory(m_live, m_recording));
    m_window->show();
    QDir(m_folder.path()).removeRecursively();
    QDir().mkpath(m_folder.path());
    Config::setSnapshotMode(0);
    Config::setSnapshotInterval(0);
    Config::setSnapshotPath(m_folder.path());
    Config::setRecordPath(m_folder.path());
}

void CaptureTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

ImageButton *CaptureTest::button(const char *name) const
{
    return windowButton(m_window, name);
}

QStringList CaptureTest::pictures() const
{
    return QDir(m_folder.path()).entryList({QStringLiteral("*.jpg")}, QDir::Files);
}

// One camera frame arriving at the live canvas.
void CaptureTest::feedFrame()
{
    QImage frame(160, 120, QImage::Format_RGB888);
    frame.fill(QColor(30, 120, 200));
    m_window->canvas(MainWindow::LiveMode)->setImage(frame);
}

void CaptureTest::closeErrorBox()
{
    QMessageBox *box = m_window->folderErrorBox();
    QVERIFY(box != nullptr);
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(m_window->folderErrorBox() == nullptr);
}

void CaptureTest::missingFolderShowsTheErrorBoxAndChangesNothing()
{
    ImageCanvas *canvas = m_window->canvas(MainWindow::LiveMode);
    for (const QString &missing : {QStringLiteral("/nonexistent/doccam"), QString()}) {
        Config::setSnapshotPath(missing);
        QTest::mouseClick(button("ICON_CAPTURE"), Qt::LeftButton);
        QMessageBox *box = m_window->folderErrorBox();
        QVERIFY(box != nullptr);
        QCOMPARE(box->windowTitle(), QStringLiteral("ERROR"));
        QCOMPARE(box->text(), QStringLiteral("Please select a folder first."));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!canvas->isSnapshotArmed());
        // Another click while it is shown does not stack a second box.
        QTest::mouseClick(button("ICON_CAPTURE"), Qt::LeftButton);
        QCOMPARE(m_window->findChildren<QMessageBox *>().size(), 1);
        closeErrorBox();
    }

    Config::setRecordPath(QStringLiteral("/nonexistent/doccam"));
    QTest::mouseClick(button("ICON_RECORDING"), Qt::LeftButton);
    QVERIFY(m_window->folderErrorBox() != nullptr);
    QVERIFY(!button("ICON_RECORDING")->isChecked());
    QVERIFY(!button("indicatorRecordButton")->isChecked());
    QVERIFY(!m_window->isRecording());
    QVERIFY(m_live->isEmpty());
    closeErrorBox();
}

void CaptureTest::singleSnapshotWritesOnePictureFromTheNextFrame()
{
    ImageButton *snapshot = button("ICON_CAPTURE");
    QTest::mouseClick(snapshot, Qt::LeftButton);
    QVERIFY(pictures().isEmpty());
    QVERIFY(!snapshot->isCheckable());
    feedFrame();
    const QStringList written = pictures();
    QCOMPARE(written.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.jpg$"))
                .match(written.first())
                .hasMatch());
    QCOMPARE(QImage(QDir(m_folder.path()).filePath(written.first())).size(), QSize(160, 120));

    // One picture per click: later frames write nothing more.
    QFile::remove(QDir(m_folder.path()).filePath(written.first()));
    feedFrame();
    QVERIFY(pictures().isEmpty());
    QVERIFY(!m_window->folderErrorBox());
}

void CaptureTest::continuousSnapshotsRunUntilTheNextClick()
{
    ImageCanvas *canvas = m_window->canvas(MainWindow::LiveMode);
    ImageButton *snapshot = button("ICON_CAPTURE");
    Config::setSnapshotMode(1);
    Config::setSnapshotInterval(5);

    QTest::mouseClick(snapshot, Qt::LeftButton);
    QVERIFY(snapshot->isCheckable());
    QVERIFY(snapshot->isChecked());
    QVERIFY(canvas->isSnapshotArmed());
    QVERIFY(canvas->isSnapshotContinuous());
    QCOMPARE(canvas->snapshotInterval(), quint64(5));
    QCOMPARE(canvas->snapshotStopAfter(), ImageCanvas::kNeverStop);
    QCOMPARE(canvas->snapshotFolder(), m_folder.path());

    // The series goes on in another mode, and its button shows again, pressed, in Live mode.
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    QVERIFY(canvas->isSnapshotArmed());
    QTest::mouseClick(button("liveButton"), Qt::LeftButton);
    QVERIFY(snapshot->isVisible() && snapshot->isChecked());

    QTest::mouseClick(snapshot, Qt::LeftButton);
    QVERIFY(!snapshot->isChecked());
    QVERIFY(!canvas->isSnapshotArmed());

    // With no interval every frame is a picture.
    Config::setSnapshotInterval(0);
    QTest::mouseClick(snapshot, Qt::LeftButton);
    QVERIFY(canvas->isSnapshotArmed());
    feedFrame();
    QCOMPARE(pictures().size(), 1);
    QVERIFY(canvas->isSnapshotArmed());

    // Back to single mode: one click ends the series and takes one picture.
    Config::setSnapshotMode(0);
    QTest::mouseClick(snapshot, Qt::LeftButton);
    QVERIFY(!snapshot->isCheckable());
    QVERIFY(!canvas->isSnapshotContinuous());
    QVERIFY(canvas->isSnapshotArmed());
    feedFrame();
    QVERIFY(!canvas->isSnapshotArmed());
}

void CaptureTest::snapshotsInOneSecondAreNumberedNeverReplaced()
{
    ImageCanvas *canvas = m_window->canvas(MainWindow::LiveMode);
    const QDateTime second(QDate(2026, 12, 7), QTime(14, 5, 9));
    canvas->setClock({[] { return qint64(0); }, [second] { return second; }});
    const QString stem = QStringLiteral("2026-12-07_14-05-09");

    // A file that was there before keeps its contents.
    QFile earlier(m_folder.filePath(stem + QStringLiteral(".jpg")));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();

    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(button("ICON_CAPTURE"), Qt::LeftButton);
        feedFrame();
    }
    QStringList expected{stem + QStringLiteral(".jpg"), stem + QStringLiteral("_2.jpg"),
                         stem + QStringLiteral("_3.jpg"), stem + QStringLiteral("_4.jpg")};
    QCOMPARE(pictures(), expected);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    for (const QString &name : expected.mid(1)) {
        QCOMPARE(QImage(m_folder.filePath(name)).size(), QSize(160, 120));
    }
    OSDProcessor *osd = m_window->osdProcessor(canvas);
    QVERIFY(osd->isSnapshotMarkShowing());
    QVERIFY(osd->noticeText().isEmpty());
}

void CaptureTest::unwritableSnapshotFolderShowsTheNoticeNotTheMark()
{
    // A folder that exists but takes no files, not even from root.
    const QString unwritable = QStringLiteral("/proc/sys");
    QVERIFY2(QDir(unwritable).exists(), "the test needs /proc/sys");
    Config::setSnapshotPath(unwritable);
    ImageCanvas *canvas = m_window->canvas(MainWindow::LiveMode);
    OSDProcessor *osd = m_window->osdProcessor(canvas);

    QTest::mouseClick(button("ICON_CAPTURE"), Qt::LeftButton);
    QVERIFY(!m_window->folderErrorBox());
    feedFrame();
    QVERIFY(!osd->isSnapshotMarkShowing());
    QCOMPARE(osd->noticeText(), ImageCanvas::tr("Snapshot not saved"));
    QVERIFY(!canvas->isSnapshotArmed());

    // A writable folder again: the mark, no new notice needed.
    Config::setSnapshotPath(m_folder.path());
    QTest::mouseClick(button("ICON_CAPTURE"), Qt::LeftButton);
    feedFrame();
    QCOMPARE(pictures().size(), 1);
    QVERIFY(osd->isSnapshotMarkShowing());
}

void CaptureTest::formatAndTimeLapseReachTheRecording_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("timeLapse");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("notice");
    QTest::newRow("AVI") << "avi" << 0 << ".avi"
                         << ""
                         << "";
    QTest::newRow("WebM") << "webm" << 0 << ".webm"
                          << ""
                          << "";
    // 30 frames taken play for 1.2 s.
    QTest::newRow("MP4 time-lapse") << "mp4" << 5 << ".mp4"
                                    << "Time-lapse: frames 30, film 00:00:01.2"
                                    << "";
    // Last: the encoders leave this process's registry for good.
    QTest::newRow("MP4 without its encoders") << "mp4" << 0 << ".avi"
                                              << ""
                                              << "MP4 recording is not installed: recording AVI";
}

void CaptureTest::formatAndTimeLapseReachTheRecording()
{
    QFETCH(QString, format);
    QFETCH(int, timeLapse);
    QFETCH(QString, suffix);
    QFETCH(QString, caption);
    QFETCH(QString, notice);
    if (!notice.isEmpty()) {
        for (const char *name : {"x264enc", "openh264enc"}) {
            if (GstPluginFeature *feature = gst_registry_lookup_feature(gst_registry_get(), name)) {
                gst_registry_remove_feature(gst_registry_get(), feature);
                gst_object_unref(feature);
            }
        }
    }
    Config::setRecordFormat(format);
    Config::setTimeLapseInterval(timeLapse);
    m_recording->frames = 30;
    QTest::mouseClick(button("ICON_RECORDING"), Qt::LeftButton);
    QVERIFY(m_window->isRecording());
    QVERIFY2(m_live->first().endsWith(suffix), qPrintable(m_live->first()));
    QCOMPARE(m_recording->timeLapse, timeLapse);
    OSDProcessor *osd = m_window->osdProcessor(m_window->canvas(MainWindow::LiveMode));
    QCOMPARE(osd->recordingCaptionText(), caption);
    QCOMPARE(osd->noticeText(), notice);
    QTest::mouseClick(button("ICON_RECORDING"), Qt::LeftButton);
    QVERIFY(osd->recordingCaptionText().isEmpty());
    Config::setRecordFormat(QStringLiteral("avi"));
    Config::setTimeLapseInterval(0);
}

void CaptureTest::recordingKeepsBothButtonsInStep()
{
    ImageButton *panelRecord = button("ICON_RECORDING");
    ImageButton *indicatorRecord = button("indicatorRecordButton");

    QTest::mouseClick(panelRecord, Qt::LeftButton);
    QVERIFY(m_window->isRecording());
    QVERIFY(panelRecord->isChecked() && indicatorRecord->isChecked());
    QCOMPARE(m_live->size(), 1);
    const QString start = m_live->first();
    const QRegularExpression expected(
        QStringLiteral("^startRecord ") + QRegularExpression::escape(m_folder.path()) +
        QStringLiteral("/\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.avi$"));
    QVERIFY2(expected.match(start).hasMatch(), qPrintable(start));
    OSDProcessor *osd = m_window->osdProcessor(m_window->canvas(MainWindow::LiveMode));
    QVERIFY(osd->isRecordingClockRunning());

    // Either button stops it.
    QTest::mouseClick(indicatorRecord, Qt::LeftButton);
    QVERIFY(!m_window->isRecording());
    QVERIFY(!panelRecord->isChecked() && !indicatorRecord->isChecked());
    QCOMPARE(m_live->last(), QStringLiteral("stopRecord"));
    QVERIFY(!osd->isRecordingClockRunning());

    QTest::mouseClick(indicatorRecord, Qt::LeftButton);
    QVERIFY(m_window->isRecording() && panelRecord->isChecked());
    QTest::mouseClick(panelRecord, Qt::LeftButton);
    QVERIFY(!m_window->isRecording() && !indicatorRecord->isChecked());
    QCOMPARE(m_live->size(), 4);
}

// The live source reports a recording that stopped without the stop command (its graph failed
// to start or errored, the camera went); the window must stop claiming that it records.
void CaptureTest::recordingThatEndsByItselfReleasesTheButtons()
{
    ImageButton *panelRecord = button("ICON_RECORDING");
    ImageButton *indicatorRecord = button("indicatorRecordButton");
    OSDProcessor *liveOsd = m_window->osdProcessor(m_window->canvas(MainWindow::LiveMode));
    QVERIFY(m_recording->ended);

    // A folder that exists but takes no files: nothing starts, and the display says so.
    if (QDir(QStringLiteral("/proc/sys")).exists()) {
        Config::setRecordPath(QStringLiteral("/proc/sys"));
        QTest::mouseClick(panelRecord, Qt::LeftButton);
        QVERIFY(!m_window->isRecording());
        QVERIFY(!panelRecord->isChecked() && !indicatorRecord->isChecked());
        QVERIFY(m_live->isEmpty());
        QVERIFY(!m_window->folderErrorBox());
        QCOMPARE(liveOsd->noticeText(), MainWindow::tr("Recording failed"));
        Config::setRecordPath(m_folder.path());
    }

    // Fails while it starts (a folder that takes no files).
    m_recording->failNextStart = true;
    QTest::mouseClick(indicatorRecord, Qt::LeftButton);
    QVERIFY(!m_window->isRecording());
    QVERIFY(!panelRecord->isChecked() && !indicatorRecord->isChecked());
    QVERIFY(!liveOsd->isRecordingClockRunning());
    QCOMPARE(liveOsd->noticeText(), MainWindow::tr("Recording failed"));

    // Ends while another mode is shown (the camera was unplugged): the notice shows there.
    QTest::mouseClick(panelRecord, Qt::LeftButton);
    QVERIFY(m_window->isRecording() && liveOsd->isRecordingClockRunning());
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    m_recording->ended(false);
    QVERIFY(!m_window->isRecording());
    QVERIFY(!panelRecord->isChecked() && !indicatorRecord->isChecked());
    QVERIFY(!liveOsd->isRecordingClockRunning());
    OSDProcessor *filmOsd = m_window->osdProcessor(m_window->canvas(MainWindow::FilmMode));
    QCOMPARE(filmOsd->noticeText(), MainWindow::tr("Recording ended"));
    QTest::mouseClick(button("liveButton"), Qt::LeftButton);

    // The next click starts a new recording rather than stopping the ended one.
    const qsizetype commands = m_live->size();
    QTest::mouseClick(panelRecord, Qt::LeftButton);
    QVERIFY(m_window->isRecording() && panelRecord->isChecked() && indicatorRecord->isChecked());
    QVERIFY(m_live->at(commands).startsWith(QStringLiteral("startRecord ")));

    // A late report after the stop command changes nothing.
    QTest::mouseClick(panelRecord, Qt::LeftButton);
    m_recording->ended(true);
    QVERIFY(!m_window->isRecording() && !panelRecord->isChecked());
}

void CaptureTest::recordingsNeverReplaceAFile()
{
    // Earlier files for every second the click may fall into.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList taken;
    for (int s = -1; s <= 3; ++s) {
        const QString name =
            now.addSecs(s).toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss")) + QStringLiteral(".avi");
        QFile file(m_folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier");
        taken << m_folder.filePath(name);
    }
    QTest::mouseClick(button("ICON_RECORDING"), Qt::LeftButton);
    QVERIFY(m_window->isRecording());
    const QString path = m_live->last().mid(QStringLiteral("startRecord ").size());
    QVERIFY2(taken.contains(path.left(path.size() - 6) + QStringLiteral(".avi")), qPrintable(path));
    QVERIFY2(path.endsWith(QStringLiteral("_2.avi")), qPrintable(path));
    for (const QString &earlier : taken) {
        QFile file(earlier);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("earlier"));
    }
}

void CaptureTest::closingTheWindowStopsARecording()
{
    QTest::mouseClick(button("ICON_RECORDING"), Qt::LeftButton);
    QVERIFY(m_window->isRecording());
    delete m_window;
    m_window = nullptr;
    QCOMPARE(m_live->size(), 2);
    QCOMPARE(m_live->last(), QStringLiteral("stopRecord"));
}

// The drawing operators of a PDF file: its compressed streams, inflated, one after another.
static QByteArray pageContents(const QByteArray &pdf)
{
    QByteArray contents;
    qsizetype at = 0;
    while ((at = pdf.indexOf("stream\n", at)) >= 0) {
        const qsizetype begin = at + 7;
        const qsizetype end = pdf.indexOf("endstream", begin);
        if (end < 0) {
            break;
        }
        // qUncompress wants the zlib data behind a big-endian size hint.
        const QByteArray inflated =
            qUncompress(QByteArray("\x00\x01\x00\x00", 4) + pdf.mid(begin, end - begin));
        contents += inflated;
        at = end + 9;
    }
    return contents;
}

void CaptureTest::printPutsOnePicturePixelPerPrinterUnitOnOnePage()
{
    const QString pdf = m_folder.filePath(QStringLiteral("page.pdf"));
    int resolution = 0;
    m_window->setPrintDialogRunner([&](QPrinter &printer, QWidget *parent) {
        resolution = printer.resolution();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPdfVersion(QPagedPaintDevice::PdfVersion_1_4);
        return parent == m_window;
    });
    // Printing works in every mode, on the current picture.
    QTest::mouseClick(button("photographButton"), Qt::LeftButton);
    QImage picture(300, 150, QImage::Format_RGB888);
    picture.fill(Qt::red);
    m_window->currentCanvas()->setImage(picture);

    QTest::mouseClick(button("ICON_PRINT"), Qt::LeftButton);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray page = file.readAll();
    QVERIFY(page.startsWith("%PDF"));
    QCOMPARE(page.count("/Type /Page\n") + page.count("/Type /Page\r") +
                 page.count("/Type /Page/") + page.count("/Type /Page "),
             1);
    QVERIFY(page.contains("/Width 300"));
    QVERIFY(page.contains("/Height 150"));

    // The page's base transformation maps printer units to points (72 / resolution of the
    // screen-resolution printer); on it the picture is drawn 300 x 150 units from the origin,
    // not scaled to the page.
    QVERIFY(resolution > 0);
    const QByteArray contents = pageContents(page);
    const QRegularExpressionMatch base =
        QRegularExpression(QStringLiteral("([0-9.]+) 0 0 -([0-9.]+) [0-9.]+ [0-9.]+ cm"))
            .match(QString::fromLatin1(contents));
    QVERIFY2(base.hasMatch(), contents.constData());
    QCOMPARE(qRound(base.captured(1).toDouble() * resolution), 72);
    QVERIFY2(contents.contains("\n300 0 0 -150 0 150 cm /Im"), contents.constData());
}

// A picture larger than the page (1024 x 768 on a portrait page at screen resolution) is
// printed whole: the page, rendered back from the PDF, holds the picture's frame on all four
// sides with the picture's proportions.
void CaptureTest::printShrinksALargePictureOntoThePage()
{
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    QVERIFY2(!pdftoppm.isEmpty(), "pdftoppm (poppler-utils) is not installed");
    const QString pdf = m_folder.filePath(QStringLiteral("large.pdf"));
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    m_window->setPrintDialogRunner([&](QPrinter &printer, QWidget *) {
        orientation = printer.pageLayout().orientation();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        // The presenter turns the page back to portrait: the picture must still fit.
        printer.setPageOrientation(QPageLayout::Portrait);
        return true;
    });
    // Red inside a 16-pixel blue frame.
    QImage picture(1024, 768, QImage::Format_RGB888);
    picture.fill(Qt::blue);
    QPainter(&picture).fillRect(picture.rect().adjusted(16, 16, -16, -16), Qt::red);
    m_window->canvas(MainWindow::LiveMode)->setImage(picture);
    QTest::mouseClick(button("ICON_PRINT"), Qt::LeftButton);
    // A wide picture is offered on a landscape page, where it shrinks least.
    QCOMPARE(orientation, QPageLayout::Landscape);

    const QString prefix = m_folder.filePath(QStringLiteral("page"));
    QCOMPARE(QProcess::execute(pdftoppm,
                               {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"),
                                QStringLiteral("-singlefile"), pdf, prefix}),
             0);
    const QImage page(prefix + QStringLiteral(".png"));
    QVERIFY(!page.isNull());
    QVERIFY(page.height() > page.width()); // portrait, as chosen in the dialog

    // The bounding box of what was printed, and the colour just inside each of its edges.
    QRect printed;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (page.pixelColor(x, y).lightness() < 240) {
                printed |= QRect(x, y, 1, 1);
            }
        }
    }
    QVERIFY(!printed.isEmpty());
    QVERIFY(qAbs(double(printed.width()) / printed.height() - 4.0 / 3.0) < 0.03);
    const QPoint centre = printed.center();
    const auto isBlue = [&](int x, int y) {
        const QColor c = page.pixelColor(x, y);
        return c.blue() > 150 && c.red() < 100;
    };
    QVERIFY(isBlue(printed.left() + 1, centre.y()));
    QVERIFY(isBlue(printed.right() - 1, centre.y()));
    QVERIFY(isBlue(centre.x(), printed.top() + 1));
    QVERIFY(isBlue(centre.x(), printed.bottom() - 1));
    QVERIFY(page.pixelColor(centre).red() > 150);
}

void CaptureTest::cancelledPrintDialogPrintsNothing()
{
    const QString pdf = m_folder.filePath(QStringLiteral("none.pdf"));
    m_window->setPrintDialogRunner([&](QPrinter &printer, QWidget *) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return false;
    });
    QTest::mouseClick(button("ICON_PRINT"), Qt::LeftButton);
    QVERIFY(!QFile::exists(pdf));
}

void CaptureTest::scannedPageShowsInTheStripAndSavesAsAPdf()
{
    // A white sheet on a dark desk, the sheet a third of the picture.
    QImage desk(960, 720, QImage::Format_RGB888);
    desk.fill(QColor(60, 45, 35));
    {
        QPainter painter(&desk);
        painter.fillRect(QRect(330, 160, 300, 400), Qt::white);
    }
    m_window->canvas(MainWindow::LiveMode)->setImage(desk);
    ScanStrip *strip = m_window->findChild<ScanStrip *>(QStringLiteral("scanStrip"));
    QVERIFY(strip != nullptr);
    QVERIFY(!strip->isVisible());

    QTest::mouseClick(button("ICON_SCAN"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(strip->pages()->count(), 1, 10000);
    QVERIFY(strip->isVisible());
    // Over the foot of the picture, inside the window.
    QVERIFY(m_window->rect().contains(strip->geometry()));
    const QImage page = m_window->findChild<ScanController *>()->document().image(0);
    QVERIFY(qAbs(page.width() * 4 - page.height() * 3) <= page.height() / 10);

    // Another mode hides the strip; Live shows it again.
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    QVERIFY(!strip->isVisible());
    QTest::mouseClick(button("liveButton"), Qt::LeftButton);
    QVERIFY(strip->isVisible());

    QPushButton *save = nullptr;
    for (QPushButton *candidate : strip->findChildren<QPushButton *>()) {
        if (candidate->text() == QStringLiteral("Save as PDF")) {
            save = candidate;
        }
    }
    QVERIFY(save != nullptr);
    save->click();
    QTRY_COMPARE_WITH_TIMEOUT(
        QDir(m_folder.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 1, 30000);
    // The saved document is done with: a new one starts and the strip goes.
    QTRY_VERIFY(!strip->isVisible());
}

DOCCAM_APP_TEST_MAIN(CaptureTest)
#include "tst_capture.moc"
