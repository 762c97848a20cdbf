#include "CvImage.h"

#include <opencv2/imgproc.hpp>

cv::Mat CvImage::view(const QImage &picture, QImage &holder, Layout &layout)
{
    const QImage *source = &picture;
    switch (picture.format()) {
    case QImage::Format_Grayscale8:
        layout = Layout::Grey;
        break;
    case QImage::Format_RGB888:
        layout = Layout::Rgb;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        layout = Layout::Bgra; // 0xAARRGGBB words, little-endian
        break;
    default:
        holder = picture.convertToFormat(QImage::Format_RGB888);
        source = &holder;
        layout = Layout::Rgb;
        break;
    }
    const int type = layout == Layout::Grey ? CV_8UC1 : layout == Layout::Rgb ? CV_8UC3 : CV_8UC4;
    return cv::Mat(source->height(), source->width(), type,
                   const_cast<uchar *>(source->constBits()),
                   static_cast<size_t>(source->bytesPerLine()));
}

cv::Mat CvImage::toRgb(const cv::Mat &mat, Layout layout)
{
    cv::Mat out;
    switch (layout) {
    case Layout::Grey:
        cv::cvtColor(mat, out, cv::COLOR_GRAY2RGB);
        break;
    case Layout::Rgb:
        out = mat.clone();
        break;
    case Layout::Bgra:
        cv::cvtColor(mat, out, cv::COLOR_BGRA2RGB);
        break;
    }
    return out;
}

cv::Mat CvImage::toGrey(const cv::Mat &mat, Layout layout)
{
    cv::Mat out;
    switch (layout) {
    case Layout::Grey:
        out = mat.clone();
        break;
    case Layout::Rgb:
        cv::cvtColor(mat, out, cv::COLOR_RGB2GRAY);
        break;
    case Layout::Bgra:
        cv::cvtColor(mat, out, cv::COLOR_BGRA2GRAY);
        break;
    }
    return out;
}

cv::Mat CvImage::grey(const QImage &picture)
{
    QImage holder;
    Layout layout = Layout::Grey;
    const cv::Mat mat = view(picture, holder, layout);
    return toGrey(mat, layout);
}

QImage CvImage::image(const cv::Mat &mat)
{
    const QImage::Format format =
        mat.channels() == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    return QImage(mat.data, mat.cols, mat.rows, static_cast<qsizetype>(mat.step), format).copy();
}
