#include "linux/loader/PeImports.h"

#include "platform/Win32.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace quenvar::platform {
namespace {

// The system DLLs whose functions the platform library exports under their own names.
constexpr std::string_view kPlatformDlls[] = {"kernel32.dll", "advapi32.dll", "ole32.dll",
                                              "oleaut32.dll", "wininet.dll",  "user32.dll"};

// The C library's functions with the caller's convention; their C++ declarations are overloaded
// or built in, so each is a function of its own.
void* WINAPIV MemCpy(void* target, const void* source, std::size_t size) { return std::memcpy(target, source, size); }
const void* WINAPIV MemChr(const void* text, int value, std::size_t size) { return std::memchr(text, value, size); }
int WINAPIV MemCmp(const void* left, const void* right, std::size_t size) { return std::memcmp(left, right, size); }
void* WINAPIV MemSet(void* target, int value, std::size_t size) { return std::memset(target, value, size); }
std::size_t WINAPIV StrLen(const char* text) { return std::strlen(text); }

struct CrtFunction {
    std::string_view name;
    void* function;
};

const CrtFunction kCrtFunctions[] = {
    {"memchr", reinterpret_cast<void*>(&MemChr)}, {"memcmp", reinterpret_cast<void*>(&MemCmp)},
    {"memcpy", reinterpret_cast<void*>(&MemCpy)}, {"memset", reinterpret_cast<void*>(&MemSet)},
    {"strlen", reinterpret_cast<void*>(&StrLen)},
};

bool SameDll(std::string_view left, std::string_view right)
{
    return std::ranges::equal(left, right, [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

// The platform library's export of that name: looked up in this library only, so that a name the
// C library also has is not taken for a platform function.
void* PlatformExport(std::string_view name)
{
    Dl_info own;
    if (::dladdr(reinterpret_cast<void*>(&PlatformExport), &own) == 0) return nullptr;
    void* const library = ::dlopen(own.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (library == nullptr) return nullptr;
    void* const symbol = ::dlsym(library, std::string(name).c_str());
    ::dlclose(library);
    Dl_info found;
    if (symbol == nullptr || ::dladdr(symbol, &found) == 0 || found.dli_fbase != own.dli_fbase) return nullptr;
    return symbol;
}

}  // namespace

void* ResolveImport(std::string_view dll, std::string_view name)
{
    if (SameDll(dll, "msvcrt.dll")) {
        for (const CrtFunction& function : kCrtFunctions) {
            if (function.name == name) return function.function;
        }
        return nullptr;
    }
    const bool platformDll =
        std::ranges::any_of(kPlatformDlls, [&](std::string_view known) { return SameDll(dll, known); });
    return platformDll ? PlatformExport(name) : nullptr;
}

}  // namespace quenvar::platform
