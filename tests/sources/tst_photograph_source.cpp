#include "PhotographSource.h"
#include "TestCanvas.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The smallest GIF: one pixel (Qt reads GIF but does not write it).
const QByteArray TinyGif = QByteArray::fromHex(
    "47494638396101000100800000000000ffffff21f90401000000002c000000000100010000020144003b");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void writeImage(const QString &path, int width, const char *format)
{
    QImage image(width, 10, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(path, format));
}

QList<int> ids(const QSignalSpy &spy)
{
    QList<int> result;
    for (const QList<QVariant> &arguments : spy) {
        result << arguments.at(0).toInt();
    }
    return result;
}

} // namespace

class PhotographSourceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void scanFiltersAndSortsByName();
    void selectionSendsEveryPictureToTheCanvas();
    void folderWithoutImagesKeepsFolderAndList();
    void slideshowWrapsAround();
    void stopAlwaysEmitsPlayDone();
    void resumeRescansTheFolder();
    void nothingHappensWithoutPhotographs();
    void photographsShowAtDisplaySize_data();
    void photographsShowAtDisplaySize();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

void PhotographSourceTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = m_dir->path();
    writeImage(m_folder + "/a.jpg", 11, "JPG");
    writeImage(m_folder + "/B.PNG", 12, "PNG");
    writeImage(m_folder + "/e.bmp", 13, "BMP");
    writeImage(m_folder + "/d.JPEG", 14, "JPG");
    writeFile(m_folder + "/c.Gif", TinyGif);
    writeFile(m_folder + "/notes.txt", "not a picture");
    writeFile(m_folder + "/broken.jpg", "this is no JPEG at all");
    writeFile(m_folder + "/empty.png", {});
    QVERIFY(QDir(m_folder).mkdir("folder.jpg"));
}

void PhotographSourceTest::scanFiltersAndSortsByName()
{
    // Upper case sorts before lower case; extensions match in any case; other files and
    // folders are left out.
    QCOMPARE(
        PhotographSource::scan(QDir(m_folder)),
        QStringList({"B.PNG", "a.jpg", "broken.jpg", "c.Gif", "d.JPEG", "e.bmp", "empty.png"}));
}

void PhotographSourceTest::selectionSendsEveryPictureToTheCanvas()
{
    TestCanvas canvas;
    PhotographSource source(&canvas);
    QSignalSpy changed(&source, &PhotographSource::photographChanged);
    QSignalSpy listChanged(&source, &PhotographSource::listChanged);
    QVERIFY(source.openDirectory(QDir(m_folder)));
    QCOMPARE(listChanged.count(), 1);
    QCOMPARE(source.count(), 7);
    QCOMPARE(source.fileList().first(), QDir(m_folder).filePath("B.PNG"));
    QCOMPARE(source.fileList().last(), QDir(m_folder).filePath("empty.png"));
    QCOMPARE(canvas.images().last().width(), 12); // B.PNG shown first

    source.selectPhotograph(3); // the GIF
    QCOMPARE(canvas.images().last().size(), QSize(1, 1));
    source.selectPhotograph(2); // undecodable: still selected, as a null picture
    QVERIFY(canvas.images().last().isNull());
    QCOMPARE(source.currentIndex(), 2);
    source.selectPhotograph(-1);
    source.selectPhotograph(7);
    QCOMPARE(source.currentIndex(), 2);
    QCOMPARE(ids(changed), QList<int>({0, 3, 2}));
    QCOMPARE(canvas.images().size(), 3);

    changed.clear();
    source.selectPhotograph(6);
    source.next(); // stays on the last and shows it again
    source.selectPhotograph(0);
    source.previous(); // stays on the first
    source.next();
    QCOMPARE(ids(changed), QList<int>({6, 6, 0, 0, 1}));
    QVERIFY(canvas.images().at(canvas.images().size() - 4).isNull()); // empty.png again
    QCOMPARE(canvas.images().last().width(), 11);                     // a.jpg
}

void PhotographSourceTest::folderWithoutImagesKeepsFolderAndList()
{
    TestCanvas canvas;
    PhotographSource source(&canvas);
    QVERIFY(source.openDirectory(QDir(m_folder)));
    const QStringList before = source.fileList();
    QTemporaryDir other;
    writeFile(other.filePath("readme.txt"), "nothing to show");
    QSignalSpy listChanged(&source, &PhotographSource::listChanged);
    QVERIFY(!source.openDirectory(QDir(other.path())));
    QCOMPARE(listChanged.count(), 0);
    QCOMPARE(source.fileList(), before);
    QCOMPARE(source.directory().absolutePath(), QDir(m_folder).absolutePath());
    // Selections still find the pictures.
    source.selectPhotograph(4);
    QCOMPARE(canvas.images().last().width(), 14);
}

