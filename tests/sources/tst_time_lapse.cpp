// The time-lapse gate without a graph (time-lapse recordings themselves are read back in the
// live tests).
#include "TimeLapse.h"

#include <QtTest>

using Frames = QList<qint64>; // time stamps in milliseconds

class TimeLapseTest : public QObject {
    Q_OBJECT

private slots:
    void gateTakesOneFramePerIntervalAndRestamps_data()
    {
        QTest::addColumn<qint64>("intervalMs");
        QTest::addColumn<Frames>("arriving");
        QTest::addColumn<Frames>("taken");
        // 25 frames a second for 3 s, one a second: the first at once.
        Frames steady;
        for (qint64 t = 5000; t < 8000; t += 40) {
            steady << t;
        }
        QTest::newRow("1 s of 25 fps") << qint64(1000) << steady << Frames{5000, 6000, 7000};
        // Late frames do not make the spacing drift: each is due an interval after the last
        // was due.
        QTest::newRow("jitter") << qint64(1000) << Frames{0, 990, 1010, 1990, 2030, 2990, 3000}
                                << Frames{0, 1010, 2030, 3000};
        // A stream that stood still longer than an interval starts its spacing afresh.
        QTest::newRow("gap") << qint64(1000) << Frames{0, 5000, 5500, 6000, 6100}
                             << Frames{0, 5000, 6000};
        QTest::newRow("no time stamp")
            << qint64(1000) << Frames{-1, 100, 1100} << Frames{100, 1100};
    }
    void gateTakesOneFramePerIntervalAndRestamps()
    {
        QFETCH(qint64, intervalMs);
        QFETCH(Frames, arriving);
        QFETCH(Frames, taken);
        TimeLapse gate(intervalMs * 1'000'000);
        Frames passed;
        for (qint64 ms : arriving) {
            qint64 filmPts = -1;
            if (gate.admit(ms < 0 ? -1 : ms * 1'000'000, filmPts)) {
                // Stamped one film frame after the frame before.
                QCOMPARE(filmPts, qint64(passed.size()) * TimeLapse::kFilmFrameNs);
                passed << ms;
            }
        }
        QCOMPARE(passed, taken);
        QCOMPARE(gate.framesTaken(), int(taken.size()));
        QCOMPARE(TimeLapse::filmLengthMs(gate.framesTaken()), qint64(taken.size()) * 40);
    }
};

QTEST_GUILESS_MAIN(TimeLapseTest)
#include "tst_time_lapse.moc"
