#include "ChildProcess.h"
#include "FilmSource.h"
#include "PhotographSource.h"
#include "TestCanvas.h"
#include "TestFilms.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

constexpr int GuiGapLimitMs = 100;
constexpr long MemoryGrowthLimitKb = 200 * 1024;
constexpr int SettleMs = 150; // lets a graph's late error arrive before the next file

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray noise(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = char((i * 7919 + seed * 104729 + 13) % 251);
    }
    return bytes;
}

// Gives an AVI file's header (main header and video format) another picture size.
QByteArray withStatedSize(QByteArray avi, quint32 width, quint32 height)
{
    const qsizetype main = avi.indexOf("avih");
    qToLittleEndian(width, avi.data() + main + 8 + 32);
    qToLittleEndian(height, avi.data() + main + 8 + 36);
    const qsizetype format = avi.indexOf("strf", avi.indexOf("vids"));
    qToLittleEndian(width, avi.data() + format + 8 + 4);
    qToLittleEndian(height, avi.data() + format + 8 + 8);
    return avi;
}

// A PNG whose header states a size; its data is one row of nothing.
QByteArray pngStating(quint32 width, quint32 height)
{
    QImage tiny(1, 1, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    tiny.save(&buffer, "PNG");
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    // The header chunk's CRC-32 (over its type and data) must still hold.
    quint32 crc = 0xffffffffu;
    for (int i = 12; i < 29; ++i) {
        crc ^= uchar(png[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    qToBigEndian(~crc, png.data() + 29);
    return png;
}

// A JPEG whose frame header states a size.
QByteArray jpegStating(quint16 width, quint16 height)
{
    QImage tiny(16, 16, QImage::Format_RGB32);
    tiny.fill(Qt::blue);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    tiny.save(&buffer, "JPEG");
    const qsizetype frame = jpeg.indexOf("\xff\xc0");
    qToBigEndian(height, jpeg.data() + frame + 5);
    qToBigEndian(width, jpeg.data() + frame + 7);
    return jpeg;
}

long peakMemoryKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The longest time the GUI thread's event loop went without running a 5 ms timer.
class GapWatch {
public:
    GapWatch()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            if (now - m_last > m_worst) {
                m_worst = now - m_last;
                m_worstAt = m_label;
            }
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    qint64 worstMs() const { return m_worst; }
    // What the GUI thread was doing at the worst gap.
    QString worstAt() const { return QStringLiteral("%1 ms at %2").arg(m_worst).arg(m_worstAt); }
    void setLabel(const QString &label) { m_label = label; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
    QString m_label;
    QString m_worstAt;
};

} // namespace

// Hostile and odd files given to the film and photograph sources: each is refused (or, when it
// holds something playable, played) without blocking the GUI thread or taking memory.
class BadFilesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void filmsLeaveTheProgramResponsive();
    void photographsLeaveTheProgramResponsive();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void BadFilesTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(TestFilms::makeAvi(path("good.avi"), 6, 10, true));
    QVERIFY(TestFilms::makeWmv(path("good.wmv"), 6, 10));
    const QByteArray avi = contents(path("good.avi"));
    writeFile(path("random.avi"), noise(100000, 1));
    writeFile(path("random.wmv"), noise(100000, 2));
    writeFile(path("zero.avi"), {});
    writeFile(path("header.avi"), avi.left(400));
    writeFile(path("truncated.wmv"), contents(path("good.wmv")).left(3000));
    writeFile(path("huge.avi"), withStatedSize(avi, 16000, 16000));
    writeFile(path("wide.avi"), withStatedSize(avi, 8193, 96));
    // Frames really 9000 wide, stated honestly and stated as small.
    // (GStreamer's JPEG encoder stops at 4096 on a side.)
    ChildProcess::run({"ffmpeg", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                       "color=c=gray:size=9000x16:rate=10", "-t", "0.3", "-c:v", "mjpeg",
                       "-pix_fmt", "yuvj420p",
                       QFile::encodeName(path("realwide.avi")).toStdString()},
                      ChildProcess::environment(), 60000);
    QVERIFY(QFileInfo(path("realwide.avi")).size() > 1000);
    writeFile(path("lying.avi"), withStatedSize(contents(path("realwide.avi")), 128, 96));
    QVERIFY(
        TestFilms::run(QStringLiteral("audiotestsrc num-buffers=10 ! audio/x-raw,format=S16LE,"
                                      "rate=8000,channels=1 ! avimux ! filesink location=\"%1\"")
                           .arg(path("audio.avi"))));
    writeFile(path("locked.avi"), noise(5000, 3));
    QFile::setPermissions(path("locked.avi"), QFileDevice::Permissions());
    for (const char *name : {"fifo.avi", "fifo.jpg"}) {
        QVERIFY(::mkfifo(QFile::encodeName(path(name)).constData(), 0600) == 0);
    }
    QVERIFY(QDir(m_dir.path()).mkdir("folder.avi") && QDir(m_dir.path()).mkdir("folder.jpg"));

    writeFile(path("random.jpg"), noise(30000, 4));
    writeFile(path("zero.png"), {});
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QVERIFY(picture.save(path("good.jpg"), "JPEG"));
    writeFile(path("truncated.jpg"), contents(path("good.jpg")).left(300));
    writeFile(path("huge.png"), pngStating(100000, 100000));
    writeFile(path("tall.png"), pngStating(10, 9000));
    writeFile(path("huge.jpg"), jpegStating(65000, 65000));
    writeFile(path("avi.jpg"), avi);
}

void BadFilesTest::cleanupTestCase()
{
    QFile::setPermissions(path("locked.avi"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void BadFilesTest::filmsLeaveTheProgramResponsive()
{
    const QStringList refused{"random.avi",    "random.wmv", "zero.avi",   "header.avi",
                              "truncated.wmv", "huge.avi",   "wide.avi",   "realwide.avi",
                              "lying.avi",     "audio.avi",  "locked.avi", "fifo.avi",
                              "folder.avi",    "missing.avi"};
    TestCanvas canvas;
    FilmSource film(&canvas);
    film.setAudioSinkFactory("fakesink");
    QSignalSpy ticks(&film, &FilmSource::tick);
    QTest::qWait(2000); // the source loads GStreamer's type finders in the background
    const long memoryBefore = peakMemoryKb();
    GapWatch watch;
    for (const QString &name : refused) {
        // Every bad film follows a good one: its picture and position must not stay.
        watch.setLabel("good.avi before " + name);
        QVERIFY(film.open(path("good.avi")));
        QTRY_VERIFY(canvas.frameCount() > 0);
        canvas.clear();
        ticks.clear();
        watch.setLabel(name);
        const bool opened = film.open(path(name));
        QTest::qWait(SettleMs);
        QVERIFY2(!opened && !film.isOpen(), qPrintable(name));
        QVERIFY2(!canvas.images().isEmpty() && canvas.images().last().isNull(), qPrintable(name));
        QVERIFY(ticks.count() >= 1);
        QCOMPARE(film.position(), 0);
    }
    QVERIFY2(watch.worstMs() <= GuiGapLimitMs, qPrintable(watch.worstAt()));
    const long growth = peakMemoryKb() - memoryBefore;
    QVERIFY2(growth < MemoryGrowthLimitKb, qPrintable(QString::number(growth)));
    // And the source still plays.
    QVERIFY(film.open(path("good.wmv")));
}

void BadFilesTest::photographsLeaveTheProgramResponsive()
{
    const QStringList refused{"random.jpg", "zero.png",  "truncated.jpg", "huge.png",
                              "tall.png",   "huge.jpg",  "avi.jpg",       "fifo.jpg",
                              "folder.jpg", "locked.avi"};
    const long memoryBefore = peakMemoryKb();
    GapWatch watch;
    for (const QString &name : refused) {
        watch.setLabel(name);
        QVERIFY2(PhotographSource::load(path(name)).isNull(), qPrintable(name));
        QTest::qWait(20);
    }
    QCOMPARE(PhotographSource::load(path("good.jpg")).size(), QSize(64, 48));
    QVERIFY2(watch.worstMs() <= GuiGapLimitMs, qPrintable(watch.worstAt()));
    const long growth = peakMemoryKb() - memoryBefore;
    QVERIFY2(growth < MemoryGrowthLimitKb, qPrintable(QString::number(growth)));

    // The folder scan lists neither the FIFO nor the folder, and selecting the rest is quiet.
    TestCanvas canvas;
    PhotographSource photographs(&canvas);
    QVERIFY(photographs.openDirectory(QDir(m_dir.path())));
    QVERIFY(!photographs.fileList().contains(path("fifo.jpg")));
    QVERIFY(!photographs.fileList().contains(path("folder.jpg")));
    for (int i = 0; i < photographs.count(); ++i) {
        photographs.selectPhotograph(i);
    }
    QCOMPARE(canvas.images().size(), photographs.count() + 1);
}

QTEST_MAIN(BadFilesTest)
#include "tst_bad_files.moc"
