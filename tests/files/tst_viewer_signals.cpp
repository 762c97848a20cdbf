#include "AviLayout.h"
#include "ChildProcess.h"
#include "MatroskaLayout.h"
#include "Recordings.h"
#include "RegularFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <csignal>
#include <signal.h>

namespace {

constexpr int FramesBeforeTheEnd = 10;
constexpr int RecordingWaitMs = 60000;
constexpr int ExitWaitMs = 20000;

AviLayout layoutOf(const QString &path)
{
    const RegularFile file(path);
    return AviLayout::read(file.descriptor());
}

} // namespace

// The real viewer on the simulated camera, recording, ended by a signal: a recording it
// finishes plays with its duration; one cut off by SIGKILL is mended at the next start.
class ViewerSignalsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void signalFinishesTheRecording_data();
    void signalFinishesTheRecording();
    void killedRecordingIsRepairedAtNextStart();
    void otherFormatsAreFinishedOrPlayAfterAKill_data();
    void otherFormatsAreFinishedOrPlayAfterAKill();

private:
    std::unique_ptr<ChildProcess> startViewer(const ChildProcess::Environment &extra);
    // The recording once it holds enough frames; empty when none came within the bound.
    QString awaitRecording();
    // The same for a recording in another format, told by its suffix ("mp4", "webm").
    QString awaitRecording(const QString &suffix);
    QString recordings() const { return m_home->filePath("videos"); }

    std::unique_ptr<QTemporaryDir> m_home;
    int m_runs = 0;
};

void ViewerSignalsTest::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    QDir home(m_home->path());
    QVERIFY(home.mkpath("videos") && home.mkpath("pictures") && home.mkpath(".config/Morvale"));
    QVERIFY(home.mkdir("run"));
    QFile::setPermissions(home.filePath("run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile settings(home.filePath(".config/Morvale/Document Camera.conf"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    QTextStream(&settings) << "[General]\nrecordPath=" << recordings()
                           << "\nsnapshotPath=" << home.filePath("pictures") << "\n";
}

std::unique_ptr<ChildProcess> ViewerSignalsTest::startViewer(const ChildProcess::Environment &extra)
{
    const std::string home = QFile::encodeName(m_home->path()).toStdString();
    ChildProcess::Environment environment{{"HOME", home},
                                          {"XDG_CONFIG_HOME", home + "/.config"},
                                          {"XDG_DATA_HOME", home + "/.local/share"},
                                          {"XDG_CACHE_HOME", home + "/.cache"},
                                          {"XDG_RUNTIME_DIR", home + "/run"},
                                          {"QT_QPA_PLATFORM", "offscreen"},
                                          {"TEVALCAP_SIMULATE", "1"}};
    environment.insert(extra.begin(), extra.end());
    auto viewer = std::make_unique<ChildProcess>();
    const QString log = m_home->filePath(QStringLiteral("viewer-%1.log").arg(++m_runs));
    if (!viewer->start({VIEWER_PROGRAM}, ChildProcess::environment(environment),
                       QFile::encodeName(log).toStdString())) {
        return nullptr;
    }
    return viewer;
}

QString ViewerSignalsTest::awaitRecording()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < RecordingWaitMs) {
        const QStringList files = QDir(recordings()).entryList({"*.avi"}, QDir::Files);
        if (!files.isEmpty()) {
            const QString path = QDir(recordings()).filePath(files.first());
            if (layoutOf(path).videoFrames() >= FramesBeforeTheEnd) {
                return path;
            }
        }
        QTest::qWait(100);
    }
    return {};
}

QString ViewerSignalsTest::awaitRecording(const QString &suffix)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < RecordingWaitMs) {
        const QStringList files = QDir(recordings()).entryList({"*." + suffix}, QDir::Files);
        if (!files.isEmpty()) {
            const QString path = QDir(recordings()).filePath(files.first());
            if (Recordings::probe(path).frames >= FramesBeforeTheEnd) {
                return path;
            }
        }
        QTest::qWait(500);
    }
    return {};
}

void ViewerSignalsTest::signalFinishesTheRecording_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void ViewerSignalsTest::signalFinishesTheRecording()
{
    QFETCH(int, signal);
    auto viewer = startViewer({{"DOCCAM_RECORD_AFTER_MS", "800"}});
    QVERIFY(viewer);
    const QString recording = awaitRecording();
    QVERIFY2(!recording.isEmpty(), "no recording came");
    ::kill(viewer->pid(), signal);
    QCOMPARE(viewer->waitForExit(ExitWaitMs), 0); // it quit by itself

    const AviLayout layout = layoutOf(recording);
    QVERIFY(layout.isFinished());
    QVERIFY(layout.indexedVideoFrames() >= FramesBeforeTheEnd);
    const Recordings::Probe probe = Recordings::probe(recording);
    QCOMPARE(probe.frames, layout.videoFrames());
    QVERIFY2(probe.duration > 0.3, qPrintable(QString::number(probe.duration)));
}

