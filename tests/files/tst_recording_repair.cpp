#include "AviLayout.h"
#include "RecordingRepair.h"
#include "Recordings.h"
#include "RegularFile.h"
#include "TestFilms.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

constexpr int Frames = 30;
constexpr int Fps = 10;
constexpr int RepairWaitMs = 60000;

AviLayout layoutOf(const QString &path)
{
    const RegularFile file(path);
    return AviLayout::read(file.descriptor());
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

// Recordings cut off before their writer finished them are found by their layout and mended
// by a remux whose copy replaces them only when it holds every frame.
class RecordingRepairTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void layoutTellsFinishedFromCutOff();
    void repairsACutOffRecording_data();
    void repairsACutOffRecording();
    void leavesEverythingElseAlone();
    void endingEarlyKeepsTheOriginal();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void RecordingRepairTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void RecordingRepairTest::layoutTellsFinishedFromCutOff()
{
    QVERIFY(TestFilms::makeAvi(path("a.avi"), Frames, Fps, true));
    AviLayout finished = layoutOf(path("a.avi"));
    QVERIFY(finished.isAvi() && finished.isFinished() && !finished.needsRepair());
    QCOMPARE(finished.videoFrames(), Frames);
    QCOMPARE(finished.indexedVideoFrames(), Frames);

    QVERIFY(Recordings::cutOff(path("a.avi")));
    const AviLayout cut = layoutOf(path("a.avi"));
    QVERIFY(cut.isAvi() && !cut.isFinished() && cut.needsRepair());
    QCOMPARE(cut.videoFrames(), Frames);
    QCOMPARE(cut.indexedVideoFrames(), 0);

    // A frame written only in part is not one the copy can be asked to hold.
    QVERIFY(TestFilms::makeAvi(path("b.avi"), Frames, Fps, false));
    QVERIFY(Recordings::cutOff(path("b.avi"), 100));
    QCOMPARE(layoutOf(path("b.avi")).videoFrames(), Frames - 1);

    writeFile(path("c.avi"), QByteArray("RIFF\x04\0\0\0WAVEfmt ", 16));
    QVERIFY(!layoutOf(path("c.avi")).isAvi());
    QVERIFY(!layoutOf(path("missing.avi")).isAvi());
}

void RecordingRepairTest::repairsACutOffRecording_data()
{
    QTest::addColumn<bool>("sound");
    QTest::addColumn<int>("cutBytes");
    QTest::addColumn<int>("frames");
    QTest::newRow("video") << false << 0 << Frames;
    QTest::newRow("video and sound") << true << 0 << Frames;
    QTest::newRow("last frame in part") << false << 300 << Frames - 1;
}

void RecordingRepairTest::repairsACutOffRecording()
{
    QFETCH(bool, sound);
    QFETCH(int, cutBytes);
    QFETCH(int, frames);
    const QString file = path("2026-01-02_03-04-05.avi");
    QVERIFY(TestFilms::makeAvi(file, Frames, Fps, sound));
    QVERIFY(Recordings::cutOff(file, cutBytes));
    QCOMPARE(Recordings::probe(file).duration, -1.0); // what a player sees: no duration
    const QDateTime recorded = QDateTime::currentDateTime().addDays(-2);
    {
        QFile stamp(file);
        QVERIFY(stamp.open(QIODevice::ReadWrite));
        QVERIFY(stamp.setFileTime(recorded, QFileDevice::FileModificationTime));
    }
    QCOMPARE(RecordingRepair::candidates(QDir(m_dir->path())), QStringList{file});

    RecordingRepair repair(m_dir->path());
    repair.start();
    QVERIFY(repair.wait(RepairWaitMs));
    QCOMPARE(repair.repaired(), QStringList{file});

    const Recordings::Probe after = Recordings::probe(file);
    QCOMPARE(after.frames, frames);
    QVERIFY2(qAbs(after.duration - double(frames) / Fps) < 0.15,
             qPrintable(QString::number(after.duration)));
    const AviLayout layout = layoutOf(file);
    QVERIFY(layout.isFinished());
    QCOMPARE(layout.indexedVideoFrames(), frames);
    QCOMPARE(Recordings::contents(file).contains("01wb"), sound); // the sound came along
    QCOMPARE(QFileInfo(file).lastModified().toSecsSinceEpoch(), recorded.toSecsSinceEpoch());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QFileInfo(file).fileName()});
    QVERIFY(RecordingRepair::candidates(QDir(m_dir->path())).isEmpty());
}

void RecordingRepairTest::leavesEverythingElseAlone()
{
    QVERIFY(TestFilms::makeAvi(path("finished.avi"), Frames, Fps, true));
    QVERIFY(TestFilms::makeAvi(path("held.avi"), Frames, Fps, false));
    QVERIFY(Recordings::cutOff(path("held.avi")));
    QByteArray noise(50000, '\0');
    for (int i = 0; i < noise.size(); ++i) {
        noise[i] = char((i * 7919 + 13) % 251);
    }
    writeFile(path("noise.avi"), "RIFF\x10\0\0\0AVI LIST" + noise);
    QVERIFY(::mkfifo(QFile::encodeName(path("fifo.avi")).constData(), 0600) == 0);
    QVERIFY(QDir(m_dir->path()).mkdir("folder.avi"));
    writeFile(path("finished.avi.repair"), "the rest of a copy cut off");
    QMap<QString, QByteArray> before;
    for (const char *name : {"finished.avi", "held.avi", "noise.avi"}) {
        before[name] = Recordings::contents(path(name));
    }

    {
        // A recording still being written (here: open in this process) is not touched.
        QFile writer(path("held.avi"));
        QVERIFY(writer.open(QIODevice::ReadWrite));
        QVERIFY(RecordingRepair::isOpenElsewhere(path("held.avi")));
        RecordingRepair repair(m_dir->path());
        repair.start();
        QVERIFY(repair.wait(RepairWaitMs)); // the FIFO and the folder did not hold it up
        QVERIFY(repair.repaired().isEmpty());
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            QVERIFY2(Recordings::contents(path(it.key())) == it.value(), qPrintable(it.key()));
        }
        QVERIFY(!QFileInfo::exists(path("finished.avi.repair")));
    }
    QVERIFY(!RecordingRepair::isOpenElsewhere(path("held.avi")));
    RecordingRepair again(m_dir->path());
    again.start();
    QVERIFY(again.wait(RepairWaitMs));
    QCOMPARE(again.repaired(), QStringList{path("held.avi")});
    QCOMPARE(Recordings::probe(path("held.avi")).frames, Frames);
}

void RecordingRepairTest::endingEarlyKeepsTheOriginal()
{
    // Ended at once, during or before the copy: the recording is either the cut-off original,
    // byte for byte, or the whole repaired copy, and no partial copy stays behind.
    const QString file = path("long.avi");
    QVERIFY(TestFilms::makeAvi(file, 400, 25, true, 320, 240));
    QVERIFY(Recordings::cutOff(file));
    const QByteArray original = Recordings::contents(file);
    {
        RecordingRepair repair(m_dir->path());
        repair.start();
    }
    QVERIFY(!QFileInfo::exists(file + RecordingRepair::PartSuffix));
    const bool untouched = Recordings::contents(file) == original;
    QVERIFY(untouched || layoutOf(file).indexedVideoFrames() == 400);
}

QTEST_GUILESS_MAIN(RecordingRepairTest)
#include "tst_recording_repair.moc"
