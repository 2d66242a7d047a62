#include "registrar/ReplacementMap.h"

#include "module/ModuleState.h"
#include "platform/UniqueHandle.h"

#include <climits>
#include <string>

namespace quenvar {
namespace {

LPOLESTR CopyString(LPCOLESTR text) noexcept
{
    const SIZE_T bytes = (static_cast<SIZE_T>(lstrlenW(text)) + 1) * sizeof(OLECHAR);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (copy != nullptr) std::char_traits<OLECHAR>::copy(copy, text, bytes / sizeof(OLECHAR));
    return copy;
}

enum class NameMatch { Yes, No, Unknown };

// Names converted in a buffer on the stack; only a longer one needs task memory.
constexpr int kShortNameBytes = 128;

// Whether `wide`, converted to the ANSI code page, equals `name` without regard to case;
// Unknown when there is no memory to tell.
NameMatch NameMatches(LPCOLESTR wide, LPCSTR name) noexcept
{
    char shortName[kShortNameBytes];
    shortName[0] = '\0';
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, shortName, kShortNameBytes, nullptr, nullptr) != 0) {
        return lstrcmpiA(shortName, name) == 0 ? NameMatch::Yes : NameMatch::No;
    }
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return NameMatch::No;
    UniqueTaskMemory converted(CoTaskMemAlloc(static_cast<SIZE_T>(bytes)));
    if (!converted) return NameMatch::Unknown;
    auto* text = static_cast<LPSTR>(converted.get());
    text[0] = '\0';
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, text, bytes, nullptr, nullptr) != bytes) return NameMatch::No;
    return lstrcmpiA(text, name) == 0 ? NameMatch::Yes : NameMatch::No;
}

}  // namespace

ReplacementMap::ReplacementMap() noexcept : items_(static_cast<Pair**>(ModuleAlloc(kInitialCapacity * sizeof(Pair*))))
{
}

ReplacementMap::~ReplacementMap()
{
    Clear();
    if (items_ != nullptr) ModuleFree(items_);
}

bool ReplacementMap::Grow() noexcept
{
    // A map that could not get its first array gets it now, at the initial capacity.
    const int capacity = items_ == nullptr ? capacity_ : capacity_ > INT_MAX / 2 ? 0 : capacity_ * 2;
    if (capacity == 0) return false;
    void* grown = ModuleRealloc(items_, static_cast<SIZE_T>(capacity) * sizeof(Pair*));
    if (grown == nullptr) return false;
    items_ = static_cast<Pair**>(grown);
    capacity_ = capacity;
    return true;
}

HRESULT ReplacementMap::Add(LPCOLESTR name, LPCOLESTR value) noexcept
{
    auto* pair = static_cast<Pair*>(ModuleAlloc(sizeof(Pair)));
    if (pair == nullptr) return E_OUTOFMEMORY;
    pair->name = CopyString(name);
    pair->value = CopyString(value);
    if (pair->name == nullptr || pair->value == nullptr || ((items_ == nullptr || count_ == capacity_) && !Grow())) {
        CoTaskMemFree(pair->name);
        CoTaskMemFree(pair->value);
        ModuleFree(pair);
        return E_OUTOFMEMORY;
    }
    items_[count_++] = pair;
    return S_OK;
}

LPCOLESTR ReplacementMap::Find(LPCSTR name) const noexcept
{
    // A pair that cannot be compared ends the search: a later pair of the same name must not
    // stand in for it.
    for (int i = 0; i < count_; ++i) {
        const NameMatch match = NameMatches(items_[i]->name, name);
        if (match == NameMatch::Yes) return items_[i]->value;
        if (match == NameMatch::Unknown) return nullptr;
    }
    return nullptr;
}

void ReplacementMap::Clear() noexcept
{
    for (int i = 0; i < count_; ++i) {
        CoTaskMemFree(items_[i]->name);
        CoTaskMemFree(items_[i]->value);
        ModuleFree(items_[i]);
    }
    count_ = 0;
}

}  // namespace quenvar
