// The document being scanned on disk: order, text and survival across runs; and when the
// next page of a book is taken by itself.
#include "AutoCapture.h"
#include "ScanDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestScanDocument : public QObject {
    Q_OBJECT

private slots:
    void editsSurviveANewDocumentOnTheSameFolder();
    void damagedStorageLosesOnlyWhatIsDamaged_data();
    void damagedStorageLosesOnlyWhatIsDamaged();
    void discardLeavesAnEmptyFolder();
    void autoCapture_data();
    void autoCapture();
};

namespace {
QImage pageImage(int shade)
{
    QImage image(200, 283, QImage::Format_Grayscale8);
    image.fill(shade);
    return image;
}

// The shade of each page of document, read back from its file (pages are told apart by it).
QList<int> shades(const ScanDocument &document)
{
    QList<int> result;
    for (int i = 0; i < document.count(); ++i) {
        result.append(qGray(document.image(i).pixel(10, 10)));
    }
    return result;
}
} // namespace

void TestScanDocument::editsSurviveANewDocumentOnTheSameFolder()
{
    QTemporaryDir dir;
    QStringList ids;
    {
        ScanDocument document(dir.filePath(QStringLiteral("scan")));
        for (int shade : {10, 20, 30, 40}) {
            const int index = document.add(pageImage(shade), QSizeF(210, 297));
            QCOMPARE(index, document.count() - 1);
            ids.append(document.page(document.count() - 1).id);
        }
        QVERIFY(document.move(0, 2));  // 20 30 10 40
        QVERIFY(document.remove(3));   // 20 30 10
        QVERIFY(!document.remove(3));  // out of range
        QVERIFY(!document.move(0, 5)); // out of range
        QVERIFY(document.setText(ids[2], {{{QStringLiteral("Grüße"), QRectF(1, 2, 30, 8)}},
                                          QStringLiteral("Grüße aus Köln")}));
        QVERIFY(!document.setText(ids[3], {})); // deleted
        QCOMPARE(shades(document), QList<int>({20, 30, 10}));
    }
    ScanDocument reopened(dir.filePath(QStringLiteral("scan")));
    QCOMPARE(shades(reopened), QList<int>({20, 30, 10}));
    QCOMPARE(reopened.page(0).id, ids[1]);
    QCOMPARE(reopened.thumbnail(2).height(), ScanDocument::kThumbnailHeight);
    const ScanPage &page = reopened.page(1);
    QCOMPARE(page.id, ids[2]);
    QVERIFY(page.recognized);
    QCOMPARE(page.text.text, QStringLiteral("Grüße aus Köln"));
    QCOMPARE(page.text.words.size(), 1);
    QCOMPARE(page.text.words[0].box, QRectF(1, 2, 30, 8));
    QVERIFY(!reopened.page(0).recognized);
    QCOMPARE(reopened.page(0).sizeMm, QSizeF(210, 297));
    // The deleted page's file went with it.
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("scan/%1.png").arg(ids[3]))));
}

void TestScanDocument::damagedStorageLosesOnlyWhatIsDamaged_data()
{
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<bool>("removeFirstFile");
    QTest::addColumn<int>("pages");

    QTest::newRow("intact") << QByteArray() << false << 2;
    QTest::newRow("a page file gone") << QByteArray() << true << 1;
    QTest::newRow("index cut short") << QByteArray("{\"pages\": [{\"id\": ") << false << 0;
    QTest::newRow("index not JSON") << QByteArray("\x89PNG garbage") << false << 0;
    QTest::newRow("sizes missing: pages kept as A4") << QByteArray("SIZELESS") << false << 2;
    QTest::newRow("id leading out of the folder")
        << QByteArray("{\"pages\": [{\"id\": \"../../etc/passwd\", \"widthMm\": 210}]}") << false
        << 0;
}

