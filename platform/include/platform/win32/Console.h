// The process's standard handles, and whether one of them is a console (a terminal).
#pragma once

#include "platform/win32/Types.h"

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

constexpr DWORD ENABLE_PROCESSED_OUTPUT = 0x1;
constexpr DWORD ENABLE_WRAP_AT_EOL_OUTPUT = 0x2;

extern "C" {

// INVALID_HANDLE_VALUE and ERROR_INVALID_PARAMETER for any other number.
HANDLE WINAPI GetStdHandle(DWORD stdHandle) noexcept;
// TRUE only for a standard handle open on a terminal; FALSE with ERROR_INVALID_HANDLE for a
// handle to anything else (a file, a pipe) or one that is not a standard handle.
BOOL WINAPI GetConsoleMode(HANDLE console, LPDWORD mode) noexcept;

}  // extern "C"
