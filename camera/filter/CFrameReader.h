#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

// Reads a camera's frames on a thread of its own, at the camera's pace, and keeps the newest few
// for a consumer that may come back late. A consumer held up downstream (a sink waiting for a
// frame's time on the clock) then holds up neither the camera nor the frames' time stamps,
// which are taken as each frame arrives. When the consumer falls further behind than the kept
// frames, the oldest go.
template <typename Buffer> class CFrameReader {
public:
    // Reads one frame; nothing when no more frames come (the camera failed, or the read was made
    // to give up).
    using Read = std::function<std::optional<Buffer>()>;
    enum class Taken { Frame, Interrupted, Ended };

    CFrameReader(std::size_t depth, Read read) : m_depth(depth), m_read(std::move(read)) {}
    ~CFrameReader() { Stop(); }
    CFrameReader(const CFrameReader &) = delete;
    CFrameReader &operator=(const CFrameReader &) = delete;

    // Starts reading unless the thread runs, or ran and ended, since the last Stop.
    void Start()
    {
        const std::lock_guard lock(m_lock);
        if (!m_started) {
            m_started = true;
            m_thread = std::thread([this] { Run(); });
        }
    }

    // Waits for the thread to end; the caller has made a pending read give up first. Frames
    // still kept go.
    void Stop()
    {
        {
            const std::lock_guard lock(m_lock);
            m_stopping = true;
        }
        if (m_thread.joinable()) {
            m_thread.join();
        }
        const std::lock_guard lock(m_lock);
        m_frames.clear();
        m_started = false;
        m_ended = false;
        m_stopping = false;
    }

    // The oldest kept frame, waiting for one. Ended once the reads ended and every frame read
    // was taken.
    Taken Take(Buffer *frame)
    {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_interrupted || m_ended || !m_frames.empty(); });
        if (m_interrupted) {
            return Taken::Interrupted;
        }
        if (m_frames.empty()) {
            return Taken::Ended;
        }
        *frame = std::move(m_frames.front());
        m_frames.pop_front();
        return Taken::Frame;
    }

    // Take returns Interrupted, at once and until Resume. The frames kept go: they are stale
    // by the time the consumer comes back.
    void Interrupt()
    {
        const std::lock_guard lock(m_lock);
        m_interrupted = true;
        m_frames.clear();
        m_changed.notify_all();
    }
    void Resume()
    {
        const std::lock_guard lock(m_lock);
        m_interrupted = false;
    }

    // Frames that went unseen because the consumer was late, since the reader was made.
    std::uint64_t Dropped() const
    {
        const std::lock_guard lock(m_lock);
        return m_dropped;
    }

private:
    void Run()
    {
        for (;;) {
            std::optional<Buffer> frame = m_read();
            const std::lock_guard lock(m_lock);
            if (!frame || m_stopping) {
                m_ended = true;
                m_changed.notify_all();
                return;
            }
            if (m_frames.size() >= m_depth) {
                m_frames.pop_front();
                ++m_dropped;
            }
            m_frames.push_back(std::move(*frame));
            m_changed.notify_all();
        }
    }

    const std::size_t m_depth;
    const Read m_read;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Buffer> m_frames;
    bool m_started = false;
    bool m_stopping = false;
    bool m_ended = false;
    bool m_interrupted = false;
    std::uint64_t m_dropped = 0;
    std::thread m_thread; // last: started once the members above exist
};
