#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// The clock and the pauses of the stream's start and stop sequences. A pause ends early when
// the waiter is cancelled (the element is being stopped), so a camera that never reports the
// expected status cannot hold up a stop. Tests replace the clock with model time.
class CStreamWaiter {
public:
    virtual ~CStreamWaiter() = default;

    // Milliseconds on a monotonic clock.
    virtual std::chrono::milliseconds Now();
    // Pauses for the given time; false when cancelled before or during the pause.
    virtual bool Wait(std::chrono::milliseconds duration);

    void Cancel();
    void Reset();
    bool IsCancelled() const;

protected:
    mutable std::mutex m_mutex;
    std::condition_variable m_cancelled;
    bool m_cancel = false;
};
