#pragma once

#include <gst/gst.h>

// The publisher's debug category "tevalcam" (off by default); made once by
// initTevalCamDebug(), after gst_init().
GST_DEBUG_CATEGORY_EXTERN(tevalcam_debug);
void initTevalCamDebug();
