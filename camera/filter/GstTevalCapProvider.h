#pragma once

#include <gst/gst.h>

// Lists the document camera among the video sources of GstDeviceMonitor.
G_BEGIN_DECLS

#define GST_TYPE_TEVALCAP_PROVIDER (gst_tevalcap_provider_get_type())
G_DECLARE_FINAL_TYPE(GstTevalCapProvider, gst_tevalcap_provider, GST, TEVALCAP_PROVIDER,
                     GstDeviceProvider)

G_END_DECLS
