// wsprintfA: the platform's small formatter (no floating point), output bounded to 1024 bytes.
#include "platform/Win32.h"

#include <cstdarg>
#include <cstring>

namespace {

constexpr int kOutputLimit = 1024;

// Appends to a fixed buffer, silently dropping what exceeds the bound.
class BoundedWriter {
public:
    explicit BoundedWriter(char* output) : output_(output) {}
    void Put(char c)
    {
        if (length_ < kOutputLimit - 1) output_[length_++] = c;
    }
    void Pad(char fill, int count)
    {
        for (int i = 0; i < count; ++i) Put(fill);
    }
    int Finish()
    {
        output_[length_] = '\0';
        return length_;
    }

private:
    char* output_;
    int length_ = 0;
};

struct FieldSpec {
    bool leftAlign = false;
    bool zeroPad = false;
    bool prefix = false;
    int width = 0;
    int precision = -1;
};

void PutField(BoundedWriter& out, const FieldSpec& spec, const char* text, int length)
{
    if (spec.precision >= 0 && length > spec.precision) length = spec.precision;
    const int padding = spec.width > length ? spec.width - length : 0;
    if (!spec.leftAlign) out.Pad(spec.zeroPad ? '0' : ' ', padding);
    for (int i = 0; i < length; ++i) out.Put(text[i]);
    if (spec.leftAlign) out.Pad(' ', padding);
}

void PutNumber(BoundedWriter& out, FieldSpec spec, std::uint32_t magnitude, bool negative, unsigned base,
               bool upper)
{
    char digits[16];
    int count = 0;
    const char* alphabet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[count++] = alphabet[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    char text[20];
    int length = 0;
    if (negative) text[length++] = '-';
    if (spec.prefix && base == 16) {
        text[length++] = '0';
        text[length++] = upper ? 'X' : 'x';
    }
    // With zero padding the zeros go between the sign and the digits.
    if (spec.zeroPad && !spec.leftAlign) {
        while (length + count < spec.width && length < static_cast<int>(sizeof text) - count) text[length++] = '0';
    }
    while (count > 0) text[length++] = digits[--count];
    spec.precision = -1;
    PutField(out, spec, text, length);
}

}  // namespace

extern "C" int WINAPI wsprintfA(LPSTR output, LPCSTR format, ...)
{
    if (output == nullptr || format == nullptr) return 0;
    BoundedWriter out(output);
    va_list args;
    va_start(args, format);
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            out.Put(*p);
            continue;
        }
        ++p;
        FieldSpec spec;
        for (;; ++p) {
            if (*p == '-') spec.leftAlign = true;
            else if (*p == '0') spec.zeroPad = true;
            else if (*p == '#') spec.prefix = true;
            else break;
        }
        while (*p >= '0' && *p <= '9') spec.width = spec.width * 10 + (*p++ - '0');
        if (*p == '.') {
            spec.precision = 0;
            while (*++p >= '0' && *p <= '9') spec.precision = spec.precision * 10 + (*p - '0');
        }
        if (*p == 'l' || *p == 'h') ++p;  // every integer argument is 32 bits wide here
        switch (*p) {
        case 'd':
        case 'i': {
            const int value = va_arg(args, int);
            const bool negative = value < 0;
            const std::uint32_t magnitude = negative ? 0u - static_cast<std::uint32_t>(value) : value;
            PutNumber(out, spec, magnitude, negative, 10, false);
            break;
        }
        case 'u':
            PutNumber(out, spec, va_arg(args, unsigned), false, 10, false);
            break;
        case 'x':
        case 'X':
            PutNumber(out, spec, va_arg(args, unsigned), false, 16, *p == 'X');
            break;
        case 'c': {
            const char c = static_cast<char>(va_arg(args, int));
            PutField(out, spec, &c, 1);
            break;
        }
        case 's': {
            const char* text = va_arg(args, const char*);
            if (text == nullptr) text = "(null)";
            PutField(out, spec, text, static_cast<int>(std::strlen(text)));
            break;
        }
        case '\0':
            --p;  // a lone '%' at the end prints nothing
            break;
        default:
            out.Put(*p);  // "%%" and unknown conversions print the character itself
            break;
        }
    }
    va_end(args);
    return out.Finish();
}
