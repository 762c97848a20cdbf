#pragma once

#include <memory>
#include <string>
#include <vector>

class CSimCamera;

// Emulated USB cameras for the tests: umockdev devices whose usbfs (generic path) or
// mini-driver ioctls are answered by a camera model, under the real libusb and libudev. The
// test binary must run under umockdev-wrapper.
class UsbTestbed {
public:
    // Endpoint layouts of the emulated interface.
    // NoConfiguration announces one configuration and carries none (libusb refuses it).
    enum class Layout { BulkOnly, BulkAndInterrupt, WithIsochronous, NoConfiguration };

    static UsbTestbed &Instance();
    static bool InMockEnvironment();

    // Adds a camera at /dev/bus/usb/001/<devnum> tagged with the generic interface GUID.
    void AddGenericCamera(CSimCamera &camera, int devnum, Layout layout = Layout::BulkAndInterrupt);
    // Adds a camera node /dev/tevalcap<index> tagged with the mini-driver interface GUID.
    void AddMiniCamera(CSimCamera &camera, int index);
    // Makes the mini driver report this many bytes more than it moved (a driver that lies).
    void SetMiniCountExcess(unsigned excess);
    // Makes claiming the interface fail with EBUSY, as when another program holds it.
    void SetClaimRefused(bool refused);
    // Makes the node of generic camera <devnum> unreadable for everyone but a process that
    // overrides file permissions (see the tests' ScopedNoPermissionOverride).
    void DenyAccess(int devnum);
    // Removes every emulated device (and undoes SetClaimRefused, SetMiniCountExcess).
    void RemoveAll();
    // Number of URBs the generic emulation saw submitted (all devices).
    unsigned long SubmittedUrbs() const;

    struct Device;

private:
    UsbTestbed();
    void Attach(const std::string &node, const std::string &description, Device *device);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
