"""Objects called through IDispatch: GetIDsOfNames once per name, then Invoke."""

from __future__ import annotations

import ctypes
from types import TracebackType
from typing import Any, Dict, Optional, Sequence, Type, TypeVar

from quenvar import _platform
from quenvar._error import COMError, check, unsigned
from quenvar._types import DISPPARAMS, EXCEPINFO, GUID, HRESULT, IID_NULL, VARIANT, IID_IDispatch
from quenvar._variant import Value, from_variant, to_variant
from quenvar.constants import (CLSCTX_INPROC_SERVER, DISP_E_EXCEPTION, DISP_E_MEMBERNOTFOUND, DISP_E_UNKNOWNNAME,
                               DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPID_PROPERTYPUT,
                               LOCALE_USER_DEFAULT)

_RELEASE = ctypes.CFUNCTYPE(ctypes.c_uint32, ctypes.c_void_p)
_GET_IDS_OF_NAMES = ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p, ctypes.POINTER(GUID), ctypes.POINTER(ctypes.c_void_p),
                                     ctypes.c_uint, ctypes.c_uint32, ctypes.POINTER(ctypes.c_int32))
_INVOKE = ctypes.CFUNCTYPE(HRESULT, ctypes.c_void_p, ctypes.c_int32, ctypes.POINTER(GUID), ctypes.c_uint32,
                           ctypes.c_uint16, ctypes.POINTER(DISPPARAMS), ctypes.POINTER(VARIANT),
                           ctypes.POINTER(EXCEPINFO), ctypes.POINTER(ctypes.c_uint))
_SLOT_RELEASE, _SLOT_GET_IDS_OF_NAMES, _SLOT_INVOKE = 2, 5, 6

_Function = TypeVar("_Function")


def _method(pointer: int, slot: int, prototype: Type[_Function]) -> _Function:
    vtable = ctypes.cast(pointer, ctypes.POINTER(ctypes.POINTER(ctypes.c_void_p))).contents
    return prototype(vtable[slot])  # type: ignore[call-arg]


def _exception_error(hresult: int, info: EXCEPINFO, text: str) -> COMError:
    if info.pfnDeferredFillIn:
        info.pfnDeferredFillIn(ctypes.byref(info))
    try:
        scode: int = info.scode if info.scode else info.wCode
        return COMError(hresult, text, source=_platform.text_from_bstr(info.bstrSource),
                        description=_platform.text_from_bstr(info.bstrDescription), scode=scode)
    finally:
        for bstr in (info.bstrSource, info.bstrDescription, info.bstrHelpFile):
            _platform.free_bstr(bstr)


class _Method:
    """A member called as a method: obj.Name(arguments)."""

    def __init__(self, owner: DispatchObject, name: str, dispid: int) -> None:
        self._owner = owner
        self._name = name
        self._dispid = dispid

    def __call__(self, *arguments: Value) -> Any:
        return self._owner._invoke(self._name, self._dispid, DISPATCH_METHOD, arguments)

    def __repr__(self) -> str:
        return "<Automation method %s>" % self._name


