// Finding a page in a camera picture, straightening it and cleaning it.
#include "PageDetector.h"
#include "PageWarp.h"
#include "ScanTestSupport.h"

#include <QPainter>
#include <QSet>
#include <QTest>

using scantest::Desk;

Q_DECLARE_METATYPE(scantest::Desk)

class TestScanPages : public QObject {
    Q_OBJECT

private slots:
    void findsPageOnDesk_data();
    void findsPageOnDesk();
    void findsNoPage_data();
    void findsNoPage();
    void largePictureIsSearchedSmallAndStraightenedWithinLimits();
    void paperSize_data();
    void paperSize();
    void documentCleaningKeepsPicturesAndEvensLight();
};

namespace {
const QSize kCamera(1280, 960);
const QSize kA4Page(420, 594);
const QSize kLetterPage(432, 559);
} // namespace

void TestScanPages::findsPageOnDesk_data()
{
    QTest::addColumn<QSize>("pageSize");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("perspective");
    QTest::addColumn<Desk>("desk");
    QTest::addColumn<QSizeF>("paperMm");

    QTest::newRow("A4, 5 degrees, wood") << kA4Page << 5.0 << 0.0 << Desk::Wood << QSizeF(210, 297);
    QTest::newRow("A4, 15 degrees, perspective, green")
        << kA4Page << 15.0 << 0.06 << Desk::Green << QSizeF(210, 297);
    QTest::newRow("A4, -25 degrees, perspective, grey")
        << kA4Page << -25.0 << 0.10 << Desk::Grey << QSizeF(210, 297);
    QTest::newRow("Letter, 10 degrees, wood")
        << kLetterPage << 10.0 << 0.04 << Desk::Wood << QSizeF(215.9, 279.4);
    QTest::newRow("A4 landscape, -8 degrees, green")
        << kA4Page.transposed() << -8.0 << 0.05 << Desk::Green << QSizeF(297, 210);
}

void TestScanPages::findsPageOnDesk()
{
    QFETCH(QSize, pageSize);
    QFETCH(double, degrees);
    QFETCH(double, perspective);
    QFETCH(Desk, desk);
    QFETCH(QSizeF, paperMm);

    const QImage page =
        scantest::printedPage(pageSize, scantest::sampleWords(), pageSize.width() / 30);
    const QPolygonF corners = scantest::pageCorners(kCamera, pageSize, degrees, perspective);
    const QImage picture = scantest::onDesk(scantest::desk(kCamera, desk), page, corners);

    const PageDetector::Result found = PageDetector::detect(picture);
    QVERIFY(found.found);
    QVERIFY2(scantest::cornerError(found.corners, corners) < 2.0,
             qPrintable(QStringLiteral("corner error %1 px")
                            .arg(scantest::cornerError(found.corners, corners))));
    QVERIFY(found.confidence > 0.8);

    const PageWarp::Page straight =
        PageWarp::straighten(picture, found.corners, PageWarp::Cleaning::None);
    QVERIFY(straight.standardSize);
    QCOMPARE(straight.sizeMm, paperMm);
    const double ratio = static_cast<double>(straight.image.height()) / straight.image.width();
    QVERIFY(std::abs(ratio - paperMm.height() / paperMm.width()) < 0.01);
    // The page's own corner pixels are paper, not desk: the edges were cut at the page.
    const QImage grey = straight.image.convertToFormat(QImage::Format_Grayscale8);
    for (const QPoint p :
         {QPoint(3, 3), QPoint(grey.width() - 4, 3), QPoint(grey.width() - 4, grey.height() - 4),
          QPoint(3, grey.height() - 4)}) {
        QVERIFY2(qGray(grey.pixel(p)) > 200, qPrintable(QStringLiteral("corner %1,%2 is %3")
                                                            .arg(p.x())
                                                            .arg(p.y())
                                                            .arg(qGray(grey.pixel(p)))));
    }
}

void TestScanPages::findsNoPage_data()
{
    QTest::addColumn<QImage>("picture");

    QTest::newRow("no picture") << QImage();
    QTest::newRow("empty wooden desk") << scantest::desk(kCamera, Desk::Wood);
    QTest::newRow("empty grey desk") << scantest::desk(kCamera, Desk::Grey);
    // A page on a desk with the light off: too dark to tell an edge from noise.
    QImage dark = scantest::onDesk(
        scantest::desk(kCamera, Desk::Dark),
        scantest::printedPage(kA4Page, {}, 10).convertToFormat(QImage::Format_RGB32),
        scantest::pageCorners(kCamera, kA4Page, 10, 0));
    QPainter(&dark).fillRect(dark.rect(), QColor(0, 0, 0, 240));
    QTest::newRow("dark picture") << dark;
    // A small card on the desk is not a page.
    QImage withCard = scantest::desk(kCamera, Desk::Green);
    QPainter(&withCard).fillRect(QRect(600, 400, 120, 80), Qt::white);
    QTest::newRow("small card") << withCard;
}

