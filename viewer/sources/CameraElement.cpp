#include "CameraElement.h"

#include "MediaGraph.h"

namespace {

constexpr const char *GetSignal = "get-control";
constexpr const char *SetSignal = "set-control";

} // namespace

CameraElement::CameraElement()
{
    if (!MediaGraph::initialize())
        return;
    m_element = gst_element_factory_make(FactoryName, nullptr);
    if (m_element)
        gst_object_ref_sink(m_element);
}

CameraElement::~CameraElement()
{
    if (!m_element)
        return;
    gst_element_set_state(m_element, GST_STATE_NULL);
    gst_object_unref(m_element);
}

bool CameraElement::hasControls() const
{
    if (!m_element)
        return false;
    const GType type = G_OBJECT_TYPE(m_element);
    return g_signal_lookup(GetSignal, type) != 0 && g_signal_lookup(SetSignal, type) != 0;
}

bool CameraElement::get(int property, qint32 *value) const
{
    if (!hasControls())
        return false;
    gint result = 0;
    gint answer = -1;
    g_signal_emit_by_name(m_element, GetSignal, gint(property), gpointer(&result), &answer);
    if (answer != 0)
        return false;
    if (value)
        *value = result;
    return true;
}

bool CameraElement::set(int property, qint32 value) const
{
    if (!hasControls())
        return false;
    gint answer = -1;
    g_signal_emit_by_name(m_element, SetSignal, gint(property), gint(value), &answer);
    return answer == 0;
}
