#include "PageDetector.h"

#include "CvImage.h"
#include "ScanLog.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <vector>

namespace {
using Contour = std::vector<cv::Point>;

// A convex quadrilateral that approximates contour, if it is one.
std::optional<std::vector<cv::Point2f>> quadOf(const Contour &contour, double minArea)
{
    if (std::abs(cv::contourArea(contour)) < minArea) {
        return std::nullopt;
    }
    Contour hull;
    cv::convexHull(contour, hull);
    Contour approx;
    cv::approxPolyDP(hull, approx, 0.02 * cv::arcLength(hull, true), true);
    if (approx.size() != 4 || !cv::isContourConvex(approx)) {
        return std::nullopt;
    }
    // The outline must follow the hull: a contour that strays from it (an edge running into
    // the desk's texture) gives a hull that is no page.
    if (std::abs(cv::contourArea(contour)) < 0.85 * cv::contourArea(approx)) {
        return std::nullopt;
    }
    std::vector<cv::Point2f> quad;
    for (const cv::Point &p : approx) {
        quad.emplace_back(static_cast<float>(p.x), static_cast<float>(p.y));
    }
    return quad;
}

// Fits a line to the edge points along each side and intersects neighbouring sides: the
// approximation's corners are points of a widened edge, the fitted lines follow the edge itself.
std::vector<cv::Point2f> refined(const std::vector<cv::Point2f> &quad, const Contour &edgePoints)
{
    std::array<cv::Vec4f, 4> lines;
    for (size_t side = 0; side < 4; ++side) {
        const cv::Point2f a = quad[side];
        const cv::Point2f b = quad[(side + 1) % 4];
        const cv::Point2f d = b - a;
        const float length = std::hypot(d.x, d.y);
        std::vector<cv::Point2f> near;
        for (const cv::Point &p : edgePoints) {
            const cv::Point2f v = cv::Point2f(p) - a;
            const float along = (v.x * d.x + v.y * d.y) / (length * length);
            const float across = std::abs(v.x * d.y - v.y * d.x) / length;
            if (along > 0.1f && along < 0.9f && across < 3.0f) {
                near.push_back(cv::Point2f(p));
            }
        }
        if (near.size() < 10) {
            return quad;
        }
        cv::fitLine(near, lines[side], cv::DIST_HUBER, 0, 0.01, 0.01);
    }
    std::vector<cv::Point2f> corners;
    for (size_t i = 0; i < 4; ++i) {
        const cv::Vec4f &l1 = lines[(i + 3) % 4];
        const cv::Vec4f &l2 = lines[i];
        const float det = l1[0] * l2[1] - l1[1] * l2[0];
        if (std::abs(det) < 1e-3f) {
            return quad;
        }
        const float t = ((l2[2] - l1[2]) * l2[1] - (l2[3] - l1[3]) * l2[0]) / det;
        const cv::Point2f p(l1[2] + t * l1[0], l1[3] + t * l1[1]);
        if (std::hypot(p.x - quad[i].x, p.y - quad[i].y) > 10.0f) {
            return quad; // a side fitted to something else
        }
        corners.push_back(p);
    }
    return corners;
}

// Share of the outline's points that lie on an edge.
double edgeSupport(const std::vector<cv::Point2f> &quad, const cv::Mat &edges)
{
    int on = 0;
    int total = 0;
    for (size_t side = 0; side < 4; ++side) {
        const cv::Point2f a = quad[side];
        const cv::Point2f b = quad[(side + 1) % 4];
        const int steps = std::max(1, static_cast<int>(std::hypot(b.x - a.x, b.y - a.y)));
        for (int s = 0; s < steps; ++s) {
            const cv::Point2f p = a + (b - a) * (static_cast<float>(s) / steps);
            const int x = std::clamp(static_cast<int>(std::lround(p.x)), 0, edges.cols - 1);
            const int y = std::clamp(static_cast<int>(std::lround(p.y)), 0, edges.rows - 1);
            on += edges.at<uchar>(y, x) != 0 ? 1 : 0;
            ++total;
        }
    }
    return total > 0 ? static_cast<double>(on) / total : 0.0;
}
} // namespace

