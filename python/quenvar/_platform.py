"""The platform library and the Win32 shapes the client needs: GUID, VARIANT, DISPPARAMS, EXCEPINFO."""

import ctypes
import os
import sys
import threading

HRESULT = ctypes.c_int32
OLECHAR_P = ctypes.c_void_p  # UTF-16 text: the platform's OLECHAR is 16 bits wide, not wchar_t

COINIT_MULTITHREADED = 0x0
CLSCTX_INPROC_SERVER = 0x1
LOCALE_USER_DEFAULT = 0x0400
DISPATCH_METHOD = 0x1
DISPATCH_PROPERTYGET = 0x2
DISPATCH_PROPERTYPUT = 0x4
DISPID_PROPERTYPUT = -3

S_FALSE = 1
DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_UNKNOWNNAME = 0x80020006
DISP_E_EXCEPTION = 0x80020009

VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8 = 0, 1, 2, 3, 4, 5
VT_BSTR, VT_BOOL = 8, 11
VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT = 16, 17, 18, 19, 20, 21, 22, 23

_LIBRARY_NAME = "libquenvar-platform.so"


class GUID(ctypes.Structure):
    _fields_ = [("Data1", ctypes.c_uint32), ("Data2", ctypes.c_uint16), ("Data3", ctypes.c_uint16),
                ("Data4", ctypes.c_uint8 * 8)]


class _VariantValue(ctypes.Union):
    _fields_ = [("llVal", ctypes.c_int64), ("ullVal", ctypes.c_uint64), ("lVal", ctypes.c_int32),
                ("ulVal", ctypes.c_uint32), ("iVal", ctypes.c_int16), ("uiVal", ctypes.c_uint16),
                ("cVal", ctypes.c_int8), ("bVal", ctypes.c_uint8), ("fltVal", ctypes.c_float),
                ("dblVal", ctypes.c_double), ("boolVal", ctypes.c_int16), ("bstrVal", ctypes.c_void_p),
                ("record", ctypes.c_void_p * 2)]


class VARIANT(ctypes.Structure):
    _fields_ = [("vt", ctypes.c_uint16), ("wReserved1", ctypes.c_uint16), ("wReserved2", ctypes.c_uint16),
                ("wReserved3", ctypes.c_uint16), ("value", _VariantValue)]


class DISPPARAMS(ctypes.Structure):
    _fields_ = [("rgvarg", ctypes.POINTER(VARIANT)), ("rgdispidNamedArgs", ctypes.POINTER(ctypes.c_int32)),
                ("cArgs", ctypes.c_uint), ("cNamedArgs", ctypes.c_uint)]


class EXCEPINFO(ctypes.Structure):
    pass


EXCEPINFO._fields_ = [("wCode", ctypes.c_uint16), ("wReserved", ctypes.c_uint16), ("bstrSource", ctypes.c_void_p),
                      ("bstrDescription", ctypes.c_void_p), ("bstrHelpFile", ctypes.c_void_p),
                      ("dwHelpContext", ctypes.c_uint32), ("pvReserved", ctypes.c_void_p),
                      ("pfnDeferredFillIn", ctypes.CFUNCTYPE(HRESULT, ctypes.POINTER(EXCEPINFO))),
                      ("scode", ctypes.c_int32)]

IID_NULL = GUID()
IID_IDispatch = GUID(0x00020400, 0, 0, (ctypes.c_uint8 * 8)(0xC0, 0, 0, 0, 0, 0, 0, 0x46))


def _library_path():
    """QUENVAR_PLATFORM_LIBRARY, else the build tree beside the package, else the prefix the package
    is installed in (`cmake --install build --prefix` the same prefix), else the system's."""
    explicit = os.environ.get("QUENVAR_PLATFORM_LIBRARY")
    if explicit:
        return explicit
    beside = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "build", "lib",
                          _LIBRARY_NAME)
    for candidate in (beside, os.path.join(sys.prefix, "lib", _LIBRARY_NAME)):
        if os.path.exists(candidate):
            return os.path.normpath(candidate)
    return _LIBRARY_NAME


def _load():
    try:
        library = ctypes.CDLL(_library_path())
    except OSError as error:
        raise ImportError(f"quenvar needs the platform library: {error}; install it into {sys.prefix} "
                          "or name it in QUENVAR_PLATFORM_LIBRARY") from error
    signatures = {
        "CoInitializeEx": (HRESULT, [ctypes.c_void_p, ctypes.c_uint32]),
        "CLSIDFromProgID": (HRESULT, [OLECHAR_P, ctypes.POINTER(GUID)]),
        "CLSIDFromString": (HRESULT, [OLECHAR_P, ctypes.POINTER(GUID)]),
        "CoCreateInstance": (HRESULT, [ctypes.POINTER(GUID), ctypes.c_void_p, ctypes.c_uint32, ctypes.POINTER(GUID),
                                       ctypes.POINTER(ctypes.c_void_p)]),
        "SysAllocStringLen": (ctypes.c_void_p, [OLECHAR_P, ctypes.c_uint]),
        "SysFreeString": (None, [ctypes.c_void_p]),
        "SysStringLen": (ctypes.c_uint, [ctypes.c_void_p]),
        "VariantInit": (None, [ctypes.POINTER(VARIANT)]),
        "VariantClear": (HRESULT, [ctypes.POINTER(VARIANT)]),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(library, name)
        function.restype = result
        function.argtypes = arguments
    return library


platform = _load()
_thread = threading.local()


def unsigned(hresult):
    return hresult & 0xFFFFFFFF


def ensure_com():
    """Initialises COM on the calling thread, once, in the multithreaded apartment."""
    if getattr(_thread, "initialized", False):
        return
    hresult = platform.CoInitializeEx(None, COINIT_MULTITHREADED)
    if hresult < 0:
        from quenvar._dispatch import COMError
        raise COMError(hresult, "CoInitializeEx failed")
    _thread.initialized = True


def utf16(text):
    """A NUL-terminated UTF-16 buffer of the text, for calls that take OLECHAR text."""
    data = text.encode("utf-16-le", "surrogatepass") + b"\0\0"
    return ctypes.create_string_buffer(data, len(data))


def bstr_from_text(text):
    data = text.encode("utf-16-le", "surrogatepass")
    bstr = platform.SysAllocStringLen(data, len(data) // 2)
    if not bstr:
        raise MemoryError("SysAllocStringLen")
    return bstr


def text_from_bstr(bstr):
    if not bstr:
        return ""
    return ctypes.string_at(bstr, platform.SysStringLen(bstr) * 2).decode("utf-16-le", "surrogatepass")
