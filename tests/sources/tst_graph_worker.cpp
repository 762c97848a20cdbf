#include "GraphWorker.h"

#include <QtTest>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class GraphWorkerTest : public QObject {
    Q_OBJECT

private slots:
    void jobsRunInOrderOnOneThreadOfTheirOwn();
    void waitIdleWaitsForEveryJobPostedBefore();
};

void GraphWorkerTest::jobsRunInOrderOnOneThreadOfTheirOwn()
{
    GraphWorker &worker = GraphWorker::instance();
    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    // Posted from the test's thread and from others: each poster's jobs keep their order.
    const auto postRun = [&](int from, int count) {
        for (int i = 0; i < count; ++i) {
            worker.post([&, value = from + i] {
                std::lock_guard lock(mutex);
                order.push_back(value);
                threads.push_back(std::this_thread::get_id());
            });
        }
    };
    std::thread other([&] { postRun(1000, 50); });
    postRun(0, 50);
    other.join();
    QVERIFY(worker.waitIdle(5000));

    std::lock_guard lock(mutex);
    QCOMPARE(order.size(), size_t(100));
    for (const int from : {0, 1000}) {
        int last = from - 1;
        for (const int value : order) {
            if (value >= from && value < from + 50) {
                QCOMPARE(value, last + 1);
                last = value;
            }
        }
    }
    QVERIFY(threads.front() != std::this_thread::get_id());
    QCOMPARE(std::count(threads.begin(), threads.end(), threads.front()), qsizetype(100));
}

void GraphWorkerTest::waitIdleWaitsForEveryJobPostedBefore()
{
    GraphWorker &worker = GraphWorker::instance();
    std::atomic<bool> release{false};
    std::atomic<int> done{0};
    worker.post([&] {
        while (!release.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        done.fetch_add(1);
    });
    worker.post([&] { done.fetch_add(1); });
    // Bounded while a job holds the worker; the jobs behind it wait their turn.
    QVERIFY(!worker.waitIdle(50));
    QCOMPARE(done.load(), 0);
    release.store(true);
    QVERIFY(worker.waitIdle(5000));
    QCOMPARE(done.load(), 2);
}

QTEST_GUILESS_MAIN(GraphWorkerTest)
#include "tst_graph_worker.moc"
