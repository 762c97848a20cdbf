#include "TestCanvas.h"

#include "TestFilms.h"

#include <QMutexLocker>

void TestCanvas::setComposer(std::function<void(uchar *, int, int)> composer)
{
    QMutexLocker lock(&m_mutex);
    m_composer = std::move(composer);
}

void TestCanvas::frameArrived(uchar *data, int width, int height, bool bottomUp)
{
    QMutexLocker lock(&m_mutex);
    ++m_frames;
    m_bottomUp = m_bottomUp || bottomUp;
    m_last = QImage(data, width, height, width * 3, QImage::Format_RGB888).copy();
    m_ids << TestFilms::frameId(data, width, height);
    if (m_composer)
        m_composer(data, width, height);
}

void TestCanvas::setImage(const QImage &image)
{
    QMutexLocker lock(&m_mutex);
    m_images << image;
}

void TestCanvas::startRefresh()
{
    QMutexLocker lock(&m_mutex);
    ++m_startRefresh;
}

void TestCanvas::stopRefresh()
{
    QMutexLocker lock(&m_mutex);
    ++m_stopRefresh;
}

int TestCanvas::frameCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_frames;
}

QList<int> TestCanvas::frameIds() const
{
    QMutexLocker lock(&m_mutex);
    return m_ids;
}

int TestCanvas::lastFrameId() const
{
    QMutexLocker lock(&m_mutex);
    return m_ids.isEmpty() ? -1 : m_ids.last();
}

QImage TestCanvas::lastFrame() const
{
    QMutexLocker lock(&m_mutex);
    return m_last;
}

bool TestCanvas::sawBottomUp() const
{
    QMutexLocker lock(&m_mutex);
    return m_bottomUp;
}

QList<QImage> TestCanvas::images() const
{
    QMutexLocker lock(&m_mutex);
    return m_images;
}

int TestCanvas::startRefreshCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_startRefresh;
}

int TestCanvas::stopRefreshCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_stopRefresh;
}

void TestCanvas::clear()
{
    QMutexLocker lock(&m_mutex);
    m_frames = 0;
    m_ids.clear();
    m_last = QImage();
    m_images.clear();
    m_startRefresh = m_stopRefresh = 0;
}
