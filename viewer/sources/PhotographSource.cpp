#include "PhotographSource.h"

#include "FrameBounds.h"
#include "ICaptureCB.h"
#include "RegularFile.h"
#include "SourcesLog.h"

#include <QFile>
#include <QImageReader>
#include <algorithm>

namespace {
// JPEG's decoder scales while decoding, by up to this on a side.
constexpr int DecoderShrink = 8;
} // namespace

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
    if (names.isEmpty()) {
        return false; // the folder and its names stay together
    }
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
    for (const QString &name : m_fileNames) {
        paths << m_folder.filePath(name);
    }
    return paths;
}

void PhotographSource::selectPhotograph(int id)
{
    if (id < 0 || id >= count()) {
        return;
    }
    m_current = id;
    // A file that cannot be decoded still becomes the selection, as a null picture.
    m_callback->setImage(load(m_folder.filePath(m_fileNames.at(id))));
    emit photographChanged(id);
}

QImage PhotographSource::load(const QString &path, int longSide)
{
    const RegularFile regular(path);
    QFile file;
    if (!regular.isOpen() ||
        !file.open(regular.descriptor(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        qCDebug(lcSources) << "photograph" << path << "is not a readable regular file";
        return {};
    }
    QImageReader reader(&file);
    const QSize size = reader.size(); // from the header, nothing decoded yet
    // Only JPEG decodes at a fraction of its size; other readers that offer a scaled size
    // decode in full first.
    const bool shrinks = reader.format() == "jpeg";
    if (size.isValid()) {
        const QSize decoded = shrinks ? size / DecoderShrink : size;
        if (!FrameBounds::fits(decoded.expandedTo(QSize(1, 1)))) {
            qCDebug(lcSources) << "photograph" << path << "is too large:" << size;
            return {};
        }
        if (std::max(size.width(), size.height()) > longSide) {
            reader.setScaledSize(
                size.scaled(longSide, longSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
        }
    }
    QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcSources) << "photograph" << path << "cannot be decoded:" << reader.errorString();
    }
    return image;
}

void PhotographSource::pauseCapture()
{
    m_callback->stopRefresh();
}

void PhotographSource::resumeCapture()
{
    if (m_folder.exists()) {
        openDirectory(m_folder);
    }
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
    if (count() == 0) {
        return;
    }
    m_current = (m_current + 1) % count();
    selectPhotograph(m_current);
}
