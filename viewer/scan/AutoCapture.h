#pragma once

#include <QImage>

// Decides when to take the next page of a book: when the picture has changed from the page last
// taken (a page was turned) and has then held still for kHoldMs.
//
// Fed with camera pictures of any size and their times; it compares them at kWidth x kHeight in
// grey, so feeding a few pictures a second costs next to nothing.
class AutoCapture {
public:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;
    // Mean difference (grey levels) from the page last taken that counts as a new page.
    static constexpr double kChangeLevel = 10.0;
    // Mean difference between two pictures in a row below which the picture holds still.
    static constexpr double kStillLevel = 2.5;
    static constexpr qint64 kHoldMs = 1000;

    enum class State {
        Waiting,  // showing the page last taken
        Changing, // the picture differs from it; waiting for it to hold still
    };

    // True when the page in picture should be taken now; it then becomes the page last taken.
    bool feed(const QImage &picture, qint64 msecs);
    // Takes picture as the page last taken (a page scanned by hand, or the start).
    void rebase(const QImage &picture);
    void reset();
    State state() const { return m_state; }

private:
    static QImage small(const QImage &picture);
    static double difference(const QImage &a, const QImage &b);

    State m_state = State::Waiting;
    QImage m_reference;
    QImage m_previous;
    qint64 m_stillSince = 0;
};
