"""The Win32 shapes the client passes: GUID, VARIANT, DISPPARAMS, EXCEPINFO."""

import ctypes

HRESULT = ctypes.c_int32
OLECHAR_P = ctypes.c_void_p  # UTF-16 text: the platform's OLECHAR is 16 bits wide, not wchar_t


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
