#include "TestCanvas.h"

#include "TestFilms.h"

void TestCanvas::setComposer(std::function<void(uchar *, int, int)> composer)
{
    std::lock_guard lock(m_mutex);
    m_composer = std::move(composer);
}

void TestCanvas::frameArrived(uchar *data, int width, int height, bool bottomUp)
{
    std::lock_guard lock(m_mutex);
    ++m_frames;
    m_bottomUp = m_bottomUp || bottomUp;
    m_last = QImage(data, width, height, width * 3, QImage::Format_RGB888).copy();
    m_ids << TestFilms::frameId(data, width, height);
    if (m_composer) {
        m_composer(data, width, height);
    }
}

void TestCanvas::setImage(const QImage &image)
{
    std::lock_guard lock(m_mutex);
    m_images << image;
}

void TestCanvas::startRefresh()
{
    std::lock_guard lock(m_mutex);
    ++m_startRefresh;
}

void TestCanvas::stopRefresh()
{
    std::lock_guard lock(m_mutex);
    ++m_stopRefresh;
}

int TestCanvas::frameCount() const
{
    std::lock_guard lock(m_mutex);
    return m_frames;
}

QList<int> TestCanvas::frameIds() const
{
    std::lock_guard lock(m_mutex);
    return m_ids;
}

int TestCanvas::lastFrameId() const
{
    std::lock_guard lock(m_mutex);
    return m_ids.isEmpty() ? -1 : m_ids.last();
}

QImage TestCanvas::lastFrame() const
{
    std::lock_guard lock(m_mutex);
    return m_last;
}

bool TestCanvas::sawBottomUp() const
{
    std::lock_guard lock(m_mutex);
    return m_bottomUp;
}

QList<QImage> TestCanvas::images() const
{
    std::lock_guard lock(m_mutex);
    return m_images;
}

int TestCanvas::startRefreshCount() const
{
    std::lock_guard lock(m_mutex);
    return m_startRefresh;
}

int TestCanvas::stopRefreshCount() const
{
    std::lock_guard lock(m_mutex);
    return m_stopRefresh;
}

void TestCanvas::clear()
{
    std::lock_guard lock(m_mutex);
    m_frames = 0;
    m_ids.clear();
    m_last = QImage();
    m_images.clear();
    m_startRefresh = m_stopRefresh = 0;
}
