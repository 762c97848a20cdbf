#include "ChildProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

ChildProcess::ChildProcess(const QString &program, const QStringList &arguments,
                           const QStringList &environment, const QString &outputFile)
{
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    const size_t argumentCount = storage.size();
    QStringList names;
    for (const QString &variable : environment) {
        storage.push_back(variable.toLocal8Bit());
        names << variable.section('=', 0, 0);
    }
    for (char **entry = environ; *entry; ++entry) {
        const QString variable = QString::fromLocal8Bit(*entry);
        if (!names.contains(variable.section('=', 0, 0)))
            storage.push_back(*entry);
    }
    std::vector<char *> argv;
    std::vector<char *> envp;
    for (size_t i = 0; i < storage.size(); ++i)
        (i < argumentCount ? argv : envp).push_back(storage[i].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray output = QFile::encodeName(outputFile.isEmpty() ? "/dev/null" : outputFile);
    posix_spawn_file_actions_addopen(&actions, 1, output.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
}

void ChildProcess::signal(int number) const
{
    if (m_pid > 0)
        ::kill(m_pid, number);
}

bool ChildProcess::wait(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (m_pid > 0) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            m_termSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            return true;
        }
        if (clock.elapsed() > ms)
            return false;
        QThread::msleep(20);
    }
    return true;
}

QString runForOutput(const QString &program, const QStringList &arguments, int ms)
{
    QTemporaryFile output;
    if (!output.open())
        return {};
    ChildProcess child(program, arguments, {}, output.fileName());
    if (!child.wait(ms))
        return {};
    return QString::fromLocal8Bit(output.readAll());
}
