#include "DirectShowTransformFilter.h"

#include "FrameBounds.h"
#include "FrameTapElement.h"
#include "ICaptureCB.h"

#include <gst/video/video.h>

#include <cstring>

DirectShowTransformFilter::DirectShowTransformFilter(ICaptureCB *callback) : m_callback(callback)
{
    m_element = FrameTapElement::create(this);
    if (m_element) {
        gst_object_ref_sink(m_element);
    }
}

DirectShowTransformFilter::~DirectShowTransformFilter()
{
    if (!m_element) {
        return;
    }
    FrameTapElement::setOwner(m_element, nullptr);
    gst_object_unref(m_element);
}

ICaptureCB *DirectShowTransformFilter::callback() const
{
    std::lock_guard lock(m_callbackMutex);
    return m_callback;
}

void DirectShowTransformFilter::disconnect()
{
    std::lock_guard lock(m_callbackMutex);
    m_callback = nullptr;
}

bool DirectShowTransformFilter::checkInputType(const GstCaps *caps)
{
    if (!caps || gst_caps_get_size(caps) != 1 || !gst_caps_is_fixed(caps)) {
        return false;
    }
    const GstCapsFeatures *features = gst_caps_get_features(caps, 0);
    if (features && !gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY)) {
        return false;
    }
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, caps)) {
        return false;
    }
    const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info);
    return (format == GST_VIDEO_FORMAT_RGB || format == GST_VIDEO_FORMAT_BGRx) &&
           FrameBounds::fits(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info)) &&
           !GST_VIDEO_INFO_IS_INTERLACED(&info);
}

void DirectShowTransformFilter::setMediaType(int width, int height, bool rgb32)
{
    m_width.store(width, std::memory_order_relaxed);
    m_height.store(height, std::memory_order_relaxed);
    m_rgb32.store(rgb32, std::memory_order_relaxed);
}

void DirectShowTransformFilter::transform(uchar *data, int stride)
{
    const int w = width();
    const int h = height();
    const bool rgb32 = isRgb32();
    const size_t rowBytes = size_t(w) * (rgb32 ? 4 : 3);
    if (!data || w <= 0 || h <= 0 || size_t(stride) < rowBytes) {
        return;
    }
    if (h >= 2) {
        std::memcpy(data + size_t(h - 1) * size_t(stride), data + size_t(h - 2) * size_t(stride),
                    rowBytes);
    }
    std::lock_guard lock(m_callbackMutex);
    if (!m_callback) {
        return;
    }
    if (rgb32) {
        m_callback->frameArrivedRgb32(data, w, h, stride, writesBack());
        return;
    }
    if (size_t(stride) == rowBytes) {
        m_callback->frameArrived(data, w, h, false);
        return;
    }
    m_packed.resize(rowBytes * size_t(h));
    for (int y = 0; y < h; ++y) {
        std::memcpy(m_packed.data() + size_t(y) * rowBytes, data + size_t(y) * size_t(stride),
                    rowBytes);
    }
    m_callback->frameArrived(m_packed.data(), w, h, false);
    for (int y = 0; y < h; ++y) {
        std::memcpy(data + size_t(y) * size_t(stride), m_packed.data() + size_t(y) * rowBytes,
                    rowBytes);
    }
}
