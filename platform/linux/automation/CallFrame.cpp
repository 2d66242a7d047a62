#include "linux/automation/CallFrame.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace quenvar::platform {
namespace {

static_assert(sizeof(VARIANT) == 3 * sizeof(std::uint64_t));
// Values narrower than a register come back widened; their low bytes are read as the value.
static_assert(std::endian::native == std::endian::little);

// The libffi type of a parameter or return value held in a variant; null for types that the
// frame cannot pass.
ffi_type* ValueTypeOf(VARTYPE type)
{
    switch (type) {
    case VT_I1: return &ffi_type_sint8;
    case VT_UI1: return &ffi_type_uint8;
    case VT_I2:
    case VT_BOOL: return &ffi_type_sint16;
    case VT_UI2: return &ffi_type_uint16;
    case VT_I4:
    case VT_INT:
    case VT_ERROR: return &ffi_type_sint32;
    case VT_UI4:
    case VT_UINT: return &ffi_type_uint32;
    case VT_I8: return &ffi_type_sint64;
    case VT_UI8: return &ffi_type_uint64;
    case VT_R4: return &ffi_type_float;
    case VT_R8: return &ffi_type_double;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN: return &ffi_type_pointer;
    default: return nullptr;
    }
}

}  // namespace

CallFrame::Parameter::~Parameter()
{
    if (owned) VariantClear(&storage);
}

CallFrame::CallFrame(void* instance, std::size_t parameterCount)
    : instance_(instance), parameters_(std::make_unique<Parameter[]>(parameterCount))
{
    variantType_.type = FFI_TYPE_STRUCT;
    variantType_.elements = variantElements_;
    types_.reserve(parameterCount + 1);
    values_.reserve(parameterCount + 1);
    Push(&ffi_type_pointer, &instance_);
}

void CallFrame::Push(ffi_type* type, void* value)
{
    types_.push_back(type);
    values_.push_back(value);
}

HRESULT CallFrame::AddInput(const ELEMDESC& declared, const VARIANTARG& argument)
{
    Parameter& parameter = Next();
    const VARTYPE type = declared.tdesc.vt;
    if (type == VT_PTR) return AddPointer(declared, argument, parameter);
    if (type == VT_VARIANT) {
        // Passed as it is: the callee gets a shallow copy and the caller keeps what it owns.
        parameter.storage = argument;
        Push(&variantType_, &parameter.storage);
        return S_OK;
    }
    ffi_type* const passed = ValueTypeOf(type);
    if (passed == nullptr) return DISP_E_BADVARTYPE;
    if (argument.vt == type) {
        // Already the declared type: passed through, so the callee must not free it.
        parameter.storage = argument;
    } else {
        const HRESULT hr = VariantChangeType(&parameter.storage, &argument, /*flags=*/0, type);
        if (FAILED(hr)) return hr;
        parameter.owned = true;
    }
    Push(passed, &parameter.storage.llVal);
    return S_OK;
}

HRESULT CallFrame::AddPointer(const ELEMDESC& declared, const VARIANTARG& argument, Parameter& parameter)
{
    const TYPEDESC* const pointee = declared.tdesc.lptdesc;
    if (pointee == nullptr || (pointee->vt != VT_VARIANT && ValueTypeOf(pointee->vt) == nullptr)) {
        return DISP_E_BADVARTYPE;
    }
    if (argument.vt == (VT_BYREF | pointee->vt)) {
        parameter.pointer = argument.byref;
    } else if ((declared.paramdesc.wParamFlags & PARAMFLAG_FOUT) != 0 && (argument.vt & VT_BYREF) != 0) {
        // The callee's answer would land in a temporary and never reach the caller's variable.
        return DISP_E_TYPEMISMATCH;
    } else {
        const HRESULT hr = pointee->vt == VT_VARIANT
                               ? VariantCopy(&parameter.storage, &argument)
                               : VariantChangeType(&parameter.storage, &argument, /*flags=*/0, pointee->vt);
        if (FAILED(hr)) return hr;
        parameter.owned = true;
        parameter.pointer = pointee->vt == VT_VARIANT ? static_cast<void*>(&parameter.storage)
                                                      : static_cast<void*>(&parameter.storage.llVal);
    }
    Push(&ffi_type_pointer, &parameter.pointer);
    return S_OK;
}

HRESULT CallFrame::AddRetval(const ELEMDESC& declared)
{
    Parameter& parameter = Next();
    const TYPEDESC* const pointee = declared.tdesc.vt == VT_PTR ? declared.tdesc.lptdesc : nullptr;
    if (pointee == nullptr) return DISP_E_BADVARTYPE;
    if (pointee->vt == VT_VARIANT) {
        parameter.pointer = &parameter.storage;
    } else if (ValueTypeOf(pointee->vt) != nullptr) {
        // A zero value until the callee writes one: clearing it frees nothing.
        parameter.storage.vt = pointee->vt;
        parameter.pointer = &parameter.storage.llVal;
    } else {
        return DISP_E_BADVARTYPE;
    }
    parameter.owned = true;
    retval_ = &parameter;
    Push(&ffi_type_pointer, &parameter.pointer);
    return S_OK;
}

HRESULT CallFrame::Call(unsigned slotIndex, VARTYPE returnType, HRESULT* returned)
{
    ffi_type* returnFfiType = nullptr;
    if (returnType == VT_HRESULT) {
        returnFfiType = &ffi_type_sint32;
    } else if (returnType == VT_VOID) {
        returnFfiType = &ffi_type_void;
    } else {
        returnFfiType = ValueTypeOf(returnType);
        if (returnFfiType == nullptr) return DISP_E_BADVARTYPE;
    }
    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(types_.size()), returnFfiType, types_.data()) !=
        FFI_OK) {
        return DISP_E_BADVARTYPE;
    }

    void* const* const table = *static_cast<void* const* const*>(instance_);
    void (*const slot)() = reinterpret_cast<void (*)()>(table[slotIndex]);
    // libffi widens results narrower than a register to a whole ffi_arg.
    union {
        ffi_arg integer;
        std::uint64_t bits;
    } value{};
    ffi_call(&cif, slot, &value, values_.data());

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
