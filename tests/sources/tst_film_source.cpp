#include "FilmSource.h"
#include "MediaGraph.h"
#include "TestCanvas.h"
#include "TestFilms.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

constexpr int ShortFrames = 12; // 1.2 s at 10 frames a second
constexpr int ShortFps = 10;
constexpr int LongFrames = 80; // 40 s at 2 frames a second: frame n starts at n / 2 s
constexpr int LongFps = 2;

double volumeOf(const FilmSource &film)
{
    double factor = -1;
    g_object_get(film.graph()->element("Audio Volume"), "volume", &factor, nullptr);
    return factor;
}

// The ids in the order played, with repeats (a paused graph shows a frame again) removed.
QList<int> distinct(const QList<int> &ids)
{
    QList<int> result;
    for (int id : ids) {
        if (result.isEmpty() || result.last() != id) {
            result << id;
        }
    }
    return result;
}

} // namespace

class FilmSourceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_canvas = std::make_unique<TestCanvas>(); }
    void cleanup() { m_canvas.reset(); }
    void playsEveryFrameAtItsRate_data();
    void playsEveryFrameAtItsRate();
    void speedTable();
    void hundredfoldTickMovesTenSeconds();
    void backwardPastTheStartRewindsAndPauses();
    void positionAndStop();
    void volumeInPercent();
    void unplayableFilesFailCleanly_data();
    void unplayableFilesFailCleanly();
    void truncatedFilmPlaysWhatItHolds();
    void filmWithoutDurationPlaysToItsEnd();
    void graphErrorClosesTheFilmQuietly();

private:
    std::unique_ptr<FilmSource> openFilm(TestCanvas &canvas, const QString &name);
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    qint64 m_nowMs = 0;
    // Each test's canvas lives on the heap: streaming threads write into it, and stack
    // slots reused from test to test confuse ThreadSanitizer.
    std::unique_ptr<TestCanvas> m_canvas;
};

void FilmSourceTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(TestFilms::makeAvi(path("short.avi"), ShortFrames, ShortFps, true));
    QVERIFY(TestFilms::makeAvi(path("long.avi"), LongFrames, LongFps, true));
    QVERIFY(TestFilms::makeAvi(path("silent.avi"), 4, ShortFps, false));
    QVERIFY(TestFilms::makeWmv(path("short.wmv"), ShortFrames, ShortFps));
    QVERIFY(TestFilms::makeMotionJpeg(path("stream.mjpg"), ShortFrames, ShortFps));

    QFile avi(path("short.avi"));
    QVERIFY(avi.open(QIODevice::ReadOnly));
    const QByteArray bytes = avi.readAll();
    auto write = [this](const QString &name, const QByteArray &content) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write("header.avi", bytes.left(300));
    write("half.avi", bytes.left(bytes.size() / 2));
    QByteArray garbage(20000, '\0');
    for (int i = 0; i < garbage.size(); ++i) {
        garbage[i] = char((i * 7919 + 13) % 251);
    }
    write("garbage.wmv", garbage);
    write("empty.avi", {});
}

std::unique_ptr<FilmSource> FilmSourceTest::openFilm(TestCanvas &canvas, const QString &name)
{
    auto film = std::make_unique<FilmSource>(&canvas);
    film->setAudioSinkFactory("fakesink");
    film->setClock([this] { return m_nowMs; });
    if (!film->open(path(name))) {
        return nullptr;
    }
    return film;
}

void FilmSourceTest::playsEveryFrameAtItsRate_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("splitter");
    QTest::newRow("avi") << "short.avi" << true;
    QTest::newRow("wmv") << "short.wmv" << false;
}

