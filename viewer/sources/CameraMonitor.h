#pragma once

#include <gst/gst.h>

#include <QString>
#include <QStringList>
#include <vector>

// The cameras besides the Document Camera, as the device monitor lists its video sources
// (V4L2 devices, PipeWire cameras, any other provider's): the camera library's own entry and the
// nodes this system publishes (the viewer's presentation, the camera library's PipeWire node)
// are left out, recognised by their properties, so the viewer never films its own picture.
//
// The monitor runs while the object lives, so a device that leaves or arrives is seen at the
// next call; when it cannot run, every call asks the providers afresh. GUI thread only.
class CameraMonitor {
public:
    static constexpr const char *DeviceClass = "Video/Source";

    CameraMonitor();
    ~CameraMonitor();
    CameraMonitor(const CameraMonitor &) = delete;
    CameraMonitor &operator=(const CameraMonitor &) = delete;

    // Display names of the cameras present, in the monitor's order.
    QStringList names() const;
    // The camera to use: the one named preferred when present, otherwise (Automatic, or the
    // preferred one is absent) the first; nullptr when there is none. The caller owns the
    // returned reference.
    GstDevice *choose(const QString &preferred) const;

    // Whether a video source is a camera of its own and not the Document Camera's entry or one
    // of the nodes published by this system.
    static bool isOtherCamera(GstDevice *device);
    static QString displayName(GstDevice *device);

private:
    // The devices listed now, other cameras only (each a reference owned by the caller).
    std::vector<GstDevice *> cameras() const;

    GstDeviceMonitor *m_monitor = nullptr;
    bool m_started = false;
};
