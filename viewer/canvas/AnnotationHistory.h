#pragma once

#include "ViewTransform.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <deque>
#include <vector>

// Undo and redo steps of one canvas's annotation layer.
//
// A step keeps only the 64 x 64 tiles of the layer that it changed, each as the pixels the
// tile held on the other side of the step, in the picture's own coordinates (before mirror
// and turns), so that a step recorded before a turn or a mirror still lands on the document.
// Undoing a step exchanges its tiles with the layer's: the tiles then hold what redo puts back.
//
// Bound: at most kMaxSteps steps and kMaxBytes bytes of tiles, undo and redo together; the
// oldest undo steps go first. A stroke costs 16 KiB per tile it touched (a line across a
// 1280 x 960 layer about 30 tiles, 0.5 MiB); clearing a layer drawn all over costs the whole
// layer once (300 tiles, 4.7 MiB).
//
// GUI thread only. The caller swaps the tiles into the layer under its own lock; converting
// them between the picture's and the view's coordinates happens outside it.
class AnnotationHistory {
public:
    static constexpr int kTileSize = 64;
    static constexpr int kMaxSteps = 100;
    static constexpr qsizetype kMaxBytes = qsizetype(128) << 20;

    // Pixels of a part of the layer, in view (layer) coordinates.
    struct Patch {
        QRect area;
        QImage pixels;
    };
    using Patches = std::vector<Patch>;

    // Records the change from `before` to `after` (two ARGB32 layers of one size, in the view
    // coordinates of `transform`) inside `area` as one step and forgets the redo steps. Tiles
    // without a changed pixel are left out; false when nothing changed at all.
    bool record(const QImage &before, const QImage &after, const QRect &area,
                const ViewTransform &transform);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    int undoCount() const { return int(m_undo.size()); }
    int redoCount() const { return int(m_redo.size()); }
    qsizetype bytes() const { return m_bytes; }
    void clear();

    // Takes the newest undo (redo) step out, its tiles laid out for `transform` on a picture
    // of size `picture`; empty when there is none or it was recorded for another picture size.
    Patches takeUndo(const ViewTransform &transform, const QSize &picture);
    Patches takeRedo(const ViewTransform &transform, const QSize &picture);
    // Puts the tiles swapped out of the layer by an undo (a redo) on the redo (undo) side.
    void putRedo(const Patches &swapped, const ViewTransform &transform, const QSize &picture);
    void putUndo(const Patches &swapped, const ViewTransform &transform, const QSize &picture);

    // Exchanges the pixels of each patch with the layer's (same format); returns the area
    // touched. This is the part to run under the canvas lock: row copies only.
    static QRect exchange(QImage &layer, Patches &patches);

private:
    struct Tile {
        QRect area; // picture coordinates
        QImage pixels;
    };
    struct Step {
        QSize picture;
        std::vector<Tile> tiles;
        qsizetype bytes = 0;
    };

    static Patches toView(const Step &step, const ViewTransform &transform);
    static Step fromView(const Patches &patches, const ViewTransform &transform,
                         const QSize &picture);
    Patches take(std::deque<Step> &steps, const ViewTransform &transform, const QSize &picture);
    void push(std::deque<Step> &steps, Step step);
    void trim();

    std::deque<Step> m_undo;
    std::deque<Step> m_redo;
    qsizetype m_bytes = 0;
};