void FilmSourceTest::playsEveryFrameAtItsRate()
{
    QFETCH(QString, name);
    QFETCH(bool, splitter);
    TestCanvas &canvas = *m_canvas;
    QElapsedTimer clock;
    clock.start();
    auto film = openFilm(canvas, name);
    QVERIFY(film);
    QVERIFY(film->isOpen() && film->isPlaying());
    QVERIFY(film->hasAudio());
    QCOMPARE(film->graph()->element("Splitter") != nullptr, splitter);
    QVERIFY(film->graph()->element("Video Grabber"));
    const qint64 duration = MediaGraph::UnitsPerSecond * ShortFrames / ShortFps;
    QVERIFY(std::abs(film->duration() - duration) < MediaGraph::UnitsPerSecond / 10);

    QSignalSpy ticks(film.get(), &FilmSource::tick);
    QTRY_VERIFY_WITH_TIMEOUT(!film->isPlaying(), 20000); // the end was reached
    // A synchronised renderer cannot finish sooner than the film lasts.
    QVERIFY(clock.elapsed() * 10'000 >= duration * 9 / 10);
    QVERIFY(ticks.count() >= 2);

    QList<int> expected;
    for (int i = 0; i < ShortFrames; ++i) {
        expected << i;
    }
    QList<int> played = distinct(canvas.frameIds());
    QCOMPARE(played.last(), 0); // back on the first frame
    played.removeLast();
    QCOMPARE(played, expected);
    QCOMPARE(canvas.lastFrame().size(), QSize(TestFilms::Width, TestFilms::Height));
    QCOMPARE(film->position(), 0);
    QCOMPARE(film->graph()->state(), MediaGraph::State::Paused);
    QVERIFY(canvas.startRefreshCount() >= 1);

    // Playing again starts from the beginning.
    canvas.clear();
    film->play();
    QCOMPARE(canvas.stopRefreshCount(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frameIds().contains(5), 10000);
}

void FilmSourceTest::speedTable()
{
    TestCanvas &canvas = *m_canvas;
    FilmSource closed(&canvas);
    closed.forward();
    closed.backward();
    closed.play();
    closed.pause();
    closed.stop();
    closed.tickEvent();
    closed.setPosition(50);
    QCOMPARE(closed.speed(), 1);
    QCOMPARE(closed.position(), 0);
    QCOMPARE(canvas.stopRefreshCount() + canvas.startRefreshCount(), 0);

    auto film = openFilm(canvas, "long.avi");
    QVERIFY(film);
    QList<int> speeds;
    for (int i = 0; i < 7; ++i) {
        film->forward();
        speeds << film->speed();
        QCOMPARE(film->graph()->state(), MediaGraph::State::Paused); // stepping by seeks
    }
    QCOMPARE(speeds, QList<int>({2, 4, 8, 16, 32, 100, 100}));
    film->play();
    QCOMPARE(film->speed(), 1);
    QCOMPARE(film->graph()->state(), MediaGraph::State::Running);
    film->backward();
    film->backward();
    QCOMPARE(film->speed(), -2);
    film->forward();
    QCOMPARE(film->speed(), 1);
    QCOMPARE(film->graph()->state(), MediaGraph::State::Running); // still playing
}

void FilmSourceTest::hundredfoldTickMovesTenSeconds()
{
    TestCanvas &canvas = *m_canvas;
    auto film = openFilm(canvas, "long.avi");
    QVERIFY(film);
    film->pause();
    film->setPosition(0);
    for (int i = 0; i < 6; ++i) {
        film->forward();
    }
    QCOMPARE(film->speed(), 100);
    QSignalSpy ticks(film.get(), &FilmSource::tick);

    m_nowMs += 50; // too early for a step
    film->tickEvent();
    QCOMPARE(film->position(), 0);
    m_nowMs += 50;
    film->tickEvent();
    QCOMPARE(film->position(), 25); // 10 s of 40
    QCOMPARE(canvas.lastFrameId(), 20);
    m_nowMs += 100;
    film->tickEvent();
    QCOMPARE(film->position(), 50);
    QCOMPARE(canvas.lastFrameId(), 40);
    QCOMPARE(ticks.count(), 3);
    QVERIFY(film->isPlaying());

    // Past the end: the film stands paused at its start.
    m_nowMs += 300;
    film->tickEvent();
    QVERIFY(!film->isPlaying());
    QCOMPARE(film->position(), 0);
    QCOMPARE(canvas.lastFrameId(), 0);
    QCOMPARE(film->graph()->state(), MediaGraph::State::Paused);
}

void FilmSourceTest::backwardPastTheStartRewindsAndPauses()
{
    TestCanvas &canvas = *m_canvas;
    auto film = openFilm(canvas, "long.avi");
    QVERIFY(film);
    film->pause();
    film->setPosition(10); // 4 s
    QCOMPARE(canvas.lastFrameId(), 8);
    film->backward();
    QCOMPARE(film->speed(), -2);
    m_nowMs += 500; // 1 s back
    film->tickEvent();
    QCOMPARE(canvas.lastFrameId(), 6);
    QVERIFY(film->isPlaying());
    const int refreshes = canvas.startRefreshCount();
    m_nowMs += 1600; // 3.2 s back from 3 s
    film->tickEvent();
    QVERIFY(!film->isPlaying());
    QCOMPARE(film->position(), 0);
    QCOMPARE(canvas.lastFrameId(), 0);
    QCOMPARE(film->graph()->state(), MediaGraph::State::Paused);
    QCOMPARE(canvas.startRefreshCount(), refreshes + 1);
}

void FilmSourceTest::positionAndStop()
{
    TestCanvas &canvas = *m_canvas;
    auto film = openFilm(canvas, "long.avi");
    QVERIFY(film);
    film->pause();
    film->setPosition(50);
    QCOMPARE(film->position(), 50);
    QCOMPARE(canvas.lastFrameId(), 40);
    film->setPosition(100);
    QCOMPARE(film->position(), 100);

    QSignalSpy ticks(film.get(), &FilmSource::tick);
    film->play();
    film->setPosition(75);
    film->stop();
    QCOMPARE(ticks.count(), 1);
    QCOMPARE(film->position(), 0);
    QCOMPARE(canvas.lastFrameId(), 0);
    QCOMPARE(film->graph()->state(), MediaGraph::State::Paused);

    // Another film replaces this one and reuses the tap.
    canvas.clear();
    QVERIFY(film->open(path("short.wmv")));
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frameIds().contains(3), 10000);
}

void FilmSourceTest::volumeInPercent()
{
    TestCanvas &canvas = *m_canvas;
    auto film = openFilm(canvas, "short.avi");
    QVERIFY(film);
    QCOMPARE(volumeOf(*film), 1.0); // full when opened
    film->setVolume(1);
    QVERIFY(std::abs(volumeOf(*film) - std::pow(10.0, -99.0 / 20.0)) < 1e-7);
    film->setVolume(100);
    QCOMPARE(volumeOf(*film), 1.0);
    film->setVolume(0);
    QCOMPARE(volumeOf(*film), 0.0);

    auto silent = openFilm(canvas, "silent.avi");
    QVERIFY(silent);
    QVERIFY(!silent->hasAudio());
    QVERIFY(!silent->graph()->element("Audio Volume"));
    silent->setVolume(50); // nothing to do, nothing breaks
}

void FilmSourceTest::unplayableFilesFailCleanly_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << "missing.avi";
    QTest::newRow("empty") << "empty.avi";
    QTest::newRow("garbage") << "garbage.wmv";
    QTest::newRow("header only") << "header.avi";
}

