// BSTRs: [32-bit byte length][UTF-16 units][NUL unit], the pointer at the first unit.
#include "platform/Win32.h"

#include "linux/edge/Boundary.h"
#include "linux/kernel/StringBlocks.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);
// The byte length must fit the 32-bit prefix together with the terminator.
constexpr UINT kMaxBytes = 0xFFFFFFFFu - kPrefixBytes - sizeof(OLECHAR);

// The allocators answer NULL and leave the last error alone.
constexpr quenvar::platform::ReturnsOnly<BSTR> kBstrFailure{nullptr};

std::uint32_t* PrefixOf(BSTR text) { return reinterpret_cast<std::uint32_t*>(text) - 1; }

// The block of a string of `bytes`: room for an odd byte count plus a whole NUL unit.
std::size_t BlockBytes(UINT bytes) { return kPrefixBytes + std::size_t{bytes} + 2 * sizeof(OLECHAR); }

// A BSTR of `bytes` bytes, filled from `source` when it is not NULL; NULL when out of memory.
BSTR AllocateBytes(const void* source, UINT bytes)
{
    if (bytes > kMaxBytes) return nullptr;
    void* kept = quenvar::platform::TakeStringBlock(BlockBytes(bytes));
    auto* block =
        static_cast<BYTE*>(kept != nullptr ? kept : std::malloc(quenvar::platform::StringBlockSize(BlockBytes(bytes))));
    if (block == nullptr) return nullptr;
    std::memcpy(block, &bytes, kPrefixBytes);
    BYTE* data = block + kPrefixBytes;
    if (source != nullptr) std::memcpy(data, source, bytes);
    std::memset(data + bytes, 0, 2 * sizeof(OLECHAR) - (bytes % 2));
    return reinterpret_cast<BSTR>(data);
}

}  // namespace

extern "C" {

BSTR STDAPICALLTYPE SysAllocString(const OLECHAR* source) noexcept
{
    if (source == nullptr) return nullptr;
    return quenvar::platform::Boundary("SysAllocString", kBstrFailure, [&]() -> BSTR {
        std::size_t length = 0;
        while (source[length] != 0) ++length;
        if (length > kMaxBytes / sizeof(OLECHAR)) return nullptr;
        return AllocateBytes(source, static_cast<UINT>(length * sizeof(OLECHAR)));
    });
}

BSTR STDAPICALLTYPE SysAllocStringLen(const OLECHAR* source, UINT length) noexcept
{
    return quenvar::platform::Boundary("SysAllocStringLen", kBstrFailure, [&]() -> BSTR {
        if (length > kMaxBytes / sizeof(OLECHAR)) return nullptr;
        return AllocateBytes(source, length * static_cast<UINT>(sizeof(OLECHAR)));
    });
}

BSTR STDAPICALLTYPE SysAllocStringByteLen(LPCSTR source, UINT length) noexcept
{
    return quenvar::platform::Boundary("SysAllocStringByteLen", kBstrFailure,
                                       [&]() -> BSTR { return AllocateBytes(source, length); });
}

void STDAPICALLTYPE SysFreeString(BSTR text) noexcept
{
    if (text != nullptr) quenvar::platform::ReleaseStringBlock(PrefixOf(text), BlockBytes(*PrefixOf(text)));
}

UINT STDAPICALLTYPE SysStringLen(BSTR text) noexcept { return text == nullptr ? 0 : *PrefixOf(text) / sizeof(OLECHAR); }

UINT STDAPICALLTYPE SysStringByteLen(BSTR text) noexcept { return text == nullptr ? 0 : *PrefixOf(text); }

}  // extern "C"
