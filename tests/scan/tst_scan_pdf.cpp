// Text recognition and the searchable PDF, end to end: real recognition engine, real PDF read
// back with the system's PDF tools.
#include "PdfExporter.h"
#include "ScanDocument.h"
#include "ScanTestSupport.h"
#include "TextRecognizer.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

class TestScanPdf : public QObject {
    Q_OBJECT

private slots:
    void printedPagesBecomeASearchablePdf();
    void blankPageHasNoText();
    void missingLanguagePackIsReportedNotFatal();
    void fullDiskLeavesNoFileAndKeepsTheDocument();
    void existingFileIsNeverReplaced();
};

namespace {
// A page printed at 150 dots per inch with 12-point text.
constexpr int kPrintDpi = 150;
constexpr int kTextPixels = 25;

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QSize pixelsAt(QSizeF mm, int dpi)
{
    return QSize(qRound(mm.width() / 25.4 * dpi), qRound(mm.height() / 25.4 * dpi));
}

// A page of noise that no compression can shrink (a PDF far larger than a tiny disk).
QImage noisePage()
{
    QImage image(pixelsAt(QSizeF(210, 297), kPrintDpi), QImage::Format_Grayscale8);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            row[x] = static_cast<uchar>(random.bounded(256));
        }
    }
    return image;
}

// A tmpfs of a few kilobytes mounted on a folder, unmounted however the test ends.
// A full disk, as the writer sees it: while it lives, no file of this process grows past a
// small size, and a write beyond it fails (EFBIG) instead of raising SIGXFSZ. Needs no root.
class FullDisk {
public:
    static constexpr rlim_t kLimit = 64 * 1024;

    FullDisk() : m_signal(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit small = m_previous;
        small.rlim_cur = kLimit;
        m_limited = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_signal);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;
    bool limited() const { return m_limited; }

private:
    using Handler = void (*)(int);
    Handler m_signal;
    rlimit m_previous{};
    bool m_limited = false;
};
} // namespace

void TestScanPdf::printedPagesBecomeASearchablePdf()
{
    const QStringList words = scantest::sampleWords();
    const QList<QSizeF> papers{QSizeF(210, 297), QSizeF(215.9, 279.4)};
    QTemporaryDir storage;
    ScanDocument document(storage.path());
    TextRecognizer recognizer(QStringLiteral("eng"));
    QVERIFY(recognizer.isAvailable());
    for (const QSizeF &paper : papers) {
        const QImage page = scantest::printedPage(pixelsAt(paper, kPrintDpi), words, kTextPixels);
        QList<int> progress;
        const RecognizedText text = recognizer.recognize(page, kPrintDpi, [&](int percent) {
            progress.append(percent);
            return true;
        });
        QVERIFY2(scantest::wordsFound(words, text.text) >= 0.95, qPrintable(text.text));
        QCOMPARE(text.words.size(), words.size());
        QVERIFY(!progress.isEmpty() && progress.last() == 100);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
        // Boxes are in the page's pixels: the first word starts at the margin.
        QVERIFY(std::abs(text.words.first().box.left() - page.width() / 10) < 4);
        const int index = document.add(page, paper);
        QVERIFY(document.setText(document.page(index).id, text));
    }

    QTemporaryDir out;
    const QString path = PdfExporter::save(document, QDir(out.path()), QStringLiteral("scan"));
    QCOMPARE(path, out.filePath(QStringLiteral("scan.pdf")));

    const QString info =
        run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                        QStringLiteral("-l"), QStringLiteral("9"), path});
    QVERIFY(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
    QVERIFY2(info.contains(QRegularExpression(
                 QStringLiteral("Page\\s+1 size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts"))),
             qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page\\s+2 size:\\s+612 x 792 pts"))),
             qPrintable(info));

    for (int page = 1; page <= 2; ++page) {
        const QString text = run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                  QString::number(page), path, QStringLiteral("-")});
        QVERIFY2(scantest::wordsFound(words, text) >= 0.95, qPrintable(text));
    }
    // The words stand where they are printed: the first one at the margin, a tenth of the
    // page's width (21 mm = 59.5 points) from its left edge.
    const QString boxes =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
             QStringLiteral("-l"), QStringLiteral("1"), path, QStringLiteral("-")});
    const QRegularExpressionMatch first =
        QRegularExpression(QStringLiteral("<word xMin=\"([\\d.]+)\"[^>]*>The<")).match(boxes);
    QVERIFY2(first.hasMatch(), qPrintable(boxes.left(2000)));
    QVERIFY(std::abs(first.captured(1).toDouble() - 59.5) < 3.0);
    // The pictures are stored JPEG-compressed, at no more than 300 dots per inch.
    const QString images = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
    QCOMPARE(images.count(QStringLiteral(" jpeg ")), 2);
}

