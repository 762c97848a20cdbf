#include "filter/CPluginInstall.h"

#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);

HRESULT FromError(const std::error_code &error)
{
    if (error == std::errc::permission_denied || error == std::errc::read_only_file_system) {
        return E_ACCESSDENIED;
    }
    return E_FAIL;
}

// Copies the file at source into the open file fd.
HRESULT CopyInto(const std::string &source, int fd)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return FromError(std::error_code(errno, std::generic_category()));
    }
    HRESULT result = S_OK;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            result = n == 0 ? S_OK : E_FAIL;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(fd, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) {
                continue;
            }
            if (w <= 0) {
                result = FromError(std::error_code(errno, std::generic_category()));
                break;
            }
            done += w;
        }
        if (FAILED(result)) {
            break;
        }
    }
    ::close(in);
    return result;
}

} // namespace

std::string CPluginInstall::UserPluginDir()
{
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return (fs::path(data) / "gstreamer-1.0" / "plugins").string();
    }
    const char *home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        return {};
    }
    return (fs::path(home) / ".local" / "share" / "gstreamer-1.0" / "plugins").string();
}

std::string CPluginInstall::ModulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&DllRegisterServer), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    std::error_code error;
    const fs::path path = fs::canonical(info.dli_fname, error);
    return error ? std::string(info.dli_fname) : path.string();
}

HRESULT CPluginInstall::Install(const std::string &modulePath, const std::string &dir)
{
    if (modulePath.empty() || dir.empty()) {
        return E_INVALIDARG;
    }
    std::error_code error;
    if (!fs::is_regular_file(modulePath, error)) {
        return E_INVALIDARG;
    }
    fs::create_directories(dir, error);
    if (error) {
        return FromError(error);
    }
    const fs::path target = fs::path(dir) / kFileName;
    if (fs::exists(target, error) && fs::equivalent(modulePath, target, error)) {
        return S_OK;
    }
    // Copy beside the target under an unpredictable name, then rename: a process loading the
    // plugin meanwhile sees either the old file or the new one, never half of it, and no name
    // planted in the folder (a symbolic link) is written through.
    std::string temporary = (fs::path(dir) / (std::string(".") + kFileName + ".XXXXXX")).string();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return FromError(std::error_code(errno, std::generic_category()));
    }
    const HRESULT copied = CopyInto(modulePath, fd);
    if (::fchmod(fd, 0755) != 0 || ::close(fd) != 0 || FAILED(copied)) {
        ::unlink(temporary.c_str());
        return FAILED(copied) ? copied : E_FAIL;
    }
    fs::rename(temporary, target, error);
    if (error) {
        ::unlink(temporary.c_str());
        return FromError(error);
    }
    return S_OK;
}

HRESULT CPluginInstall::Remove(const std::string &dir)
{
    if (dir.empty()) {
        return E_INVALIDARG;
    }
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
