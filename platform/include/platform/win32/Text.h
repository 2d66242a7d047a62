// ANSI text: code-page conversion, double-byte stepping and the lstr*/wsprintfA string helpers.
// CP_ACP is Windows-1252 unless a test switches the process to 932 (Shift-JIS).
#pragma once

#include "platform/win32/Types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
constexpr UINT MAX_LEADBYTES = 12;
constexpr UINT MAX_DEFAULTCHAR = 2;

struct CPINFO {
    UINT MaxCharSize;
    BYTE DefaultChar[MAX_DEFAULTCHAR];
    BYTE LeadByte[MAX_LEADBYTES];  // inclusive ranges of lead bytes in pairs, ended by a pair of zeros
};
using LPCPINFO = CPINFO*;

extern "C" {

UINT WINAPI GetACP() noexcept;
// FALSE with ERROR_INVALID_PARAMETER for a code page the platform does not convert, or no output.
BOOL WINAPI GetCPInfo(UINT codePage, LPCPINFO info) noexcept;

// On success: the units (bytes) written, or needed when the output size is 0. Failure: 0 with
// ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER or ERROR_NO_UNICODE_TRANSLATION.
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount, LPWSTR wide,
                               int wideCount) noexcept;
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multiByte,
                               int multiByteCount, LPCSTR defaultChar, LPBOOL usedDefaultChar) noexcept;

// Never moves past the terminating NUL; steps over a whole double-byte character.
LPSTR WINAPI CharNextA(LPCSTR current) noexcept;

int WINAPI lstrlenA(LPCSTR text) noexcept;
int WINAPI lstrlenW(LPCWSTR text) noexcept;
LPSTR WINAPI lstrcpyA(LPSTR destination, LPCSTR source) noexcept;
LPSTR WINAPI lstrcpynA(LPSTR destination, LPCSTR source, int maxCount) noexcept;
LPSTR WINAPI lstrcatA(LPSTR destination, LPCSTR source) noexcept;
int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) noexcept;

// Writes at most 1023 characters and a NUL; answers the characters written without the NUL.
int WINAPIV wsprintfA(LPSTR output, LPCSTR format, ...) noexcept;

}  // extern "C"
