// The registry, ANSI and wide forms. Every call answers a Win32 code and leaves the last error alone.
// Key and value names compare without regard to case; a NULL or empty value name is the key's
// default value.
#pragma once

#include "platform/win32/Types.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

#define QUENVAR_PREDEFINED_KEY(value) (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(value))))
#define HKEY_CLASSES_ROOT QUENVAR_PREDEFINED_KEY(0x80000000)
#define HKEY_CURRENT_USER QUENVAR_PREDEFINED_KEY(0x80000001)
#define HKEY_LOCAL_MACHINE QUENVAR_PREDEFINED_KEY(0x80000002)
#define HKEY_USERS QUENVAR_PREDEFINED_KEY(0x80000003)
#define HKEY_PERFORMANCE_DATA QUENVAR_PREDEFINED_KEY(0x80000004)
#define HKEY_CURRENT_CONFIG QUENVAR_PREDEFINED_KEY(0x80000005)
#define HKEY_DYN_DATA QUENVAR_PREDEFINED_KEY(0x80000006)

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM DELETE = 0x00010000;
constexpr REGSAM READ_CONTROL = 0x00020000;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = KEY_READ;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

extern "C" {

// A NULL or empty subKey opens a new handle to parent itself. *result is NULL on failure.
LONG WINAPI RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) noexcept;
// Opens or creates the key and every missing level above it; *disposition tells which.
LONG WINAPI RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) noexcept;
LONG WINAPI RegCloseKey(HKEY key) noexcept;
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD size) noexcept;
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD size) noexcept;
LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD keyClassLength, LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptorSize,
                             PFILETIME lastWriteTime) noexcept;
LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPSTR keyClass,
                          LPDWORD keyClassLength, PFILETIME lastWriteTime) noexcept;
LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameLength, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataSize) noexcept;
// A key that still has subkeys is not deleted: ERROR_ACCESS_DENIED.
LONG WINAPI RegDeleteKeyA(HKEY parent, LPCSTR subKey) noexcept;
LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) noexcept;

// The wide forms take and give names and string data in UTF-16, as the registry keeps them, so
// every name shows whatever its characters; lengths are counted in UTF-16 units.
LONG WINAPI RegOpenKeyExW(HKEY parent, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) noexcept;
LONG WINAPI RegCreateKeyExW(HKEY parent, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) noexcept;
LONG WINAPI RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD size) noexcept;
LONG WINAPI RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD size) noexcept;
LONG WINAPI RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD keyClassLength, LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptorSize,
                             PFILETIME lastWriteTime) noexcept;
LONG WINAPI RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPWSTR keyClass,
                          LPDWORD keyClassLength, PFILETIME lastWriteTime) noexcept;
LONG WINAPI RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameLength, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataSize) noexcept;
LONG WINAPI RegDeleteKeyW(HKEY parent, LPCWSTR subKey) noexcept;
LONG WINAPI RegDeleteValueW(HKEY key, LPCWSTR valueName) noexcept;

}  // extern "C"
