#include "SimulatedCamera.h"

#include <gst/gst.h>

#include <dlfcn.h>

namespace {

using SetPlugged = int (*)(int);

SetPlugged findSwitch()
{
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    GstPlugin *plugin = gst_registry_find_plugin(gst_registry_get(), "tevalcap");
    if (!plugin) {
        return nullptr;
    }
    GstPlugin *loaded = gst_plugin_load(plugin);
    gst_object_unref(plugin);
    if (!loaded) {
        return nullptr;
    }
    // The same file is already mapped: this finds the plug-in's own copy of the camera.
    void *handle = dlopen(gst_plugin_get_filename(loaded), RTLD_NOW | RTLD_NOLOAD);
    gst_object_unref(loaded);
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
