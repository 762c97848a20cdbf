#include "UdevLookup.h"

#include "TevalLog.h"

#include <fcntl.h>
#include <libudev.h>
#include <strings.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kMaxNodeLength = 255;

// A udev object released with its unref function when the handle goes.
template <class T, auto Unref> struct UdevUnref {
    void operator()(T *object) const { Unref(object); }
};
template <class T, auto Unref> using UdevRef = std::unique_ptr<T, UdevUnref<T, Unref>>;

const char *NodeOf(udev_device *device)
{
    const char *node = udev_device_get_devnode(device);
    if (node != nullptr) {
        return node;
    }
    // A USB interface has no node of its own: use its device's.
    udev_device *parent =
        udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    return parent != nullptr ? udev_device_get_devnode(parent) : nullptr;
}

} // namespace

std::string FindInterfaceNode(const char *guid)
{
    std::string result;
    const UdevRef<udev, udev_unref> context(udev_new());
    if (!context) {
        TEVAL_WARNING("udev_new failed: %s", std::strerror(errno));
        return result;
    }
    const UdevRef<udev_enumerate, udev_enumerate_unref> enumerate(
        udev_enumerate_new(context.get()));
    if (!enumerate) {
        TEVAL_WARNING("udev_enumerate_new failed: %s", std::strerror(errno));
        return result;
    }
    udev_enumerate_add_match_property(enumerate.get(), "TEVALCAP_INTERFACE", guid);
    udev_enumerate_scan_devices(enumerate.get());
    udev_list_entry *entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        const UdevRef<udev_device, udev_device_unref> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device) {
            continue;
        }
        const char *value = udev_device_get_property_value(device.get(), "TEVALCAP_INTERFACE");
        const char *node = NodeOf(device.get());
        const bool match = value != nullptr && strcasecmp(value, guid) == 0;
        if (match && node != nullptr && std::char_traits<char>::length(node) <= kMaxNodeLength) {
            result = node;
        } else if (match) {
            TEVAL_WARNING("%s carries TEVALCAP_INTERFACE=%s but has no usable device node",
                          udev_list_entry_get_name(entry), guid);
        }
        // Only the first present interface is ever used.
        if (match) {
            break;
        }
    }
    if (result.empty()) {
        TEVAL_INFO("no device with TEVALCAP_INTERFACE=%s", guid);
    }
    return result;
}

OpenResult NodeOpenFailure(const std::string &node, int error)
{
    OpenResult failure;
    if (error == EACCES || error == EPERM) {
        failure.reason = OpenFailure::Permission;
        failure.text =
            "permission denied on " + node + " (the udev rule's uaccess tag did not apply)";
    } else {
        failure.reason = OpenFailure::NodeOpen;
        failure.text = "cannot open " + node + ": " + std::strerror(error);
    }
    TEVAL_WARNING("open(%s) failed: %s (errno %d)", node.c_str(), std::strerror(error), error);
    return failure;
}

int OpenInterfaceNode(const char *guid, std::string &node, OpenResult &failure)
{
    node = FindInterfaceNode(guid);
    if (node.empty()) {
        failure = {OpenFailure::NoDevice, kNoInterfaceText};
        return -1;
    }
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        failure = NodeOpenFailure(node, errno);
    }
    return fd;
}
