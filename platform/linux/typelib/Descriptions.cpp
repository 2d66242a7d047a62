// Building handed-out descriptions from a read library.
#include "linux/typelib/Descriptions.h"
#include "linux/edge/Boundary.h"

#include <cstring>
#include <new>

namespace quenvar::platform {
namespace {

void FillTypeDesc(const LibraryModel& library, std::size_t index, DescriptionStorage& storage, TYPEDESC& out)
{
    const TypeNode& node = library.types[index];
    out.vt = node.vt;
    switch (node.vt) {
    case VT_PTR:
    case VT_SAFEARRAY:
        out.lptdesc = storage.Allocate<TYPEDESC>();
        FillTypeDesc(library, node.element, storage, *out.lptdesc);
        break;
    case VT_CARRAY: {
        // ARRAYDESC ends in a one-element array that really holds one bound per dimension.
        const std::size_t bytes = sizeof(ARRAYDESC) + (node.bounds.size() - 1) * sizeof(SAFEARRAYBOUND);
        out.lpadesc = static_cast<ARRAYDESC*>(storage.AllocateBytes(bytes));
        FillTypeDesc(library, node.element, storage, out.lpadesc->tdescElem);
        out.lpadesc->cDims = static_cast<USHORT>(node.bounds.size());
        std::memcpy(out.lpadesc->rgbounds, node.bounds.data(), node.bounds.size() * sizeof(SAFEARRAYBOUND));
        break;
    }
    case VT_USERDEFINED: out.hreftype = node.hreftype; break;
    default: break;
    }
}

[[nodiscard]] bool FillVariant(const ValueModel& value, DescriptionStorage& storage, VARIANT& out)
{
    out.vt = value.vt;
    if (value.vt == VT_BSTR) {
        if (value.text) {
            out.bstrVal = SysAllocStringLen(value.text->data(), static_cast<UINT>(value.text->size()));
            if (out.bstrVal == nullptr) return false;
        }
    } else {
        std::memcpy(&out.llVal, &value.bits, sizeof value.bits);
    }
    storage.Track(&out);
    return true;
}

WORD TableBytes(WORD slots) { return static_cast<WORD>(slots * sizeof(void*)); }

}  // namespace

HRESULT BuildTypeAttr(const LibraryModel& library, const TypeInfoModel& type,
                      DescriptionBuilder<TYPEATTR>& builder) noexcept
{
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        TYPEATTR& attr = builder.description();
        attr.guid = type.guid;
        attr.lcid = library.lcid;
        attr.memidConstructor = MEMBERID_NIL;
        attr.memidDestructor = MEMBERID_NIL;
        attr.cbSizeInstance = type.instanceSize;
        attr.typekind = type.kind;
        attr.cFuncs = static_cast<WORD>(type.functions.size());
        attr.cVars = static_cast<WORD>(type.variables.size());
        attr.cImplTypes = static_cast<WORD>(type.implemented.size());
        attr.cbSizeVft = TableBytes(type.tableSlots);
        attr.cbAlignment = type.alignment;
        attr.wTypeFlags = type.flags;
        attr.wMajorVerNum = type.majorVersion;
        attr.wMinorVerNum = type.minorVersion;
        if (type.aliasType) FillTypeDesc(library, *type.aliasType, builder.storage(), attr.tdescAlias);
        return S_OK;
    });
}

HRESULT BuildFuncDesc(const LibraryModel& library, const FunctionModel& function,
                      DescriptionBuilder<FUNCDESC>& builder) noexcept
{
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        FUNCDESC& desc = builder.description();
        DescriptionStorage& storage = builder.storage();
        desc.memid = function.memid;
        desc.funckind = function.funcKind;
        desc.invkind = function.invokeKind;
        desc.callconv = function.callConv;
        desc.cParams = static_cast<SHORT>(function.parameters.size());
        desc.cParamsOpt = function.optionalCount;
        desc.oVft = static_cast<SHORT>(TableBytes(function.slot));
        desc.wFuncFlags = function.flags;
        FillTypeDesc(library, function.returnType, storage, desc.elemdescFunc.tdesc);
        if (!function.parameters.empty())
            desc.lprgelemdescParam = storage.Allocate<ELEMDESC>(function.parameters.size());
        for (std::size_t i = 0; i < function.parameters.size(); ++i) {
            const ParameterModel& parameter = function.parameters[i];
            ELEMDESC& element = desc.lprgelemdescParam[i];
            FillTypeDesc(library, parameter.type, storage, element.tdesc);
            element.paramdesc.wParamFlags = parameter.flags;
            if (parameter.defaultValue) {
                PARAMDESCEX* extra = storage.Allocate<PARAMDESCEX>();
                extra->cBytes = sizeof(PARAMDESCEX);
                if (!FillVariant(*parameter.defaultValue, storage, extra->varDefaultValue)) return E_OUTOFMEMORY;
                element.paramdesc.pparamdescex = extra;
            }
        }
        return S_OK;
    });
}

HRESULT BuildVarDesc(const LibraryModel& library, const VariableModel& variable,
                     DescriptionBuilder<VARDESC>& builder) noexcept
{
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        VARDESC& desc = builder.description();
        desc.memid = variable.memid;
        desc.varkind = variable.varKind;
        desc.wVarFlags = variable.flags;
        FillTypeDesc(library, variable.type, builder.storage(), desc.elemdescVar.tdesc);
        if (variable.value) {
            desc.lpvarValue = builder.storage().Allocate<VARIANT>();
            if (!FillVariant(*variable.value, builder.storage(), *desc.lpvarValue)) return E_OUTOFMEMORY;
        } else {
            desc.oInst = variable.instanceOffset;
        }
        return S_OK;
    });
}

void ConvertToDispatchForm(FUNCDESC& function)
{
    function.funckind = FUNC_DISPATCH;
    if (function.elemdescFunc.tdesc.vt != VT_HRESULT) return;
    if (function.cParams > 0) {
        const ELEMDESC& last = function.lprgelemdescParam[function.cParams - 1];
        if ((last.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0 && last.tdesc.vt == VT_PTR) {
            function.elemdescFunc.tdesc = *last.tdesc.lptdesc;
            --function.cParams;
            return;
        }
    }
    function.elemdescFunc.tdesc.vt = VT_VOID;
}

}  // namespace quenvar::platform
