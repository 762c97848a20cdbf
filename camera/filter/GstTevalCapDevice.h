#pragma once

#include <gst/gst.h>

// The one device the provider lists: "Document Camera", class Video/Source, whose element is
// tevalcapsrc.
G_BEGIN_DECLS

#define GST_TYPE_TEVALCAP_DEVICE (gst_tevalcap_device_get_type())
G_DECLARE_FINAL_TYPE(GstTevalCapDevice, gst_tevalcap_device, GST, TEVALCAP_DEVICE, GstDevice)

G_END_DECLS

GstDevice *TevalCapDeviceNew();
