#pragma once

#include <QImage>
#include <opencv2/core/mat.hpp>

// Conversions between the toolkit's pictures and OpenCV matrices.
class CvImage {
public:
    // How the pixels of a view are laid out.
    enum class Layout { Grey, Rgb, Bgra };

    // A matrix over the picture's own pixels (no copy) when OpenCV reads its format directly
    // (grey, RGB888, RGB32/ARGB32); other formats are converted into holder first. The view is
    // valid while picture (or holder) lives.
    static cv::Mat view(const QImage &picture, QImage &holder, Layout &layout);
    // mat (of layout) as three channels in R, G, B order, or one grey channel.
    static cv::Mat toRgb(const cv::Mat &mat, Layout layout);
    static cv::Mat toGrey(const cv::Mat &mat, Layout layout);

    // An 8-bit grey matrix of the picture.
    static cv::Mat grey(const QImage &picture);
    // The picture of a one- or three-channel (R, G, B) 8-bit matrix.
    static QImage image(const cv::Mat &mat);
};
