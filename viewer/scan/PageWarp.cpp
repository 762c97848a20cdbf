#include "PageWarp.h"

#include "CvImage.h"
#include "ScanLog.h"

#include <QLineF>
#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {
struct PaperFormat {
    double shortMm;
    double longMm;
};
constexpr std::array<PaperFormat, 2> kFormats{{{210.0, 297.0}, {215.9, 279.4}}};

// Grey with the darkest and brightest percent stretched to black and white.
cv::Mat stretched(const cv::Mat &grey)
{
    std::array<int, 256> histogram{};
    for (int y = 0; y < grey.rows; ++y) {
        const uchar *row = grey.ptr<uchar>(y);
        for (int x = 0; x < grey.cols; ++x) {
            ++histogram[row[x]];
        }
    }
    const long total = static_cast<long>(grey.total());
    long seen = 0;
    int low = 0;
    while (low < 255 && (seen += histogram[low]) < total / 100) {
        ++low;
    }
    seen = 0;
    int high = 255;
    while (high > 0 && (seen += histogram[high]) < total / 100) {
        --high;
    }
    cv::Mat out;
    if (high - low < 16) {
        return grey.clone(); // a blank page: nothing to stretch
    }
    grey.convertTo(out, CV_8U, 255.0 / (high - low), -255.0 * low / (high - low));
    return out;
}

// The light falling on the paper: a smooth surface (second order) fitted to the page with its
// print closed over, leaving out what is darker than the fit (photographs, dark drawings), so
// that only the paper sets the light.
cv::Mat paperLight(const cv::Mat &grey)
{
    constexpr int kSampleWidth = 96;
    const double step = static_cast<double>(grey.cols) / kSampleWidth;
    const int sampleHeight = std::max(2, static_cast<int>(grey.rows / step));
    cv::Mat sample;
    cv::resize(grey, sample, cv::Size(kSampleWidth, sampleHeight), 0, 0, cv::INTER_AREA);
    cv::morphologyEx(sample, sample, cv::MORPH_CLOSE,
                     cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));
    const auto terms = [](double x, double y) {
        return std::array<double, 6>{1.0, x, y, x * x, x * y, y * y};
    };
    std::vector<bool> paper(sample.total(), true);
    cv::Mat coefficients = cv::Mat::zeros(6, 1, CV_64F);
    const auto fitAt = [&](double x, double y) {
        const auto t = terms(x, y);
        double fit = 0.0;
        for (int i = 0; i < 6; ++i) {
            fit += t[static_cast<size_t>(i)] * coefficients.at<double>(i);
        }
        return fit;
    };
    for (int round = 0; round < 4; ++round) {
        cv::Mat a(0, 6, CV_64F);
        cv::Mat b(0, 1, CV_64F);
        for (int y = 0; y < sample.rows; ++y) {
            for (int x = 0; x < sample.cols; ++x) {
                if (!paper[static_cast<size_t>(y * sample.cols + x)]) {
                    continue;
                }
                const auto t = terms(static_cast<double>(x) / sample.cols,
                                     static_cast<double>(y) / sample.rows);
                a.push_back(cv::Mat(1, 6, CV_64F, const_cast<double *>(t.data())).clone());
                b.push_back(static_cast<double>(sample.at<uchar>(y, x)));
            }
        }
        if (a.rows < 6 || !cv::solve(a, b, coefficients, cv::DECOMP_SVD)) {
            break;
        }
        for (int y = 0; y < sample.rows; ++y) {
            for (int x = 0; x < sample.cols; ++x) {
                paper[static_cast<size_t>(y * sample.cols + x)] =
                    sample.at<uchar>(y, x) >= fitAt(static_cast<double>(x) / sample.cols,
                                                    static_cast<double>(y) / sample.rows) -
                                                  12.0;
            }
        }
    }
    cv::Mat light(grey.size(), CV_32F);
    for (int y = 0; y < grey.rows; ++y) {
        auto *row = light.ptr<float>(y);
        for (int x = 0; x < grey.cols; ++x) {
            const double fit =
                fitAt(static_cast<double>(x) / grey.cols, static_cast<double>(y) / grey.rows);
            row[x] = static_cast<float>(std::max(fit, 16.0));
        }
    }
    return light;
}

