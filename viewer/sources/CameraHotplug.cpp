#include "CameraHotplug.h"

#include "SourcesLog.h"

#include <libudev.h>

#include <cerrno>
#include <cstring>

void CameraHotplug::UdevUnref::operator()(udev *context) const
{
    udev_unref(context);
}

void CameraHotplug::MonitorUnref::operator()(udev_monitor *monitor) const
{
    udev_monitor_unref(monitor);
}

CameraHotplug::CameraHotplug(QObject *parent) : QObject(parent)
{
    m_udev.reset(udev_new());
    if (!m_udev) {
        qCDebug(lcLive) << "no device manager events:" << std::strerror(errno);
        return;
    }
    // "udev" events come after the rules ran; the kernel's own would come before them.
    m_monitor.reset(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
    if (!m_monitor || udev_monitor_enable_receiving(m_monitor.get()) < 0) {
        qCDebug(lcLive) << "cannot listen to device manager events:" << std::strerror(errno);
        m_monitor.reset();
        return;
    }
    const int fd = udev_monitor_get_fd(m_monitor.get());
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &CameraHotplug::readEvents);
}

CameraHotplug::~CameraHotplug() = default;

bool CameraHotplug::announcesCamera(const char *action, bool hasInterfaceProperty)
{
    return hasInterfaceProperty && action &&
           (std::strcmp(action, "add") == 0 || std::strcmp(action, "bind") == 0);
}

void CameraHotplug::readEvents()
{
    bool announced = false;
    // The socket is non-blocking: every event waiting is read, none is left for later.
    while (udev_device *device = udev_monitor_receive_device(m_monitor.get())) {
        const char *action = udev_device_get_action(device);
        const bool camera = udev_device_get_property_value(device, InterfaceProperty) != nullptr;
        if (announcesCamera(action, camera)) {
            qCDebug(lcLive) << "camera device" << action << udev_device_get_syspath(device);
            announced = true;
        }
        udev_device_unref(device);
    }
    if (announced) {
        emit cameraAdded();
    }
}
