#include "UsbTestbed.h"

#include "sim/CSimCamera.h"
#include "usb/CCallMiniUsb.h"
#include "usb/CCallWinUsb.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <umockdev.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>

struct UsbTestbed::Device {
    CSimCamera *camera = nullptr;
    bool mini = false;
    UMockdevIoctlBase *handler = nullptr;
    std::string node;
    std::string syspath;
    std::mutex mutex;
    std::deque<UMockdevIoctlData *> pendingIn; // bulk IN URBs waiting for the camera
    std::deque<UMockdevIoctlData *> completed; // URBs ready to be reaped
};

struct UsbTestbed::Impl {
    UMockdevTestbed *testbed = nullptr;
    std::vector<std::unique_ptr<Device>> devices;
    std::atomic<unsigned long> submitted{0};
};

namespace {

std::atomic<unsigned long> *g_submitted = nullptr;
std::atomic<bool> g_claimRefused{false};
std::atomic<unsigned> g_miniExcess{0};

std::string Hex(const std::vector<unsigned char> &bytes)
{
    std::string out;
    char buf[3];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

std::vector<unsigned char> Descriptors(UsbTestbed::Layout layout)
{
    std::vector<std::vector<unsigned char>> endpoints = {
        {7, 5, 0x81, 0x02, 0x00, 0x02, 0}, // bulk IN 1, 512
        {7, 5, 0x02, 0x02, 0x00, 0x02, 0}, // bulk OUT 2, 512
    };
    if (layout == UsbTestbed::Layout::NoConfiguration) {
        return {18,   1,    0x00, 0x02, 0xFF, 0x00, 0x00, 64, 0x34,
                0x12, 0x78, 0x56, 0x00, 0x01, 0,    0,    0,  1};
    }
    if (layout == UsbTestbed::Layout::BulkAndInterrupt) {
        endpoints.push_back({7, 5, 0x83, 0x03, 0x10, 0x00, 4});
    } else if (layout == UsbTestbed::Layout::WithIsochronous) {
        endpoints.push_back({7, 5, 0x83, 0x01, 0x00, 0x04, 1});
    }
    const int total = 9 + 9 + 7 * static_cast<int>(endpoints.size());
    std::vector<unsigned char> d = {18,   1,    0x00, 0x02, 0xFF, 0x00, 0x00, 64, 0x34,
                                    0x12, 0x78, 0x56, 0x00, 0x01, 0,    0,    0,  1};
    const std::vector<unsigned char> config = {
        9, 2, static_cast<unsigned char>(total), 0, 1, 1, 0, 0x80, 250};
    d.insert(d.end(), config.begin(), config.end());
    const std::vector<unsigned char> interface = {
        9, 4, 0, 0, static_cast<unsigned char>(endpoints.size()), 0xFF, 0, 0, 0};
    d.insert(d.end(), interface.begin(), interface.end());
    for (const auto &e : endpoints) {
        d.insert(d.end(), e.begin(), e.end());
    }
    return d;
}

usbdevfs_urb *Urb(UMockdevIoctlData *data)
{
    return reinterpret_cast<usbdevfs_urb *>(data->data);
}

// Runs a bulk IN URB against the camera without waiting; false when the camera has nothing yet.
bool TryBulkIn(UsbTestbed::Device &device, UMockdevIoctlData *data)
{
    usbdevfs_urb *urb = Urb(data);
    const int r = device.camera->BulkIn(static_cast<std::uint8_t *>(urb->buffer),
                                        urb->buffer_length, std::chrono::milliseconds(0));
    if (r == CSimCamera::kNotReady) {
        return false;
    }
    urb->actual_length = r > 0 ? r : 0;
    urb->status = r >= 0 ? 0 : (device.camera->IsPlugged() ? -EPIPE : -ENODEV);
    return true;
}

void Submit(UsbTestbed::Device &device, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    UMockdevIoctlData *urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    usbdevfs_urb *urb = Urb(urbData);
    if (!device.camera->IsPlugged()) {
        umockdev_ioctl_data_unref(urbData);
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }
    UMockdevIoctlData *buffer = umockdev_ioctl_data_resolve(
        urbData, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
    umockdev_ioctl_data_unref(buffer); // stays alive as a child of urbData
    ++*g_submitted;
    auto *bytes = static_cast<std::uint8_t *>(urb->buffer);
    bool done = true;
    if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
        const std::uint8_t type = bytes[0];
        const std::uint16_t value = static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8);
        const std::uint16_t index = static_cast<std::uint16_t>(bytes[4] | bytes[5] << 8);
        const int length = bytes[6] | bytes[7] << 8;
        int status = -EPIPE;
        int actual = 0;
        if (type == 0x40 && bytes[1] == 1 && index == 0) {
            if (device.camera->ControlOut(value, bytes + 8, length)) {
                status = 0;
                actual = length;
            }
        } else if (type == 0xC0 && bytes[1] == 1) {
            const int r = device.camera->ControlIn(value, index, bytes + 8, length);
            if (r >= 0) {
                status = 0;
                actual = r;
            }
        }
        urb->status = status;
        urb->actual_length = actual;
    } else if (urb->type == USBDEVFS_URB_TYPE_BULK && (urb->endpoint & 0x80) == 0) {
        const int r = device.camera->BulkOut(bytes, urb->buffer_length);
        urb->status = r >= 0 ? 0 : -EPIPE;
        urb->actual_length = r > 0 ? r : 0;
    } else if (urb->type == USBDEVFS_URB_TYPE_BULK) {
        done = TryBulkIn(device, urbData);
    } else {
        urb->status = -EPIPE;
        urb->actual_length = 0;
    }
    {
        std::lock_guard lock(device.mutex);
        (done ? device.completed : device.pendingIn).push_back(urbData);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
}

void Reap(UsbTestbed::Device &device, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    UMockdevIoctlData *urbData = nullptr;
    {
        std::lock_guard lock(device.mutex);
        if (device.completed.empty() && !device.pendingIn.empty() &&
            TryBulkIn(device, device.pendingIn.front())) {
            device.completed.push_back(device.pendingIn.front());
            device.pendingIn.pop_front();
        }
        if (!device.completed.empty()) {
            urbData = device.completed.front();
            device.completed.pop_front();
        }
    }
    if (urbData == nullptr) {
        umockdev_ioctl_client_complete(client, -1, device.camera->IsPlugged() ? EAGAIN : ENODEV);
        return;
    }
    UMockdevIoctlData *pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), nullptr);
    umockdev_ioctl_data_set_ptr(pointer, 0, urbData);
    umockdev_ioctl_client_complete(client, 0, 0);
    umockdev_ioctl_data_unref(pointer);
    umockdev_ioctl_data_unref(urbData);
}

