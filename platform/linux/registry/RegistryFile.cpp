#include "linux/registry/RegistryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenvar::platform {

DWORD CheckRegistryFile(const std::string& path, bool& exists)
{
    struct stat status {};
    exists = stat(path.c_str(), &status) == 0;
    if (!exists) return errno == ENOENT ? ERROR_SUCCESS : ERROR_CANTOPEN;
    if (!S_ISREG(status.st_mode)) return ERROR_CANTOPEN;
    return faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0 ? ERROR_SUCCESS : ERROR_CANTOPEN;
}

}  // namespace quenvar::platform
