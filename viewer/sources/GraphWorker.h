#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The thread of the process that makes the blocking state changes of the live graphs (a
// camera's start, the end of a graph and the release of its camera), one after the other in
// the order asked for: the GUI thread does not wait for them, and a camera is opened by a new
// graph only after the graph before has let it go. Results go back to the GUI thread by
// queued calls, made by the jobs themselves. The worker lives as long as the process; when the
// application object goes it waits (bounded) for what is queued, and at exit it finishes what
// is left (every wait of a job is bounded) before its thread ends.
class GraphWorker {
public:
    using Job = std::function<void()>;
    // Bound of the wait for queued jobs when the application object goes.
    static constexpr int ExitWaitMs = 5000;

    static GraphWorker &instance();

    ~GraphWorker();
    GraphWorker(const GraphWorker &) = delete;
    GraphWorker &operator=(const GraphWorker &) = delete;

    // Runs job on the worker after every job posted before it.
    void post(Job job);
    // A job is running or waiting.
    bool isBusy();
    // Waits until every job posted so far has run; false when waitMs passed first.
    bool waitIdle(int waitMs);

private:
    GraphWorker();
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread; // last: started once the rest is ready
};
