#include "linux/automation/CallFrame.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace quenvar::platform {

// Values narrower than a register come back widened; their low bytes are read as the value.
static_assert(std::endian::native == std::endian::little);

CallFrame::Parameter::~Parameter()
{
    if (owned) VariantClear(&storage);
}

CallFrame::CallFrame(void* instance, const PreparedCall& call)
    : instance_(instance),
      call_(call),
      parameters_(call.inputs().size() + (call.retval() != nullptr ? 1 : 0)),
      values_(parameters_.size() + 1)
{
    values_[0] = &instance_;
}

const ELEMDESC& CallFrame::Declared() const noexcept { return call_.function().lprgelemdescParam[used_]; }

HRESULT CallFrame::AddInput(const VARIANTARG& argument)
{
    Parameter& parameter = Next();
    const VARTYPE type = Declared().tdesc.vt;
    if (call_.ParameterType(used_) == nullptr) return DISP_E_BADVARTYPE;
    if (type == VT_PTR) return AddPointer(argument, parameter);
    if (type == VT_VARIANT) {
        // Passed as it is: the callee gets a shallow copy and the caller keeps what it owns.
        parameter.storage = argument;
        Pass(&parameter.storage);
        return S_OK;
    }
    if (argument.vt == type) {
        // Already the declared type: passed through, so the callee must not free it.
        parameter.storage = argument;
    } else {
        const HRESULT hr = VariantChangeType(&parameter.storage, &argument, /*flags=*/0, type);
        if (FAILED(hr)) return hr;
        parameter.owned = true;
    }
    Pass(&parameter.storage.llVal);
    return S_OK;
}

HRESULT CallFrame::AddPointer(const VARIANTARG& argument, Parameter& parameter)
{
    const ELEMDESC& declared = Declared();
    const VARTYPE pointee = declared.tdesc.lptdesc->vt;
    if (argument.vt == (VT_BYREF | pointee)) {
        parameter.pointer = argument.byref;
    } else if ((declared.paramdesc.wParamFlags & PARAMFLAG_FOUT) != 0 && (argument.vt & VT_BYREF) != 0) {
        // The callee's answer would land in a temporary and never reach the caller's variable.
        return DISP_E_TYPEMISMATCH;
    } else {
        const HRESULT hr = pointee == VT_VARIANT
                               ? VariantCopy(&parameter.storage, &argument)
                               : VariantChangeType(&parameter.storage, &argument, /*flags=*/0, pointee);
        if (FAILED(hr)) return hr;
        parameter.owned = true;
        parameter.pointer = pointee == VT_VARIANT ? static_cast<void*>(&parameter.storage)
                                                  : static_cast<void*>(&parameter.storage.llVal);
    }
    Pass(&parameter.pointer);
    return S_OK;
}

HRESULT CallFrame::AddRetval()
{
    Parameter& parameter = Next();
    if (call_.ParameterType(used_) == nullptr) return DISP_E_BADVARTYPE;
    parameter.pointer = PointRetval(Declared(), parameter.storage);
    parameter.owned = true;
    retval_ = &parameter;
    Pass(&parameter.pointer);
    return S_OK;
}

HRESULT CallFrame::Call(unsigned slotIndex, HRESULT* returned)
{
    // Results narrower than a register come back widened to a whole ffi_arg.
    union {
        ffi_arg integer;
        std::uint64_t bits;
    } value{};
    const HRESULT hr = call_.Call(slotIndex, values_.data(), &value);
    if (FAILED(hr)) return hr;

    const VARTYPE returnType = call_.function().elemdescFunc.tdesc.vt;
    *returned = S_OK;
    if (returnType == VT_HRESULT) {
        *returned = static_cast<HRESULT>(value.integer);
    } else if (returnType != VT_VOID) {
        returnedValue_.storage.vt = returnType;
        std::memcpy(&returnedValue_.storage.llVal, &value.bits, sizeof value.bits);
        returnedValue_.owned = true;
    }
    return S_OK;
}

void CallFrame::TakeResult(VARIANT* result) noexcept
{
    Parameter* const source = retval_ != nullptr ? retval_ : &returnedValue_;
    if (result == nullptr || !source->owned) return;
    *result = source->storage;
    source->owned = false;
}

}  // namespace quenvar::platform
