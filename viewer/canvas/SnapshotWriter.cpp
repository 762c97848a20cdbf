#include "SnapshotWriter.h"

#include "CanvasLog.h"
#include "CaptureFileName.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>

#include <utility>

namespace {

const char *const snapshotSuffix = ".jpg";

} // namespace

SnapshotWriter::SnapshotWriter()
{
    // One thread: the writes of a series keep their order and never race for a name.
    m_pool.setMaxThreadCount(1);
}

SnapshotWriter::~SnapshotWriter()
{
    waitForDone();
}

bool SnapshotWriter::encodeJpeg(QIODevice &file, const QImage &picture)
{
    QImageWriter writer(&file, "jpeg");
    if (writer.write(picture)) {
        return true;
    }
    qCDebug(lcCanvas) << "snapshot not encoded:" << writer.errorString();
    return false;
}

bool SnapshotWriter::submit(Job job, bool droppable, const Encoder &encoder, Done done)
{
    if (droppable && m_pending.load() >= kMaxPending) {
        qCDebug(lcCanvas) << "snapshot" << job.stem << "dropped:" << m_pending.load()
                          << "writes still pending";
        return false;
    }
    m_pending.fetch_add(1);
    m_pool.start([this, job = std::move(job), encoder, done = std::move(done)] {
        const bool written = write(job, encoder);
        if (done) {
            done(written);
        }
        m_pending.fetch_sub(1);
    });
    return true;
}

void SnapshotWriter::waitForDone()
{
    m_pool.waitForDone();
}

bool SnapshotWriter::write(const Job &job, const Encoder &encoder)
{
    const QDir folder(job.folder);
    const QString suffix = QString::fromLatin1(snapshotSuffix);
    QFile file;
    bool opened = false;
    if (job.replace) {
        file.setFileName(CaptureFileName::numbered(folder, job.stem, suffix, 1));
        opened = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    } else {
        opened = CaptureFileName::createNew(file, folder, job.stem, suffix);
    }
    if (!opened) {
        qCDebug(lcCanvas) << "snapshot" << job.stem << "in" << job.folder
                          << "not created:" << file.errorString();
        return false;
    }
    bool written = encoder(file, job.picture) && file.flush();
    if (!written) {
        qCDebug(lcCanvas) << "snapshot" << file.fileName() << "not written:" << file.errorString();
    }
    file.close();
    written = written && file.error() == QFileDevice::NoError;
    if (!written) {
        file.remove();
    }
    return written;
}
