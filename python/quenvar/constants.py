"""The Automation values a caller meets: status codes (unsigned, as COMError.hresult holds them),
VARIANT types, Invoke flags and the few other numbers the client passes."""

from typing import Final

S_OK: Final = 0x00000000
S_FALSE: Final = 0x00000001
E_FAIL: Final = 0x80004005
CO_E_CLASSSTRING: Final = 0x800401F3
DISP_E_MEMBERNOTFOUND: Final = 0x80020003
DISP_E_UNKNOWNNAME: Final = 0x80020006
DISP_E_EXCEPTION: Final = 0x80020009
DISP_E_BADPARAMCOUNT: Final = 0x8002000E

COINIT_MULTITHREADED: Final = 0x0
CLSCTX_INPROC_SERVER: Final = 0x1
LOCALE_USER_DEFAULT: Final = 0x0400

DISPATCH_METHOD: Final = 0x1
DISPATCH_PROPERTYGET: Final = 0x2
DISPATCH_PROPERTYPUT: Final = 0x4
DISPID_PROPERTYPUT: Final = -3

VT_EMPTY: Final = 0
VT_NULL: Final = 1
VT_I2: Final = 2
VT_I4: Final = 3
VT_R4: Final = 4
VT_R8: Final = 5
VT_BSTR: Final = 8
VT_BOOL: Final = 11
VT_I1: Final = 16
VT_UI1: Final = 17
VT_UI2: Final = 18
VT_UI4: Final = 19
VT_I8: Final = 20
VT_UI8: Final = 21
VT_INT: Final = 22
VT_UINT: Final = 23