class DispatchObject:
    """An IDispatch reference. Attributes read as property gets (or give a callable for a method),
    assignments are property puts. Released by close(), the with statement, or garbage collection."""

    _pointer: Optional[int]
    _dispids: Dict[str, int]

    def __init__(self, pointer: int) -> None:
        object.__setattr__(self, "_pointer", pointer)
        object.__setattr__(self, "_dispids", {})

    def close(self) -> None:
        """Releases the reference; later calls raise ValueError."""
        pointer = self._pointer
        if pointer:
            object.__setattr__(self, "_pointer", None)
            _method(pointer, _SLOT_RELEASE, _RELEASE)(pointer)

    def __enter__(self) -> DispatchObject:
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()

    def __del__(self) -> None:
        self.close()

    def _live(self) -> int:
        if not self._pointer:
            raise ValueError("the Automation object has been released")
        return self._pointer

    def _dispid(self, name: str) -> int:
        """The member's DISPID, asked for once per object; names match without regard to case."""
        key = name.lower()
        dispid = self._dispids.get(key)
        if dispid is not None:
            return dispid
        pointer = self._live()
        text = _platform.utf16(name)
        names = (ctypes.c_void_p * 1)(ctypes.addressof(text))
        result = ctypes.c_int32()
        hresult: int = _method(pointer, _SLOT_GET_IDS_OF_NAMES, _GET_IDS_OF_NAMES)(
            pointer, ctypes.byref(IID_NULL), names, 1, LOCALE_USER_DEFAULT, ctypes.byref(result))
        if unsigned(hresult) in (DISP_E_UNKNOWNNAME, DISP_E_MEMBERNOTFOUND):
            raise AttributeError("the Automation object has no member %r" % name)
        check(hresult, "GetIDsOfNames(%s)" % name)
        self._dispids[key] = result.value
        return result.value

    def _invoke(self, name: str, dispid: int, flags: int, arguments: Sequence[Value],
                allow_missing: bool = False) -> Any:
        pointer = self._live()
        count = len(arguments)
        variants = (VARIANT * max(count, 1))()
        result = VARIANT()
        info = EXCEPINFO()
        argument_error = ctypes.c_uint()
        named = ctypes.c_int32(DISPID_PROPERTYPUT)
        put = flags == DISPATCH_PROPERTYPUT
        try:
            # Automation takes arguments last first.
            for index, value in enumerate(reversed(arguments)):
                to_variant(value, variants[index])
            parameters = DISPPARAMS(variants if count else None, ctypes.pointer(named) if put else None, count,
                                    1 if put else 0)
            hresult: int = _method(pointer, _SLOT_INVOKE, _INVOKE)(
                pointer, dispid, ctypes.byref(IID_NULL), LOCALE_USER_DEFAULT, flags, ctypes.byref(parameters),
                ctypes.byref(result), ctypes.byref(info), ctypes.byref(argument_error))
            if allow_missing and unsigned(hresult) == DISP_E_MEMBERNOTFOUND:
                return _Method(self, name, dispid)
            if unsigned(hresult) == DISP_E_EXCEPTION:
                raise _exception_error(hresult, info, name)
            check(hresult, name)
            return from_variant(result)
        finally:
            for index in range(count):
                _platform.clear_variant(variants[index])
            _platform.clear_variant(result)

    def __getattr__(self, name: str) -> Any:
        if name.startswith("_"):
            raise AttributeError(name)
        dispid = self._dispid(name)
        # A member that is no property answers DISP_E_MEMBERNOTFOUND: it is called as a method.
        return self._invoke(name, dispid, DISPATCH_PROPERTYGET, (), allow_missing=True)

    def __setattr__(self, name: str, value: Value) -> None:
        if name.startswith("_"):
            raise AttributeError("cannot set %s" % name)
        self._invoke(name, self._dispid(name), DISPATCH_PROPERTYPUT, (value,))

    def __repr__(self) -> str:
        return "<Automation object %s>" % ("released" if not self._pointer else hex(self._pointer))


def _class_id(name: str) -> GUID:
    clsid = GUID()
    text = _platform.utf16(name)
    parse = _platform.library().CLSIDFromString if name.startswith("{") else _platform.library().CLSIDFromProgID
    check(parse(text, ctypes.byref(clsid)), "cannot find the class %s" % name)
    return clsid


def Dispatch(name: str) -> DispatchObject:
    """Creates the object of a ProgID ("Palvex.Palvex") or CLSID text ("{...}") in process and
    answers its IDispatch."""
    _platform.ensure_com()
    clsid = _class_id(name)
    pointer = ctypes.c_void_p()
    check(_platform.library().CoCreateInstance(ctypes.byref(clsid), None, CLSCTX_INPROC_SERVER,
                                               ctypes.byref(IID_IDispatch), ctypes.byref(pointer)),
          "cannot create %s" % name)
    assert pointer.value is not None  # a successful creation answers an interface
    return DispatchObject(pointer.value)