void PhotographSourceTest::slideshowWrapsAround()
{
    QTemporaryDir three;
    for (const char *name : {"1.png", "2.png", "3.png"}) {
        writeImage(three.filePath(name), 5, "PNG");
    }
    TestCanvas canvas;
    PhotographSource source(&canvas);
    QVERIFY(source.openDirectory(QDir(three.path())));
    QSignalSpy changed(&source, &PhotographSource::photographChanged);
    source.setInterval(10);
    source.play();
    QVERIFY(source.isPlaying());
    source.setInterval(60000); // takes effect at the next play() only
    QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 4, 5000);
    QCOMPARE(ids(changed).mid(0, 4), QList<int>({1, 2, 0, 1}));

    QSignalSpy done(&source, &PhotographSource::playDone);
    source.next(); // leaves the slideshow without playDone()
    QVERIFY(!source.isPlaying());
    QCOMPARE(done.count(), 0);
    source.play();
    QVERIFY(source.isPlaying());
    QVERIFY(source.openDirectory(QDir(three.path()))); // a new folder ends it as well
    QVERIFY(!source.isPlaying());
    QCOMPARE(done.count(), 0);
}

void PhotographSourceTest::stopAlwaysEmitsPlayDone()
{
    TestCanvas canvas;
    PhotographSource source(&canvas);
    QSignalSpy done(&source, &PhotographSource::playDone);
    source.stop(); // not running
    QCOMPARE(done.count(), 1);
    QVERIFY(source.openDirectory(QDir(m_folder)));
    source.setInterval(60000);
    source.play();
    source.stop();
    QVERIFY(!source.isPlaying());
    QCOMPARE(done.count(), 2);
}

void PhotographSourceTest::resumeRescansTheFolder()
{
    TestCanvas canvas;
    PhotographSource source(&canvas);
    QVERIFY(source.openDirectory(QDir(m_folder)));
    source.selectPhotograph(5);
    writeImage(m_folder + "/A.png", 9, "PNG");
    QSignalSpy changed(&source, &PhotographSource::photographChanged);
    source.resumeCapture();
    QCOMPARE(source.count(), 8);
    QCOMPARE(ids(changed), QList<int>({0}));
    QCOMPARE(canvas.images().last().width(), 9); // A.png is now the first
    QCOMPARE(canvas.startRefreshCount(), 1);
    source.pauseCapture();
    QCOMPARE(canvas.stopRefreshCount(), 1);
}

void PhotographSourceTest::nothingHappensWithoutPhotographs()
{
    TestCanvas canvas;
    PhotographSource source(&canvas);
    QSignalSpy changed(&source, &PhotographSource::photographChanged);
    source.next();
    source.previous();
    source.selectPhotograph(0);
    source.setInterval(1);
    source.play();
    QTest::qWait(20);
    source.stop();
    QCOMPARE(changed.count(), 0);
    QVERIFY(canvas.images().isEmpty());
    QVERIFY(source.fileList().isEmpty());
}

void PhotographSourceTest::photographsShowAtDisplaySize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("shown");
    // 48 megapixels: beyond the bound in full, shown because JPEG decodes at a fraction.
    QTest::newRow("48 MP JPEG") << QSize(8064, 6048) << QByteArray("JPEG") << QSize(1280, 960);
    QTest::newRow("portrait JPEG") << QSize(3000, 4000) << QByteArray("JPEG") << QSize(960, 1280);
    QTest::newRow("12 MP PNG") << QSize(4000, 3000) << QByteArray("PNG") << QSize(1280, 960);
    QTest::newRow("small PNG") << QSize(640, 480) << QByteArray("PNG") << QSize(640, 480);
    // A PNG cannot shrink while decoding: beyond the bound it is refused.
    QTest::newRow("9000 wide PNG") << QSize(9000, 200) << QByteArray("PNG") << QSize();
}

void PhotographSourceTest::photographsShowAtDisplaySize()
{
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);
    QFETCH(QSize, shown);
    const QString path = m_dir->filePath("photo." + format.toLower());
    {
        QImage photo(size, QImage::Format_RGB888);
        photo.fill(Qt::darkYellow);
        QVERIFY(photo.save(path, format.constData(), 80));
    }
    const QImage image = PhotographSource::load(path);
    QCOMPARE(image.isNull(), shown.isEmpty());
    if (!shown.isEmpty()) {
        QCOMPARE(image.size(), shown);
    }
    if (!shown.isEmpty()) {
        QVERIFY(qAbs(image.pixelColor(shown.width() / 2, shown.height() / 2).red() - 128) <= 3);
    }
}

QTEST_GUILESS_MAIN(PhotographSourceTest)
#include "tst_photograph_source.moc"
