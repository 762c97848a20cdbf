#pragma once

#include <QImage>
#include <QPolygonF>

// Finds a sheet of paper in a camera picture: the largest convex quadrilateral of edges.
//
// The picture is downscaled to at most kDetectLongSide pixels on its long side for the search;
// the corners are given in the pixels of the picture passed in, top-left first, clockwise.
class PageDetector {
public:
    static constexpr int kDetectLongSide = 1000;
    // A page covers at least this share of the picture; smaller shapes are print on the desk.
    static constexpr double kMinAreaShare = 0.15;
    // Below this mean brightness (0..255) the picture is too dark to find anything in.
    static constexpr double kMinBrightness = 30.0;

    struct Result {
        bool found = false;
        // Four corners, top-left, top-right, bottom-right, bottom-left (empty when not found).
        QPolygonF corners;
        // 0..1: how well the edges of the picture follow the quadrilateral's outline.
        double confidence = 0.0;
    };

    static Result detect(const QImage &picture);
    // The four corners in reading order (top-left first, clockwise) whatever order they came in.
    static QPolygonF ordered(const QPolygonF &corners);
};
