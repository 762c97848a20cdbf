#include "MediaDeviceEnumerator.h"

#include "MediaGraph.h"

MediaDeviceEnumerator::MediaDeviceEnumerator(const char *deviceClass)
{
    if (!MediaGraph::initialize()) {
        return;
    }
    GstDeviceMonitor *monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, deviceClass, nullptr);
    GList *devices = gst_device_monitor_get_devices(monitor);
    for (GList *item = devices; item; item = item->next) {
        m_devices.push_back(GST_DEVICE(item->data)); // takes over the list's reference
    }
    g_list_free(devices);
    gst_object_unref(monitor);
}

MediaDeviceEnumerator::~MediaDeviceEnumerator()
{
    for (GstDevice *device : m_devices) {
        gst_object_unref(device);
    }
}

QString MediaDeviceEnumerator::name(int index) const
{
    if (index < 0 || index >= count()) {
        return {};
    }
    gchar *text = gst_device_get_display_name(m_devices[size_t(index)]);
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

GstElement *MediaDeviceEnumerator::createElement(int index, const char *elementName) const
{
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return gst_device_create_element(m_devices[size_t(index)], elementName);
}

int MediaDeviceEnumerator::find(const QString &text) const
{
    for (int i = 0; i < count(); ++i) {
        if (name(i).contains(text, Qt::CaseSensitive)) {
            return i;
        }
    }
    return -1;
}
