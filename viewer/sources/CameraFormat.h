#pragma once

#include <gst/gst.h>

#include <QSize>

// The frame format asked of a camera other than the Document Camera, chosen from the formats
// it offers (MJPEG or raw video): the viewer's own format (1024 x 768 at 25 frames a second)
// where offered, otherwise the largest size at most 1280 x 960 that reaches 15 frames a second
// (the fastest rate offered for it, 25 when that is offered), otherwise the largest size at most
// 1280 x 960, otherwise the smallest size. MJPEG is preferred to raw video of the same size.
class CameraFormat {
public:
    static constexpr QSize Limit{1280, 960};
    static constexpr int MinimumRate = 15;

    // New caps for the camera's capsfilter: one structure with media type, size and rate (raw
    // video without a pixel format, which the converter behind it accepts). ANY caps when the
    // camera says nothing usable about its formats. The caller owns the result.
    static GstCaps *choose(const GstCaps *offered, const QSize &wanted, int framesPerSecond);
};
