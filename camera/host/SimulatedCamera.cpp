#include "SimulatedCamera.h"

#include <gst/gst.h>

#include <dlfcn.h>

#include <memory>

namespace {

using SetPlugged = int (*)(int);

struct PluginUnref {
    void operator()(GstPlugin *plugin) const { gst_object_unref(plugin); }
};
using PluginPtr = std::unique_ptr<GstPlugin, PluginUnref>;

SetPlugged findSwitch()
{
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    const PluginPtr plugin(gst_registry_find_plugin(gst_registry_get(), "tevalcap"));
    if (!plugin) {
        return nullptr;
    }
    const PluginPtr loaded(gst_plugin_load(plugin.get()));
    if (!loaded) {
        return nullptr;
    }
    // The same file is already mapped: this finds the plug-in's own copy of the camera.
    void *handle = dlopen(gst_plugin_get_filename(loaded.get()), RTLD_NOW | RTLD_NOLOAD);
    if (!handle) {
        return nullptr;
    }
    auto found = reinterpret_cast<SetPlugged>(dlsym(handle, "TevalSim_SetPlugged"));
    dlclose(handle); // GStreamer keeps the plug-in loaded
    return found;
}

} // namespace

bool SimulatedCamera::setPlugged(bool plugged)
{
    static const SetPlugged set = findSwitch();
    return set && set(plugged ? 1 : 0) == 1;
}
