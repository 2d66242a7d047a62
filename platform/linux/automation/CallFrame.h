// One call through a table of functions, built at run time: the arguments as libffi takes them
// and the storage behind them. Converted copies and out values still held by the frame are
// cleared when it goes, so every path out of a dispatch frees them.
#pragma once

#include "platform/Win32.h"

#include <ffi.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace quenvar::platform {

class CallFrame {
public:
    // Room for `parameterCount` parameters after `this`. Throws std::bad_alloc.
    CallFrame(void* instance, std::size_t parameterCount);
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    // Adds the next in (or in/out) parameter from the argument given for it: DISP_E_BADVARTYPE for
    // a declared type that cannot be passed, else the conversion's error.
    [[nodiscard]] HRESULT AddInput(const ELEMDESC& declared, const VARIANTARG& argument);
    // Adds the [out, retval] parameter: a pointer to a value type or to a VARIANT.
    [[nodiscard]] HRESULT AddRetval(const ELEMDESC& declared);

    // Calls the slot. The frame's own failure (DISP_E_BADVARTYPE for the return type) is answered;
    // the callee's HRESULT, or S_OK when it returns none, goes to *returned.
    [[nodiscard]] HRESULT Call(unsigned slotIndex, VARTYPE returnType, HRESULT* returned);

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

    Parameter& Next() noexcept { return parameters_[used_++]; }
    void Push(ffi_type* type, void* value);
    [[nodiscard]] HRESULT AddPointer(const ELEMDESC& declared, const VARIANTARG& argument, Parameter& parameter);

    void* instance_;
    std::unique_ptr<Parameter[]> parameters_;
    std::size_t used_ = 0;
    Parameter* retval_ = nullptr;
    Parameter returnedValue_;
    std::vector<ffi_type*> types_;
    std::vector<void*> values_;
    // A VARIANT by value: a 24-byte aggregate, which the platform's convention passes in memory.
    ffi_type* variantElements_[4] = {&ffi_type_uint64, &ffi_type_uint64, &ffi_type_uint64, nullptr};
    ffi_type variantType_{};
};

}  // namespace quenvar::platform
