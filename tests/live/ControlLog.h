#pragma once

#include <QList>
#include <QPair>
#include <glib-object.h>
#include <mutex>

// Every camera parameter written through any camera element of this process, in order: an
// emission hook on the element's set-control signal sees each call before the camera does.
class ControlLog {
public:
    using Entry = QPair<int, int>; // parameter, value

    ControlLog();
    ~ControlLog();
    ControlLog(const ControlLog &) = delete;
    ControlLog &operator=(const ControlLog &) = delete;

    bool isValid() const { return m_hook != 0; }
    QList<Entry> entries() const;
    // The values written to one parameter.
    QList<int> values(int parameter) const;
    void clear();

private:
    static gboolean onEmission(GSignalInvocationHint *, guint count, const GValue *params,
                               gpointer self);

    mutable std::mutex m_mutex;
    QList<Entry> m_entries;
    guint m_signal = 0;
    gulong m_hook = 0;
};
