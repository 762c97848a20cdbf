#include "AutoCapture.h"

#include <cstdlib>

bool AutoCapture::feed(const QImage &picture, qint64 msecs)
{
    if (picture.isNull()) {
        return false;
    }
    const QImage current = small(picture);
    if (m_reference.isNull()) {
        m_reference = current;
        m_previous = current;
        return false;
    }
    const bool still = difference(current, m_previous) < kStillLevel;
    m_previous = current;
    const bool changed = difference(current, m_reference) > kChangeLevel;

    switch (m_state) {
    case State::Waiting:
        if (changed) {
            m_state = State::Changing;
            m_stillSince = msecs;
        }
        return false;
    case State::Changing:
        if (!still) {
            m_stillSince = msecs;
            return false;
        }
        if (msecs - m_stillSince < kHoldMs) {
            return false;
        }
        m_state = State::Waiting;
        if (!changed) {
            return false; // the same page came back
        }
        m_reference = current;
        return true;
    }
    return false;
}

void AutoCapture::rebase(const QImage &picture)
{
    m_reference = picture.isNull() ? QImage() : small(picture);
    m_previous = m_reference;
    m_state = State::Waiting;
}

void AutoCapture::reset()
{
    rebase({});
}

QImage AutoCapture::small(const QImage &picture)
{
    // Sampled down in two steps: smoothing a full camera picture in one costs far more.
    return picture.scaled(kWidth * 4, kHeight * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_Grayscale8);
}

double AutoCapture::difference(const QImage &a, const QImage &b)
{
    long sum = 0;
    for (int y = 0; y < kHeight; ++y) {
        const uchar *rowA = a.constScanLine(y);
        const uchar *rowB = b.constScanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            sum += std::abs(rowA[x] - rowB[x]);
        }
    }
    return static_cast<double>(sum) / (kWidth * kHeight);
}
