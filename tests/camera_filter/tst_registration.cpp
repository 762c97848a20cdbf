// Registration: the plugin installed for the user and removed again, and what GStreamer
// programs then see.
#include "filter/CPluginInstall.h"
#include "usb/CRuntimeLock.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/tevalreg-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

std::string RunCommand(const std::string &command)
{
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        output += line;
    }
    pclose(pipe);
    return output;
}

std::string ReadAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Registration, UserPluginFolderFollowsTheDataHome)
{
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_DATA_HOME", "/data/me", 1);
    EXPECT_EQ(CPluginInstall::UserPluginDir(), "/data/me/gstreamer-1.0/plugins");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/me", 1);
    EXPECT_EQ(CPluginInstall::UserPluginDir(), "/home/me/.local/share/gstreamer-1.0/plugins");
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    EXPECT_EQ(CPluginInstall::UserPluginDir(), "");
    EXPECT_EQ(CPluginInstall::Install("/bin/sh", ""), E_INVALIDARG);
    setenv("HOME", savedHome.c_str(), 1);
}

TEST(Registration, InstallReplacesAndRemoveForgets)
{
    TempDir dir;
    const fs::path source = dir.path / "built.so";
    std::ofstream(source) << "first";
    const fs::path folder = dir.path / "share" / "gstreamer-1.0" / "plugins";
    ASSERT_EQ(CPluginInstall::Install(source.string(), folder.string()), S_OK);
    EXPECT_EQ(ReadAll(folder / "libgsttevalcap.so"), "first");
    std::ofstream(source) << "second";
    ASSERT_EQ(CPluginInstall::Install(source.string(), folder.string()), S_OK);
    EXPECT_EQ(ReadAll(folder / "libgsttevalcap.so"), "second");
    int files = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(folder)) {
        ++files;
    }
    EXPECT_EQ(files, 1) << "no temporary copy is left behind";

    EXPECT_EQ(CPluginInstall::Remove(folder.string()), S_OK);
    EXPECT_FALSE(fs::exists(folder / "libgsttevalcap.so"));
    EXPECT_EQ(CPluginInstall::Remove(folder.string()), S_OK);
    EXPECT_EQ(CPluginInstall::Install((dir.path / "missing.so").string(), folder.string()),
              E_INVALIDARG);
    EXPECT_TRUE(FAILED(CPluginInstall::Install(source.string(), "/proc/no/such/place")));
}

TEST(Registration, DeviceMonitorSeesTheCameraOnlyWhileRegistered)
{
    TempDir dir;
    // A GStreamer program that sees the system's plugins and the user's own, not the build
    // tree's, with a registry of its own.
    const std::string env = "env -u GST_PLUGIN_PATH XDG_DATA_HOME=" + dir.path.string() +
                            " GST_REGISTRY=" + REGISTRY + " ";
    const std::string list = env + TEST_SELF + " --list-devices";
    const std::string camera = "Document Camera (Video/Source, tevalcapsrc)\n";
    EXPECT_EQ(RunCommand(list).find(camera), std::string::npos);

    // The build tree's plugin is named: tevalreg itself knows only the installed one.
    EXPECT_NE(RunCommand(env + TEVALREG + " " + PLUGIN + " 2>&1").find("succeeded"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(dir.path / "gstreamer-1.0" / "plugins" / "libgsttevalcap.so"));
    EXPECT_NE(RunCommand(list).find(camera), std::string::npos);

    EXPECT_NE(RunCommand(env + TEVALREG + " -u " + PLUGIN + " 2>&1").find("succeeded"),
              std::string::npos);
    EXPECT_EQ(RunCommand(list).find(camera), std::string::npos);
}

TEST(Registration, ProviderLeavesTheCameraOutWhileAnotherProcessPublishesIt)
{
    TempDir runtime;
    // The build tree's plugin (GST_PLUGIN_PATH), a runtime folder of this test.
    const std::string list = "XDG_RUNTIME_DIR=" + runtime.path.string() +
                             " GST_REGISTRY=" + REGISTRY + ".provider " + TEST_SELF +
                             " --list-devices";
    const std::string camera = "Document Camera (Video/Source, tevalcapsrc)\n";
    EXPECT_NE(RunCommand(list).find(camera), std::string::npos);
    {
        setenv("XDG_RUNTIME_DIR", runtime.path.c_str(), 1);
        CRuntimeLock publisher(CRuntimeLock::PublisherPath());
        unsetenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(publisher.TryLock());
        EXPECT_EQ(RunCommand(list).find(camera), std::string::npos);
    }
    // The lock file stays behind, free: the camera is listed again.
    EXPECT_TRUE(fs::exists(runtime.path / "tevalcam.lock"));
    EXPECT_NE(RunCommand(list).find(camera), std::string::npos);
}

// Lists the video sources the device monitor finds, one line each.
int ListDevices(int argc, char **argv)
{
    gst_init(&argc, &argv);
    GstDeviceMonitor *monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    if (!gst_device_monitor_start(monitor)) {
        return 0;
    }
    GList *devices = gst_device_monitor_get_devices(monitor);
    for (GList *l = devices; l != nullptr; l = l->next) {
        GstDevice *device = GST_DEVICE(l->data);
        gchar *name = gst_device_get_display_name(device);
        gchar *klass = gst_device_get_device_class(device);
        GstElement *element = gst_device_create_element(device, nullptr);
        std::printf("%s (%s, %s)\n", name, klass,
                    element ? GST_OBJECT_NAME(gst_element_get_factory(element)) : "none");
        if (element != nullptr) {
            gst_object_unref(element);
        }
        g_free(name);
        g_free(klass);
    }
    g_list_free_full(devices, gst_object_unref);
    gst_device_monitor_stop(monitor);
    gst_object_unref(monitor);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--list-devices") {
        return ListDevices(argc, argv);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