void TestScanPages::findsNoPage()
{
    QFETCH(QImage, picture);
    const PageDetector::Result found = PageDetector::detect(picture);
    QVERIFY(!found.found);
    QVERIFY(found.corners.isEmpty());
}

void TestScanPages::largePictureIsSearchedSmallAndStraightenedWithinLimits()
{
    // 48 megapixels: the search runs on a downscaled copy, the corners come back in the full
    // picture's pixels and the straightened page stays within the largest page size.
    const QSize large(8000, 6000);
    const QSize pageSize(1050, 1485);
    const QPolygonF corners = scantest::pageCorners(large, pageSize, 12, 0.04);
    const QImage picture =
        scantest::onDesk(scantest::desk(large, Desk::Wood),
                         scantest::printedPage(pageSize, scantest::sampleWords(), 30), corners);

    const PageDetector::Result found = PageDetector::detect(picture);
    QVERIFY(found.found);
    // One pixel of the search is eight here.
    QVERIFY2(scantest::cornerError(found.corners, corners) < 16.0,
             qPrintable(QString::number(scantest::cornerError(found.corners, corners))));

    const PageWarp::Page straight =
        PageWarp::straighten(picture, found.corners, PageWarp::Cleaning::Grey);
    QCOMPARE(std::max(straight.image.width(), straight.image.height()), PageWarp::kMaxLongSide);
    QCOMPARE(straight.sizeMm, QSizeF(210, 297));
}

void TestScanPages::paperSize_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QSizeF>("paperMm");
    QTest::addColumn<bool>("standard");
    QTest::addColumn<QSize>("snappedPixels");

    QTest::newRow("A4 within 2 %")
        << QSize(1000, 1440) << QSizeF(210, 297) << true << QSize(1018, 1440);
    QTest::newRow("4:3 camera picture")
        << QSize(1280, 960) << QSizeF(297, 222.75) << false << QSize(1280, 960);
    QTest::newRow("Letter") << QSize(1000, 1290) << QSizeF(215.9, 279.4) << true
                            << QSize(997, 1290);
    QTest::newRow("A4 landscape") << QSize(1414, 1000) << QSizeF(297, 210) << true
                                  << QSize(1414, 1000);
    QTest::newRow("square card") << QSize(800, 800) << QSizeF(297, 297) << false << QSize(800, 800);
    QTest::newRow("long receipt") << QSize(400, 1200) << QSizeF(99, 297) << false
                                  << QSize(400, 1200);
}

void TestScanPages::paperSize()
{
    QFETCH(QSize, pixels);
    QFETCH(QSizeF, paperMm);
    QFETCH(bool, standard);
    QFETCH(QSize, snappedPixels);

    bool isStandard = !standard;
    const QSizeF mm = PageWarp::paperSize(pixels, isStandard);
    QCOMPARE(isStandard, standard);
    QVERIFY(std::abs(mm.width() - paperMm.width()) < 0.1);
    QVERIFY(std::abs(mm.height() - paperMm.height()) < 0.1);
    QCOMPARE(pixels, snappedPixels);
}

void TestScanPages::documentCleaningKeepsPicturesAndEvensLight()
{
    // Text in the top half, a photograph (a smooth gradient) in the bottom half, under light
    // that falls off from left to right.
    QImage page = scantest::printedPage(QSize(800, 1130), scantest::sampleWords(), 24);
    {
        QPainter painter(&page);
        QLinearGradient photo(0, 700, 0, 1000);
        photo.setColorAt(0, QColor(30, 60, 90));
        photo.setColorAt(1, QColor(220, 200, 180));
        painter.fillRect(QRect(100, 700, 600, 300), photo);
        QLinearGradient light(0, 0, 800, 0);
        light.setColorAt(0, QColor(0, 0, 0, 0));
        light.setColorAt(1, QColor(0, 0, 0, 110));
        painter.fillRect(page.rect(), light);
    }
    const QImage cleaned = PageWarp::clean(page, PageWarp::Cleaning::Document);
    QCOMPARE(cleaned.size(), page.size());
    QCOMPARE(cleaned.format(), QImage::Format_Grayscale8);

    QSet<int> textLevels;
    int darkText = 0;
    for (int y = 80; y < 600; ++y) {
        for (int x = 0; x < cleaned.width(); ++x) {
            const int v = cleaned.constScanLine(y)[x];
            textLevels.insert(v);
            darkText += v == 0 ? 1 : 0;
        }
    }
    QCOMPARE(textLevels, QSet<int>({0, 255})); // black on white, the dim side as white
    QVERIFY(darkText > 1000);

    QSet<int> photoLevels;
    for (int y = 720; y < 980; ++y) {
        photoLevels.insert(cleaned.constScanLine(y)[400]);
    }
    QVERIFY2(photoLevels.size() > 40, qPrintable(QString::number(photoLevels.size())));
}

QTEST_MAIN(TestScanPages)
#include "tst_scan_pages.moc"
