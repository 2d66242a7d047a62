#include "component/AnsiText.h"

#include <array>
#include <utility>

namespace quenvar {
namespace {

constexpr int kShortTextUnits = 256;

}  // namespace

void AssignAnsiText(UniqueBstr& field, const char* text) noexcept
{
    field.reset();
    // A short text, as header values are, is converted once into a buffer of its own and copied.
    std::array<OLECHAR, kShortTextUnits> buffer;
    const int shortUnits = MultiByteToWideChar(CP_ACP, /*flags=*/0, text, -1, buffer.data(), kShortTextUnits);
    if (shortUnits > 0) {
        field.reset(SysAllocStringLen(buffer.data(), static_cast<UINT>(shortUnits - 1)));
        return;
    }
    // A longer one straight into the new string: its length is known from a first, measuring pass.
    const int units = MultiByteToWideChar(CP_ACP, /*flags=*/0, text, -1, /*wide=*/nullptr, /*wideCount=*/0);
    if (units <= 0) return;
    UniqueBstr value(SysAllocStringLen(/*source=*/nullptr, static_cast<UINT>(units - 1)));
    if (!value) return;
    value.get()[0] = u'\0';
    if (MultiByteToWideChar(CP_ACP, /*flags=*/0, text, -1, value.get(), units) != units) return;
    field = std::move(value);
}

}  // namespace quenvar
