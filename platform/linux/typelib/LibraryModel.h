// A type library as read from its file: plain values, checked once when the file is read, from
// which ITypeLib and ITypeInfo answer without looking at the file again. Strings are UTF-16;
// an absent name or string is an empty optional.
#pragma once

#include "platform/Win32.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quenvar::platform {

using OptionalText = std::optional<std::u16string>;

// A type: a base type, or a pointer to, safe array of or fixed array of another node, or a
// reference to a type description. Nodes refer to each other by index in LibraryModel::types.
struct TypeNode {
    VARTYPE vt = VT_EMPTY;
    std::size_t element = 0;              // VT_PTR, VT_SAFEARRAY, VT_CARRAY
    HREFTYPE hreftype = 0;                // VT_USERDEFINED
    std::vector<SAFEARRAYBOUND> bounds;   // VT_CARRAY, leftmost dimension first
};

// A constant or default value. Scalars keep their little-endian bytes in `bits`.
struct ValueModel {
    VARTYPE vt = VT_EMPTY;
    std::uint64_t bits = 0;
    OptionalText text;  // VT_BSTR; empty for a null string
};

struct ParameterModel {
    std::size_t type = 0;
    OptionalText name;
    USHORT flags = 0;
    std::optional<ValueModel> defaultValue;
};

struct FunctionModel {
    MEMBERID memid = MEMBERID_NIL;
    OptionalText name;
    OptionalText docString;
    DWORD helpContext = 0;
    DWORD helpStringContext = 0;
    FUNCKIND funcKind = FUNC_PUREVIRTUAL;
    INVOKEKIND invokeKind = INVOKE_FUNC;
    CALLCONV callConv = CC_STDCALL;
    WORD flags = 0;
    SHORT optionalCount = 0;  // -1 for a vararg function
    WORD slot = 0;            // index in the table of functions
    std::size_t returnType = 0;
    std::vector<ParameterModel> parameters;
};

struct VariableModel {
    MEMBERID memid = MEMBERID_NIL;
    OptionalText name;
    OptionalText docString;
    DWORD helpContext = 0;
    DWORD helpStringContext = 0;
    VARKIND varKind = VAR_PERINSTANCE;
    WORD flags = 0;
    std::size_t type = 0;
    ULONG instanceOffset = 0;          // VAR_PERINSTANCE
    std::optional<ValueModel> value;   // VAR_CONST
};

struct ImplementedTypeModel {
    HREFTYPE hreftype = 0;
    INT flags = 0;
};

struct TypeInfoModel {
    HREFTYPE hreftype = 0;  // its own handle: the offset of its record
    TYPEKIND kind = TKIND_ENUM;
    WORD flags = 0;
    GUID guid = {};
    OptionalText name;
    OptionalText docString;
    DWORD helpContext = 0;
    DWORD helpStringContext = 0;
    WORD majorVersion = 0;
    WORD minorVersion = 0;
    WORD tableSlots = 0;  // slots of the table of functions, inherited ones included
    ULONG instanceSize = 0;
    WORD alignment = 0;
    // A coclass's interfaces; for an interface or dispatch interface its base, if any.
    std::vector<ImplementedTypeModel> implemented;
    std::optional<std::size_t> aliasType;
    OptionalText dllName;
    std::vector<FunctionModel> functions;
    std::vector<VariableModel> variables;

    bool IsDual() const { return kind == TKIND_DISPATCH && (flags & TYPEFLAG_FDUAL) != 0; }
};

struct ImportedLibraryModel {
    GUID libid = {};
    LCID lcid = 0;
    WORD majorVersion = 0;
    WORD minorVersion = 0;
    std::u16string fileName;
};

// A type taken from another library: by GUID when it has one, else by index there.
struct ImportedTypeModel {
    HREFTYPE hreftype = 0;
    std::size_t library = 0;
    bool byGuid = false;
    GUID guid = {};
    UINT index = 0;
};

struct LibraryModel {
    GUID libid = {};
    LCID hashLcid = 0;
    LCID lcid = 0;
    SYSKIND sysKind = SYS_WIN32;
    WORD majorVersion = 0;
    WORD minorVersion = 0;
    WORD flags = 0;
    OptionalText name;
    OptionalText docString;
    OptionalText helpFile;
    DWORD helpContext = 0;
    DWORD helpStringContext = 0;
    std::optional<HREFTYPE> dispatchHreftype;  // IDispatch, the base of dispatch interfaces
    std::vector<TypeInfoModel> typeInfos;
    std::vector<TypeNode> types;
    std::vector<ImportedLibraryModel> importedLibraries;
    std::vector<ImportedTypeModel> importedTypes;

    const TypeInfoModel* FindLocal(HREFTYPE hreftype, std::size_t* index) const;
    const ImportedTypeModel* FindImported(HREFTYPE hreftype) const;
};

}  // namespace quenvar::platform
