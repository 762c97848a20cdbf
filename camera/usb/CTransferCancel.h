#pragma once

#include <atomic>

// Cancellation flag shared by a frame reader and the thread that stops it. Cancel() may be
// called from any thread, before or during the read; the read notices it within one slice.
class CTransferCancel {
public:
    void Cancel() noexcept { m_cancelled.store(true, std::memory_order_release); }
    void Reset() noexcept { m_cancelled.store(false, std::memory_order_release); }
    bool IsCancelled() const noexcept { return m_cancelled.load(std::memory_order_acquire); }

private:
    std::atomic<bool> m_cancelled{false};
};
