// ANSI string helpers: double-byte aware stepping and the lstr* family.
#include "platform/Win32.h"

#include "linux/kernel/CodePage.h"

#include <cstring>

namespace {

// Case folding of the ANSI code page's single-byte letters (ASCII, plus Latin-1 on 1252).
int FoldCase(BYTE value, UINT codePage)
{
    if (value >= 'A' && value <= 'Z') return value + ('a' - 'A');
    if (codePage == 1252 && value >= 0xC0 && value <= 0xDE && value != 0xD7) return value + 0x20;
    return value;
}

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

extern "C" {

LPSTR WINAPI CharNextA(LPCSTR current) noexcept
{
    if (current == nullptr || *current == '\0') return const_cast<LPSTR>(current);
    using namespace quenvar::platform;
    // Not through IsDBCSLeadByte: text searches step every character through here.
    if (IsLeadByte(AnsiCodePage(), static_cast<BYTE>(*current)) && current[1] != '\0') {
        return const_cast<LPSTR>(current + 2);
    }
    return const_cast<LPSTR>(current + 1);
}

LPSTR WINAPI CharPrevA(LPCSTR start, LPCSTR current) noexcept
{
    if (start == nullptr || current == nullptr || current <= start) return const_cast<LPSTR>(start);
    LPCSTR previous = start;
    for (LPCSTR step = start; step < current;) {
        previous = step;
        LPCSTR next = CharNextA(step);
        if (next == step) break;
        step = next;
    }
    return const_cast<LPSTR>(previous);
}

int WINAPI lstrlenA(LPCSTR text) noexcept { return text == nullptr ? 0 : static_cast<int>(std::strlen(text)); }

int WINAPI lstrlenW(LPCWSTR text) noexcept
{
    return text == nullptr ? 0 : static_cast<int>(std::char_traits<char16_t>::length(text));
}

LPSTR WINAPI lstrcpyA(LPSTR destination, LPCSTR source) noexcept
{
    if (destination == nullptr || source == nullptr) return nullptr;
    return std::strcpy(destination, source);
}

LPSTR WINAPI lstrcpynA(LPSTR destination, LPCSTR source, int maxCount) noexcept
{
    if (destination == nullptr || source == nullptr || maxCount <= 0) return destination;
    int i = 0;
    for (; i < maxCount - 1 && source[i] != '\0'; ++i) destination[i] = source[i];
    destination[i] = '\0';
    return destination;
}

LPSTR WINAPI lstrcatA(LPSTR destination, LPCSTR source) noexcept
{
    if (destination == nullptr || source == nullptr) return nullptr;
    return std::strcat(destination, source);
}

int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) noexcept
{
    if (a == nullptr || b == nullptr) return (a != nullptr) - (b != nullptr);
    const UINT codePage = GetACP();
    for (;; ++a, ++b) {
        const int left = FoldCase(static_cast<BYTE>(*a), codePage);
        const int right = FoldCase(static_cast<BYTE>(*b), codePage);
        if (left != right) return Sign(left - right);
        if (left == 0) return 0;
    }
}

}  // extern "C"
