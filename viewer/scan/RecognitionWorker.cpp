#include "RecognitionWorker.h"

#include "ScanLog.h"
#include "TextRecognizer.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

RecognitionWorker::RecognitionWorker(const QString &language, QObject *parent) : QObject(parent)
{
    qRegisterMetaType<RecognizedText>();
    m_thread = std::thread([this, language] { run(language); });
}

RecognitionWorker::~RecognitionWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void RecognitionWorker::enqueue(const QString &id, const QImage &page, double dpi)
{
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back({id, page, dpi});
    }
    m_wake.notify_all();
}

void RecognitionWorker::cancel(const QString &id)
{
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_jobs, [&](const Job &job) { return job.id == id; });
    if (m_current == id) {
        m_cancelCurrent = true;
    }
}

void RecognitionWorker::cancelAll()
{
    const std::lock_guard lock(m_mutex);
    m_jobs.clear();
    m_cancelCurrent = !m_current.isEmpty();
}

void RecognitionWorker::run(const QString &language)
{
    // Reading yields to the live picture: the engine's own threads, started from this one,
    // inherit its lower priority.
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kNiceness) != 0) {
        qCDebug(lcScan) << "text recognition runs at normal priority:" << qt_error_string(errno);
    }
    // Made on this thread and used only here: the engine loads its language once.
    TextRecognizer recognizer(language);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
            if (m_stop) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_current = job.id;
            m_cancelCurrent = false;
        }
        if (!recognizer.isAvailable()) {
            const std::lock_guard lock(m_mutex);
            m_jobs.clear();
            m_current.clear();
            emit unavailable(language);
            continue;
        }
        const RecognizedText text =
            recognizer.recognize(job.page, job.dpi, [this, &job](int percent) {
                {
                    const std::lock_guard lock(m_mutex);
                    if (m_stop || m_cancelCurrent) {
                        return false;
                    }
                }
                emit progress(job.id, percent);
                return true;
            });
        // Decided and signalled under the lock: a cancel() either comes before (and sees the
        // page being read, so waits for dropped()) or after (and sees it done).
        const std::lock_guard lock(m_mutex);
        if (m_cancelCurrent || m_stop) {
            qCDebug(lcScan) << "text recognition of page" << job.id << "cancelled";
            emit dropped(job.id);
        } else {
            emit recognized(job.id, text);
        }
        m_current.clear();
    }
}
