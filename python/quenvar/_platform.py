"""The platform library, loaded on the first call that needs it, and the text helpers over it."""

from __future__ import annotations

import ctypes
import functools
import os
import sys
import threading
from typing import Optional

from quenvar._error import COMError
from quenvar._types import GUID, HRESULT, OLECHAR_P, VARIANT
from quenvar.constants import COINIT_MULTITHREADED

_LIBRARY_NAME = "libquenvar-platform.so"

_SIGNATURES = {
    "CoInitializeEx": (HRESULT, [ctypes.c_void_p, ctypes.c_uint32]),
    "CLSIDFromProgID": (HRESULT, [OLECHAR_P, ctypes.POINTER(GUID)]),
    "CLSIDFromString": (HRESULT, [OLECHAR_P, ctypes.POINTER(GUID)]),
    "CoCreateInstance": (HRESULT, [ctypes.POINTER(GUID), ctypes.c_void_p, ctypes.c_uint32, ctypes.POINTER(GUID),
                                   ctypes.POINTER(ctypes.c_void_p)]),
    "SysAllocStringLen": (ctypes.c_void_p, [OLECHAR_P, ctypes.c_uint]),
    "SysFreeString": (None, [ctypes.c_void_p]),
    "SysStringLen": (ctypes.c_uint, [ctypes.c_void_p]),
    "VariantClear": (HRESULT, [ctypes.POINTER(VARIANT)]),
}


def _library_path() -> str:
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


@functools.lru_cache(maxsize=None)
def library() -> ctypes.CDLL:
    """The platform library with the signatures of the functions the client calls; loaded once,
    so that importing the package needs no library."""
    try:
        loaded = ctypes.CDLL(_library_path())
    except OSError as error:
        raise OSError(f"quenvar needs the platform library: {error}; install it into {sys.prefix} "
                      "or name it in QUENVAR_PLATFORM_LIBRARY") from error
    for name, (result, arguments) in _SIGNATURES.items():
        function = getattr(loaded, name)
        function.restype = result
        function.argtypes = arguments
    return loaded


_thread = threading.local()


def ensure_com() -> None:
    """Initialises COM on the calling thread, once, in the multithreaded apartment."""
    if getattr(_thread, "initialized", False):
        return
    hresult: int = library().CoInitializeEx(None, COINIT_MULTITHREADED)
    if hresult < 0:
        raise COMError(hresult, "CoInitializeEx failed")
    _thread.initialized = True


def utf16(text: str) -> ctypes.Array[ctypes.c_char]:
    """A NUL-terminated UTF-16 buffer of the text, for calls that take OLECHAR text."""
    data = text.encode("utf-16-le", "surrogatepass") + b"\0\0"
    return ctypes.create_string_buffer(data, len(data))


def bstr_from_text(text: str) -> int:
    data = text.encode("utf-16-le", "surrogatepass")
    bstr: int = library().SysAllocStringLen(data, len(data) // 2)
    if not bstr:
        raise MemoryError("SysAllocStringLen")
    return bstr


def text_from_bstr(bstr: Optional[int]) -> str:
    if not bstr:
        return ""
    return ctypes.string_at(bstr, library().SysStringLen(bstr) * 2).decode("utf-16-le", "surrogatepass")


def free_bstr(bstr: Optional[int]) -> None:
    library().SysFreeString(bstr)


def clear_variant(variant: VARIANT) -> None:
    library().VariantClear(ctypes.byref(variant))
