// A vtable member made ready for any number of calls: which parameters the caller supplies and
// which one is the [out, retval], the libffi type of each, the call interface prepared once, and
// whether the call may skip libffi and go straight through a function pointer.
#pragma once

#include "platform/Win32.h"

#include <ffi.h>

#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace quenvar::platform {

// On these conventions the first integer and pointer arguments travel in registers, each read by
// the callee at its declared width from a value widened to 64 bits, and an HRESULT comes back in
// the integer return register: a call through a pointer to a function of 64-bit integers reaches
// a member of narrower integer and pointer parameters with the values it declares.
#if defined(__x86_64__) || defined(__aarch64__)
constexpr bool kDirectCallsSound = true;
#else
constexpr bool kDirectCallsSound = false;
#endif

enum class CallRoute {
    kFastest,  // a direct call for the shapes that allow one, libffi for the others
    kLibffi,   // libffi always: the reference that direct calls must agree with
};

class PreparedCall {
public:
    // `function` must outlive the object, which is read-only afterwards and so may serve calls on
    // any number of threads. Throws std::bad_alloc.
    explicit PreparedCall(const FUNCDESC& function, CallRoute route = CallRoute::kFastest);
    PreparedCall(const PreparedCall&) = delete;
    PreparedCall& operator=(const PreparedCall&) = delete;

    const FUNCDESC& function() const noexcept { return function_; }
    // FUNC_VIRTUAL or FUNC_PUREVIRTUAL with a parameter list that is there: what can be called.
    bool inVtable() const noexcept { return inVtable_; }
    // The parameters the caller supplies, in declaration order, and the [out, retval] one (null
    // when there is none), which is always the last.
    std::span<const ELEMDESC> inputs() const noexcept { return inputs_; }
    const ELEMDESC* retval() const noexcept { return retval_; }
    // The libffi type of parameter `index` (`this` not counted): null when the engine cannot pass
    // the declared type.
    ffi_type* ParameterType(std::size_t index) const noexcept { return types_[index + 1]; }
    // Whether calls skip libffi (never with CallRoute::kLibffi).
    bool direct() const noexcept { return direct_; }
    // Whether a call given no arguments needs no frame: a direct call, not a put, whose only
    // parameter, if any, is the [out, retval] one. Worked out once, as every property read asks.
    bool frameless() const noexcept { return frameless_; }

    // Calls slot `slotIndex` of the table of functions of the instance that arguments[0] points
    // at, with `arguments`: `this` first, then each parameter, each pointing at its value as
    // ParameterType describes it. The returned value goes to `returned` (at least 8 bytes),
    // widened to a whole register when narrower. DISP_E_BADVARTYPE, without calling, when a
    // parameter or the return type cannot be passed.
    [[nodiscard]] HRESULT Call(unsigned slotIndex, void** arguments, void* returned) const noexcept;

private:
    const FUNCDESC& function_;
    bool inVtable_ = false;
    std::span<const ELEMDESC> inputs_;
    const ELEMDESC* retval_ = nullptr;
    std::vector<ffi_type*> types_;  // `this`, then each parameter
    bool callable_ = false;         // every type passable and the call interface prepared
    bool direct_ = false;
    bool frameless_ = false;
    ffi_cif cif_{};
    // A VARIANT by value: an aggregate of pointer-sized words (24 bytes on 64-bit targets, 16 on
    // i386), which every convention here passes in memory or by reference.
    static_assert(sizeof(VARIANT) % sizeof(void*) == 0);
    std::array<ffi_type*, sizeof(VARIANT) / sizeof(void*) + 1> variantElements_{};
    ffi_type variantType_{};
};

}  // namespace quenvar::platform
