#include "SplitCompositor.h"

#include "FrameOps.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>

namespace {

// Copies an RGB888 picture into the cell of another one, clipped to the cell.
void blit(QImage &target, const QImage &source, const QRect &cell)
{
    const QRect part = QRect(cell.topLeft(), source.size()).intersected(cell);
    const int bytes = part.width() * 3;
    for (int y = 0; y < part.height(); ++y) {
        std::memcpy(target.scanLine(part.top() + y) + part.left() * 3, source.constScanLine(y),
                    size_t(bytes));
    }
}

void fillBlack(QImage &target, const QRect &area)
{
    const QRect part = area.intersected(target.rect());
    for (int y = part.top(); y <= part.bottom(); ++y) {
        std::memset(target.scanLine(y) + part.left() * 3, 0, size_t(part.width()) * 3);
    }
}

} // namespace

bool SplitCompositor::addPane(StillPane pane)
{
    QMutexLocker locker(&m_lock);
    if (int(m_panes.size()) >= kMaxStillPanes) {
        return false;
    }
    m_panes.push_back(std::move(pane));
    m_liveCell = std::min(m_liveCell, int(m_panes.size()));
    return true;
}

void SplitCompositor::clear()
{
    QMutexLocker locker(&m_lock);
    m_panes.clear();
    m_liveCell = 0;
}

bool SplitCompositor::isActive() const
{
    QMutexLocker locker(&m_lock);
    return !m_panes.empty();
}

int SplitCompositor::stillPaneCount() const
{
    QMutexLocker locker(&m_lock);
    return int(m_panes.size());
}

int SplitCompositor::cellCount() const
{
    QMutexLocker locker(&m_lock);
    return m_panes.size() <= 1 ? 2 : 4;
}

int SplitCompositor::liveCell() const
{
    QMutexLocker locker(&m_lock);
    return m_liveCell;
}

void SplitCompositor::swap()
{
    QMutexLocker locker(&m_lock);
    if (m_panes.empty()) {
        return;
    }
    // The live picture goes round the cells that hold a picture.
    m_liveCell = (m_liveCell + 1) % (int(m_panes.size()) + 1);
}

QRect SplitCompositor::cellRect(int cell, int cells, const QSize &frame)
{
    if (cells <= 2) {
        const int w = frame.width() / 2;
        return {cell * w, 0, w, frame.height()};
    }
    const int w = frame.width() / 2;
    const int h = frame.height() / 2;
    return {(cell % 2) * w, (cell / 2) * h, w, h};
}

QRect SplitCompositor::cellRect(int cell, const QSize &frame) const
{
    return cellRect(cell, cellCount(), frame);
}

int SplitCompositor::cellAt(const QPoint &point, const QSize &frame) const
{
    const int cells = cellCount();
    for (int cell = 0; cell < cells; ++cell) {
        if (cellRect(cell, cells, frame).contains(point)) {
            return cell;
        }
    }
    return -1;
}

int SplitCompositor::paneIndex(int cell) const
{
    if (cell < 0 || cell == m_liveCell) {
        return -1;
    }
    const int index = cell < m_liveCell ? cell : cell - 1;
    return index < int(m_panes.size()) ? index : -1;
}

bool SplitCompositor::changePane(int cell, const std::function<void(StillPane &)> &change)
{
    QMutexLocker locker(&m_lock);
    const int index = paneIndex(cell);
    if (index < 0) {
        return false;
    }
    change(m_panes[size_t(index)]);
    return true;
}

void SplitCompositor::composeOutput(QImage &picture)
{
    QMutexLocker locker(&m_lock);
    if (m_panes.empty() || picture.width() < 2 || picture.height() < 2) {
        return;
    }
    const int cells = m_panes.size() <= 1 ? 2 : 4;
    const QSize frame = picture.size();
    const QRect live = cellRect(m_liveCell, cells, frame);
    // The split picture goes into one of two buffers in turn: the canvas keeps the last one
    // until the next frame, so the other is free again by then and nothing is copied or
    // allocated. The cells' pictures fill their cells, so only empty cells and the gaps of an
    // odd size are cleared.
    m_nextOut = 1 - m_nextOut;
    QImage &out = m_out[m_nextOut];
    if (!out.isDetached() || out.size() != frame || out.format() != QImage::Format_RGB888) {
        out = QImage(frame, QImage::Format_RGB888);
    }
    FrameOps::fitIntoRect(picture, out, live);
    QRect covered;
    for (int cell = 0; cell < cells; ++cell) {
        const QRect rect = cellRect(cell, cells, frame);
        covered = covered.united(rect);
        const int index = paneIndex(cell);
        if (index >= 0) {
            blit(out, m_panes[size_t(index)].composed(rect.size()), rect);
        } else if (cell != m_liveCell) {
            fillBlack(out, rect);
        }
    }
    fillBlack(out, QRect(covered.right() + 1, 0, frame.width() - covered.width(), frame.height()));
    fillBlack(out,
              QRect(0, covered.bottom() + 1, frame.width(), frame.height() - covered.height()));
    picture = out;
}
