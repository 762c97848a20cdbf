#pragma once

#include "ChildProcess.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PulseAudio server of the test's own, in a runtime folder of its own: a null sink, a
// microphone "Document Camera Microphone" that hears what the sink plays, and optionally a
// tone played into the sink. This process is pointed at it through the environment
// (PULSE_SERVER, XDG_RUNTIME_DIR, HOME) before any sound client connects. The server is
// started with posix_spawn (ThreadSanitizer forbids fork once threads run) and ends with the
// fixture, or with the test process if it dies first.
class PrivateSoundServer {
public:
    static constexpr const char *MicrophoneName = "Document Camera Microphone";

    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer &) = delete;
    PrivateSoundServer &operator=(const PrivateSoundServer &) = delete;

    // Starts the server and creates the microphone; false (with error()) when it cannot.
    bool start();
    // Plays a continuous sine tone into the sink the microphone listens to.
    bool playTone(int frequency);
    QString error() const { return m_error; }

private:
    bool pactl(const QStringList &arguments);
    ChildProcess::Environment environment() const;

    QTemporaryDir m_home;
    ChildProcess m_server;
    QString m_error;
};
