#pragma once

// The device manager's announcement of a USB device, emulated by umockdev (the program runs
// under umockdev-wrapper): a device is added to a test bed and its "add" event sent, as the
// device manager does once its rules ran. A camera device carries the property the camera's
// udev rule sets, another device does not. The header keeps umockdev's (GIO's) headers away
// from Qt's.
#include <map>
#include <string>

struct _UMockdevTestbed;

class CameraAnnouncer {
public:
    CameraAnnouncer();
    ~CameraAnnouncer();
    CameraAnnouncer(const CameraAnnouncer &) = delete;
    CameraAnnouncer &operator=(const CameraAnnouncer &) = delete;

    // Whether the program runs under umockdev-wrapper, so that the events reach listeners.
    static bool isEmulated();
    // Sends the "add" event of the device named name (a camera's, or another one), adding it to
    // the test bed the first time.
    void announce(const std::string &name, bool camera);

private:
    _UMockdevTestbed *m_testbed = nullptr;
    std::map<std::string, std::string> m_paths; // device name -> its path in the test bed
};