void Discard(UsbTestbed::Device &device, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void **>(arg->data));
    std::lock_guard lock(device.mutex);
    for (auto it = device.pendingIn.begin(); it != device.pendingIn.end(); ++it) {
        if ((*it)->client_addr == address) {
            Urb(*it)->status = -ENOENT;
            Urb(*it)->actual_length = 0;
            device.completed.push_back(*it);
            device.pendingIn.erase(it);
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        }
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}

void Simple(UMockdevIoctlClient *client, UMockdevIoctlData *arg, const void *value, gsize size)
{
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, size, nullptr);
    std::memcpy(data->data, value, size);
    umockdev_ioctl_client_complete(client, 0, 0);
    umockdev_ioctl_data_unref(data);
}

gboolean HandleGeneric(UsbTestbed::Device &device, UMockdevIoctlClient *client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        const std::uint32_t caps = USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
        Simple(client, arg, &caps, sizeof caps);
        return TRUE;
    }
    case USBDEVFS_CONNECTINFO: {
        usbdevfs_connectinfo info{};
        info.devnum = 2;
        Simple(client, arg, &info, sizeof info);
        return TRUE;
    }
    case USBDEVFS_CONTROL: {
        // Standard requests libusb makes itself (the active configuration).
        UMockdevIoctlData *data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ctrltransfer), nullptr);
        auto *control = reinterpret_cast<usbdevfs_ctrltransfer *>(data->data);
        if (control->bRequestType == 0x80 && control->bRequest == 8 && control->wLength >= 1) {
            UMockdevIoctlData *buffer = umockdev_ioctl_data_resolve(
                data, offsetof(usbdevfs_ctrltransfer, data), control->wLength, nullptr);
            buffer->data[0] = 1;
            umockdev_ioctl_client_complete(client, 1, 0);
            umockdev_ioctl_data_unref(buffer);
        } else {
            umockdev_ioctl_client_complete(client, -1, EPIPE);
        }
        umockdev_ioctl_data_unref(data);
        return TRUE;
    }
    case USBDEVFS_CLAIMINTERFACE:
        if (g_claimRefused.load()) {
            umockdev_ioctl_client_complete(client, -1, EBUSY);
            return TRUE;
        }
        [[fallthrough]];
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET:
        umockdev_ioctl_client_complete(client, device.camera->IsPlugged() ? 0 : -1,
                                       device.camera->IsPlugged() ? 0 : ENODEV);
        return TRUE;
    case USBDEVFS_SUBMITURB:
        Submit(device, client, arg);
        return TRUE;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        Reap(device, client, arg);
        return TRUE;
    case USBDEVFS_DISCARDURB:
        Discard(device, client, arg);
        return TRUE;
    default:
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
}

