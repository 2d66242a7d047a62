#include "tests/windows/WindowsImports.h"

#include "platform/Win32.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace quenvar::testing {
namespace {

#define MS_ABI __attribute__((ms_abi))

// A thunk that takes the arguments as Windows x64 code passes them and calls the platform's
// function with the same declaration.
template <auto Function>
struct Thunk;

template <typename Result, typename... Arguments, Result (*Function)(Arguments...)>
struct Thunk<Function> {
    static MS_ABI Result Call(Arguments... arguments) { return Function(arguments...); }
};

// The C library's functions, whose C++ declarations are overloaded or built in.
MS_ABI void* MemCpy(void* target, const void* source, std::size_t size) { return std::memcpy(target, source, size); }
MS_ABI const void* MemChr(const void* text, int value, std::size_t size) { return std::memchr(text, value, size); }
MS_ABI int MemCmp(const void* left, const void* right, std::size_t size) { return std::memcmp(left, right, size); }
MS_ABI void* MemSet(void* target, int value, std::size_t size) { return std::memset(target, value, size); }
MS_ABI std::size_t StrLen(const char* text) { return std::strlen(text); }

// The caller's variable arguments sit in a Windows va_list, which the platform's wsprintfA cannot
// take: each conversion reads one pointer-sized slot, so as many slots as the format has
// conversions are passed on (wsprintfA knows no '*' width).
constexpr int kMaxFormatArguments = 8;

MS_ABI int WsprintfA(LPSTR output, LPCSTR format, ...)
{
    int count = 0;
    for (const char* at = format; *at != '\0'; ++at) {
        if (*at != '%') continue;
        if (at[1] == '%') {
            ++at;
        } else {
            ++count;
        }
    }
    std::uint64_t slots[kMaxFormatArguments] = {};
    __builtin_ms_va_list arguments;
    __builtin_ms_va_start(arguments, format);
    for (int i = 0; i < std::min(count, kMaxFormatArguments); ++i)
        slots[i] = __builtin_va_arg(arguments, std::uint64_t);
    __builtin_ms_va_end(arguments);
    return wsprintfA(output, format, slots[0], slots[1], slots[2], slots[3], slots[4], slots[5], slots[6], slots[7]);
}

struct Import {
    const char* dll;
    const char* name;
    void* function;
};

#define THUNK(dll, name) \
    Import { dll, #name, reinterpret_cast<void*>(&Thunk<&::name>::Call) }

const Import kImports[] = {
    THUNK("advapi32.dll", RegCloseKey),
    THUNK("advapi32.dll", RegCreateKeyExA),
    THUNK("advapi32.dll", RegDeleteKeyA),
    THUNK("advapi32.dll", RegDeleteValueA),
    THUNK("advapi32.dll", RegEnumKeyExA),
    THUNK("advapi32.dll", RegOpenKeyExA),
    THUNK("advapi32.dll", RegQueryInfoKeyA),
    THUNK("advapi32.dll", RegQueryValueExA),
    THUNK("advapi32.dll", RegSetValueExA),
    THUNK("kernel32.dll", CloseHandle),
    THUNK("kernel32.dll", CreateMutexA),
    THUNK("kernel32.dll", DeleteCriticalSection),
    THUNK("kernel32.dll", DisableThreadLibraryCalls),
    THUNK("kernel32.dll", EnterCriticalSection),
    THUNK("kernel32.dll", FindResourceA),
    THUNK("kernel32.dll", FreeLibrary),
    THUNK("kernel32.dll", GetCPInfo),
    THUNK("kernel32.dll", GetLastError),
    THUNK("kernel32.dll", GetModuleFileNameW),
    THUNK("kernel32.dll", HeapAlloc),
    THUNK("kernel32.dll", HeapCreate),
    THUNK("kernel32.dll", HeapDestroy),
    THUNK("kernel32.dll", HeapFree),
    THUNK("kernel32.dll", HeapReAlloc),
    THUNK("kernel32.dll", InitializeCriticalSection),
    THUNK("kernel32.dll", LeaveCriticalSection),
    THUNK("kernel32.dll", LoadLibraryExW),
    THUNK("kernel32.dll", LoadResource),
    THUNK("kernel32.dll", LocalAlloc),
    THUNK("kernel32.dll", LocalFree),
    THUNK("kernel32.dll", LockResource),
    THUNK("kernel32.dll", MultiByteToWideChar),
    THUNK("kernel32.dll", ReleaseMutex),
    THUNK("kernel32.dll", SetLastError),
    THUNK("kernel32.dll", SizeofResource),
    THUNK("kernel32.dll", WaitForSingleObject),
    THUNK("kernel32.dll", WideCharToMultiByte),
    THUNK("kernel32.dll", lstrcatA),
    THUNK("kernel32.dll", lstrcmpiA),
    THUNK("kernel32.dll", lstrcpyA),
    THUNK("kernel32.dll", lstrcpynA),
    THUNK("kernel32.dll", lstrlenA),
    THUNK("kernel32.dll", lstrlenW),
    THUNK("ole32.dll", CoTaskMemAlloc),
    THUNK("ole32.dll", CoTaskMemFree),
    THUNK("ole32.dll", CoTaskMemRealloc),
    THUNK("ole32.dll", SetErrorInfo),
    THUNK("oleaut32.dll", LoadRegTypeLib),
    THUNK("oleaut32.dll", LoadTypeLib),
    THUNK("oleaut32.dll", RegisterTypeLib),
    THUNK("oleaut32.dll", SysAllocString),
    THUNK("oleaut32.dll", SysAllocStringLen),
    THUNK("oleaut32.dll", SysFreeString),
    THUNK("oleaut32.dll", SysStringLen),
    THUNK("oleaut32.dll", VarI4FromStr),
    THUNK("user32.dll", CharNextA),
    Import{"user32.dll", "wsprintfA", reinterpret_cast<void*>(&WsprintfA)},
    THUNK("wininet.dll", HttpOpenRequestA),
    THUNK("wininet.dll", HttpQueryInfoA),
    THUNK("wininet.dll", HttpSendRequestA),
    THUNK("wininet.dll", InternetCloseHandle),
    THUNK("wininet.dll", InternetConnectA),
    THUNK("wininet.dll", InternetGetLastResponseInfoA),
    THUNK("wininet.dll", InternetOpenA),
    Import{"msvcrt.dll", "memchr", reinterpret_cast<void*>(&MemChr)},
    Import{"msvcrt.dll", "memcpy", reinterpret_cast<void*>(&MemCpy)},
    Import{"msvcrt.dll", "memcmp", reinterpret_cast<void*>(&MemCmp)},
    Import{"msvcrt.dll", "memset", reinterpret_cast<void*>(&MemSet)},
    Import{"msvcrt.dll", "strlen", reinterpret_cast<void*>(&StrLen)},
};

bool SameDll(std::string_view left, std::string_view right)
{
    return std::ranges::equal(left, right, [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

}  // namespace

void* WindowsImport(std::string_view dll, std::string_view name)
{
    for (const Import& import : kImports) {
        if (SameDll(dll, import.dll) && name == import.name) return import.function;
    }
    return nullptr;
}

}  // namespace quenvar::testing
