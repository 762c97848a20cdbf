#include "SimulatedPlug.h"

#include "GstPtr.h"

#include <dlfcn.h>

namespace {

using SetPlugged = int (*)(int);

SetPlugged findSwitch()
{
    GstPtr<GstPlugin> plugin(gst_registry_find_plugin(gst_registry_get(), "tevalcap"));
    if (!plugin) {
        return nullptr;
    }
    GstPtr<GstPlugin> loaded(gst_plugin_load(plugin.get()));
    if (!loaded) {
        return nullptr;
    }
    // The plug-in is already mapped: this finds its own copy of the simulated camera.
    void *handle = dlopen(gst_plugin_get_filename(loaded.get()), RTLD_NOW | RTLD_NOLOAD);
    if (!handle) {
        return nullptr;
    }
    auto found = reinterpret_cast<SetPlugged>(dlsym(handle, "TevalSim_SetPlugged"));
    dlclose(handle); // GStreamer keeps the plug-in loaded
    return found;
}

} // namespace

bool SimulatedPlug::set(bool plugged)
{
    static const SetPlugged set = findSwitch();
    const bool done = set && set(plugged ? 1 : 0) == 1;
    if (!done) {
        GST_CAT_DEBUG(tevalcam_debug, "simulated camera switch not reached");
    }
    return done;
}
