#include "filter/GstTevalCapDevice.h"

#include "filter/CFactoryTemplate.h"
#include "filter/GstTevalCapSrc.h"

struct _GstTevalCapDevice {
    GstDevice parent;
};

G_DEFINE_TYPE(GstTevalCapDevice, gst_tevalcap_device, GST_TYPE_DEVICE)

namespace {

GstElement *CreateElement(GstDevice *, const gchar *name)
{
    return gst_element_factory_make("tevalcapsrc", name);
}

} // namespace

static void gst_tevalcap_device_class_init(GstTevalCapDeviceClass *klass)
{
    GST_DEVICE_CLASS(klass)->create_element = CreateElement;
}

static void gst_tevalcap_device_init(GstTevalCapDevice *) {}

GstDevice *TevalCapDeviceNew()
{
    GstCaps *caps = TevalCapTemplateCaps();
    GstStructure *properties =
        gst_structure_new("tevalcap-properties", "device.api", G_TYPE_STRING, "tevalcap",
                          "device.class", G_TYPE_STRING, "camera", nullptr);
    GstDevice *device = GST_DEVICE(g_object_new(
        GST_TYPE_TEVALCAP_DEVICE, "display-name", CFactoryTemplate::FilterName(), "device-class",
        "Video/Source", "caps", caps, "properties", properties, nullptr));
    gst_caps_unref(caps);
    gst_structure_free(properties);
    return device;
}
