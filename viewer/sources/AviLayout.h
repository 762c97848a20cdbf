#pragma once

#include <QtGlobal>

// What the chunks of an AVI file say about it, read without decoding anything.
//
// A writer that finishes a recording fills in the size of its "movi" list and appends the
// index ("idx1"). A recording cut off (the process killed, the power gone) keeps the
// placeholder size and has no index: players then see no duration, although the frames are
// all there.
class AviLayout {
public:
    // Reads the layout of an open file (the descriptor stays open).
    static AviLayout read(int fd);

    bool isAvi() const { return m_avi; }
    // The writer finished the file: it has an index or a filled-in "movi" list.
    bool isFinished() const { return m_finished; }
    // An unfinished AVI file with at least one complete video frame.
    bool needsRepair() const { return m_avi && !m_finished && m_videoFrames > 0; }
    // Complete video chunks ("##db", "##dc") in the file's frame data.
    int videoFrames() const { return m_videoFrames; }
    // Video chunks the index lists.
    int indexedVideoFrames() const { return m_indexedVideoFrames; }

private:
    void walkFrames(int fd, qint64 begin, qint64 end, int depth);
    void countIndex(int fd, qint64 begin, qint64 end);

    bool m_avi = false;
    bool m_finished = false;
    int m_videoFrames = 0;
    int m_indexedVideoFrames = 0;
};
