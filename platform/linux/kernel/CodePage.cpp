// Code pages 1252 (by table: glibc's iconv refuses its five unassigned bytes), 932 (Shift-JIS,
// through iconv one character at a time) and UTF-8, and the Win32 conversion functions.
#include "linux/edge/Boundary.h"
#include "linux/kernel/CodePage.h"
#include "platform/AsciiText.h"

#include "linux/edge/TestHooks.h"
#include "linux/edge/WithLastError.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <iconv.h>

namespace quenvar::platform {
namespace {

std::atomic<UINT> ansiCodePage{1252};

constexpr std::array<char16_t, 32> kCp1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t kCp932Replacement = 0x30FB;

char16_t Cp1252ToWide(BYTE value) { return value >= 0x80 && value <= 0x9F ? kCp1252High[value - 0x80] : value; }

bool WideToCp1252(char16_t unit, char& out)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        out = static_cast<char>(unit);
        return true;
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == unit) {
            out = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

// One iconv descriptor for the span of one conversion call.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid()) iconv_close(handle_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts one whole character; false when the target cannot hold it.
    bool Convert(const void* input, std::size_t inputBytes, void* output, std::size_t& outputBytes)
    {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* in = static_cast<char*>(const_cast<void*>(input));
        char* out = static_cast<char*>(output);
        std::size_t inLeft = inputBytes;
        std::size_t outLeft = outputBytes;
        if (iconv(handle_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
            return false;
        }
        outputBytes -= outLeft;
        return true;
    }

private:
    iconv_t handle_;
};

bool DecodeCp932(std::string_view bytes, bool strict, std::u16string& wide)
{
    IconvHandle toWide("UTF-16LE", "CP932");
    if (!toWide.valid()) return false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<BYTE>(bytes[i]);
        if (lead < 0x80) {
            wide.push_back(lead);
            ++i;
        } else if (lead >= 0xA1 && lead <= 0xDF) {
            wide.push_back(static_cast<char16_t>(0xFF61 + (lead - 0xA1)));
            ++i;
        } else if (!IsLeadByte(932, lead) || i + 1 == bytes.size()) {
            if (strict) return false;
            wide.push_back(kCp932Replacement);
            ++i;
        } else {
            char16_t units[2];
            std::size_t outBytes = sizeof units;
            if (toWide.Convert(bytes.data() + i, 2, units, outBytes) && outBytes == sizeof(char16_t)) {
                wide.push_back(units[0]);
            } else if (strict) {
                return false;
            } else {
                wide.push_back(kCp932Replacement);
            }
            i += 2;
        }
    }
    return true;
}

bool EncodeCp932(std::u16string_view wide, char defaultChar, std::string& bytes, bool& usedDefault)
{
    IconvHandle fromWide("CP932", "UTF-16LE");
    if (!fromWide.valid()) return false;
    for (char16_t unit : wide) {
        if (unit < 0x80) {
            bytes.push_back(static_cast<char>(unit));
            continue;
        }
        char encoded[4];
        std::size_t outBytes = sizeof encoded;
        if (fromWide.Convert(&unit, sizeof unit, encoded, outBytes)) {
            bytes.append(encoded, outBytes);
        } else {
            bytes.push_back(defaultChar);
            usedDefault = true;
        }
    }
    return true;
}

bool DecodeUtf8(std::string_view bytes, bool strict, std::u16string& wide)
{
    if (IsAsciiText(bytes)) {
        const std::size_t at = wide.size();
        wide.resize(at + bytes.size());
        std::copy(bytes.begin(), bytes.end(), wide.begin() + static_cast<std::ptrdiff_t>(at));
        return true;
    }
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<BYTE>(bytes[i]);
        std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
        char32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<BYTE>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= kMinimum[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (!valid) {
            if (strict) return false;
            wide.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return true;
}

bool EncodeUtf8(std::u16string_view wide, bool strict, std::string& bytes)
{
    if (IsAsciiText(wide)) {
        const std::size_t at = bytes.size();
        bytes.resize(at + wide.size());
        std::transform(wide.begin(), wide.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       [](char16_t unit) { return static_cast<char>(unit); });
        return true;
    }
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t code = wide[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (wide[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            if (strict) return false;
            code = 0xFFFD;
        }
        if (code < 0x80) {
            bytes.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return true;
}

}  // namespace

UINT AnsiCodePage() { return ansiCodePage.load(std::memory_order_relaxed); }

UINT ResolveCodePage(UINT codePage)
{
    if (codePage == CP_ACP || codePage == CP_OEMCP) return AnsiCodePage();
    return codePage == 1252 || codePage == 932 || codePage == CP_UTF8 ? codePage : 0;
}

bool IsLeadByte(UINT codePage, BYTE value)
{
    const BYTE* r = kCp932LeadByteRanges;
    return codePage == 932 && ((value >= r[0] && value <= r[1]) || (value >= r[2] && value <= r[3]));
}

bool DecodeToWide(UINT codePage, std::string_view bytes, bool strict, std::u16string& wide)
{
    switch (codePage) {
    case 1252:
        for (char c : bytes) wide.push_back(Cp1252ToWide(static_cast<BYTE>(c)));
        return true;
    case 932: return DecodeCp932(bytes, strict, wide);
    default: return DecodeUtf8(bytes, strict, wide);
    }
}

bool EncodeFromWide(UINT codePage, std::u16string_view wide, char defaultChar, bool strict, std::string& bytes,
                    bool& usedDefault)
{
    usedDefault = false;
    switch (codePage) {
    case 1252:
        for (char16_t unit : wide) {
            char out;
            if (!WideToCp1252(unit, out)) {
                out = defaultChar;
                usedDefault = true;
            }
            bytes.push_back(out);
        }
        return true;
    case 932: return EncodeCp932(wide, defaultChar, bytes, usedDefault);
    default: return EncodeUtf8(wide, strict, bytes);
    }
}

// Neither ANSI code page nor a lenient UTF-8 conversion can fail but for iconv's own set-up, which
// would then leave the text as far as it came.
std::u16string AnsiToWide(std::string_view ansi)
{
    std::u16string wide;
    wide.reserve(ansi.size());
    static_cast<void>(DecodeToWide(AnsiCodePage(), ansi, /*strict=*/false, wide));
    return wide;
}

std::string WideToAnsi(std::u16string_view wide)
{
    std::string ansi;
    ansi.reserve(wide.size());
    bool usedDefault = false;
    static_cast<void>(EncodeFromWide(AnsiCodePage(), wide, '?', /*strict=*/false, ansi, usedDefault));
    return ansi;
}

std::u16string FileNameToWide(std::string_view fileName)
{
    std::u16string wide;
    wide.reserve(fileName.size());
    static_cast<void>(DecodeUtf8(fileName, /*strict=*/false, wide));
    return wide;
}

bool WideToFileName(std::u16string_view wide, std::string& fileName)
{
    std::string encoded;
    encoded.reserve(wide.size());
    if (!EncodeUtf8(wide, /*strict=*/true, encoded) || encoded.find('\0') != std::string::npos) return false;
    fileName = std::move(encoded);
    return true;
}

}  // namespace quenvar::platform

BOOL QuenvarTestSetAnsiCodePage(UINT codePage) noexcept
{
    if (codePage != 1252 && codePage != 932) return FALSE;
    quenvar::platform::ansiCodePage.store(codePage, std::memory_order_relaxed);
    return TRUE;
}

namespace {

using quenvar::platform::ResolveCodePage;
using quenvar::platform::WithLastError;

// False, with the error set, when `count` units do not fit.
bool Fits(std::size_t count, int outputCount)
{
    return count <= static_cast<std::size_t>(outputCount) || WithLastError(ERROR_INSUFFICIENT_BUFFER, false);
}

// Copies a converted string out with the platform's sizing rules: a zero output size asks for
// the size needed.
template <typename Unit>
int CopyOut(const std::basic_string<Unit>& converted, Unit* output, int outputCount)
{
    if (outputCount == 0) return static_cast<int>(converted.size());
    if (!Fits(converted.size(), outputCount)) return 0;
    std::copy(converted.begin(), converted.end(), output);
    return static_cast<int>(converted.size());
}

// Code page 1252, and ASCII in every code page, decode a byte to a unit: straight into the
// caller's buffer, without the general path's intermediate string. -1 for other text.
int DecodeUnitForUnit(UINT codePage, std::string_view bytes, LPWSTR wide, int wideCount)
{
    const bool ascii = quenvar::IsAsciiText(bytes);
    if (codePage != 1252 && !ascii) return -1;
    if (wideCount == 0) return static_cast<int>(bytes.size());
    if (!Fits(bytes.size(), wideCount)) return 0;
    if (ascii) {
        std::transform(bytes.begin(), bytes.end(), wide, [](char c) { return static_cast<BYTE>(c); });
    } else {
        std::transform(bytes.begin(), bytes.end(), wide,
                       [](char c) { return quenvar::platform::Cp1252ToWide(static_cast<BYTE>(c)); });
    }
    return static_cast<int>(bytes.size());
}

// ASCII encodes a unit to a byte in every code page; -1 for other text.
int EncodeAscii(std::u16string_view wide, LPSTR bytes, int byteCount)
{
    if (!quenvar::IsAsciiText(wide)) return -1;
    if (byteCount == 0) return static_cast<int>(wide.size());
    if (!Fits(wide.size(), byteCount)) return 0;
    std::transform(wide.begin(), wide.end(), bytes, [](char16_t unit) { return static_cast<char>(unit); });
    return static_cast<int>(wide.size());
}

}  // namespace

extern "C" {

UINT WINAPI GetACP() noexcept { return quenvar::platform::AnsiCodePage(); }

BOOL WINAPI GetCPInfo(UINT codePage, LPCPINFO info) noexcept
{
    return quenvar::platform::Boundary("GetCPInfo", quenvar::platform::SetsLastError<BOOL>{FALSE}, [&]() -> BOOL {
        const UINT resolved = ResolveCodePage(codePage);
        if (resolved == 0 || info == nullptr) return WithLastError(ERROR_INVALID_PARAMETER, FALSE);
        *info = CPINFO{};
        info->DefaultChar[0] = '?';
        switch (resolved) {
        case 1252: info->MaxCharSize = 1; break;
        case 932:
            info->MaxCharSize = 2;
            std::copy_n(quenvar::platform::kCp932LeadByteRanges, std::size(quenvar::platform::kCp932LeadByteRanges),
                        info->LeadByte);
            break;
        default: info->MaxCharSize = 4; break;  // UTF-8 has no lead bytes in this sense
        }
        return TRUE;
    });
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount, LPWSTR wide,
                               int wideCount) noexcept
{
    return quenvar::platform::Boundary("MultiByteToWideChar", quenvar::platform::SetsLastError<int>{0}, [&]() -> int {
        const UINT resolved = ResolveCodePage(codePage);
        if (resolved == 0 || multiByte == nullptr || multiByteCount == 0 || multiByteCount < -1 || wideCount < 0 ||
            (wide == nullptr && wideCount != 0)) {
            return WithLastError(ERROR_INVALID_PARAMETER, 0);
        }
        const std::size_t length = multiByteCount == -1 ? std::char_traits<char>::length(multiByte) + 1
                                                        : static_cast<std::size_t>(multiByteCount);
        const int direct = DecodeUnitForUnit(resolved, {multiByte, length}, wide, wideCount);
        if (direct >= 0) return direct;
        std::u16string converted;
        converted.reserve(length);
        if (!quenvar::platform::DecodeToWide(resolved, {multiByte, length}, (flags & MB_ERR_INVALID_CHARS) != 0,
                                             converted)) {
            return WithLastError(ERROR_NO_UNICODE_TRANSLATION, 0);
        }
        return CopyOut(converted, wide, wideCount);
    });
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multiByte,
                               int multiByteCount, LPCSTR defaultChar, LPBOOL usedDefaultChar) noexcept
{
    return quenvar::platform::Boundary("WideCharToMultiByte", quenvar::platform::SetsLastError<int>{0}, [&]() -> int {
        const UINT resolved = ResolveCodePage(codePage);
        const bool utf8 = resolved == CP_UTF8;
        if (resolved == 0 || wide == nullptr || wideCount == 0 || wideCount < -1 || multiByteCount < 0 ||
            (multiByte == nullptr && multiByteCount != 0) ||
            (utf8 && (defaultChar != nullptr || usedDefaultChar != nullptr))) {
            return WithLastError(ERROR_INVALID_PARAMETER, 0);
        }
        const std::size_t length =
            wideCount == -1 ? std::char_traits<char16_t>::length(wide) + 1 : static_cast<std::size_t>(wideCount);
        const int direct = EncodeAscii({wide, length}, multiByte, multiByteCount);
        if (direct >= 0) {
            if (usedDefaultChar != nullptr) *usedDefaultChar = FALSE;
            return direct;
        }
        std::string converted;
        converted.reserve(length);
        bool usedDefault = false;
        if (!quenvar::platform::EncodeFromWide(resolved, {wide, length}, defaultChar ? *defaultChar : '?',
                                               (flags & WC_ERR_INVALID_CHARS) != 0, converted, usedDefault)) {
            return WithLastError(ERROR_NO_UNICODE_TRANSLATION, 0);
        }
        if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault ? TRUE : FALSE;
        return CopyOut(converted, multiByte, multiByteCount);
    });
}

}  // extern "C"
