#include "filter/GstTevalCapProvider.h"

#include "filter/GstTevalCapDevice.h"

struct _GstTevalCapProvider {
    GstDeviceProvider parent;
};

G_DEFINE_TYPE(GstTevalCapProvider, gst_tevalcap_provider, GST_TYPE_DEVICE_PROVIDER)

namespace {

GList *Probe(GstDeviceProvider *)
{
    return g_list_append(nullptr, gst_object_ref_sink(TevalCapDeviceNew()));
}

} // namespace

static void gst_tevalcap_provider_class_init(GstTevalCapProviderClass *klass)
{
    GstDeviceProviderClass *providerClass = GST_DEVICE_PROVIDER_CLASS(klass);
    providerClass->probe = Probe;
    gst_device_provider_class_set_static_metadata(providerClass, "Document Camera Provider",
                                                  "Source/Video", "Lists the USB document camera",
                                                  "Morvale");
}

static void gst_tevalcap_provider_init(GstTevalCapProvider *) {}
