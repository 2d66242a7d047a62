// The two forms in which registry calls take and give text: the A calls' ANSI bytes and the W
// calls' UTF-16. Both are kept in UTF-16, so the W form passes names and string data through.
#pragma once

#include "linux/kernel/CodePage.h"
#include "linux/registry/ValueCodec.h"

#include <string>
#include <string_view>
#include <vector>

namespace quenvar::platform {

template <typename Char>
struct TextForm;

template <>
struct TextForm<char> {
    // NULL reads as "".
    static std::u16string In(const char* text) { return text == nullptr ? std::u16string() : AnsiToWide(text); }
    static std::string Out(std::u16string_view text) { return WideToAnsi(text); }
    static std::vector<BYTE> DataIn(DWORD type, const BYTE* data, DWORD size)
    {
        return EncodeValueData(type, data, size);
    }
    static std::vector<BYTE> DataOut(DWORD type, const std::vector<BYTE>& stored)
    {
        return DecodeValueData(type, stored);
    }
};

template <>
struct TextForm<char16_t> {
    static std::u16string In(const char16_t* text) { return text == nullptr ? std::u16string() : std::u16string(text); }
    static std::u16string Out(std::u16string_view text) { return std::u16string(text); }
    static std::vector<BYTE> DataIn(DWORD type, const BYTE* data, DWORD size)
    {
        return EncodeWideValueData(type, data, size);
    }
    static std::vector<BYTE> DataOut(DWORD /*type*/, const std::vector<BYTE>& stored) { return stored; }
};

}  // namespace quenvar::platform
