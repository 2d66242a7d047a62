#include "tools/regsvr/Registration.h"

#include "platform/UniqueHandle.h"
#include "tools/support/StatusText.h"

namespace quenvar::tools {
namespace {

struct LibraryTraits {
    using Pointer = HMODULE;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer module) noexcept { FreeLibrary(module); }
};
using UniqueLibrary = UniqueHandle<LibraryTraits>;

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

}  // namespace

RegistrationResult RunRegistration(const std::string& library, bool unregister)
{
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    UniqueLibrary module(LoadLibraryA(library.c_str()));
    if (!module) {
        const DWORD error = GetLastError();
        return {RegistrationOutcome::LoadFailed, "cannot load " + library + ": " + DescribeStatus(error, library)};
    }
    // Through the generic function pointer type, the one cast between function types that is
    // allowed without a warning.
    const auto entry =
        reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(GetProcAddress(module.get(), entryName)));
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
