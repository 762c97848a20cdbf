#include "PrivateSoundServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace {

constexpr int StartWaitMs = 10000;
constexpr int CommandWaitMs = 10000;

std::vector<std::string> toArgv(const QString &program, const QStringList &arguments)
{
    std::vector<std::string> argv{program.toStdString()};
    for (const QString &argument : arguments) {
        argv.push_back(argument.toStdString());
    }
    return argv;
}

} // namespace

PrivateSoundServer::PrivateSoundServer() = default;

PrivateSoundServer::~PrivateSoundServer() = default;

ChildProcess::Environment PrivateSoundServer::environment() const
{
    const std::string home = m_home.path().toStdString();
    return ChildProcess::environment({{"HOME", home},
                                      {"XDG_RUNTIME_DIR", home + "/run"},
                                      {"XDG_CONFIG_HOME", home + "/config"},
                                      {"PULSE_SERVER", "unix:" + home + "/run/native"}});
}

bool PrivateSoundServer::start()
{
    if (!m_home.isValid() || !QDir(m_home.path()).mkpath("run") ||
        !QDir(m_home.path()).mkpath("config")) {
        m_error = "no temporary folder";
        return false;
    }
    const ChildProcess::Environment env = environment();
    // This process's sound clients (the device monitor, the microphone element) follow.
    for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "PULSE_SERVER"}) {
        qputenv(name, QByteArray::fromStdString(env.at(name)));
    }

    const QString log = m_home.filePath("pulseaudio.log");
    const QStringList arguments{
        "--daemonize=no",
        "-n",
        "--exit-idle-time=-1",
        "--disallow-exit",
        "--use-pid-file=no",
        "--disable-shm=yes",
        "-L",
        "module-native-protocol-unix auth-anonymous=1 socket=" + m_home.path() + "/run/native",
        "-L",
        "module-null-sink sink_name=doccam_sink"};
    if (!m_server.start(toArgv("pulseaudio", arguments), env, log.toStdString())) {
        m_error = "pulseaudio does not start";
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!pactl({"info"})) {
        if (!m_server.isRunning() || clock.elapsed() > StartWaitMs) {
            QFile output(log);
            output.open(QIODevice::ReadOnly);
            m_error = "pulseaudio does not answer: " + QString::fromLocal8Bit(output.readAll());
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
    std::string output;
    const int code =
        ChildProcess::run(toArgv("pactl", arguments), environment(), CommandWaitMs, &output);
    if (code != 0) {
        m_error = "pactl " + arguments.join(' ') + ": " + QString::fromStdString(output);
        return false;
    }
    return true;
}
