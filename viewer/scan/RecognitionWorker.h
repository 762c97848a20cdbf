#pragma once

#include "RecognizedText.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

// Reads the text of pages one after another on a thread of its own (the engine takes seconds
// per page). Signals are emitted on that thread; connected objects of other threads receive
// them queued.
class RecognitionWorker : public QObject {
    Q_OBJECT

public:
    // The reading thread's scheduling niceness (0 normal, 19 lowest).
    static constexpr int kNiceness = 10;

    explicit RecognitionWorker(const QString &language, QObject *parent = nullptr);
    // Stops the page being read and waits for the thread.
    ~RecognitionWorker() override;

    // Queues a page; id comes back with its signals.
    void enqueue(const QString &id, const QImage &page, double dpi);
    // Drops the page: a queued one goes; one being read is stopped and dropped() follows,
    // unless it was read already (recognized() is on its way).
    void cancel(const QString &id);
    void cancelAll();

signals:
    void progress(const QString &id, int percent);
    void recognized(const QString &id, const RecognizedText &text);
    // A page being read was cancelled.
    void dropped(const QString &id);
    // The language pack is missing; every queued page is dropped.
    void unavailable(const QString &language);

private:
    struct Job {
        QString id;
        QImage page;
        double dpi = 0.0;
    };

    void run(const QString &language);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    QString m_current;
    bool m_cancelCurrent = false;
    bool m_stop = false;
    std::thread m_thread;
};
