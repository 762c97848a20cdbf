#include "CvImage.h"

#include <opencv2/imgproc.hpp>

namespace {
cv::Mat wrap(const QImage &picture)
{
    return cv::Mat(picture.height(), picture.width(),
                   picture.format() == QImage::Format_Grayscale8 ? CV_8UC1 : CV_8UC3,
                   const_cast<uchar *>(picture.constBits()),
                   static_cast<size_t>(picture.bytesPerLine()));
}
} // namespace

cv::Mat CvImage::grey(const QImage &picture)
{
    return wrap(picture.convertToFormat(QImage::Format_Grayscale8)).clone();
}

cv::Mat CvImage::rgb(const QImage &picture)
{
    if (picture.format() == QImage::Format_Grayscale8) {
        cv::Mat out;
        cv::cvtColor(wrap(picture), out, cv::COLOR_GRAY2RGB);
        return out;
    }
    return wrap(picture.convertToFormat(QImage::Format_RGB888)).clone();
}

QImage CvImage::image(const cv::Mat &mat)
{
    const QImage::Format format =
        mat.channels() == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    return QImage(mat.data, mat.cols, mat.rows, static_cast<qsizetype>(mat.step), format).copy();
}