void TestScanPdf::blankPageHasNoText()
{
    QImage blank(pixelsAt(QSizeF(210, 297), kPrintDpi), QImage::Format_Grayscale8);
    blank.fill(250);
    TextRecognizer recognizer(QStringLiteral("eng"));
    const RecognizedText text = recognizer.recognize(blank, kPrintDpi);
    QVERIFY(recognizer.isAvailable());
    QCOMPARE(text.text, QString());
    QVERIFY(text.words.isEmpty());
}

void TestScanPdf::missingLanguagePackIsReportedNotFatal()
{
    QTemporaryDir emptyPacks;
    const QByteArray saved = qgetenv("TESSDATA_PREFIX");
    qputenv("TESSDATA_PREFIX", emptyPacks.path().toUtf8());
    TextRecognizer recognizer(QStringLiteral("deu"));
    const bool available = recognizer.isAvailable();
    const RecognizedText text = recognizer.recognize(
        scantest::printedPage(QSize(600, 800), scantest::sampleWords(), 20), kPrintDpi);
    if (saved.isNull()) {
        qunsetenv("TESSDATA_PREFIX");
    } else {
        qputenv("TESSDATA_PREFIX", saved);
    }
    QVERIFY(!available);
    QVERIFY(text.text.isEmpty());
    QVERIFY(text.words.isEmpty());
}

void TestScanPdf::fullDiskLeavesNoFileAndKeepsTheDocument()
{
    QTemporaryDir storage;
    ScanDocument document(storage.path());
    document.add(noisePage(), QSizeF(210, 297));
    document.add(noisePage(), QSizeF(210, 297));

    QTemporaryDir out;
    const FullDisk disk;
    QVERIFY(disk.limited());
    QCOMPARE(PdfExporter::save(document, QDir(out.path()), QStringLiteral("scan")), QString());
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());

    QCOMPARE(document.count(), 2);
    QVERIFY(!document.image(1).isNull());

    // A page that does not fit is not taken, and what was kept before stays readable.
    ScanDocument small(out.filePath(QStringLiteral("kept")));
    QCOMPARE(small.add(QImage(20, 20, QImage::Format_Grayscale8), QSizeF(210, 297)), 0);
    QCOMPARE(small.add(noisePage(), QSizeF(210, 297)), -1);
    QCOMPARE(small.count(), 1);
    QCOMPARE(ScanDocument(out.filePath(QStringLiteral("kept"))).count(), 1);
    QCOMPARE(QDir(out.filePath(QStringLiteral("kept"))).count(), 2u + 2u); // ., .., index, page
}

void TestScanPdf::existingFileIsNeverReplaced()
{
    QTemporaryDir storage;
    ScanDocument document(storage.path());
    document.add(scantest::printedPage(QSize(420, 594), {}, 10), QSizeF(210, 297));
    QTemporaryDir out;
    QFile existing(out.filePath(QStringLiteral("scan.pdf")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("kept");
    existing.close();

    QCOMPARE(PdfExporter::save(document, QDir(out.path()), QStringLiteral("scan")),
             out.filePath(QStringLiteral("scan_2.pdf")));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("kept"));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("scan.pdf"), QStringLiteral("scan_2.pdf")}));
}

QTEST_MAIN(TestScanPdf)
#include "tst_scan_pdf.moc"
