#pragma once

#include <QtGlobal>

// The gate of a time-lapse recording: of the frames that reach it, one per interval passes,
// the first at once, and each passing frame is stamped anew one film frame (40 ms) after the
// one before, so that the film plays at 25 frames a second whatever the interval.
//
// The decision goes by the frames' own time stamps, not by the wall clock. One thread (the
// streaming thread) uses a gate.
class TimeLapse {
public:
    static constexpr qint64 kFilmFrameNs = 40'000'000;
    static constexpr int kFilmFramesPerSecond = 25;

    explicit TimeLapse(qint64 intervalNs) : m_intervalNs(intervalNs) {}

    // Whether the frame stamped ptsNs is taken; when it is, filmPtsNs receives its time stamp
    // in the film. A frame without a time stamp (negative) is never taken.
    bool admit(qint64 ptsNs, qint64 &filmPtsNs);

    int framesTaken() const { return m_taken; }
    // How long a film of this many frames plays.
    static qint64 filmLengthMs(int frames) { return qint64(frames) * kFilmFrameNs / 1'000'000; }

private:
    const qint64 m_intervalNs;
    qint64 m_nextNs = -1; // time stamp from which the next frame is taken (streaming thread)
    int m_taken = 0;
};
