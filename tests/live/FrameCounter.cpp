#include "FrameCounter.h"

void FrameCounter::frameArrived(uchar *data, int width, int height, bool bottomUp)
{
    if (!data) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_lastSize = QSize(width, height);
    }
    if (bottomUp) {
        m_bottomUp.store(true);
    }
    m_frames.fetch_add(1);
}

QSize FrameCounter::lastSize() const
{
    std::lock_guard lock(m_mutex);
    return m_lastSize;
}