void ViewerSignalsTest::killedRecordingIsRepairedAtNextStart()
{
    auto viewer = startViewer({{"DOCCAM_RECORD_AFTER_MS", "800"}});
    QVERIFY(viewer);
    const QString recording = awaitRecording();
    QVERIFY2(!recording.isEmpty(), "no recording came");
    ::kill(viewer->pid(), SIGKILL);
    QCOMPARE(viewer->waitForExit(ExitWaitMs), -1);
    QVERIFY(!viewer->isRunning());
    const AviLayout cut = layoutOf(recording);
    QVERIFY(cut.needsRepair());
    QCOMPARE(Recordings::probe(recording).duration, -1.0);

    auto next = startViewer({});
    QVERIFY(next);
    QElapsedTimer clock;
    clock.start();
    while (!layoutOf(recording).isFinished() && clock.elapsed() < RecordingWaitMs) {
        QTest::qWait(100);
    }
    const AviLayout repaired = layoutOf(recording);
    QVERIFY(repaired.isFinished());
    QCOMPARE(repaired.indexedVideoFrames(), cut.videoFrames());
    ::kill(next->pid(), SIGTERM);
    QCOMPARE(next->waitForExit(ExitWaitMs), 0);

    const Recordings::Probe probe = Recordings::probe(recording);
    QCOMPARE(probe.frames, cut.videoFrames());
    QVERIFY2(probe.duration > 0.3, qPrintable(QString::number(probe.duration)));
    QCOMPARE(QDir(recordings()).entryList(QDir::Files).size(), 1); // no copy left beside it
}

void ViewerSignalsTest::otherFormatsAreFinishedOrPlayAfterAKill_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("signal");
    QTest::newRow("MP4, SIGTERM") << "mp4" << int(SIGTERM);
    QTest::newRow("MP4, SIGKILL") << "mp4" << int(SIGKILL);
    QTest::newRow("WebM, SIGTERM") << "webm" << int(SIGTERM);
    QTest::newRow("WebM, SIGKILL") << "webm" << int(SIGKILL);
}

// MP4 is written in fragments of a second and WebM cluster by cluster: what was written before
// a kill plays; a killed WebM recording gets its duration back at the next start; a signal
// finishes the file.
void ViewerSignalsTest::otherFormatsAreFinishedOrPlayAfterAKill()
{
    QFETCH(QString, format);
    QFETCH(int, signal);
    QFile settings(m_home->filePath(".config/Morvale/Document Camera.conf"));
    QVERIFY(settings.open(QIODevice::Append));
    QTextStream(&settings) << "recordFormat=" << format << "\n";
    settings.close();
    auto viewer = startViewer({{"DOCCAM_RECORD_AFTER_MS", "800"}});
    QVERIFY(viewer);
    const QString recording = awaitRecording(format);
    QVERIFY2(!recording.isEmpty(), "no recording came");
    QTest::qWait(1500); // a fragment more
    ::kill(viewer->pid(), signal);
    QCOMPARE(viewer->waitForExit(ExitWaitMs), signal == SIGKILL ? -1 : 0);

    Recordings::Probe probe = Recordings::probe(recording);
    QVERIFY2(probe.frames >= FramesBeforeTheEnd, qPrintable(QString::number(probe.frames)));
    if (format == "webm" && signal == SIGKILL) {
        // Its frames play, but it states no duration until the next start mends it.
        QCOMPARE(probe.duration, -1.0);
        auto next = startViewer({});
        QVERIFY(next);
        QElapsedTimer clock;
        clock.start();
        const auto finished = [&] {
            const RegularFile file(recording);
            return MatroskaLayout::read(file.descriptor()).isFinished();
        };
        while (!finished() && clock.elapsed() < RecordingWaitMs) {
            QTest::qWait(100);
        }
        QVERIFY(finished());
        ::kill(next->pid(), SIGTERM);
        QCOMPARE(next->waitForExit(ExitWaitMs), 0);
        const int cutFrames = probe.frames;
        probe = Recordings::probe(recording);
        QCOMPARE(probe.frames, cutFrames);
    }
    QVERIFY2(probe.duration > 0.3, qPrintable(QString::number(probe.duration)));
    QCOMPARE(QDir(recordings()).entryList(QDir::Files).size(), 1); // no copy left beside it
}

QTEST_GUILESS_MAIN(ViewerSignalsTest)
#include "tst_viewer_signals.moc"
