#include "TimeLapse.h"

bool TimeLapse::admit(qint64 ptsNs, qint64 &filmPtsNs)
{
    if (ptsNs < 0 || (m_nextNs >= 0 && ptsNs < m_nextNs)) {
        return false;
    }
    // The next frame is due one interval after this one was due (not after it came), so that
    // frames arriving a little late do not make the spacing drift.
    m_nextNs = m_nextNs < 0 ? ptsNs + m_intervalNs : m_nextNs + m_intervalNs;
    if (m_nextNs <= ptsNs) {
        m_nextNs = ptsNs + m_intervalNs; // a gap in the stream (a frozen camera): start afresh
    }
    filmPtsNs = qint64(m_taken++) * kFilmFrameNs;
    return true;
}
