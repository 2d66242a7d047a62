// Helpers shared by the type library tests: owners for interfaces and descriptions, text
// conversion, files and the libraries the build made.
#pragma once

#include "component/IPalvex.h"
#include "platform/UniqueHandle.h"
#include "platform/UniqueInterface.h"
#include "platform/Win32.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace typelibtest {

template <typename Interface>
using Owned = quenvar::UniqueInterface<Interface>;

// A TYPEATTR or FUNCDESC or VARDESC, given back to its type information when it goes.
template <typename Description, void (STDMETHODCALLTYPE ITypeInfo::*Release)(Description*)>
class HeldDescription {
public:
    HeldDescription() = default;
    HeldDescription(const HeldDescription&) = delete;
    HeldDescription& operator=(const HeldDescription&) = delete;
    ~HeldDescription()
    {
        if (description_ != nullptr) (info_->*Release)(description_);
    }
    Description** put(ITypeInfo* info)
    {
        info_ = info;
        return &description_;
    }
    const Description* operator->() const { return description_; }
    const Description& operator*() const { return *description_; }

private:
    ITypeInfo* info_ = nullptr;
    Description* description_ = nullptr;
};
using TypeAttr = HeldDescription<TYPEATTR, &ITypeInfo::ReleaseTypeAttr>;
using FuncDesc = HeldDescription<FUNCDESC, &ITypeInfo::ReleaseFuncDesc>;
using VarDesc = HeldDescription<VARDESC, &ITypeInfo::ReleaseVarDesc>;

std::u16string Wide(std::string_view text);
// ASCII text of a BSTR; "(null)" for NULL.
std::string Narrow(BSTR text);
// Takes the BSTR, frees it and answers its text.
std::string TakeText(BSTR text);

std::vector<BYTE> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<BYTE>& bytes);

// A fresh folder, removed with its content when the owner goes.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

HRESULT Load(const std::filesystem::path& path, Owned<ITypeLib>& library);
HRESULT TypeInfoOfGuid(ITypeLib* library, REFGUID guid, Owned<ITypeInfo>& info);
// The interface view of a dual interface's dispatch view.
HRESULT InterfaceView(ITypeInfo* dispatchView, Owned<ITypeInfo>& info);
// The member names GetNames answers for memid, or the failure as text.
std::vector<std::string> Names(ITypeInfo* info, MEMBERID memid);
std::string DocString(ITypeInfo* info, MEMBERID memid);
std::string Name(ITypeInfo* info);

inline const std::filesystem::path kComponentLibrary = QUENVAR_COMPONENT_TYPE_LIBRARY;
inline const std::filesystem::path kReaderLibrary = QUENVAR_READER_TYPE_LIBRARY;
inline const std::filesystem::path kOutsideLibrary = QUENVAR_OUTSIDE_TYPE_LIBRARY;

// The component's identifiers, from its one header.
inline constexpr GUID kComponentLibraryId = quenvar::LIBID_QUENVARLib;
inline constexpr GUID kPalvexClassId = quenvar::CLSID_Palvex;
inline constexpr GUID kPalvexInterfaceId = quenvar::IID_IPalvex;
inline constexpr GUID kStdOleLibraryId = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace typelibtest
