// The type library reader: loads the input as a library file through LoadTypeLib, then asks
// everything the library and each reachable type answer, reading every text and value it hands
// out, so that the sanitizers see any read outside what the reader owns.
#include "platform/UniqueInterface.h"
#include "platform/Win32.h"
#include "platform/test_support/RegistryTesting.h"

#include "InputFile.h"

#include <cstddef>
#include <cstdint>

namespace {

using quenvar::UniqueBstr;
using quenvar::UniqueInterface;

// Collects what was read, so that no read is optimised away.
volatile std::uint32_t sink;

void Touch(BSTR text)
{
    if (text == nullptr) return;
    std::uint32_t sum = 0;
    for (UINT i = 0; i < SysStringLen(text); ++i) sum += text[i];
    sink = sink + sum;
}

void Touch(const VARIANT& value)
{
    VARIANT copy;
    VariantInit(&copy);
    if (SUCCEEDED(VariantCopy(&copy, &value)) && copy.vt == VT_BSTR) Touch(copy.bstrVal);
    (void)VariantClear(&copy);
}

// Referenced types are followed this deep: references may form cycles.
constexpr int kMaxDepth = 2;

void WalkTypeInfo(ITypeInfo* info, int depth);

void WalkReference(ITypeInfo* info, HREFTYPE reference, int depth)
{
    UniqueInterface<ITypeInfo> target;
    if (SUCCEEDED(info->GetRefTypeInfo(reference, target.put())) && depth < kMaxDepth) {
        WalkTypeInfo(target.get(), depth + 1);
    }
}

void WalkType(ITypeInfo* info, const TYPEDESC& type, int depth)
{
    if (type.vt == VT_PTR || type.vt == VT_SAFEARRAY) WalkType(info, *type.lptdesc, depth);
    if (type.vt == VT_CARRAY) {
        sink = sink + type.lpadesc->rgbounds[type.lpadesc->cDims > 0 ? type.lpadesc->cDims - 1 : 0].cElements;
        WalkType(info, type.lpadesc->tdescElem, depth);
    }
    if (type.vt == VT_USERDEFINED) WalkReference(info, type.hreftype, depth);
}

// Names, documentation and the way back from the names to the member.
void WalkMember(ITypeInfo* info, MEMBERID member, INVOKEKIND kind)
{
    constexpr UINT kMaxNames = 8;
    BSTR names[kMaxNames] = {};
    UINT count = 0;
    if (SUCCEEDED(info->GetNames(member, names, kMaxNames, &count))) {
        for (UINT i = 0; i < count; ++i) Touch(names[i]);
        if (count > 0 && names[0] != nullptr) {
            MEMBERID ids[kMaxNames] = {};
            (void)info->GetIDsOfNames(names, count, ids);
        }
        for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
    }
    UniqueBstr name, documentation, helpFile, dllName, entryName;
    DWORD context = 0;
    if (SUCCEEDED(info->GetDocumentation(member, name.put(), documentation.put(), &context, helpFile.put()))) {
        Touch(name.get());
        Touch(documentation.get());
        Touch(helpFile.get());
    }
    WORD ordinal = 0;
    if (SUCCEEDED(info->GetDllEntry(member, kind, dllName.put(), entryName.put(), &ordinal))) {
        Touch(dllName.get());
        Touch(entryName.get());
    }
}

void WalkFunction(ITypeInfo* info, const FUNCDESC& function, int depth)
{
    WalkType(info, function.elemdescFunc.tdesc, depth);
    for (SHORT i = 0; i < function.cParams; ++i) {
        const ELEMDESC& parameter = function.lprgelemdescParam[i];
        WalkType(info, parameter.tdesc, depth);
        if ((parameter.paramdesc.wParamFlags & PARAMFLAG_FHASDEFAULT) != 0 &&
            parameter.paramdesc.pparamdescex != nullptr) {
            Touch(parameter.paramdesc.pparamdescex->varDefaultValue);
        }
    }
    for (SHORT i = 0; i < function.cScodes; ++i) sink = sink + static_cast<std::uint32_t>(function.lprgscode[i]);
    WalkMember(info, function.memid, function.invkind);
}

void WalkVariable(ITypeInfo* info, const VARDESC& variable, int depth)
{
    WalkType(info, variable.elemdescVar.tdesc, depth);
    if (variable.varkind == VAR_CONST && variable.lpvarValue != nullptr) Touch(*variable.lpvarValue);
    WalkMember(info, variable.memid, INVOKE_FUNC);
}

void WalkTypeInfo(ITypeInfo* info, int depth)
{
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return;
    if (attributes->typekind == TKIND_ALIAS) WalkType(info, attributes->tdescAlias, depth);
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        WalkFunction(info, *function, depth);
        info->ReleaseFuncDesc(function);
    }
    for (UINT i = 0; i < attributes->cVars; ++i) {
        VARDESC* variable = nullptr;
        if (FAILED(info->GetVarDesc(i, &variable))) continue;
        WalkVariable(info, *variable, depth);
        info->ReleaseVarDesc(variable);
    }
    // One past the last implemented type, and -1 (a dual's other view), must fail cleanly.
    for (UINT i = 0; i <= attributes->cImplTypes; ++i) {
        INT flags = 0;
        HREFTYPE reference = 0;
        (void)info->GetImplTypeFlags(i, &flags);
        if (SUCCEEDED(info->GetRefTypeOfImplType(i, &reference))) WalkReference(info, reference, depth);
    }
    HREFTYPE other = 0;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &other))) WalkReference(info, other, depth);
    WalkMember(info, MEMBERID_NIL, INVOKE_FUNC);
    info->ReleaseTypeAttr(attributes);

    UniqueInterface<ITypeLib> container;
    UINT index = 0;
    if (SUCCEEDED(info->GetContainingTypeLib(container.put(), &index))) sink = sink + index;
}

