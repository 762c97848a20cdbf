#include "filter/GstTevalCapProvider.h"

#include "filter/GstTevalCapDebug.h"
#include "filter/GstTevalCapDevice.h"
#include "usb/CRuntimeLock.h"

#define GST_CAT_DEFAULT tevalcap_debug

struct _GstTevalCapProvider {
    GstDeviceProvider parent;
};

G_DEFINE_TYPE(GstTevalCapProvider, gst_tevalcap_provider, GST_TYPE_DEVICE_PROVIDER)

namespace {

GList *Probe(GstDeviceProvider *)
{
    // While another process publishes the camera, programs find it through that node.
    CRuntimeLock::Holder holder;
    if (CRuntimeLock::HeldByOther(CRuntimeLock::PublisherPath(), &holder)) {
        GST_INFO("camera published by pid %d (%s): not listed here", static_cast<int>(holder.pid),
                 holder.program.c_str());
        return nullptr;
    }
    return g_list_append(nullptr, gst_object_ref_sink(TevalCapDeviceNew()));
}

} // namespace

static void gst_tevalcap_provider_class_init(GstTevalCapProviderClass *klass)
{
    TevalCapDebugInit();
    GstDeviceProviderClass *providerClass = GST_DEVICE_PROVIDER_CLASS(klass);
    providerClass->probe = Probe;
    gst_device_provider_class_set_static_metadata(providerClass, "Document Camera Provider",
                                                  "Source/Video", "Lists the USB document camera",
                                                  "Morvale");
}

static void gst_tevalcap_provider_init(GstTevalCapProvider *) {}
