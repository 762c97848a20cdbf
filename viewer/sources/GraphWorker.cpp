#include "GraphWorker.h"

#include "SourcesLog.h"

#include <QCoreApplication>
#include <chrono>

GraphWorker &GraphWorker::instance()
{
    // The log categories the jobs write to are made first, so they outlive the worker.
    lcLive();
    lcSources();
    static GraphWorker worker;
    static std::once_flag drainAtExit;
    std::call_once(drainAtExit, [] {
        // While the application object goes, everything the jobs use is still there.
        qAddPostRoutine([] {
            if (!worker.waitIdle(ExitWaitMs)) {
                qCDebug(lcSources) << "graph changes still running at exit";
            }
        });
    });
    return worker;
}

GraphWorker::GraphWorker() : m_thread([this] { loop(); }) {}

GraphWorker::~GraphWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void GraphWorker::post(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

bool GraphWorker::isBusy()
{
    std::lock_guard lock(m_mutex);
    return m_busy || !m_jobs.empty();
}

bool GraphWorker::waitIdle(int waitMs)
{
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(waitMs),
                           [this] { return m_jobs.empty() && !m_busy; });
}

void GraphWorker::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
        if (m_jobs.empty()) {
            return; // quitting with nothing left to do
        }
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        job();
        job = nullptr; // what the job holds goes on this thread too
        lock.lock();
        m_busy = false;
        if (m_jobs.empty()) {
            m_idle.notify_all();
        }
    }
}
