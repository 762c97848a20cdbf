#include "AnnotationHistory.h"

#include <algorithm>
#include <cstring>

namespace {

bool tileDiffers(const QImage &before, const QImage &after, const QRect &tile)
{
    const auto bytes = size_t(tile.width()) * sizeof(QRgb);
    const auto offset = size_t(tile.x()) * sizeof(QRgb);
    for (int y = tile.top(); y <= tile.bottom(); ++y) {
        if (std::memcmp(before.constScanLine(y) + offset, after.constScanLine(y) + offset, bytes) !=
            0) {
            return true;
        }
    }
    return false;
}

qsizetype tileBytes(const QImage &pixels)
{
    return pixels.sizeInBytes();
}

} // namespace

bool AnnotationHistory::record(const QImage &before, const QImage &after, const QRect &area,
                               const ViewTransform &transform)
{
    if (before.isNull() || before.size() != after.size() || before.format() != after.format() ||
        before.depth() != 32) {
        return false;
    }
    const QRect inside = area.intersected(before.rect());
    if (inside.isEmpty()) {
        return false;
    }
    // The picture's own size: the view's size turned back.
    const QSize pictureSize = transform.viewSize(before.size());
    Step step;
    step.picture = pictureSize;
    const int x0 = inside.left() - inside.left() % kTileSize;
    const int y0 = inside.top() - inside.top() % kTileSize;
    for (int y = y0; y <= inside.bottom(); y += kTileSize) {
        for (int x = x0; x <= inside.right(); x += kTileSize) {
            const QRect tile = QRect(x, y, kTileSize, kTileSize).intersected(before.rect());
            if (!tileDiffers(before, after, tile)) {
                continue;
            }
            Tile t{transform.fromView(tile, pictureSize), transform.fromView(before.copy(tile))};
            step.bytes += tileBytes(t.pixels);
            step.tiles.push_back(std::move(t));
        }
    }
    if (step.tiles.empty()) {
        return false;
    }
    for (const Step &s : m_redo) {
        m_bytes -= s.bytes;
    }
    m_redo.clear();
    push(m_undo, std::move(step));
    return true;
}

void AnnotationHistory::clear()
{
    m_undo.clear();
    m_redo.clear();
    m_bytes = 0;
}

AnnotationHistory::Patches AnnotationHistory::takeUndo(const ViewTransform &transform,
                                                       const QSize &picture)
{
    return take(m_undo, transform, picture);
}

AnnotationHistory::Patches AnnotationHistory::takeRedo(const ViewTransform &transform,
                                                       const QSize &picture)
{
    return take(m_redo, transform, picture);
}

void AnnotationHistory::putRedo(const Patches &swapped, const ViewTransform &transform,
                                const QSize &picture)
{
    push(m_redo, fromView(swapped, transform, picture));
}

void AnnotationHistory::putUndo(const Patches &swapped, const ViewTransform &transform,
                                const QSize &picture)
{
    push(m_undo, fromView(swapped, transform, picture));
}

QRect AnnotationHistory::exchange(QImage &layer, Patches &patches)
{
    QRect touched;
    for (Patch &patch : patches) {
        const QRect r = patch.area;
        if (!layer.rect().contains(r) || patch.pixels.size() != r.size() ||
            patch.pixels.format() != layer.format()) {
            continue;
        }
        const auto bytes = size_t(r.width()) * sizeof(QRgb);
        const auto offset = size_t(r.x()) * sizeof(QRgb);
        std::vector<uchar> row(bytes);
        for (int y = 0; y < r.height(); ++y) {
            uchar *l = layer.scanLine(r.y() + y) + offset;
            uchar *p = patch.pixels.scanLine(y);
            std::memcpy(row.data(), l, bytes);
            std::memcpy(l, p, bytes);
            std::memcpy(p, row.data(), bytes);
        }
        touched = touched.united(r);
    }
    return touched;
}

AnnotationHistory::Patches AnnotationHistory::toView(const Step &step,
                                                     const ViewTransform &transform)
{
    Patches patches;
    patches.reserve(step.tiles.size());
    for (const Tile &tile : step.tiles) {
        patches.push_back(
            {transform.toView(tile.area, step.picture), transform.toView(tile.pixels)});
    }
    return patches;
}

AnnotationHistory::Step AnnotationHistory::fromView(const Patches &patches,
                                                    const ViewTransform &transform,
                                                    const QSize &picture)
{
    Step step;
    step.picture = picture;
    step.tiles.reserve(patches.size());
    for (const Patch &patch : patches) {
        Tile tile{transform.fromView(patch.area, picture), transform.fromView(patch.pixels)};
        step.bytes += tileBytes(tile.pixels);
        step.tiles.push_back(std::move(tile));
    }
    return step;
}

AnnotationHistory::Patches AnnotationHistory::take(std::deque<Step> &steps,
                                                   const ViewTransform &transform,
                                                   const QSize &picture)
{
    if (steps.empty()) {
        return {};
    }
    Step step = std::move(steps.back());
    steps.pop_back();
    m_bytes -= step.bytes;
    if (step.picture != picture) {
        return {};
    }
    return toView(step, transform);
}

void AnnotationHistory::push(std::deque<Step> &steps, Step step)
{
    if (step.tiles.empty()) {
        return;
    }
    m_bytes += step.bytes;
    steps.push_back(std::move(step));
    trim();
}

void AnnotationHistory::trim()
{
    // The oldest undo steps go first, then the farthest redo steps.
    while (!m_undo.empty() &&
           (int(m_undo.size() + m_redo.size()) > kMaxSteps || m_bytes > kMaxBytes)) {
        m_bytes -= m_undo.front().bytes;
        m_undo.pop_front();
    }
    while (!m_redo.empty() && (int(m_redo.size()) > kMaxSteps || m_bytes > kMaxBytes)) {
        m_bytes -= m_redo.front().bytes;
        m_redo.pop_front();
    }
}
