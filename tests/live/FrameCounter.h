#pragma once

#include "ICaptureCB.h"

#include <QImage>
#include <QSize>
#include <atomic>
#include <mutex>

// A canvas stand-in that counts the frames reaching it and keeps the size of the last one.
// frameArrived runs on the graph's streaming thread.
class FrameCounter : public ICaptureCB {
public:
    void frameArrived(uchar *data, int width, int height, bool bottomUp) override;
    void frameArrivedRgb32(uchar *data, int width, int height, int, bool) override
    {
        frameArrived(data, width, height, false);
    }
    void setImage(const QImage &) override {}
    void stopRefresh() override { m_stopRefresh.fetch_add(1); }

    int frames() const { return m_frames.load(); }
    QSize lastSize() const;
    bool sawBottomUp() const { return m_bottomUp.load(); }
    int stopRefreshCount() const { return m_stopRefresh.load(); }

private:
    std::atomic<int> m_frames{0};
    std::atomic<bool> m_bottomUp{false};
    std::atomic<int> m_stopRefresh{0};
    mutable std::mutex m_mutex;
    QSize m_lastSize;
};
