// One call of a prepared member: the values passed and the storage behind them, kept inside the
// frame for calls of up to kInlineParameters parameters. Converted copies and out values still
// held by the frame are cleared when it goes, so every path out of a dispatch frees them.
#pragma once

#include "linux/automation/InlineBuffer.h"
#include "linux/automation/PreparedCall.h"

#include <cstddef>

namespace quenvar::platform {

// Parameters a call may have before its frame (and its argument binding) takes heap memory.
inline constexpr std::size_t kInlineParameters = 8;

// Readies `storage` (zero) for the [out, retval] parameter `declared`, a pointer to a VARIANT or
// to a value type that the call can pass, and answers where the parameter points: at the variant
// itself, or at the value of a variant typed as the pointee, which VariantClear frees.
inline void* PointRetval(const ELEMDESC& declared, VARIANT& storage) noexcept
{
    const VARTYPE pointee = declared.tdesc.lptdesc->vt;
    if (pointee == VT_VARIANT) return &storage;
    // A zero value until the callee writes one: clearing it frees nothing.
    storage.vt = pointee;
    return &storage.llVal;
}

class CallFrame {
public:
    // Room for the parameters of `call` after `this`. Throws std::bad_alloc beyond
    // kInlineParameters.
    CallFrame(void* instance, const PreparedCall& call);
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    // Adds the next in (or in/out) parameter from the argument given for it: DISP_E_BADVARTYPE for
    // a declared type that cannot be passed, else the conversion's error.
    [[nodiscard]] HRESULT AddInput(const VARIANTARG& argument);
    // Adds the [out, retval] parameter: a pointer to a value type or to a VARIANT.
    [[nodiscard]] HRESULT AddRetval();

    // Calls the slot. The frame's own failure (DISP_E_BADVARTYPE for the return type) is answered;
    // the callee's HRESULT, or S_OK when it returns none, goes to *returned.
    [[nodiscard]] HRESULT Call(unsigned slotIndex, HRESULT* returned);

    // Hands the [out, retval] value, or else the returned value, to *result (left VT_EMPTY when
    // there is none). Null `result`: the frame frees the value.
    void TakeResult(VARIANT* result) noexcept;

private:
    struct Parameter {
        VARIANT storage{};        // the value passed, or the place a pointer parameter points at
        void* pointer = nullptr;  // the value of a pointer parameter
        bool owned = false;       // storage holds a copy or an out value that the frame must clear
        Parameter() = default;
        Parameter(const Parameter&) = delete;
        Parameter& operator=(const Parameter&) = delete;
        ~Parameter();
    };

    // The next parameter and its declaration; Pass records where its value is and moves on.
    Parameter& Next() noexcept { return parameters_[used_]; }
    const ELEMDESC& Declared() const noexcept;
    void Pass(void* value) noexcept { values_[++used_] = value; }
    [[nodiscard]] HRESULT AddPointer(const VARIANTARG& argument, Parameter& parameter);

    void* instance_;
    const PreparedCall& call_;
    InlineBuffer<Parameter, kInlineParameters> parameters_;
    InlineBuffer<void*, kInlineParameters + 1> values_;  // `this`, then each parameter
    std::size_t used_ = 0;
    Parameter* retval_ = nullptr;
    Parameter returnedValue_;
};

}  // namespace quenvar::platform
