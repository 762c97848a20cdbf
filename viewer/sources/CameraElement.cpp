#include "CameraElement.h"

#include "CameraMonitor.h"
#include "MediaGraph.h"
#include "SourcesLog.h"

namespace {

constexpr const char *GetSignal = "get-control";
constexpr const char *SetSignal = "set-control";

} // namespace

CameraElement::CameraElement()
{
    if (!MediaGraph::initialize()) {
        return;
    }
    m_element = gst_element_factory_make(FactoryName, nullptr);
    if (m_element) {
        gst_object_ref_sink(m_element);
    }
}

CameraElement::CameraElement(GstDevice *device)
    : m_device(addReference(device)), m_displayName(CameraMonitor::displayName(device))
{
    if (!m_device || !MediaGraph::initialize()) {
        return;
    }
    m_element = gst_device_create_element(m_device.get(), nullptr);
    if (m_element) {
        gst_object_ref_sink(m_element);
    } else {
        qCDebug(lcSources) << "camera" << m_displayName << "made no element";
    }
}

CameraElement::~CameraElement()
{
    if (!m_element) {
        return;
    }
    gst_element_set_state(m_element, GST_STATE_NULL);
    gst_object_unref(m_element);
}

GstCaps *CameraElement::deviceCaps() const
{
    return m_device ? gst_device_get_caps(m_device.get()) : nullptr;
}

bool CameraElement::hasControls() const
{
    if (!m_element) {
        return false;
    }
    const GType type = G_OBJECT_TYPE(m_element);
    return g_signal_lookup(GetSignal, type) != 0 && g_signal_lookup(SetSignal, type) != 0;
}

bool CameraElement::get(int property, qint32 *value) const
{
    if (!hasControls()) {
        return false;
    }
    gint result = 0;
    gint answer = -1;
    g_signal_emit_by_name(m_element, GetSignal, gint(property), gpointer(&result), &answer);
    if (answer != 0) {
        return false;
    }
    if (value) {
        *value = result;
    }
    return true;
}

bool CameraElement::set(int property, qint32 value) const
{
    if (!hasControls()) {
        return false;
    }
    gint answer = -1;
    g_signal_emit_by_name(m_element, SetSignal, gint(property), gint(value), &answer);
    return answer == 0;
}