void TestScanDocument::damagedStorageLosesOnlyWhatIsDamaged()
{
    QFETCH(QByteArray, index);
    QFETCH(bool, removeFirstFile);
    QFETCH(int, pages);

    QTemporaryDir dir;
    QString firstId;
    {
        ScanDocument document(dir.path());
        document.add(pageImage(50), QSizeF(210, 297));
        document.add(pageImage(90), QSizeF(210, 297));
        firstId = document.page(0).id;
    }
    if (index == "SIZELESS") {
        QFile file(dir.filePath(ScanDocument::kIndexName));
        QVERIFY(file.open(QIODevice::ReadOnly));
        index = file.readAll().replace("\"widthMm\": 210", "\"widthMm\": 0");
        QVERIFY(index.contains("\"widthMm\": 0"));
    }
    if (!index.isEmpty()) {
        QFile file(dir.filePath(ScanDocument::kIndexName));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(index);
    }
    if (removeFirstFile) {
        QVERIFY(QFile::remove(dir.filePath(firstId + QStringLiteral(".png"))));
    }
    ScanDocument reopened(dir.path());
    QCOMPARE(reopened.count(), pages);
    for (int i = 0; i < reopened.count(); ++i) {
        QCOMPARE(reopened.page(i).sizeMm, QSizeF(210, 297));
    }
    // A damaged document still takes new pages.
    QCOMPARE(reopened.add(pageImage(70), QSizeF(210, 297)), pages);
}

void TestScanDocument::discardLeavesAnEmptyFolder()
{
    QTemporaryDir dir;
    ScanDocument document(dir.path());
    document.add(pageImage(50), QSizeF(210, 297));
    document.add(pageImage(60), QSizeF(210, 297));
    QCOMPARE(document.add(QImage(), QSizeF(210, 297)), -1);
    QCOMPARE(document.count(), 2);
    document.discard();
    QCOMPARE(document.count(), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(ScanDocument(dir.path()).count(), 0);
}

namespace {
// A camera picture of the book: page n has its own pattern; kMoving stands for a hand turning
// the page (a different picture every frame).
constexpr int kMoving = -1;

QImage bookPicture(int page, int frame)
{
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(QColor(200, 200, 190));
    const int seed = page == kMoving ? 1000 + frame : page;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (((x / (8 + seed % 7)) + (y / (6 + seed % 5)) + seed) % 3 == 0) {
                image.setPixel(x, y, qRgb(30, 30, 40));
            }
        }
    }
    return image;
}

struct Segment {
    int page;
    int ms;
};
} // namespace

void TestScanDocument::autoCapture_data()
{
    QTest::addColumn<QList<Segment>>("segments");
    // Times (ms from the start) of the pages taken; frames come every 100 ms.
    QTest::addColumn<QList<qint64>>("taken");

    QTest::newRow("the same page held") << QList<Segment>{{1, 3000}} << QList<qint64>{};
    QTest::newRow("turned and held")
        << QList<Segment>{{1, 1000}, {kMoving, 500}, {2, 2000}} << QList<qint64>{2500};
    QTest::newRow("held too briefly, then turned again")
        << QList<Segment>{{1, 1000}, {kMoving, 500}, {2, 800}, {kMoving, 500}, {3, 1500}}
        << QList<qint64>{3800};
    QTest::newRow("turned back to the same page")
        << QList<Segment>{{1, 1000}, {kMoving, 600}, {1, 2000}} << QList<qint64>{};
    QTest::newRow("two pages turned")
        << QList<Segment>{{1, 500}, {kMoving, 400}, {2, 1500}, {kMoving, 400}, {3, 1500}}
        << QList<qint64>{1900, 3800};
    QTest::newRow("hand never still")
        << QList<Segment>{{1, 500}, {kMoving, 3000}} << QList<qint64>{};
}

void TestScanDocument::autoCapture()
{
    QFETCH(QList<Segment>, segments);
    QFETCH(QList<qint64>, taken);

    AutoCapture capture;
    QList<qint64> times;
    qint64 now = 0;
    int frame = 0;
    for (const Segment &segment : segments) {
        for (int t = 0; t < segment.ms; t += 100, now += 100, ++frame) {
            if (capture.feed(bookPicture(segment.page, frame), now)) {
                times.append(now);
            }
        }
    }
    QCOMPARE(times, taken);
}

QTEST_MAIN(TestScanDocument)
#include "tst_scan_document.moc"