gboolean HandleMini(UsbTestbed::Device &device, UMockdevIoctlClient *client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    if (request != CCallMiniUsb::kIoctlControl && request != CCallMiniUsb::kIoctlBulkRead &&
        request != CCallMiniUsb::kIoctlBulkWrite) {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
    UMockdevIoctlData *data =
        umockdev_ioctl_data_resolve(arg, 0, sizeof(TevalMiniRequest), nullptr);
    auto *req = reinterpret_cast<TevalMiniRequest *>(data->data);
    UMockdevIoctlData *input = nullptr;
    UMockdevIoctlData *output = nullptr;
    if (req->input != 0 && req->inputLength > 0) {
        input = umockdev_ioctl_data_resolve(data, offsetof(TevalMiniRequest, input),
                                            req->inputLength, nullptr);
    }
    if (req->output != 0 && req->outputLength > 0) {
        output = umockdev_ioctl_data_resolve(data, offsetof(TevalMiniRequest, output),
                                             req->outputLength, nullptr);
    }
    auto *in = input != nullptr ? input->data : nullptr;
    auto *out = output != nullptr ? output->data : nullptr;
    bool ok = false;
    int moved = 0;
    CSimCamera &camera = *device.camera;
    if (request == CCallMiniUsb::kIoctlControl && in != nullptr && req->inputLength >= 2) {
        const std::uint16_t code = static_cast<std::uint16_t>(in[0] | in[1] << 8);
        if (out != nullptr || req->inputLength == 4) {
            // Device to host: the input is the whole command word.
            const std::uint16_t index = static_cast<std::uint16_t>(in[2] | in[3] << 8);
            const int r = camera.ControlIn(code, index, out, static_cast<int>(req->outputLength));
            ok = r >= 0;
            moved = r > 0 ? r : 0;
        } else {
            ok = camera.ControlOut(code, in + 2, static_cast<int>(req->inputLength) - 2);
        }
    } else if (request == CCallMiniUsb::kIoctlBulkWrite) {
        const int r = camera.BulkOut(out, static_cast<int>(req->outputLength));
        ok = r >= 0;
        moved = r > 0 ? r : 0;
    } else if (request == CCallMiniUsb::kIoctlBulkRead) {
        // The driver's read of one transfer, bounded for the tests.
        int r = CSimCamera::kNotReady;
        for (int i = 0; i < 100 && r == CSimCamera::kNotReady; ++i) {
            r = camera.BulkIn(out, static_cast<int>(req->outputLength),
                              std::chrono::milliseconds(20));
        }
        ok = r >= 0;
        moved = r > 0 ? r : 0;
    }
    req->returned = static_cast<std::uint32_t>(moved) + g_miniExcess.load();
    umockdev_ioctl_client_complete(client, ok ? 0 : -1, ok ? 0 : EIO);
    if (input != nullptr) {
        umockdev_ioctl_data_unref(input);
    }
    if (output != nullptr) {
        umockdev_ioctl_data_unref(output);
    }
    umockdev_ioctl_data_unref(data);
    return TRUE;
}

gboolean OnIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer user)
{
    auto *device = static_cast<UsbTestbed::Device *>(user);
    return device->mini ? HandleMini(*device, client) : HandleGeneric(*device, client);
}

} // namespace

