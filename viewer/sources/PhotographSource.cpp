#include "PhotographSource.h"

#include "ICaptureCB.h"

#include <QImage>
#include <algorithm>

PhotographSource::PhotographSource(ICaptureCB *callback, QObject *parent)
    : QObject(parent), m_callback(callback)
{
    connect(&m_timer, &QTimer::timeout, this, &PhotographSource::nextPhotograph);
}

QStringList PhotographSource::scan(const QDir &folder)
{
    static const QStringList filters{"*.bmp", "*.jpg", "*.jpeg", "*.png", "*.gif"};
    QDir listing(folder);
    listing.setNameFilters(filters);
    listing.setFilter(QDir::Files | QDir::Readable);
    listing.setSorting(QDir::Name);
    return listing.entryList();
}

bool PhotographSource::openDirectory(const QDir &folder)
{
    m_timer.stop();
    const QStringList names = scan(folder);
    if (names.isEmpty())
        return false; // the folder and its names stay together
    m_folder = folder;
    m_fileNames = names;
    emit listChanged();
    selectPhotograph(0);
    return true;
}

QStringList PhotographSource::fileList() const
{
    QStringList paths;
    paths.reserve(m_fileNames.size());
    for (const QString &name : m_fileNames)
        paths << m_folder.filePath(name);
    return paths;
}

void PhotographSource::selectPhotograph(int id)
{
    if (id < 0 || id >= count())
        return;
    m_current = id;
    // A file that cannot be decoded still becomes the selection, as a null picture.
    m_callback->setImage(QImage(m_folder.filePath(m_fileNames.at(id))));
    emit photographChanged(id);
}

void PhotographSource::pauseCapture()
{
    m_callback->stopRefresh();
}

void PhotographSource::resumeCapture()
{
    if (m_folder.exists())
        openDirectory(m_folder);
    m_callback->startRefresh();
}

void PhotographSource::play()
{
    m_timer.setInterval(m_interval);
    m_timer.start();
}

void PhotographSource::stop()
{
    m_timer.stop();
    emit playDone();
}

void PhotographSource::previous()
{
    m_timer.stop();
    selectPhotograph(std::max(m_current - 1, 0));
}

void PhotographSource::next()
{
    m_timer.stop();
    selectPhotograph(std::min(m_current + 1, count() - 1));
}

void PhotographSource::nextPhotograph()
{
    if (count() == 0)
        return;
    m_current = (m_current + 1) % count();
    selectPhotograph(m_current);
}
