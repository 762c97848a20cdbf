#include "CameraMonitor.h"

#include "MediaGraph.h"

#include "SourcesLog.h"

namespace {

// The camera library's device provider marks its entry with this API name.
constexpr const char *DocumentCameraApi = "tevalcap";
// Nodes published by this system carry this property (whatever program published them) ...
constexpr const char *OriginProperty = "doccam.origin";
// ... and node names beginning with this.
constexpr const char *OwnNodePrefix = "doccam";

bool hasStringField(const GstStructure *properties, const char *field, const char *value)
{
    const gchar *text = gst_structure_get_string(properties, field);
    return text != nullptr && g_str_equal(text, value);
}

} // namespace

CameraMonitor::CameraMonitor()
{
    if (!MediaGraph::initialize())
        return;
    m_monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(m_monitor, DeviceClass, nullptr);
    m_started = gst_device_monitor_start(m_monitor);
    if (!m_started)
        qCDebug(lcSources) << "device monitor did not start; probing at each look";
}

CameraMonitor::~CameraMonitor()
{
    if (!m_monitor)
        return;
    if (m_started)
        gst_device_monitor_stop(m_monitor);
    gst_object_unref(m_monitor);
}

bool CameraMonitor::isOtherCamera(GstDevice *device)
{
    if (!device)
        return false;
    GstStructure *properties = gst_device_get_properties(device);
    if (!properties)
        return true;
    bool own = hasStringField(properties, "device.api", DocumentCameraApi) ||
               gst_structure_has_field(properties, OriginProperty);
    const gchar *node = gst_structure_get_string(properties, "node.name");
    own = own || (node != nullptr && g_str_has_prefix(node, OwnNodePrefix));
    gst_structure_free(properties);
    return !own;
}

QString CameraMonitor::displayName(GstDevice *device)
{
    gchar *text = device ? gst_device_get_display_name(device) : nullptr;
    const QString name = QString::fromUtf8(text);
    g_free(text);
    return name;
}

std::vector<GstDevice *> CameraMonitor::cameras() const
{
    std::vector<GstDevice *> found;
    if (!m_monitor)
        return found;
    // Nobody watches the monitor's bus: the list is read when needed, so its notices are
    // dropped here rather than kept.
    if (GstBus *bus = gst_device_monitor_get_bus(m_monitor)) {
        while (GstMessage *message = gst_bus_pop(bus))
            gst_message_unref(message);
        gst_object_unref(bus);
    }
    GList *devices = gst_device_monitor_get_devices(m_monitor);
    for (GList *item = devices; item; item = item->next) {
        auto *device = GST_DEVICE(item->data); // the list's reference
        if (isOtherCamera(device))
            found.push_back(device);
        else
            gst_object_unref(device);
    }
    g_list_free(devices);
    return found;
}

QStringList CameraMonitor::names() const
{
    QStringList result;
    for (GstDevice *device : cameras()) {
        result.append(displayName(device));
        gst_object_unref(device);
    }
    return result;
}

GstDevice *CameraMonitor::choose(const QString &preferred) const
{
    GstDevice *chosen = nullptr;
    for (GstDevice *device : cameras()) {
        if (!chosen)
            chosen = GST_DEVICE(gst_object_ref(device));
        else if (!preferred.isEmpty() && displayName(device) == preferred &&
                 displayName(chosen) != preferred)
            gst_object_replace(reinterpret_cast<GstObject **>(&chosen), GST_OBJECT(device));
        gst_object_unref(device);
    }
    if (chosen)
        qCDebug(lcSources) << "camera" << displayName(chosen) << "for preference" << preferred;
    return chosen;
}
