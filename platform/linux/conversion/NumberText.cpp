// The parse behind the text-to-number conversions, and the integer (rounded half to even) or
// the double the result stands for.
#include "linux/conversion/NumberText.h"

#include <charconv>

namespace quenvar::platform {
namespace {

// Beyond this the exponent only decides between zero and overflow.
constexpr LONGLONG kExponentLimit = 100000;
constexpr LONGLONG kMaxIntegerDigits = 20;

bool IsBlank(char16_t unit)
{
    return unit == u' ' || unit == u'\t' || unit == u'\n' || unit == u'\r' || unit == u'\v' || unit == u'\f';
}

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

int DigitValue(char16_t unit, int base)
{
    int value = 99;
    if (unit >= u'0' && unit <= u'9') value = unit - u'0';
    else if (unit >= u'a' && unit <= u'f') value = unit - u'a' + 10;
    else if (unit >= u'A' && unit <= u'F') value = unit - u'A' + 10;
    return value < base ? value : -1;
}

class Cursor {
public:
    explicit Cursor(std::u16string_view text) : text_(text) {}
    bool AtEnd() const { return position_ == text_.size(); }
    char16_t Peek() const { return AtEnd() ? u'\0' : text_[position_]; }
    void Skip() { ++position_; }
    bool Take(char16_t unit)
    {
        if (Peek() != unit) return false;
        Skip();
        return true;
    }

private:
    std::u16string_view text_;
    std::size_t position_ = 0;
};

bool ParseRadix(Cursor& cursor, NumberText& number)
{
    const char16_t marker = cursor.Peek();
    const int base = marker == u'H' || marker == u'h' ? 16 : marker == u'O' || marker == u'o' ? 8 : 0;
    if (base == 0) return false;
    cursor.Skip();
    bool any = false;
    for (int digit; (digit = DigitValue(cursor.Peek(), base)) >= 0; cursor.Skip()) {
        any = true;
        const ULONGLONG limit = (~ULONGLONG{0} - static_cast<ULONGLONG>(digit)) / static_cast<ULONGLONG>(base);
        number.radixValue =
            number.radixValue > limit ? ~ULONGLONG{0} : number.radixValue * base + static_cast<ULONGLONG>(digit);
    }
    number.radix = true;
    return any;
}

void AppendDigit(NumberText& number, char16_t unit, bool beforePoint)
{
    if (number.digits.empty() && unit == u'0') {
        if (!beforePoint) --number.pointAt;  // a leading zero after the point shifts the point
        return;
    }
    number.digits.push_back(static_cast<char>(unit));
    if (beforePoint) ++number.pointAt;
}

bool ParseExponent(Cursor& cursor, NumberText& number)
{
    if (cursor.Peek() != u'e' && cursor.Peek() != u'E') return true;
    cursor.Skip();
    const bool negative = cursor.Take(u'-');
    if (!negative) cursor.Take(u'+');
    if (!IsDigit(cursor.Peek())) return false;
    LONGLONG exponent = 0;
    for (; IsDigit(cursor.Peek()); cursor.Skip()) {
        if (exponent < kExponentLimit) exponent = exponent * 10 + (cursor.Peek() - u'0');
    }
    number.pointAt += negative ? -exponent : exponent;
    return true;
}

bool ParseDecimal(Cursor& cursor, NumberText& number)
{
    bool any = false;
    bool grouped = false;
    int groupDigits = 0;
    for (;; cursor.Skip()) {
        if (IsDigit(cursor.Peek())) {
            any = true;
            ++groupDigits;
            AppendDigit(number, cursor.Peek(), /*beforePoint=*/true);
        } else if (any && cursor.Peek() == u',') {
            if (grouped && groupDigits != 3) return false;
            grouped = true;
            groupDigits = 0;
        } else {
            break;
        }
    }
    if (grouped && groupDigits != 3) return false;
    if (cursor.Take(u'.')) {
        for (; IsDigit(cursor.Peek()); cursor.Skip()) {
            any = true;
            AppendDigit(number, cursor.Peek(), /*beforePoint=*/false);
        }
    }
    return any && ParseExponent(cursor, number);
}

}  // namespace

std::u16string_view TrimBlanks(std::u16string_view text) noexcept
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool ParseNumberText(std::u16string_view text, NumberText& number)
{
    number = NumberText{};
    Cursor cursor(TrimBlanks(text));
    if (cursor.Take(u'&')) {
        if (!ParseRadix(cursor, number)) return false;
    } else {
        number.negative = cursor.Take(u'-');
        if (!number.negative) cursor.Take(u'+');
        if (!ParseDecimal(cursor, number)) return false;
    }
    return cursor.AtEnd();
}

bool RoundedMagnitude(const NumberText& number, ULONGLONG& magnitude)
{
    magnitude = 0;
    if (number.radix) {
        magnitude = number.radixValue;
        return true;
    }
    if (number.digits.empty()) return true;
    if (number.pointAt > kMaxIntegerDigits) return false;
    const auto integerDigits = static_cast<std::size_t>(number.pointAt < 0 ? 0 : number.pointAt);
    for (std::size_t i = 0; i < integerDigits; ++i) {
        const ULONGLONG digit = i < number.digits.size() ? static_cast<ULONGLONG>(number.digits[i] - '0') : 0;
        if (magnitude > (~ULONGLONG{0} - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    // Digits start right after the point only when pointAt is 0; a negative pointAt means zeros.
    if (number.pointAt < 0 || integerDigits >= number.digits.size()) return true;
    const char first = number.digits[integerDigits];
    const bool restNonZero = number.digits.find_first_not_of('0', integerDigits + 1) != std::string::npos;
    const bool roundUp = first > '5' || (first == '5' && (restNonZero || (magnitude & 1) != 0));
    if (!roundUp) return true;
    if (magnitude == ~ULONGLONG{0}) return false;
    ++magnitude;
    return true;
}

bool RealMagnitude(const NumberText& number, double& magnitude)
{
    magnitude = 0;
    if (number.radix) {
        magnitude = static_cast<double>(number.radixValue);
        return true;
    }
    if (number.digits.empty()) return true;
    // Read back as "0.<digits>e<pointAt>": from_chars rounds to nearest, however many digits.
    const std::string text = "0." + number.digits + "e" + std::to_string(number.pointAt);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error == std::errc::result_out_of_range) {
        magnitude = 0;
        return number.pointAt < 0;  // out of range below is too small, above too large
    }
    return error == std::errc{} && end == text.data() + text.size();
}

bool SignedPattern(ULONGLONG pattern, unsigned bits, LONGLONG& value) noexcept
{
    if (bits < 64 && (pattern >> bits) != 0) return false;
    const ULONGLONG signBit = ULONGLONG{1} << (bits - 1);
    // Sign extension: the bits above the pattern take its top bit.
    value = static_cast<LONGLONG>((pattern ^ signBit) - signBit);
    return true;
}

}  // namespace quenvar::platform
