#pragma once

#include <QImage>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>

class QIODevice;

// Writes snapshot files on a thread of its own, one after the other, so that neither the
// streaming thread nor the canvas lock waits for the disk. Each file takes the first free
// name of its stem (or replaces the stem's plain name, for a series without an interval);
// what happened is reported through the job's callback, on the writer's thread.
//
// At most kMaxPending writes wait or run at once for pictures that may be dropped (a timed
// series); a single snapshot is always queued. The destructor waits for every pending write.
class SnapshotWriter {
public:
    static constexpr int kMaxPending = 2;

    // Encodes a picture into an open file; false if it could not.
    using Encoder = std::function<bool(QIODevice &file, const QImage &picture)>;
    using Done = std::function<void(bool written)>;

    struct Job {
        QImage picture;
        QString folder;
        QString stem;
        bool replace = false;
    };

    SnapshotWriter();
    ~SnapshotWriter();
    SnapshotWriter(const SnapshotWriter &) = delete;
    SnapshotWriter &operator=(const SnapshotWriter &) = delete;

    // The JPEG encoder at the toolkit's default quality.
    static bool encodeJpeg(QIODevice &file, const QImage &picture);

    // Queues the job; false (nothing queued, done not called) when it is droppable and
    // kMaxPending writes are pending already.
    bool submit(Job job, bool droppable, const Encoder &encoder, Done done);
    int pending() const { return m_pending.load(); }
    // Waits until every queued write has finished and reported.
    void waitForDone();

private:
    static bool write(const Job &job, const Encoder &encoder);

    QThreadPool m_pool;
    std::atomic<int> m_pending{0};
};
