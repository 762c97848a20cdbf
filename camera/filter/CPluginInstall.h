#pragma once

#include "filter/HResult.h"

#include <string>

// Registration on this platform: the plugin file is installed into, or removed from, the
// folder GStreamer scans for the user's own plugins.
class CPluginInstall {
public:
    static constexpr const char *kFileName = "libgsttevalcap.so";

    // $XDG_DATA_HOME/gstreamer-1.0/plugins, else ~/.local/share/gstreamer-1.0/plugins;
    // empty when neither variable is set.
    static std::string UserPluginDir();
    // Path of the loaded module that contains this code.
    static std::string ModulePath();
    // Copies the module into dir (created if needed), replacing an older copy atomically.
    static HRESULT Install(const std::string &modulePath, const std::string &dir);
    // Removes the installed copy; nothing installed is not an error.
    static HRESULT Remove(const std::string &dir);
};

extern "C" {
__attribute__((visibility("default"))) HRESULT DllRegisterServer();
__attribute__((visibility("default"))) HRESULT DllUnregisterServer();
}
