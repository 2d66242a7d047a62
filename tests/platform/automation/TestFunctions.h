// Hand-built function descriptions, as a type library would describe vtable members.
#pragma once

#include "platform/Win32.h"

#include <vector>

namespace quenvar::testing {

struct TestParameter {
    VARTYPE type;
    USHORT flags = PARAMFLAG_FIN;
    bool pointer = false;
};
inline TestParameter In(VARTYPE type) { return {type}; }
inline TestParameter InOut(VARTYPE type) { return {type, PARAMFLAG_FIN | PARAMFLAG_FOUT, true}; }
inline TestParameter Retval(VARTYPE type) { return {type, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, true}; }

// A FUNCDESC and the parameter descriptions it points at. Moving keeps the pointers valid.
class TestFunction {
public:
    TestFunction(MEMBERID memid, INVOKEKIND kind, const std::vector<TestParameter>& parameters,
                 VARTYPE returns = VT_HRESULT)
    {
        pointees_.reserve(parameters.size());
        for (const TestParameter& parameter : parameters) {
            ELEMDESC element{};
            element.paramdesc.wParamFlags = parameter.flags;
            if (parameter.pointer) {
                TYPEDESC pointee{};
                pointee.vt = parameter.type;
                pointees_.push_back(pointee);
                element.tdesc.vt = VT_PTR;
                element.tdesc.lptdesc = &pointees_.back();
            } else {
                element.tdesc.vt = parameter.type;
            }
            elements_.push_back(element);
        }
        desc_.memid = memid;
        desc_.invkind = kind;
        desc_.funckind = FUNC_PUREVIRTUAL;
        desc_.callconv = CC_STDCALL;
        desc_.cParams = static_cast<SHORT>(elements_.size());
        desc_.lprgelemdescParam = elements_.empty() ? nullptr : elements_.data();
        desc_.elemdescFunc.tdesc.vt = returns;
    }
    TestFunction(TestFunction&&) = default;
    TestFunction& operator=(TestFunction&&) = default;

    FUNCDESC& desc() { return desc_; }

private:
    std::vector<TYPEDESC> pointees_;
    std::vector<ELEMDESC> elements_;
    FUNCDESC desc_{};
};

}  // namespace quenvar::testing
