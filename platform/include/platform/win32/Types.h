// The Win32 scalar types with the platform's widths (LONG and ULONG are 32 bits even on LP64),
// and the calling-convention macros: the System V convention by default, or, in the build that
// hosts Windows DLLs (QUENVAR_WINDOWS_ABI), the conventions Windows code calls and is called with.
// This is the one place that tells the two builds apart.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#if defined(QUENVAR_WINDOWS_ABI) && defined(__x86_64__)
#define QUENVAR_HOSTS_WINDOWS_DLLS 1
#define QUENVAR_WINDOWS_CONVENTION __attribute__((ms_abi))
#define WINAPIV __attribute__((ms_abi))
// A variable argument list as a Windows x64 caller lays it out.
#define QUENVAR_VA_LIST __builtin_ms_va_list
#define QUENVAR_VA_START(list, last) __builtin_ms_va_start(list, last)
#define QUENVAR_VA_END(list) __builtin_ms_va_end(list)
#elif defined(QUENVAR_WINDOWS_ABI) && defined(__i386__)
// Windows x86 code may call with the stack aligned to 4 bytes only.
#define QUENVAR_HOSTS_WINDOWS_DLLS 1
#define QUENVAR_WINDOWS_CONVENTION __attribute__((stdcall, force_align_arg_pointer))
#define WINAPIV __attribute__((cdecl, force_align_arg_pointer))
#define QUENVAR_VA_LIST va_list
#define QUENVAR_VA_START(list, last) va_start(list, last)
#define QUENVAR_VA_END(list) va_end(list)
#elif defined(QUENVAR_WINDOWS_ABI)
#error "QUENVAR_WINDOWS_ABI needs an x86_64 or i386 target"
#else
#define QUENVAR_HOSTS_WINDOWS_DLLS 0
#define QUENVAR_WINDOWS_CONVENTION
#define WINAPIV
#define QUENVAR_VA_LIST va_list
#define QUENVAR_VA_START(list, last) va_start(list, last)
#define QUENVAR_VA_END(list) va_end(list)
#endif
#define STDMETHODCALLTYPE QUENVAR_WINDOWS_CONVENTION
#define STDAPICALLTYPE QUENVAR_WINDOWS_CONVENTION
#define WINAPI QUENVAR_WINDOWS_CONVENTION
#define CALLBACK QUENVAR_WINDOWS_CONVENTION
#define STDAPI extern "C" HRESULT STDAPICALLTYPE
#define STDAPI_(type) extern "C" type STDAPICALLTYPE

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using LONG = std::int32_t;
using SHORT = std::int16_t;
using INT = std::int32_t;
using BOOL = std::int32_t;
using CHAR = char;
using UCHAR = unsigned char;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using FLOAT = float;
using DOUBLE = double;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LCID = DWORD;
using SIZE_T = std::size_t;
using ULONG_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using WCHAR = char16_t;
using OLECHAR = char16_t;
#define OLESTR(text) u##text

using PVOID = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using PDWORD = DWORD*;
using LPLONG = LONG*;
using PLONG = LONG*;
using LPBOOL = BOOL*;

using HANDLE = void*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HLOCAL = void*;
using HGLOBAL = void*;
struct HRSRC__;
using HRSRC = HRSRC__*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr DWORD MAX_PATH = 260;

inline WORD LOWORD(DWORD_PTR value) { return static_cast<WORD>(value & 0xFFFF); }
inline WORD HIWORD(DWORD_PTR value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using PFILETIME = FILETIME*;
using LPFILETIME = FILETIME*;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
