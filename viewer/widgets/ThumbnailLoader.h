#pragma once

#include <QImage>
#include <QSemaphore>
#include <QSize>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <mutex>

// Decodes and shrinks the pictures of the thumbnail strip on its own thread, strictly in list
// order, one at a time. The strip holds the single permit of the semaphore while it changes
// its buttons; the loader holds it while it runs. Each finished picture is announced with
// thumbnailReady(); the strip receives it on the GUI thread (queued), so no picture is ever
// shared between the two threads while it is being replaced.
class ThumbnailLoader : public QThread {
    Q_OBJECT

public:
    explicit ThumbnailLoader(QObject *parent = nullptr);
    ~ThumbnailLoader() override;

    // Asks a running loader to stop after its current picture and waits for the permit, which
    // the caller then holds. Returns at once when no loader runs.
    void cancelAndAcquire();
    // Starts a run over paths; the caller must hold the permit (from cancelAndAcquire()).
    void startRun(const QStringList &paths, int generation);

    // The picture for one cell: the file decoded (a JPEG straight to a reduced size by the
    // decoder's own scaling) and fitted into size with smooth scaling. A null image when the
    // file cannot be decoded.
    static QImage loadThumbnail(const QString &path, QSize size);

    static constexpr int kCellWidth = 56;
    static constexpr int kCellHeight = 50;

signals:
    void thumbnailReady(int generation, int index, const QImage &image);

protected:
    void run() override;

private:
    QSemaphore m_permit{0};
    std::atomic<bool> m_cancel{false};
    // The run's work, handed from the GUI thread to the loader thread. The permit already
    // orders the two; the mutex states it in a form thread checkers can see as well.
    std::mutex m_runLock;
    QStringList m_paths;
    int m_generation = 0;
};
