#include "linux/kernel/RegistryLocation.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quenvar::platform {
namespace {

constexpr mode_t kFolderMode = 0700;

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string HomeFolder()
{
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        home = found->pw_dir;
    }
    return home;
}

}  // namespace

DWORD RegistryFilePath(std::string& path)
{
    path = Environment("QUENVAR_REGISTRY");
    if (!path.empty()) return ERROR_SUCCESS;
    const std::string dataHome = Environment("XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome.front() == '/') {
        path = dataHome + "/quenvar/registry.db";
        return ERROR_SUCCESS;
    }
    const std::string home = HomeFolder();
    if (home.empty()) return ERROR_CANTOPEN;
    path = home + "/.local/share/quenvar/registry.db";
    return ERROR_SUCCESS;
}

DWORD CreateRegistryFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), kFolderMode) != 0 && errno != EEXIST) return ERROR_CANTOPEN;
    }
    return ERROR_SUCCESS;
}

}  // namespace quenvar::platform
