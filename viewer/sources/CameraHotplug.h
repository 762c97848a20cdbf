#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

struct udev;
struct udev_monitor;

// Tells when a camera device appears, so that the presence check runs at once instead of at
// its next turn. It listens to the device manager's events (after its rules ran, so the
// device node already has its access rights) and announces every device that is added or
// bound and carries the camera's interface property, which the camera's udev rule sets.
// Without a device manager it announces nothing; the presence check still runs on its period.
class CameraHotplug : public QObject {
    Q_OBJECT

public:
    // The udev property the camera's rule sets on its device.
    static constexpr const char *InterfaceProperty = "TEVALCAP_INTERFACE";

    explicit CameraHotplug(QObject *parent = nullptr);
    ~CameraHotplug() override;

    // Whether events can arrive at all.
    bool isListening() const { return m_notifier != nullptr; }
    // Whether an event of this action for a device with (or without) the camera's property
    // announces a camera.
    static bool announcesCamera(const char *action, bool hasInterfaceProperty);

signals:
    void cameraAdded();

private:
    void readEvents();

    struct UdevUnref {
        void operator()(udev *context) const;
    };
    struct MonitorUnref {
        void operator()(udev_monitor *monitor) const;
    };
    std::unique_ptr<udev, UdevUnref> m_udev;
    std::unique_ptr<udev_monitor, MonitorUnref> m_monitor;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
