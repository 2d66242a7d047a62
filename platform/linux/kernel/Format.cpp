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

void PutField(BoundedWriter& out, const FieldSpec& field, const char* text, int length)
{
    if (field.precision >= 0 && length > field.precision) length = field.precision;
    const int padding = field.width > length ? field.width - length : 0;
    if (!field.leftAlign) out.Pad(field.zeroPad ? '0' : ' ', padding);
    for (int i = 0; i < length; ++i) out.Put(text[i]);
    if (field.leftAlign) out.Pad(' ', padding);
}

void PutNumber(BoundedWriter& out, FieldSpec field, std::uint32_t magnitude, bool negative, unsigned base, bool upper)
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
    if (field.prefix && base == 16) {
        text[length++] = '0';
        text[length++] = upper ? 'X' : 'x';
    }
    // With zero padding the zeros go between the sign and the digits.
    if (field.zeroPad && !field.leftAlign) {
        while (length + count < field.width && length < static_cast<int>(sizeof text) - count) text[length++] = '0';
    }
    while (count > 0) text[length++] = digits[--count];
    field.precision = -1;
    PutField(out, field, text, length);
}

}  // namespace

extern "C" int WINAPIV wsprintfA(LPSTR output, LPCSTR format, ...) noexcept
{
    if (output == nullptr || format == nullptr) return 0;
    BoundedWriter out(output);
    QUENVAR_VA_LIST args;
    QUENVAR_VA_START(args, format);
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            out.Put(*p);
            continue;
        }
        ++p;
        FieldSpec field;
        for (;; ++p) {
            if (*p == '-') field.leftAlign = true;
            else if (*p == '0') field.zeroPad = true;
            else if (*p == '#') field.prefix = true;
            else break;
        }
        while (*p >= '0' && *p <= '9') field.width = field.width * 10 + (*p++ - '0');
        if (*p == '.') {
            field.precision = 0;
            while (*++p >= '0' && *p <= '9') field.precision = field.precision * 10 + (*p - '0');
        }
        if (*p == 'l' || *p == 'h') ++p;  // every integer argument is 32 bits wide here
        switch (*p) {
        case 'd':
        case 'i': {
            const int value = va_arg(args, int);
            const bool negative = value < 0;
            const std::uint32_t magnitude = negative ? 0u - static_cast<std::uint32_t>(value) : value;
            PutNumber(out, field, magnitude, negative, 10, false);
            break;
        }
        case 'u': PutNumber(out, field, va_arg(args, unsigned), false, 10, false); break;
        case 'x':
        case 'X': PutNumber(out, field, va_arg(args, unsigned), false, 16, *p == 'X'); break;
        case 'c': {
            const char c = static_cast<char>(va_arg(args, int));
            PutField(out, field, &c, 1);
            break;
        }
        case 's': {
            const char* text = va_arg(args, const char*);
            if (text == nullptr) text = "(null)";
            PutField(out, field, text, static_cast<int>(std::strlen(text)));
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
    QUENVAR_VA_END(args);
    return out.Finish();
}
