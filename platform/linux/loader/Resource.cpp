// Finding and reading the resources of a module loaded as a data file.
#include "platform/Win32.h"

#include "linux/loader/DataFileModules.h"
#include "linux/loader/SharedObjects.h"
#include "linux/edge/Boundary.h"
#include "linux/edge/WithLastError.h"

namespace {

using namespace quenvar::platform;

// The entry behind a resource handle, provided it is one of this image's.
const ResourceEntry* EntryOf(const DataFileImage& image, HRSRC resource)
{
    const auto address = reinterpret_cast<ULONG_PTR>(resource);
    const auto first = reinterpret_cast<ULONG_PTR>(image.entries.data());
    if (image.entries.empty() || address < first) return nullptr;
    const std::size_t index = (address - first) / sizeof(ResourceEntry);
    if (index >= image.entries.size() || &image.entries[index] != reinterpret_cast<const ResourceEntry*>(resource)) {
        return nullptr;
    }
    return &image.entries[index];
}

HRSRC FindIn(const DataFileImage& image, LPCSTR name, LPCSTR type)
{
    ResourceId wantedName;
    ResourceId wantedType;
    if (!ResourceIdFromArgument(name, wantedName) || !ResourceIdFromArgument(type, wantedType)) {
        return WithLastError(ERROR_INVALID_PARAMETER, nullptr);
    }
    bool typeFound = false;
    for (const ResourceEntry& entry : image.entries) {
        if (entry.type != wantedType) continue;
        typeFound = true;
        if (entry.name == wantedName) return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&entry));
    }
    return WithLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND, nullptr);
}

}  // namespace

extern "C" {

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) noexcept
{
    return Boundary("FindResourceA", SetsLastError<HRSRC>{nullptr}, [&]() -> HRSRC {
        const DataFileImage* image = FindDataFile(module);
        if (image == nullptr) {
            std::string path;
            const bool loaded = !IsDataFileHandle(module) && LoadedModulePath(module, path);
            return WithLastError(loaded ? ERROR_RESOURCE_DATA_NOT_FOUND : ERROR_INVALID_HANDLE, nullptr);
        }
        if (!image->hasResources) return WithLastError(ERROR_RESOURCE_DATA_NOT_FOUND, nullptr);
        return FindIn(*image, name, type);
    });
}

HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) noexcept
{
    return Boundary("LoadResource", SetsLastError<HGLOBAL>{nullptr}, [&]() -> HGLOBAL {
        const DataFileImage* image = FindDataFile(module);
        const ResourceEntry* entry = image != nullptr ? EntryOf(*image, resource) : nullptr;
        if (entry == nullptr) return WithLastError(ERROR_INVALID_HANDLE, nullptr);
        return const_cast<BYTE*>(image->resources.data() + entry->dataOffset);
    });
}

LPVOID WINAPI LockResource(HGLOBAL resourceData) noexcept { return resourceData; }

DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) noexcept
{
    return Boundary("SizeofResource", SetsLastError<DWORD>{0}, [&]() -> DWORD {
        const DataFileImage* image = FindDataFile(module);
        const ResourceEntry* entry = image != nullptr ? EntryOf(*image, resource) : nullptr;
        if (entry == nullptr) return WithLastError(ERROR_INVALID_HANDLE, 0);
        return entry->dataSize;
    });
}

}  // extern "C"
