#pragma once

#include <gst/gst.h>

#include <memory>

// Owning pointers for the GStreamer objects of the publisher.
struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
template <typename T> using GstPtr = std::unique_ptr<T, GstObjectUnref>;

// A pipeline that is set to NULL before its last reference goes.
struct GstPipelineStop {
    void operator()(GstElement *pipeline) const
    {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
};
using GstPipelinePtr = std::unique_ptr<GstElement, GstPipelineStop>;

// The publisher's debug category "tevalcam" (off by default); made once by
// initTevalCamDebug(), after gst_init().
GST_DEBUG_CATEGORY_EXTERN(tevalcam_debug);
void initTevalCamDebug();
