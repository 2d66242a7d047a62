#include "tools/regsvr/Registration.h"

#include "platform/EntryPoints.h"
#include "platform/UniqueHandle.h"
#include "tools/support/StatusText.h"

#include <filesystem>

namespace quenvar::tools {
namespace {

// A bare file name would be searched for in the system's library folders only; a user who names a
// file of the current folder means that file, as on the platform.
std::string LoadPath(const std::string& library)
{
    std::error_code error;
    const bool local = library.find('/') == std::string::npos && std::filesystem::is_regular_file(library, error);
    return local ? "./" + library : library;
}

}  // namespace

RegistrationResult RunRegistration(const std::string& library, bool unregister)
{
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    UniqueModule module(LoadLibraryA(LoadPath(library).c_str()));
    if (!module) {
        const DWORD error = GetLastError();
        return {RegistrationOutcome::LoadFailed, "cannot load " + library + ": " + DescribeStatus(error, library)};
    }
    const auto entry = ProcAs<LPFNREGISTRATION>(GetProcAddress(module.get(), entryName));
    if (entry == nullptr) {
        return {RegistrationOutcome::EntryPointMissing,
                library + " was loaded, but the entry point " + entryName + " was not found"};
    }
    const HRESULT hr = entry();
    if (FAILED(hr)) {
        return {RegistrationOutcome::EntryPointFailed,
                entryName + std::string(" in ") + library + " failed: " + DescribeStatus(static_cast<DWORD>(hr))};
    }
    return {RegistrationOutcome::Succeeded, entryName + std::string(" in ") + library + " succeeded"};
}

}  // namespace quenvar::tools
