// The recording's sound: a private PulseAudio server offers a microphone named
// "Document Camera Microphone" that hears a tone; the recording finds it among the sound
// inputs and the file (AVI, MP4, WebM) carries the tone beside the video.
#include "FrameCounter.h"
#include "LiveSource.h"
#include "LiveTestSetup.h"
#include "PrivateSoundServer.h"
#include "RecordingProbe.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Generous: the machines running the tests are busy, and sanitizer builds are slower.
constexpr int WaitMs = 30000 * DOCCAM_TEST_SLOWDOWN;

} // namespace

class LiveMicrophoneTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void recordingCarriesTheMicrophone_data();
    void recordingCarriesTheMicrophone();

private:
    PrivateSoundServer m_server;
    QTemporaryDir m_folder;
};

void LiveMicrophoneTest::initTestCase()
{
    // Before GStreamer's sound elements connect anywhere.
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    QVERIFY2(m_server.playTone(440), qPrintable(m_server.error()));
    const QString missing = LiveTestSetup::simulatedCamera(true);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
}

void LiveMicrophoneTest::recordingCarriesTheMicrophone_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("AVI") << "sound.avi";
    QTest::newRow("MP4") << "sound.mp4";
    QTest::newRow("WebM") << "sound.webm";
}

void LiveMicrophoneTest::recordingCarriesTheMicrophone()
{
    QFETCH(QString, file);
    FrameCounter canvas;
    LiveSource source(&canvas);
    QTRY_VERIFY_WITH_TIMEOUT(source.isPresent(), WaitMs);

    const QString path = m_folder.filePath(file);
    QTest::ignoreMessage(
        QtDebugMsg, QRegularExpression(QString(": %1$").arg(PrivateSoundServer::MicrophoneName)));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Done with index \\d+$"));
    source.startRecord(path);
    QVERIFY(source.isRecording());
    QVERIFY(source.hasAudio());
    const int atStart = canvas.frames();
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frames() - atStart >= 25, WaitMs);
    source.stopRecord();

    RecordingProbe probe;
    QVERIFY2(probe.read(path), qPrintable(probe.error()));
    QVERIFY(probe.videoFrames() >= 25);
    QVERIFY(probe.hasAudio());
    // MP4 and WebM: the sound starts with the film, not seconds later.
    QVERIFY2(probe.durationNs() < probe.lastVideoTimeNs() + 1'000'000'000,
             qPrintable(QString("%1 / %2").arg(probe.durationNs()).arg(probe.lastVideoTimeNs())));
    // The tone is there, not silence: module-sine plays at about a tenth of full scale.
    QVERIFY2(probe.audioLevel() > 500, qPrintable(QString::number(probe.audioLevel())));
}

QTEST_GUILESS_MAIN(LiveMicrophoneTest)
#include "tst_live_microphone.moc"
