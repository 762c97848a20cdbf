#include "ThumbnailLoader.h"

#include <QImageReader>

ThumbnailLoader::ThumbnailLoader(QObject *parent) : QThread(parent)
{
    m_permit.release();
}

ThumbnailLoader::~ThumbnailLoader()
{
    m_cancel = true;
    wait();
}

void ThumbnailLoader::cancelAndAcquire()
{
    m_cancel = true;
    m_permit.acquire();
    // run() releases the permit as its last step; wait for the thread to be fully finished
    // so that start() below never meets a thread still unwinding.
    wait();
}

void ThumbnailLoader::startRun(const QStringList &paths, int generation)
{
    {
        const std::lock_guard<std::mutex> lock(m_runLock);
        m_paths = paths;
        m_generation = generation;
    }
    m_cancel = false;
    start(QThread::InheritPriority);
}

QImage ThumbnailLoader::loadThumbnail(const QString &path, QSize size)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QSize original = reader.size();
    // Let the decoder scale down (JPEG: in the DCT) to no less than twice the cell, which keeps
    // the smooth fit below sharp while skipping most of the full-size decode.
    if (original.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        const QSize target = original.scaled(size * 2, Qt::KeepAspectRatio);
        if (target.width() < original.width() && target.height() < original.height()) {
            reader.setScaledSize(target);
        }
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        return QImage();
    }
    return image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void ThumbnailLoader::run()
{
    QStringList paths;
    int generation = 0;
    {
        const std::lock_guard<std::mutex> lock(m_runLock);
        paths = m_paths;
        generation = m_generation;
    }
    const QSize cell(kCellWidth, kCellHeight);
    for (int i = 0; i < paths.size() && !m_cancel; ++i) {
        emit thumbnailReady(generation, i, loadThumbnail(paths.at(i), cell));
    }
    m_permit.release();
}
