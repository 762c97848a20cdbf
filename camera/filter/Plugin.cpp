// Entry point of the GStreamer plugin "tevalcap".
#include "filter/CFactoryTemplate.h"
#include "filter/GstTevalCapDebug.h"
#include "filter/GstTevalCapProvider.h"
#include "filter/GstTevalCapSrc.h"

#include <gst/gst.h>

namespace {

gboolean PluginInit(GstPlugin *plugin)
{
    TevalCapDebugInit();
    CFactoryTemplate::CallLoadRoutines(true);
    // Never picked automatically (the filter's merit is "do not use"); hosts ask for it by name.
    if (!gst_element_register(plugin, "tevalcapsrc", GST_RANK_NONE, GST_TYPE_TEVALCAP_SRC)) {
        return FALSE;
    }
    return gst_device_provider_register(plugin, "tevalcapdeviceprovider", GST_RANK_MARGINAL,
                                        GST_TYPE_TEVALCAP_PROVIDER);
}

} // namespace

#define PACKAGE "TevalCap"

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, tevalcap,
                  "TevalCap: the USB document camera as a video source", PluginInit, "1.1.0.2",
                  "Proprietary", "TevalCap Dynamic Link Library", "https://www.morvale.example/")