// Black text on white: the page divided by the light on its paper (uneven light gone), then
// thresholded, except where mid-tones are dense (photographs, drawings), which keep their grey.
cv::Mat document(const cv::Mat &grey)
{
    cv::Mat normalised;
    cv::Mat grey32;
    grey.convertTo(grey32, CV_32F);
    cv::divide(grey32, paperLight(grey), grey32, 255.0);
    grey32.convertTo(normalised, CV_8U);

    const int kernelSize = std::max(15, std::max(grey.cols, grey.rows) / 40) | 1;
    cv::Mat midTones;
    cv::inRange(normalised, 40, 215, midTones);
    cv::Mat density;
    cv::boxFilter(midTones, density, CV_32F, cv::Size(kernelSize * 2 + 1, kernelSize * 2 + 1));
    cv::Mat picture = density > 255.0 * 0.35;
    cv::dilate(picture, picture,
               cv::getStructuringElement(cv::MORPH_RECT, cv::Size(kernelSize, kernelSize)));

    cv::Mat out;
    cv::threshold(normalised, out, 170, 255, cv::THRESH_BINARY);
    stretched(normalised).copyTo(out, picture);
    return out;
}
} // namespace

QSizeF PageWarp::paperSize(QSize &pixelSize, bool &standard)
{
    const bool portrait = pixelSize.height() >= pixelSize.width();
    const double longPx = std::max(pixelSize.width(), pixelSize.height());
    const double shortPx = std::max(1, std::min(pixelSize.width(), pixelSize.height()));
    const double ratio = longPx / shortPx;
    standard = false;
    double shortMm = kDefaultLongSideMm / ratio;
    double longMm = kDefaultLongSideMm;
    for (const PaperFormat &format : kFormats) {
        const double formatRatio = format.longMm / format.shortMm;
        if (std::abs(ratio - formatRatio) / formatRatio < kSnapTolerance) {
            standard = true;
            shortMm = format.shortMm;
            longMm = format.longMm;
            const int snappedShort = static_cast<int>(std::lround(longPx / formatRatio));
            pixelSize = portrait ? QSize(snappedShort, static_cast<int>(longPx))
                                 : QSize(static_cast<int>(longPx), snappedShort);
            break;
        }
    }
    return portrait ? QSizeF(shortMm, longMm) : QSizeF(longMm, shortMm);
}

PageWarp::Page PageWarp::straighten(const QImage &picture, const QPolygonF &corners,
                                    Cleaning cleaning)
{
    if (picture.isNull() || corners.size() != 4) {
        return {};
    }
    // The page keeps the resolution of its nearer edges.
    const double width =
        std::max(QLineF(corners[0], corners[1]).length(), QLineF(corners[3], corners[2]).length());
    const double height =
        std::max(QLineF(corners[0], corners[3]).length(), QLineF(corners[1], corners[2]).length());
    if (width < 8.0 || height < 8.0) {
        qCDebug(lcScan) << "no page to straighten: the outline is" << width << "x" << height;
        return {};
    }
    QSize size(static_cast<int>(std::lround(width)), static_cast<int>(std::lround(height)));
    Page page;
    page.sizeMm = paperSize(size, page.standardSize);
    const double shrink =
        std::min(1.0, static_cast<double>(kMaxLongSide) / std::max(size.width(), size.height()));
    size = QSize(std::max(1, static_cast<int>(size.width() * shrink)),
                 std::max(1, static_cast<int>(size.height() * shrink)));

    std::array<cv::Point2f, 4> from;
    for (int i = 0; i < 4; ++i) {
        from[static_cast<size_t>(i)] =
            cv::Point2f(static_cast<float>(corners[i].x()), static_cast<float>(corners[i].y()));
    }
    const auto w = static_cast<float>(size.width());
    const auto h = static_cast<float>(size.height());
    const std::array<cv::Point2f, 4> to{
        {{-0.5f, -0.5f}, {w - 0.5f, -0.5f}, {w - 0.5f, h - 0.5f}, {-0.5f, h - 0.5f}}};
    const cv::Mat transform = cv::getPerspectiveTransform(from.data(), to.data());
    // Warped from the picture's own pixels: only the page's share of them is read.
    QImage holder;
    CvImage::Layout layout = CvImage::Layout::Rgb;
    const cv::Mat source = CvImage::view(picture, holder, layout);
    cv::Mat straight;
    cv::warpPerspective(source, straight, transform, cv::Size(size.width(), size.height()),
                        cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    page.image = clean(CvImage::image(CvImage::toRgb(straight, layout)), cleaning);
    return page;
}

QImage PageWarp::clean(const QImage &page, Cleaning cleaning)
{
    switch (cleaning) {
    case Cleaning::None:
        return page;
    case Cleaning::Grey:
        return CvImage::image(stretched(CvImage::grey(page)));
    case Cleaning::Document:
        return CvImage::image(document(CvImage::grey(page)));
    }
    return page;
}
