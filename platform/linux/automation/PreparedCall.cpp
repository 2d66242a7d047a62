#include "linux/automation/PreparedCall.h"

#include "platform/EntryPoints.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace quenvar::platform {
namespace {

// A direct call reads a narrow value from the low bytes of the variant storage that holds it.
static_assert(std::endian::native == std::endian::little);

// Parameters after `this` that a direct call passes: enough for the getters, puts and small
// methods of dual interfaces, and all in registers on both conventions.
constexpr std::size_t kDirectParameters = 3;

// The libffi type of a value held in a variant; null for types that cannot be passed.
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

ffi_type* ReturnTypeOf(VARTYPE type)
{
    if (type == VT_HRESULT) return &ffi_type_sint32;
    if (type == VT_VOID) return &ffi_type_void;
    return ValueTypeOf(type);
}

// Integers and pointers: what travels in an integer register.
bool IsIntegerClass(const ffi_type* type)
{
    switch (type->type) {
    case FFI_TYPE_SINT8:
    case FFI_TYPE_UINT8:
    case FFI_TYPE_SINT16:
    case FFI_TYPE_UINT16:
    case FFI_TYPE_SINT32:
    case FFI_TYPE_UINT32:
    case FFI_TYPE_SINT64:
    case FFI_TYPE_UINT64:
    case FFI_TYPE_POINTER: return true;
    default: return false;
    }
}

template <typename Narrow>
std::uint64_t Widen(const void* value)
{
    Narrow narrow;
    std::memcpy(&narrow, value, sizeof narrow);
    // Sign or zero extension by the narrow type's own signedness.
    if constexpr (std::is_signed_v<Narrow>) {
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(narrow));
    } else {
        return static_cast<std::uint64_t>(narrow);
    }
}

// An integer-class value as a whole register carries it.
std::uint64_t RegisterValue(const ffi_type* type, const void* value)
{
    switch (type->type) {
    case FFI_TYPE_SINT8: return Widen<std::int8_t>(value);
    case FFI_TYPE_UINT8: return Widen<std::uint8_t>(value);
    case FFI_TYPE_SINT16: return Widen<std::int16_t>(value);
    case FFI_TYPE_UINT16: return Widen<std::uint16_t>(value);
    case FFI_TYPE_SINT32: return Widen<std::int32_t>(value);
    case FFI_TYPE_UINT32: return Widen<std::uint32_t>(value);
    default: return Widen<std::uint64_t>(value);
    }
}

}  // namespace

PreparedCall::PreparedCall(const FUNCDESC& function, CallRoute route) : function_(function)
{
    variantType_.type = FFI_TYPE_STRUCT;
    variantElements_.fill(&ffi_type_pointer);
    variantElements_.back() = nullptr;
    variantType_.elements = variantElements_.data();
    inVtable_ = (function.funckind == FUNC_VIRTUAL || function.funckind == FUNC_PUREVIRTUAL) && function.cParams >= 0 &&
                (function.cParams == 0 || function.lprgelemdescParam != nullptr);
    if (!inVtable_) return;

    const std::span<const ELEMDESC> declared(function.lprgelemdescParam, static_cast<std::size_t>(function.cParams));
    const bool hasRetval = !declared.empty() && (declared.back().paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0;
    inputs_ = declared.first(declared.size() - (hasRetval ? 1 : 0));
    if (hasRetval) retval_ = &declared.back();

    types_.reserve(declared.size() + 1);
    types_.push_back(&ffi_type_pointer);
    bool passable = true;
    for (const ELEMDESC& parameter : declared) {
        // A pointer to a value type or to a VARIANT; for the parameters the caller supplies, also
        // a value type or a VARIANT by value.
        const VARTYPE vt = parameter.tdesc.vt;
        ffi_type* type = nullptr;
        if (vt == VT_PTR) {
            const TYPEDESC* const pointee = parameter.tdesc.lptdesc;
            if (pointee != nullptr && (pointee->vt == VT_VARIANT || ValueTypeOf(pointee->vt) != nullptr)) {
                type = &ffi_type_pointer;
            }
        } else if (&parameter != retval_) {
            type = vt == VT_VARIANT ? &variantType_ : ValueTypeOf(vt);
        }
        passable = passable && type != nullptr;
        types_.push_back(type);
    }

    const VARTYPE returnType = function.elemdescFunc.tdesc.vt;
    ffi_type* const returned = ReturnTypeOf(returnType);
    if (!passable || returned == nullptr) return;
    callable_ =
        ffi_prep_cif(&cif_, QUENVAR_FFI_ABI, static_cast<unsigned>(types_.size()), returned, types_.data()) == FFI_OK;

    direct_ = callable_ && route == CallRoute::kFastest && kDirectCallsSound && returnType == VT_HRESULT &&
              declared.size() <= kDirectParameters;
    for (const ffi_type* type : types_) direct_ = direct_ && IsIntegerClass(type);
    frameless_ = direct_ && inputs_.empty() && (function.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) == 0;
}

HRESULT PreparedCall::Call(unsigned slotIndex, void** arguments, void* returned) const noexcept
{
    if (!callable_) return DISP_E_BADVARTYPE;
    void* const self = *static_cast<void* const*>(arguments[0]);
    if (!direct_) {
        // libffi only reads the call interface.
        ffi_call(const_cast<ffi_cif*>(&cif_), VtableSlot<void (*)()>(self, slotIndex), returned, arguments);
        return S_OK;
    }

    std::uint64_t values[kDirectParameters] = {};
    const std::size_t count = types_.size() - 1;
    for (std::size_t i = 0; i < count; ++i) values[i] = RegisterValue(types_[i + 1], arguments[i + 1]);
    using Register = std::uint64_t;
    HRESULT hr = S_OK;
    switch (count) {
    case 0: hr = VtableSlot<MethodSlot<HRESULT>>(self, slotIndex)(self); break;
    case 1: hr = VtableSlot<MethodSlot<HRESULT, Register>>(self, slotIndex)(self, values[0]); break;
    case 2:
        hr = VtableSlot<MethodSlot<HRESULT, Register, Register>>(self, slotIndex)(self, values[0], values[1]);
        break;
    default:
        hr = VtableSlot<MethodSlot<HRESULT, Register, Register, Register>>(self, slotIndex)(self, values[0], values[1],
                                                                                            values[2]);
        break;
    }
    // Widened as libffi widens.
    const auto widened = static_cast<ffi_arg>(static_cast<std::int64_t>(hr));
    std::memcpy(returned, &widened, sizeof widened);
    return S_OK;
}

}  // namespace quenvar::platform
