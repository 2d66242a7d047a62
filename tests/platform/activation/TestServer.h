// What the activation tests know about their in-process test server: its class and an interface
// that reports how many of its objects live.
#pragma once

#include "platform/Win32.h"

namespace quenvar::testing {

// Not inline: a variable of vague linkage becomes a unique symbol, and glibc never unloads a
// library whose unique symbols were bound.
// {0B4E6A10-53C2-4F3D-8E91-7A2C5D0F1B36}
constexpr CLSID CLSID_TestObject = {0x0B4E6A10, 0x53C2, 0x4F3D, {0x8E, 0x91, 0x7A, 0x2C, 0x5D, 0x0F, 0x1B, 0x36}};
// {0B4E6A11-53C2-4F3D-8E91-7A2C5D0F1B36}
constexpr IID IID_ITestObject = {0x0B4E6A11, 0x53C2, 0x4F3D, {0x8E, 0x91, 0x7A, 0x2C, 0x5D, 0x0F, 0x1B, 0x36}};

COM_NO_VTABLE_DTOR_WARNING_BEGIN

struct ITestObject : public IUnknown {
    // The server's lock count: live objects plus references to its class factory.
    virtual LONG STDMETHODCALLTYPE ServerLocks() = 0;
};

COM_NO_VTABLE_DTOR_WARNING_END

}  // namespace quenvar::testing
