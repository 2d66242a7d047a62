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

// Whether `wide`, converted to the ANSI code page, equals `name` without regard to case.
bool NameMatches(LPCOLESTR wide, LPCSTR name) noexcept
{
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    UniqueTaskMemory converted(CoTaskMemAlloc(static_cast<SIZE_T>(bytes)));
    if (!converted) return false;
    auto* text = static_cast<LPSTR>(converted.get());
    text[0] = '\0';
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, text, bytes, nullptr, nullptr) != bytes) return false;
    return lstrcmpiA(text, name) == 0;
}

}  // namespace

ReplacementMap::ReplacementMap() noexcept
    : items_(static_cast<Pair**>(ModuleAlloc(kInitialCapacity * sizeof(Pair*))))
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
    for (int i = 0; i < count_; ++i) {
        if (NameMatches(items_[i]->name, name)) return items_[i]->value;
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
