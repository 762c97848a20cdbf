#include "CameraAnnouncer.h"

// GIO (through umockdev) before Qt, whose "signals" keyword would break its headers.
#include <umockdev.h>

#include "CameraHotplug.h"

#include <cstdlib>
#include <cstring>

CameraAnnouncer::CameraAnnouncer() : m_testbed(umockdev_testbed_new()) {}

CameraAnnouncer::~CameraAnnouncer()
{
    g_object_unref(m_testbed);
}

bool CameraAnnouncer::isEmulated()
{
    const char *preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "umockdev") != nullptr;
}

void CameraAnnouncer::announce(const std::string &name, bool camera)
{
    auto found = m_paths.find(name);
    if (found == m_paths.end()) {
        gchar *path =
            umockdev_testbed_add_device(m_testbed, "usb", name.c_str(), nullptr, "idVendor", "abcd",
                                        "idProduct", "0001", nullptr, "DEVTYPE", "usb_device",
                                        camera ? CameraHotplug::InterfaceProperty : "ID_OTHER",
                                        "{264D2EF8-B78E-4249-A210-401900E45B83}", nullptr);
        found = m_paths.emplace(name, path ? path : "").first;
        g_free(path);
    }
    umockdev_testbed_uevent(m_testbed, found->second.c_str(), "add");
}
