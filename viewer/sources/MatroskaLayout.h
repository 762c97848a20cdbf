#pragma once

#include <QtGlobal>

// What the head of a WebM (Matroska) file says about it, read without decoding anything.
//
// A writer that finishes a recording fills in the size of its segment (and its duration); a
// recording cut off keeps the segment's size "unknown": its frames play, but players see no
// duration and cannot seek.
class MatroskaLayout {
public:
    // Reads the layout of an open file (the descriptor stays open).
    static MatroskaLayout read(int fd);

    bool isMatroska() const { return m_matroska; }
    // The writer finished the file: its segment has a known size.
    bool isFinished() const { return m_finished; }
    // An unfinished file with data after its head.
    bool needsRepair() const { return m_matroska && !m_finished && m_hasData; }

private:
    bool m_matroska = false;
    bool m_finished = false;
    bool m_hasData = false;
};
