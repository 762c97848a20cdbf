#pragma once

#include "ICaptureCB.h"

#include <QImage>
#include <QList>
#include <functional>
#include <mutex>

// A canvas stand-in that records what reaches it. frameArrived may run on any thread.
class TestCanvas : public ICaptureCB {
public:
    // Runs on every frame before it is recorded (for example to write a picture back).
    void setComposer(std::function<void(uchar *, int, int)> composer);

    void frameArrived(uchar *data, int width, int height, bool bottomUp) override;
    void setImage(const QImage &image) override;
    void startRefresh() override;
    void stopRefresh() override;

    int frameCount() const;
    QList<int> frameIds() const;
    int lastFrameId() const;
    QImage lastFrame() const; // as received (RGB888, top-down)
    bool sawBottomUp() const;
    QList<QImage> images() const;
    int startRefreshCount() const;
    int stopRefreshCount() const;
    void clear();

private:
    mutable std::mutex m_mutex; // seen by ThreadSanitizer, unlike the uninstrumented QMutex
    std::function<void(uchar *, int, int)> m_composer;
    int m_frames = 0;
    QList<int> m_ids;
    QImage m_last;
    bool m_bottomUp = false;
    QList<QImage> m_images;
    int m_startRefresh = 0;
    int m_stopRefresh = 0;
};
