#pragma once

#include "IOutputCompositor.h"
#include "StillPane.h"

#include <QMutex>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

// Split compare: the live picture beside up to three still panes, two panes side by side or
// four in a two-by-two grid, laid into the live canvas's composed picture (so the split shows
// in snapshots, recordings and the presentation node as it does on the screen). The live pane
// keeps the canvas's own view and drawing; each still pane has its own (StillPane).
//
// Cells are numbered left to right, top to bottom; the live picture sits in one of them (the
// first until swapped) and the still panes fill the others in the order they were added.
// Threads: composeOutput() runs on the canvas's composing thread; every other operation on the
// GUI thread. One lock guards the panes.
class SplitCompositor final : public IOutputCompositor {
public:
    static constexpr int kMaxStillPanes = 3;

    // Adds a still pane; false (and nothing changes) when all panes are taken.
    bool addPane(StillPane pane);
    // Removes every still pane: the single view again.
    void clear();
    bool isActive() const;
    int stillPaneCount() const;
    // Two cells while one still pane is shown, four from two on.
    int cellCount() const;
    int liveCell() const;
    // The live picture moves to the next cell (the still panes keep their order).
    void swap();

    // The cell of a picture of size `frame` that holds the point, -1 outside every cell (the
    // gap of an odd size). cellRect() is that cell's rectangle in the picture.
    int cellAt(const QPoint &point, const QSize &frame) const;
    QRect cellRect(int cell, const QSize &frame) const;
    // Runs `change` on the still pane shown in `cell` under the lock; false when the cell holds
    // the live picture or nothing.
    bool changePane(int cell, const std::function<void(StillPane &)> &change);

    // The whole layout for a picture of some size; left: cells in a row, else a 2 x 2 grid.
    static QRect cellRect(int cell, int cells, const QSize &frame);

    void composeOutput(QImage &picture) override;

private:
    // The still pane shown in a cell, or -1 (the live cell, an empty cell).
    int paneIndex(int cell) const;

    mutable QMutex m_lock;
    std::vector<StillPane> m_panes;
    int m_liveCell = 0;
    QImage m_out[2];
    int m_nextOut = 0;
};