UsbTestbed::UsbTestbed() : m_impl(new Impl)
{
    m_impl->testbed = umockdev_testbed_new();
    g_submitted = &m_impl->submitted;
}

UsbTestbed &UsbTestbed::Instance()
{
    static UsbTestbed *testbed = new UsbTestbed; // lives for the whole test run
    return *testbed;
}

bool UsbTestbed::InMockEnvironment()
{
    return umockdev_in_mock_environment() != FALSE;
}

void UsbTestbed::Attach(const std::string &node, const std::string &description, Device *device)
{
    device->handler = umockdev_ioctl_base_new();
    g_signal_connect(device->handler, "handle-ioctl", G_CALLBACK(OnIoctl), device);
    umockdev_testbed_attach_ioctl(m_impl->testbed, node.c_str(), device->handler, nullptr);
    device->node = node;
    umockdev_testbed_add_from_string(m_impl->testbed, description.c_str(), nullptr);
}

void UsbTestbed::AddGenericCamera(CSimCamera &camera, int devnum, Layout layout)
{
    auto device = std::make_unique<Device>();
    device->camera = &camera;
    char number[8];
    std::snprintf(number, sizeof number, "%03d", devnum);
    const std::string node = std::string("/dev/bus/usb/001/") + number;
    device->syspath = "/sys/devices/usb1/1-" + std::to_string(devnum);
    const std::string description =
        "P: /devices/usb1/1-" + std::to_string(devnum) + "\nN: bus/usb/001/" + number + "=" +
        Hex(Descriptors(layout)) +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: BUSNUM=001\nE: DEVNUM=" + number +
        "\nE: DEVNAME=" + node + "\nE: TEVALCAP_INTERFACE=" + CCallWinUsb::kInterfaceGuid +
        "\nA: busnum=1\\n\nA: devnum=" + std::to_string(devnum) + "\\n\n";
    Attach(node, description, device.get());
    m_impl->devices.push_back(std::move(device));
}

void UsbTestbed::AddMiniCamera(CSimCamera &camera, int index)
{
    auto device = std::make_unique<Device>();
    device->camera = &camera;
    device->mini = true;
    const std::string name = "tevalcap" + std::to_string(index);
    device->syspath = "/sys/devices/virtual/tevalcap/" + name;
    const std::string description = "P: /devices/virtual/tevalcap/" + name + "\nN: " + name +
                                    "\nE: SUBSYSTEM=tevalcap\nE: DEVNAME=/dev/" + name +
                                    "\nE: TEVALCAP_INTERFACE=" + CCallMiniUsb::kInterfaceGuid +
                                    "\n";
    Attach("/dev/" + name, description, device.get());
    m_impl->devices.push_back(std::move(device));
}

void UsbTestbed::SetClaimRefused(bool refused)
{
    g_claimRefused.store(refused);
}

void UsbTestbed::SetMiniCountExcess(unsigned excess)
{
    g_miniExcess.store(excess);
}

void UsbTestbed::DenyAccess(int devnum)
{
    char number[8];
    std::snprintf(number, sizeof number, "%03d", devnum);
    const std::string path =
        std::string(umockdev_testbed_get_root_dir(m_impl->testbed)) + "/dev/bus/usb/001/" + number;
    ::chmod(path.c_str(), 0);
}

void UsbTestbed::RemoveAll()
{
    g_claimRefused.store(false);
    g_miniExcess.store(0);
    for (auto &device : m_impl->devices) {
        umockdev_testbed_remove_device(m_impl->testbed, device->syspath.c_str());
        umockdev_testbed_detach_ioctl(m_impl->testbed, device->node.c_str(), nullptr);
        g_object_unref(device->handler);
        std::lock_guard lock(device->mutex);
        for (auto *data : device->pendingIn) {
            umockdev_ioctl_data_unref(data);
        }
        for (auto *data : device->completed) {
            umockdev_ioctl_data_unref(data);
        }
    }
    m_impl->devices.clear();
}

unsigned long UsbTestbed::SubmittedUrbs() const
{
    return m_impl->submitted.load();
}