PageDetector::Result PageDetector::detect(const QImage &picture)
{
    if (picture.isNull()) {
        qCDebug(lcScan) << "no page: no picture";
        return {};
    }
    // Sampled down in colour first: a full camera picture is turned grey only at search size.
    QImage holder;
    CvImage::Layout layout = CvImage::Layout::Grey;
    const cv::Mat full = CvImage::view(picture, holder, layout);
    const double scale =
        std::min(1.0, static_cast<double>(kDetectLongSide) / std::max(full.cols, full.rows));
    cv::Mat small;
    if (scale < 1.0) {
        cv::Mat reduced;
        cv::resize(full, reduced, cv::Size(), scale, scale, cv::INTER_AREA);
        small = CvImage::toGrey(reduced, layout);
    } else {
        small = CvImage::toGrey(full, layout);
    }
    if (cv::mean(small)[0] < kMinBrightness) {
        qCDebug(lcScan) << "no page: the picture is too dark";
        return {};
    }

    cv::Mat blurred;
    cv::GaussianBlur(small, blurred, cv::Size(5, 5), 0);
    const double minArea = kMinAreaShare * small.cols * small.rows;

    // Three views of the page's outline: weak and strong edges (a page on a plain or a busy
    // desk), and the bright region of the paper itself.
    cv::Mat weak;
    cv::Canny(blurred, weak, 30, 90);
    cv::Mat strong;
    cv::Canny(blurred, strong, 60, 180);
    cv::Mat bright;
    cv::threshold(blurred, bright, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    cv::morphologyEx(bright, bright, cv::MORPH_OPEN,
                     cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));
    Contour edgePoints;
    cv::findNonZero(weak, edgePoints);
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    cv::dilate(weak, weak, kernel);
    cv::dilate(strong, strong, kernel);

    std::vector<cv::Point2f> best;
    double bestArea = 0.0;
    for (const cv::Mat *view : {&bright, &strong, &weak}) {
        std::vector<Contour> contours;
        cv::findContours(view->clone(), contours, cv::RETR_LIST, cv::CHAIN_APPROX_NONE);
        for (const Contour &contour : contours) {
            const auto quad = quadOf(contour, minArea);
            if (!quad) {
                continue;
            }
            const double area = cv::contourArea(*quad);
            // Nearly the whole picture is its frame, not a page.
            if (area > bestArea && area < 0.98 * small.cols * small.rows) {
                bestArea = area;
                best = refined(*quad, edgePoints);
            }
        }
    }
    if (best.empty()) {
        qCDebug(lcScan) << "no page: no quadrilateral of edges covers" << kMinAreaShare * 100
                        << "% of the picture";
        return {};
    }

    Result result;
    result.found = true;
    result.confidence = edgeSupport(best, weak);
    QPolygonF corners;
    for (const cv::Point2f &p : best) {
        // Pixel centres: a downscaled pixel (x, y) covers the source's (x + 0.5) / scale.
        corners << QPointF((p.x + 0.5) / scale - 0.5, (p.y + 0.5) / scale - 0.5);
    }
    result.corners = ordered(corners);
    return result;
}

QPolygonF PageDetector::ordered(const QPolygonF &corners)
{
    if (corners.size() != 4) {
        return corners;
    }
    QPointF centre;
    for (const QPointF &p : corners) {
        centre += p / 4.0;
    }
    std::vector<QPointF> points(corners.begin(), corners.end());
    // Clockwise on the screen (y grows downwards) is increasing angle.
    std::sort(points.begin(), points.end(), [&](const QPointF &a, const QPointF &b) {
        return std::atan2(a.y() - centre.y(), a.x() - centre.x()) <
               std::atan2(b.y() - centre.y(), b.x() - centre.x());
    });
    const auto first = std::min_element(points.begin(), points.end(), [](auto &a, auto &b) {
        return a.x() + a.y() < b.x() + b.y();
    });
    std::rotate(points.begin(), first, points.end());
    return QPolygonF(QList<QPointF>(points.begin(), points.end()));
}
