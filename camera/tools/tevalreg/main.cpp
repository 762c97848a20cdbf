// tevalreg: calls the plugin's DllRegisterServer or DllUnregisterServer, which install the
// plugin for the user (~/.local/share/gstreamer-1.0/plugins) or remove it from there.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

using Entry = std::int32_t (*)();

void Usage(FILE *out)
{
    std::fprintf(out,
                 "usage: tevalreg [-u] [PLUGIN]\n"
                 "  Registers the document camera plugin for the current user, so that every\n"
                 "  GStreamer program lists \"Document Camera\" among its video sources.\n"
                 "  -u, --unregister  remove the registration instead\n"
                 "  PLUGIN            the plugin file (default: %s)\n",
                 TEVALREG_INSTALLED_PLUGIN);
}

} // namespace

int main(int argc, char **argv)
{
    bool unregister = false;
    std::string plugin;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0 || std::strcmp(argv[i], "--unregister") == 0) {
            unregister = true;
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            Usage(stdout);
            return 0;
        } else if (argv[i][0] == '-' || !plugin.empty()) {
            Usage(stderr);
            return 2;
        } else {
            plugin = argv[i];
        }
    }
    // Only the installed plugin, unless the caller names one: a path of the build that made
    // this program could later hold anybody's file.
    if (plugin.empty()) {
        plugin = TEVALREG_INSTALLED_PLUGIN;
    }

    void *module = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        std::fprintf(stderr, "tevalreg: cannot load %s: %s\n", plugin.c_str(), dlerror());
        return 1;
    }
    const char *name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto entry = reinterpret_cast<Entry>(dlsym(module, name));
    if (entry == nullptr) {
        std::fprintf(stderr, "tevalreg: %s has no %s\n", plugin.c_str(), name);
        dlclose(module);
        return 1;
    }
    const std::int32_t hr = entry();
    dlclose(module);
    if (hr < 0) {
        std::fprintf(stderr, "tevalreg: %s failed (0x%08X)\n", name, static_cast<unsigned>(hr));
        return 1;
    }
    std::printf("%s succeeded\n", name);
    return 0;
}
