#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>
#include <thread>

// Mends the recordings of a folder that were cut off before their writer finished them
// (power gone, process killed): each AVI file without an index, and each WebM file whose
// segment has no size, is copied by remuxing its streams (no re-encoding) into a new file
// beside it, "<name>.avi.repair", which replaces the original only once it is finished (an AVI
// copy: once its index lists as many video frames as the original holds). MP4 recordings are
// written in fragments that play as they stand. A file that
// another process still has open (a recording in progress) is left alone, and so is every
// file whose copy comes out short; a copy that cannot be finished is removed.
//
// start() works on a thread of its own; destruction cancels a running copy (removing it) and
// waits for the thread. Failures are logged in the category doccam.sources.
class RecordingRepair {
public:
    static constexpr const char *PartSuffix = ".repair";

    explicit RecordingRepair(const QString &folder);
    ~RecordingRepair();
    RecordingRepair(const RecordingRepair &) = delete;
    RecordingRepair &operator=(const RecordingRepair &) = delete;

    // Repairs the folder's recordings on the worker thread (once).
    void start();
    // Blocks until the worker is done; true when it finished within the bound.
    bool wait(int ms);
    bool isDone() const { return m_done.load(std::memory_order_acquire); }
    // The recordings replaced by their repaired copies so far.
    QStringList repaired() const;

    // The AVI and WebM files of the folder that need a repair (regular files only, in name
    // order).
    static QStringList candidates(const QDir &folder);
    // Another process has the file open (checked with a write lease, which only a file that
    // nobody else holds open can get).
    static bool isOpenElsewhere(const QString &path);
    // Repairs one recording on the calling thread; true when the original was replaced.
    static bool repair(const QString &path, const std::atomic<bool> &cancel);

private:
    void run();

    const QString m_folder;
    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
    mutable std::mutex m_mutex;
    QStringList m_repaired;
};
