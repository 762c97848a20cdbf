#include "PrivateSoundServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

namespace {

constexpr int StartWaitMs = 10000;
constexpr int CommandWaitMs = 10000;

} // namespace

PrivateSoundServer::PrivateSoundServer() = default;

PrivateSoundServer::~PrivateSoundServer()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(3000)) {
            m_server.kill();
            m_server.waitForFinished(3000);
        }
    }
}

QProcessEnvironment PrivateSoundServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = m_home.path();
    env.insert("HOME", home);
    env.insert("XDG_RUNTIME_DIR", home + "/run");
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("PULSE_SERVER", "unix:" + home + "/run/native");
    return env;
}

bool PrivateSoundServer::start()
{
    if (!m_home.isValid() || !QDir(m_home.path()).mkpath("run") ||
        !QDir(m_home.path()).mkpath("config")) {
        m_error = "no temporary folder";
        return false;
    }
    const QProcessEnvironment env = environment();
    // This process's sound clients (the device monitor, the microphone element) follow.
    for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "PULSE_SERVER"})
        qputenv(name, env.value(name).toLocal8Bit());

    m_server.setProcessEnvironment(env);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start("pulseaudio", {"--daemonize=no", "-n", "--exit-idle-time=-1", "--disallow-exit",
                                  "--use-pid-file=no", "--disable-shm=yes", "-L",
                                  "module-native-protocol-unix auth-anonymous=1 socket=" +
                                      m_home.path() + "/run/native",
                                  "-L", "module-null-sink sink_name=doccam_sink"});
    if (!m_server.waitForStarted(StartWaitMs)) {
        m_error = "pulseaudio does not start";
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!pactl({"info"})) {
        if (m_server.state() == QProcess::NotRunning || clock.elapsed() > StartWaitMs) {
            m_error = "pulseaudio does not answer: " + QString::fromLocal8Bit(m_server.readAll());
            return false;
        }
        QThread::msleep(50);
    }
    // Loaded through pactl: the description's spaces do not survive the command line of -L.
    return pactl({"load-module", "module-remap-source", "source_name=doccam_mic",
                  "master=doccam_sink.monitor",
                  QString("source_properties='device.description=\"%1\"'").arg(MicrophoneName)});
}

bool PrivateSoundServer::playTone(int frequency)
{
    return pactl(
        {"load-module", "module-sine", "sink=doccam_sink", QString("frequency=%1").arg(frequency)});
}

bool PrivateSoundServer::pactl(const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start("pactl", arguments);
    if (!process.waitForFinished(CommandWaitMs)) {
        process.kill();
        process.waitForFinished(1000);
        m_error = "pactl " + arguments.join(' ') + " does not finish";
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = "pactl " + arguments.join(' ') + ": " + QString::fromLocal8Bit(process.readAll());
        return false;
    }
    return true;
}
