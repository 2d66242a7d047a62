// Message texts of the system's status codes: the HRESULTs and Win32 codes the platform layer
// and the component can give, in the platform's wording.
#pragma once

#include "platform/win32/Types.h"

#include <cstdarg>

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x2000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0xFF;

constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD LANG_ENGLISH = 0x09;
constexpr WORD SUBLANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr WORD SUBLANG_ENGLISH_US = 0x01;
constexpr DWORD MAKELANGID(WORD primary, WORD sub) { return static_cast<DWORD>(sub) << 10 | primary; }
constexpr WORD PRIMARYLANGID(DWORD language) { return static_cast<WORD>(language & 0x3FF); }

extern "C" {

// Only the system's table (FORMAT_MESSAGE_FROM_SYSTEM) in English or a neutral language, with no
// line-width limit. A failure HRESULT of FACILITY_WIN32 reads as its Win32 code. The text ends in
// CR LF as on the platform. Answers the characters stored without the NUL; 0 on failure with
// ERROR_MR_MID_NOT_FOUND (unknown code), ERROR_RESOURCE_LANG_NOT_FOUND, ERROR_INSUFFICIENT_BUFFER
// (buffer of `size` characters too small), ERROR_NOT_ENOUGH_MEMORY, or ERROR_INVALID_PARAMETER
// (other sources, a width limit, or a text with inserts without FORMAT_MESSAGE_IGNORE_INSERTS:
// inserts are never filled in). With FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` is really an LPSTR*
// that receives a LocalAlloc block of at least `size` bytes, which the caller frees with
// LocalFree; it is set to NULL on failure.
DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                            va_list* arguments) noexcept;

}  // extern "C"
