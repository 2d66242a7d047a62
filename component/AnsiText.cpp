#include "component/AnsiText.h"

#include <array>
#include <climits>
#include <utility>

namespace quenvar {
namespace {

constexpr int kShortTextUnits = 256;

}  // namespace

void AssignAnsiText(UniqueBstr& field, std::string_view text) noexcept
{
    field.reset();
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return;
    // With its length given, the text needs no NUL of its own and no count of its bytes.
    const int bytes = static_cast<int>(text.size());
    // A short text, as header values are, is converted once into a buffer of its own and copied.
    // An empty one converts to nothing, which the conversion would refuse.
    std::array<OLECHAR, kShortTextUnits> buffer;
    const int shortUnits =
        bytes == 0 ? 0 : MultiByteToWideChar(CP_ACP, /*flags=*/0, text.data(), bytes, buffer.data(), kShortTextUnits);
    if (shortUnits > 0 || bytes == 0) {
        field.reset(SysAllocStringLen(buffer.data(), static_cast<UINT>(shortUnits)));
        return;
    }
    // A longer one straight into the new string: its length is known from a first, measuring pass.
    const int units = MultiByteToWideChar(CP_ACP, /*flags=*/0, text.data(), bytes, /*wide=*/nullptr, /*wideCount=*/0);
    if (units <= 0) return;
    UniqueBstr value(SysAllocStringLen(/*source=*/nullptr, static_cast<UINT>(units)));
    if (!value) return;
    if (MultiByteToWideChar(CP_ACP, /*flags=*/0, text.data(), bytes, value.get(), units) != units) return;
    field = std::move(value);
}

}  // namespace quenvar
