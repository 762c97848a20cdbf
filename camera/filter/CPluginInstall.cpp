#include "filter/CPluginInstall.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);

HRESULT FromError(const std::error_code &error)
{
    if (error == std::errc::permission_denied || error == std::errc::read_only_file_system)
        return E_ACCESSDENIED;
    return E_FAIL;
}

} // namespace

std::string CPluginInstall::UserPluginDir()
{
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return (fs::path(data) / "gstreamer-1.0" / "plugins").string();
    const char *home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0')
        return {};
    return (fs::path(home) / ".local" / "share" / "gstreamer-1.0" / "plugins").string();
}

std::string CPluginInstall::ModulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&DllRegisterServer), &info) == 0 ||
        info.dli_fname == nullptr)
        return {};
    std::error_code error;
    const fs::path path = fs::canonical(info.dli_fname, error);
    return error ? std::string(info.dli_fname) : path.string();
}

HRESULT CPluginInstall::Install(const std::string &modulePath, const std::string &dir)
{
    if (modulePath.empty() || dir.empty())
        return E_INVALIDARG;
    std::error_code error;
    if (!fs::is_regular_file(modulePath, error))
        return E_INVALIDARG;
    fs::create_directories(dir, error);
    if (error)
        return FromError(error);
    const fs::path target = fs::path(dir) / kFileName;
    if (fs::exists(target, error) && fs::equivalent(modulePath, target, error))
        return S_OK;
    // Copy beside the target, then rename: a process loading the plugin meanwhile sees either
    // the old file or the new one, never half of it.
    const fs::path temporary =
        fs::path(dir) / (std::string(".") + kFileName + "." + std::to_string(getpid()));
    fs::copy_file(modulePath, temporary, fs::copy_options::overwrite_existing, error);
    if (error)
        return FromError(error);
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return FromError(error);
    }
    return S_OK;
}

HRESULT CPluginInstall::Remove(const std::string &dir)
{
    if (dir.empty())
        return E_INVALIDARG;
    std::error_code error;
    fs::remove(fs::path(dir) / kFileName, error);
    return error ? FromError(error) : S_OK;
}

HRESULT DllRegisterServer()
{
    return CPluginInstall::Install(CPluginInstall::ModulePath(), CPluginInstall::UserPluginDir());
}

HRESULT DllUnregisterServer()
{
    return CPluginInstall::Remove(CPluginInstall::UserPluginDir());
}
