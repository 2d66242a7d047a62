// ITypeInfo: members by identifier and by name, and their documentation. A member that the type
// does not declare itself is looked for in its base interfaces.
#include "linux/typelib/Documentation.h"
#include "linux/typelib/NestingGuard.h"
#include "linux/typelib/TypeInformation.h"

#include <string_view>

namespace quenvar::platform {
namespace {

// Names compare without regard to case, in ASCII and in the Latin-1 letters.
char16_t FoldCase(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
    return c;
}

bool SameName(const OptionalText& stored, std::u16string_view wanted)
{
    if (!stored || stored->size() != wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (FoldCase((*stored)[i]) != FoldCase(wanted[i])) return false;
    }
    return true;
}

std::u16string_view ViewOf(LPOLESTR text) { return text != nullptr ? std::u16string_view(text) : std::u16string_view(); }

}  // namespace

const FunctionModel* TypeInformation::FindFunction(MEMBERID memid) const
{
    for (const FunctionModel& function : type().functions) {
        if (function.memid == memid) return &function;
    }
    return nullptr;
}

const VariableModel* TypeInformation::FindVariable(MEMBERID memid) const
{
    for (const VariableModel& variable : type().variables) {
        if (variable.memid == memid) return &variable;
    }
    return nullptr;
}

HRESULT TypeInformation::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) noexcept
{
    if (rgBstrNames == nullptr || pcNames == nullptr) return E_INVALIDARG;
    *pcNames = 0;
    const OptionalText* name = nullptr;
    const FunctionModel* function = FindFunction(memid);
    if (function != nullptr) {
        name = &function->name;
    } else if (const VariableModel* variable = FindVariable(memid); variable != nullptr) {
        name = &variable->name;
    } else {
        const NestingGuard guard;
        UniqueInterface<ITypeInfo> base;
        if (guard.TooDeep()) return TYPE_E_INVDATAREAD;
        HRESULT hr = LookupBase(base.put());
        if (FAILED(hr)) return hr;
        return hr == S_OK ? base.get()->GetNames(memid, rgBstrNames, cMaxNames, pcNames) : TYPE_E_ELEMENTNOTFOUND;
    }
    // The member's name, then its parameters' names up to the first that the library leaves out.
    UINT count = 0;
    auto store = [&](const OptionalText& text) {
        bool failed = false;
        rgBstrNames[count] = CopyText(text, failed);
        if (failed) return false;
        ++count;
        return true;
    };
    bool stored = cMaxNames == 0 || store(*name);
    if (function != nullptr) {
        for (auto parameter = function->parameters.begin();
             stored && count < cMaxNames && parameter != function->parameters.end() && parameter->name; ++parameter) {
            stored = store(parameter->name);
        }
    }
    if (!stored) {
        for (UINT i = 0; i < count; ++i) SysFreeString(rgBstrNames[i]);
        return E_OUTOFMEMORY;
    }
    *pcNames = count;
    return S_OK;
}

HRESULT TypeInformation::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) noexcept
{
    if (rgszNames == nullptr || pMemId == nullptr || cNames == 0) return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i) pMemId[i] = MEMBERID_NIL;
    const std::u16string_view member = ViewOf(rgszNames[0]);
    for (const FunctionModel& function : type().functions) {
        if (!SameName(function.name, member)) continue;
        pMemId[0] = function.memid;
        // The further names are parameters of that function, answered by position.
        HRESULT hr = S_OK;
        for (UINT i = 1; i < cNames; ++i) {
            const std::u16string_view wanted = ViewOf(rgszNames[i]);
            hr = DISP_E_UNKNOWNNAME;
            for (std::size_t p = 0; p < function.parameters.size(); ++p) {
                if (SameName(function.parameters[p].name, wanted)) {
                    pMemId[i] = static_cast<MEMBERID>(p);
                    hr = S_OK;
                    break;
                }
            }
            if (FAILED(hr)) break;
        }
        return hr;
    }
    for (const VariableModel& variable : type().variables) {
        if (!SameName(variable.name, member)) continue;
        pMemId[0] = variable.memid;
        return cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    const NestingGuard guard;
    UniqueInterface<ITypeInfo> base;
    if (guard.TooDeep()) return TYPE_E_INVDATAREAD;
    HRESULT hr = LookupBase(base.put());
    if (FAILED(hr)) return hr;
    return hr == S_OK ? base.get()->GetIDsOfNames(rgszNames, cNames, pMemId) : DISP_E_UNKNOWNNAME;
}

HRESULT TypeInformation::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                          BSTR* pBstrHelpFile) noexcept
{
    const OptionalText& helpFile = library().helpFile;
    if (memid == MEMBERID_NIL) {
        return StoreDocumentation(type().name, type().docString, type().helpContext, helpFile, pBstrName,
                                  pBstrDocString, pdwHelpContext, pBstrHelpFile);
    }
    if (const FunctionModel* function = FindFunction(memid); function != nullptr) {
        return StoreDocumentation(function->name, function->docString, function->helpContext, helpFile, pBstrName,
                                  pBstrDocString, pdwHelpContext, pBstrHelpFile);
    }
    if (const VariableModel* variable = FindVariable(memid); variable != nullptr) {
        return StoreDocumentation(variable->name, variable->docString, variable->helpContext, helpFile, pBstrName,
                                  pBstrDocString, pdwHelpContext, pBstrHelpFile);
    }
    const NestingGuard guard;
    UniqueInterface<ITypeInfo> base;
    if (guard.TooDeep()) return TYPE_E_INVDATAREAD;
    HRESULT hr = LookupBase(base.put());
    if (FAILED(hr)) return hr;
    return hr == S_OK ? base.get()->GetDocumentation(memid, pBstrName, pBstrDocString, pdwHelpContext, pBstrHelpFile)
                      : TYPE_E_ELEMENTNOTFOUND;
}

}  // namespace quenvar::platform
