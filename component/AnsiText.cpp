#include "component/AnsiText.h"

#include <utility>

namespace quenvar {

void AssignAnsiText(UniqueBstr& field, const char* text) noexcept
{
    field.reset();
    // Converted straight into the new string: its length is known from a first, measuring pass.
    const int units = MultiByteToWideChar(CP_ACP, /*flags=*/0, text, -1, /*wide=*/nullptr, /*wideCount=*/0);
    if (units <= 0) return;
    UniqueBstr value(SysAllocStringLen(/*source=*/nullptr, static_cast<UINT>(units - 1)));
    if (!value) return;
    value.get()[0] = u'\0';
    if (MultiByteToWideChar(CP_ACP, /*flags=*/0, text, -1, value.get(), units) != units) return;
    field = std::move(value);
}

}  // namespace quenvar
