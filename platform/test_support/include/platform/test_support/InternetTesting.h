// Test-only control of the Internet client: the text that comes with an injected extended error,
// and the number of handles open in the process.
#pragma once

#include "platform/Win32.h"

namespace quenvar::testing {

// An Internet function made to fail with ERROR_INTERNET_EXTENDED_ERROR by an armed fault leaves
// this text for InternetGetLastResponseInfoA on its thread ("" for none, the default).
void SetExtendedErrorText(const char* text);

// Restores "" when it goes out of scope.
class ScopedExtendedErrorText {
public:
    explicit ScopedExtendedErrorText(const char* text) { SetExtendedErrorText(text); }
    ~ScopedExtendedErrorText() { SetExtendedErrorText(""); }
    ScopedExtendedErrorText(const ScopedExtendedErrorText&) = delete;
    ScopedExtendedErrorText& operator=(const ScopedExtendedErrorText&) = delete;
};

// Handles of the Internet client open in the process right now.
std::size_t OpenInternetHandles();

}  // namespace quenvar::testing
