#include "CameraMonitor.h"

#include "MediaGraph.h"

#include "SourcesLog.h"

#include <algorithm>

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
    if (!MediaGraph::initialize()) {
        return;
    }
    m_monitor = adoptFloating(gst_device_monitor_new());
    gst_device_monitor_add_filter(m_monitor.get(), DeviceClass, nullptr);
    m_started = gst_device_monitor_start(m_monitor.get());
    if (!m_started) {
        qCDebug(lcSources) << "device monitor did not start; probing at each look";
    }
}

CameraMonitor::~CameraMonitor()
{
    if (m_monitor && m_started) {
        gst_device_monitor_stop(m_monitor.get());
    }
}

bool CameraMonitor::isOtherCamera(GstDevice *device)
{
    if (!device) {
        return false;
    }
    GstStructure *properties = gst_device_get_properties(device);
    if (!properties) {
        return true;
    }
    bool own = hasStringField(properties, "device.api", DocumentCameraApi) ||
               gst_structure_has_field(properties, OriginProperty);
    const gchar *node = gst_structure_get_string(properties, "node.name");
    own = own || (node != nullptr && g_str_has_prefix(node, OwnNodePrefix));
    gst_structure_free(properties);
    return !own;
}

QString CameraMonitor::displayName(GstDevice *device)
{
    const GCharHandle text(device ? gst_device_get_display_name(device) : nullptr);
    return QString::fromUtf8(text.get());
}

std::vector<GstHandle<GstDevice>> CameraMonitor::cameras() const
{
    std::vector<GstHandle<GstDevice>> found;
    if (!m_monitor) {
        return found;
    }
    // Nobody watches the monitor's bus: the list is read when needed, so its notices are
    // dropped here rather than kept.
    if (const GstHandle<GstBus> bus{gst_device_monitor_get_bus(m_monitor.get())}) {
        while (MessageHandle(gst_bus_pop(bus.get())))
            ;
    }
    GList *devices = gst_device_monitor_get_devices(m_monitor.get());
    for (GList *item = devices; item; item = item->next) {
        GstHandle<GstDevice> device(GST_DEVICE(item->data)); // the list's reference
        if (isOtherCamera(device.get())) {
            found.push_back(std::move(device));
        }
    }
    g_list_free(devices);
    return found;
}

QStringList CameraMonitor::names() const
{
    QStringList result;
    for (const GstHandle<GstDevice> &device : cameras()) {
        result.append(displayName(device.get()));
    }
    return result;
}

GstHandle<GstDevice> CameraMonitor::choose(const QString &preferred) const
{
    std::vector<GstHandle<GstDevice>> listed = cameras();
    if (listed.empty()) {
        return {};
    }
    auto chosen = std::find_if(listed.begin(), listed.end(), [&](const auto &device) {
        return !preferred.isEmpty() && displayName(device.get()) == preferred;
    });
    if (chosen == listed.end()) {
        chosen = listed.begin();
    }
    qCDebug(lcSources) << "camera" << displayName(chosen->get()) << "for preference" << preferred;
    return std::move(*chosen);
}
