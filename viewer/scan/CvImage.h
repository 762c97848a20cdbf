#pragma once

#include <QImage>
#include <opencv2/core/mat.hpp>

// Conversions between the toolkit's pictures and OpenCV matrices (always copies).
class CvImage {
public:
    // An 8-bit grey matrix of the picture.
    static cv::Mat grey(const QImage &picture);
    // A three-channel matrix in R, G, B order.
    static cv::Mat rgb(const QImage &picture);
    // The picture of a one- or three-channel (R, G, B) 8-bit matrix.
    static QImage image(const cv::Mat &mat);
};
