#pragma once

#include <gst/gst.h>

#include <QString>
#include <vector>

// The devices of one class ("Audio/Source", "Video/Source", ...) as the device monitor lists
// them, in its order, each with its display name; an element can be made for any of them.
class MediaDeviceEnumerator {
public:
    explicit MediaDeviceEnumerator(const char *deviceClass);
    ~MediaDeviceEnumerator();
    MediaDeviceEnumerator(const MediaDeviceEnumerator &) = delete;
    MediaDeviceEnumerator &operator=(const MediaDeviceEnumerator &) = delete;

    int count() const { return int(m_devices.size()); }
    QString name(int index) const;
    // A new (floating) element for device index under the given name, or nullptr.
    GstElement *createElement(int index, const char *elementName) const;
    // Index of the first device whose name contains text (case-sensitive), or -1.
    int find(const QString &text) const;

private:
    std::vector<GstDevice *> m_devices;
};
