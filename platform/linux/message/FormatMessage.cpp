// FormatMessageA over the system's table of message texts.
#include "platform/Win32.h"

#include "linux/message/SystemMessages.h"
#include "linux/edge/Boundary.h"
#include "linux/edge/WithLastError.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kSourceFlags = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM;
constexpr char kLineBreak[] = "\r\n";

bool HasInserts(const char* text) { return std::strchr(text, '%') != nullptr; }

}  // namespace

using quenvar::platform::WithLastError;

extern "C" {

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID /*source*/, DWORD messageId, DWORD languageId, LPSTR buffer,
                            DWORD size, va_list* /*arguments*/) noexcept
{
    const bool allocate = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
    if (buffer == nullptr) return WithLastError(ERROR_INVALID_PARAMETER, DWORD{0});
    char** allocated = reinterpret_cast<char**>(buffer);
    if (allocate) *allocated = nullptr;
    return quenvar::platform::Boundary("FormatMessageA", quenvar::platform::SetsLastError<DWORD>{0}, [&]() -> DWORD {
        if ((flags & kSourceFlags) != FORMAT_MESSAGE_FROM_SYSTEM || (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) != 0) {
            return WithLastError(ERROR_INVALID_PARAMETER, DWORD{0});
        }
        const WORD language = PRIMARYLANGID(languageId);
        if (language != LANG_NEUTRAL && language != LANG_ENGLISH) {
            return WithLastError(ERROR_RESOURCE_LANG_NOT_FOUND, DWORD{0});
        }
        const char* text = quenvar::platform::FindSystemMessage(messageId);
        if (text == nullptr) return WithLastError(ERROR_MR_MID_NOT_FOUND, DWORD{0});
        if ((flags & FORMAT_MESSAGE_IGNORE_INSERTS) == 0 && HasInserts(text)) {
            return WithLastError(ERROR_INVALID_PARAMETER, DWORD{0});
        }

        const std::size_t textLength = std::strlen(text);
        const auto length = static_cast<DWORD>(textLength + sizeof kLineBreak - 1);
        char* output = buffer;
        if (allocate) {
            output = static_cast<char*>(LocalAlloc(LMEM_FIXED, size > length ? size : length + 1));
            if (output == nullptr) return WithLastError(ERROR_NOT_ENOUGH_MEMORY, DWORD{0});
            *allocated = output;
        } else if (size <= length) {
            return WithLastError(ERROR_INSUFFICIENT_BUFFER, DWORD{0});
        }
        // The line break brings the terminating NUL.
        std::copy_n(text, textLength, output);
        std::memcpy(output + textLength, kLineBreak, sizeof kLineBreak);
        return length;
    });
}

}  // extern "C"