void WalkLibrary(ITypeLib* library)
{
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) library->ReleaseTLibAttr(attributes);
    const UINT count = library->GetTypeInfoCount();
    for (INT i = -1; i <= static_cast<INT>(count); ++i) {
        UniqueBstr name, documentation, helpFile;
        DWORD context = 0;
        if (SUCCEEDED(library->GetDocumentation(i, name.put(), documentation.put(), &context, helpFile.put()))) {
            Touch(name.get());
            Touch(documentation.get());
            Touch(helpFile.get());
        }
        if (i < 0) continue;
        TYPEKIND kind = TKIND_MAX;
        (void)library->GetTypeInfoType(static_cast<UINT>(i), &kind);
        UniqueInterface<ITypeInfo> info;
        if (FAILED(library->GetTypeInfo(static_cast<UINT>(i), info.put()))) continue;
        WalkTypeInfo(info.get(), 0);
        TYPEATTR* attributes = nullptr;
        if (SUCCEEDED(info.get()->GetTypeAttr(&attributes))) {
            UniqueInterface<ITypeInfo> byGuid;
            (void)library->GetTypeInfoOfGuid(attributes->guid, byGuid.put());
            info.get()->ReleaseTypeAttr(attributes);
        }
        if (!name) continue;
        BOOL found = FALSE;
        (void)library->IsName(name.get(), 0, &found);
        ITypeInfo* matches[4] = {};
        MEMBERID members[4] = {};
        USHORT wanted = 4;
        if (SUCCEEDED(library->FindName(name.get(), 0, matches, members, &wanted))) {
            for (USHORT m = 0; m < wanted; ++m) matches[m]->Release();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Imports are looked up in a registry of the fuzzer's own, never the user's.
    static const quenvar::testing::ScopedPrivateRegistry registry;
    // A new file for every input: the loaded-library cache knows a file by its identity, and must
    // never answer with an earlier input's library.
    const InputFile file(data, size);
    if (file.Path().empty()) return 0;
    UniqueInterface<ITypeLib> library;
    if (SUCCEEDED(LoadTypeLib(file.WidePath().c_str(), library.put()))) WalkLibrary(library.get());
    return 0;
}
