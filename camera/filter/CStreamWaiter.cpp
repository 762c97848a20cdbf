#include "filter/CStreamWaiter.h"

std::chrono::milliseconds CStreamWaiter::Now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

bool CStreamWaiter::Wait(std::chrono::milliseconds duration)
{
    std::unique_lock lock(m_mutex);
    return !m_cancelled.wait_for(lock, duration, [this] { return m_cancel; });
}

void CStreamWaiter::Cancel()
{
    {
        std::lock_guard lock(m_mutex);
        m_cancel = true;
    }
    m_cancelled.notify_all();
}

void CStreamWaiter::Reset()
{
    std::lock_guard lock(m_mutex);
    m_cancel = false;
}

bool CStreamWaiter::IsCancelled() const
{
    std::lock_guard lock(m_mutex);
    return m_cancel;
}
