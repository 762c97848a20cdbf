#include "CameraStatus.h"

#include "DebugCategory.h"
#include "GstHandle.h"

namespace CameraStatus {

std::optional<unsigned> read(GstElement *camera)
{
    if (!camera || g_signal_lookup("get-control", G_OBJECT_TYPE(camera)) == 0) {
        return std::nullopt;
    }
    gint value = 0;
    gint answer = -1;
    g_signal_emit_by_name(camera, "get-control", gint(Parameter), gpointer(&value), &answer);
    if (answer != 0) {
        GST_CAT_DEBUG(tevalcam_debug, "camera status not read: answer 0x%08x", unsigned(answer));
        return std::nullopt;
    }
    return unsigned(value);
}

std::optional<unsigned> probe()
{
    GstElement *made = gst_element_factory_make(FactoryName, nullptr);
    if (!made) {
        GST_CAT_DEBUG(tevalcam_debug, "no %s element: is the camera plug-in installed?",
                      FactoryName);
        return std::nullopt;
    }
    GstHandle<GstElement> camera(GST_ELEMENT(gst_object_ref_sink(made)));
    const std::optional<unsigned> status = read(camera.get());
    gst_element_set_state(camera.get(), GST_STATE_NULL);
    return status;
}

} // namespace CameraStatus