void FilmSourceTest::unplayableFilesFailCleanly()
{
    QFETCH(QString, name);
    TestCanvas &canvas = *m_canvas;
    auto film = openFilm(canvas, "silent.avi");
    QVERIFY(film);
    QVERIFY(!film->open(path(name)));
    QVERIFY(!film->isOpen());
    QVERIFY(!film->graph());
    film->play();
    QCOMPARE(film->position(), 0);
    // The source stays usable.
    QVERIFY(film->open(path("silent.avi")));
}

void FilmSourceTest::truncatedFilmPlaysWhatItHolds()
{
    TestCanvas &canvas = *m_canvas;
    auto film = openFilm(canvas, "half.avi");
    QVERIFY(film);
    QTRY_VERIFY_WITH_TIMEOUT(!film->isPlaying(), 20000);
    QList<int> played = distinct(canvas.frameIds());
    QCOMPARE(played.takeLast(), 0); // back at the start
    QVERIFY(played.size() >= 2 && played.size() < ShortFrames);
    for (int i = 0; i < played.size(); ++i) {
        QCOMPARE(played.at(i), i);
    }
}

void FilmSourceTest::filmWithoutDurationPlaysToItsEnd()
{
    TestCanvas &canvas = *m_canvas;
    auto film = openFilm(canvas, "stream.mjpg");
    QVERIFY(film);
    QCOMPARE(film->duration(), 0);
    QCOMPARE(film->position(), 0);
    // Every frame plays to the end of the stream (which cannot be rewound, so its last frame
    // stays); the position reads 0 throughout.
    QTRY_VERIFY_WITH_TIMEOUT(!film->isPlaying(), 20000);
    const QList<int> played = distinct(canvas.frameIds());
    QCOMPARE(played.size(), ShortFrames);
    QCOMPARE(played.first(), 0);
    QCOMPARE(played.last(), ShortFrames - 1);
    QCOMPARE(film->position(), 0);
}

void FilmSourceTest::graphErrorClosesTheFilmQuietly()
{
    TestCanvas &canvas = *m_canvas;
    auto film = openFilm(canvas, "long.avi");
    QVERIFY(film);
    QSignalSpy ticks(film.get(), &FilmSource::tick);
    GstElement *source = film->graph()->element("Source Filter");
    GST_ELEMENT_ERROR(source, RESOURCE, READ, ("unreadable"), ("injected by the test"));
    QTRY_VERIFY(!film->isOpen());
    QVERIFY(!film->graph());
    QVERIFY(ticks.count() >= 1);
    QCOMPARE(film->position(), 0);
    QVERIFY(film->open(path("short.avi"))); // and the next film plays
}

QTEST_GUILESS_MAIN(FilmSourceTest)
#include "tst_film_source.moc"
