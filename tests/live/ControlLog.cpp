#include "ControlLog.h"

#include "CameraElement.h"

#include <gst/gst.h>

ControlLog::ControlLog()
{
    // Creating an element loads the plug-in and with it the element's type and signals.
    const CameraElement camera;
    if (!camera.isValid()) {
        return;
    }
    m_signal = g_signal_lookup("set-control", G_OBJECT_TYPE(camera.element()));
    if (m_signal != 0) {
        m_hook = g_signal_add_emission_hook(m_signal, 0, &ControlLog::onEmission, this, nullptr);
    }
}

ControlLog::~ControlLog()
{
    if (m_hook != 0) {
        g_signal_remove_emission_hook(m_signal, m_hook);
    }
}

gboolean ControlLog::onEmission(GSignalInvocationHint *, guint count, const GValue *params,
                                gpointer self)
{
    auto *log = static_cast<ControlLog *>(self);
    if (count >= 3) {
        std::lock_guard lock(log->m_mutex);
        log->m_entries.append({g_value_get_int(&params[1]), g_value_get_int(&params[2])});
    }
    return TRUE;
}

QList<ControlLog::Entry> ControlLog::entries() const
{
    std::lock_guard lock(m_mutex);
    return m_entries;
}

QList<int> ControlLog::values(int parameter) const
{
    QList<int> result;
    for (const Entry &entry : entries()) {
        if (entry.first == parameter) {
            result.append(entry.second);
        }
    }
    return result;
}

void ControlLog::clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}
