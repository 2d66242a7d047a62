// The library's test hooks: the only way platform_test_support reaches state inside the library.
// Exported under their own version node (Exports.map); product code never calls them.
#pragma once

#include "platform/Win32.h"

#include <cstddef>

#define QUENVAR_TEST_HOOK __attribute__((visibility("default")))

extern "C" {

// Answers true, with the error to fail with, when this call of `function` is to fail.
using QuenvarFaultHook = bool (*)(const char* function, DWORD* error);

// Every fault gate asks `hook` from now on; nullptr (the start) lets every call through.
QUENVAR_TEST_HOOK void QuenvarTestSetFaultHook(QuenvarFaultHook hook) noexcept;

// Closes the registry connection and forgets every open key handle.
QUENVAR_TEST_HOOK void QuenvarTestReopenRegistry() noexcept;

// Key handles open in the process (the predefined roots not counted).
QUENVAR_TEST_HOOK std::size_t QuenvarTestOpenRegistryHandles() noexcept;

// 1252 or 932; FALSE for any other code page.
QUENVAR_TEST_HOOK BOOL QuenvarTestSetAnsiCodePage(UINT codePage) noexcept;

// The text an injected ERROR_INTERNET_EXTENDED_ERROR leaves for InternetGetLastResponseInfoA.
QUENVAR_TEST_HOOK void QuenvarTestSetExtendedErrorText(const char* text) noexcept;

// Handles of the Internet client open in the process.
QUENVAR_TEST_HOOK std::size_t QuenvarTestOpenInternetHandles() noexcept;

}  // extern "C"
