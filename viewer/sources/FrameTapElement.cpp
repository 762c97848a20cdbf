#include "FrameTapElement.h"

#include "DirectShowTransformFilter.h"
#include "FrameBounds.h"
#include "MediaGraph.h"

#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

#include <atomic>
#include <mutex>

namespace {

struct DocCamFrameTap {
    GstVideoFilter parent;
    std::atomic<DirectShowTransformFilter *> owner;
};

struct DocCamFrameTapClass {
    GstVideoFilterClass parent;
};

G_DEFINE_TYPE(DocCamFrameTap, doccam_frame_tap, GST_TYPE_VIDEO_FILTER)

DocCamFrameTap *asFrameTap(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, doccam_frame_tap_get_type(), DocCamFrameTap);
}

// Frames beyond the bound fail to negotiate, so a decoder in front never allocates them.
static_assert(FrameBounds::MaxSide == 8192);
// 32-bit BGRx first: the canvas paints it without conversion.
constexpr const char *TapCaps = "video/x-raw, format=(string){ BGRx, RGB }, width=(int)[1, 8192], "
                                "height=(int)[1, 8192], framerate=(fraction)[0/1, 2147483647/1]";

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(TapCaps));
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(TapCaps));

gboolean setInfo(GstVideoFilter *filter, GstCaps *inCaps, GstVideoInfo *inInfo, GstCaps *,
                 GstVideoInfo *)
{
    if (!DirectShowTransformFilter::checkInputType(inCaps)) {
        return FALSE;
    }
    if (DirectShowTransformFilter *owner = asFrameTap(filter)->owner.load()) {
        owner->setMediaType(GST_VIDEO_INFO_WIDTH(inInfo), GST_VIDEO_INFO_HEIGHT(inInfo),
                            GST_VIDEO_INFO_FORMAT(inInfo) == GST_VIDEO_FORMAT_BGRx);
    }
    return TRUE;
}

GstFlowReturn transformFrame(GstVideoFilter *filter, GstVideoFrame *frame)
{
    if (DirectShowTransformFilter *owner = asFrameTap(filter)->owner.load()) {
        owner->transform(static_cast<uchar *>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0)),
                         GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0));
    }
    return GST_FLOW_OK;
}

void doccam_frame_tap_class_init(DocCamFrameTapClass *klass)
{
    auto *elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(elementClass, "Frame tap", "Filter/Video",
                                          "Hands every RGB or BGRx frame to the canvas in place",
                                          "Document camera station");
    gst_element_class_add_static_pad_template(elementClass, &sinkTemplate);
    gst_element_class_add_static_pad_template(elementClass, &srcTemplate);
    auto *transformClass = GST_BASE_TRANSFORM_CLASS(klass);
    transformClass->passthrough_on_same_caps = FALSE;
    auto *filterClass = GST_VIDEO_FILTER_CLASS(klass);
    filterClass->set_info = setInfo;
    filterClass->transform_frame_ip = transformFrame;
}

void doccam_frame_tap_init(DocCamFrameTap *instance)
{
    auto *transform = GST_BASE_TRANSFORM(instance);
    gst_base_transform_set_in_place(transform, TRUE);
    gst_base_transform_set_passthrough(transform, FALSE);
    gst_base_transform_set_qos_enabled(transform, FALSE);
    instance->owner.store(nullptr);
}

// The element's type, registered as the factory of this process on first use.
GType frameTapType()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gst_element_register(nullptr, FrameTapElement::FactoryName, GST_RANK_NONE,
                             doccam_frame_tap_get_type());
    });
    return doccam_frame_tap_get_type();
}

} // namespace

GstElement *FrameTapElement::create(DirectShowTransformFilter *owner)
{
    if (!MediaGraph::initialize() || !frameTapType()) {
        return nullptr;
    }
    GstElement *element = gst_element_factory_make(FactoryName, nullptr);
    if (element) {
        setOwner(element, owner);
    }
    return element;
}

void FrameTapElement::setOwner(GstElement *element, DirectShowTransformFilter *owner)
{
    if (element && G_TYPE_CHECK_INSTANCE_TYPE(element, frameTapType())) {
        asFrameTap(element)->owner.store(owner);
    }
}
