// VarI4FromStr: text to a 32-bit signed number, rounding half to even. A hexadecimal or octal
// integer is a 32-bit pattern (&HFFFFFFFF is -1).
#include "platform/Win32.h"

#include "linux/edge/Boundary.h"
#include "linux/conversion/NumberText.h"

extern "C" {

HRESULT STDAPICALLTYPE VarI4FromStr(const OLECHAR* text, LCID /*lcid*/, ULONG /*flags*/, LONG* out) noexcept
{
    using namespace quenvar::platform;
    return Boundary("VarI4FromStr", ReturnsHResult{}, [&]() -> HRESULT {
        if (out == nullptr) return E_INVALIDARG;
        if (text == nullptr) return DISP_E_TYPEMISMATCH;
        NumberText number;
        // The Automation number grammar, the one VariantChangeType reads text with as well.
        if (!ParseNumberText(text, number)) return DISP_E_TYPEMISMATCH;
        ULONGLONG magnitude = 0;
        if (!RoundedMagnitude(number, magnitude)) return DISP_E_OVERFLOW;
        if (number.radix) {
            LONGLONG pattern = 0;
            if (!SignedPattern(magnitude, 32, pattern)) return DISP_E_OVERFLOW;
            *out = static_cast<LONG>(pattern);
        } else if (number.negative) {
            if (magnitude > 0x80000000ull) return DISP_E_OVERFLOW;
            *out = static_cast<LONG>(-static_cast<LONGLONG>(magnitude));
        } else {
            if (magnitude > 0x7FFFFFFFull) return DISP_E_OVERFLOW;
            *out = static_cast<LONG>(magnitude);
        }
        return S_OK;
    });
}

}  // extern "C"
