#pragma once

#include <QString>
#include <QStringList>
#include <sys/types.h>

// A program started with posix_spawn (safe in a process that already runs threads), with
// extra environment variables and its output in a file. The destructor kills and reaps it if
// it still runs, whatever the test did.
class ChildProcess {
public:
    ChildProcess(const QString &program, const QStringList &arguments,
                 const QStringList &environment, const QString &outputFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool isStarted() const { return m_pid > 0; }
    void signal(int number) const;
    // Waits (bounded) for the end; true when it ended. Then exitCode() / termSignal() tell how.
    bool wait(int ms);
    int exitCode() const { return m_exitCode; }
    int termSignal() const { return m_termSignal; }

private:
    pid_t m_pid = -1;
    int m_exitCode = -1;
    int m_termSignal = 0;
};

// Runs a program to its end (bounded) and returns what it printed on standard output.
QString runForOutput(const QString &program, const QStringList &arguments, int ms = 60000);
