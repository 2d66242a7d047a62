"""Objects called through IDispatch: GetIDsOfNames once per name, then Invoke."""

import ctypes

from quenvar import _platform as p

_RELEASE = ctypes.CFUNCTYPE(ctypes.c_uint32, ctypes.c_void_p)
_GET_IDS_OF_NAMES = ctypes.CFUNCTYPE(p.HRESULT, ctypes.c_void_p, ctypes.POINTER(p.GUID),
                                     ctypes.POINTER(ctypes.c_void_p), ctypes.c_uint, ctypes.c_uint32,
                                     ctypes.POINTER(ctypes.c_int32))
_INVOKE = ctypes.CFUNCTYPE(p.HRESULT, ctypes.c_void_p, ctypes.c_int32, ctypes.POINTER(p.GUID), ctypes.c_uint32,
                           ctypes.c_uint16, ctypes.POINTER(p.DISPPARAMS), ctypes.POINTER(p.VARIANT),
                           ctypes.POINTER(p.EXCEPINFO), ctypes.POINTER(ctypes.c_uint))
_SLOT_RELEASE, _SLOT_GET_IDS_OF_NAMES, _SLOT_INVOKE = 2, 5, 6

_INT_TYPES = {p.VT_I1: "cVal", p.VT_UI1: "bVal", p.VT_I2: "iVal", p.VT_UI2: "uiVal", p.VT_I4: "lVal",
              p.VT_UI4: "ulVal", p.VT_INT: "lVal", p.VT_UINT: "ulVal", p.VT_I8: "llVal", p.VT_UI8: "ullVal"}


class COMError(Exception):
    """A failed COM call: `hresult` (unsigned), and for DISP_E_EXCEPTION the exception
    information's `source`, `description` and `scode`."""

    def __init__(self, hresult, text, source=None, description=None, scode=None):
        self.hresult = p.unsigned(hresult)
        self.source = source
        self.description = description
        self.scode = None if scode is None else p.unsigned(scode)
        message = "%s (0x%08X)" % (text, self.hresult)
        if description:
            message += ": " + description
        super().__init__(message)


def _check(hresult, text):
    if hresult < 0:
        raise COMError(hresult, text)


def _method(pointer, slot, prototype):
    vtable = ctypes.cast(pointer, ctypes.POINTER(ctypes.POINTER(ctypes.c_void_p))).contents
    return prototype(vtable[slot])


def _to_variant(value, variant):
    """Fills a cleared VARIANT from a Python value; the caller clears it afterwards."""
    if value is None:
        variant.vt = p.VT_EMPTY
    elif isinstance(value, bool):
        variant.vt = p.VT_BOOL
        variant.value.boolVal = -1 if value else 0
    elif isinstance(value, int):
        if not -2**31 <= value < 2**31:
            raise OverflowError("%d does not fit a 32-bit Automation integer" % value)
        variant.vt = p.VT_I4
        variant.value.lVal = value
    elif isinstance(value, float):
        variant.vt = p.VT_R8
        variant.value.dblVal = value
    elif isinstance(value, str):
        variant.value.bstrVal = p.bstr_from_text(value)
        variant.vt = p.VT_BSTR
    else:
        raise TypeError("cannot pass %s through Automation (str, int, float, bool or None)"
                        % type(value).__name__)


def _from_variant(variant):
    vt = variant.vt
    if vt in (p.VT_EMPTY, p.VT_NULL):
        return None
    if vt == p.VT_BSTR:
        return p.text_from_bstr(variant.value.bstrVal)
    if vt == p.VT_BOOL:
        return variant.value.boolVal != 0
    if vt == p.VT_R8:
        return variant.value.dblVal
    if vt == p.VT_R4:
        return variant.value.fltVal
    if vt in _INT_TYPES:
        return getattr(variant.value, _INT_TYPES[vt])
    raise TypeError("the Automation type 0x%04X has no Python form here" % vt)


def _exception_error(hresult, info, text):
    if info.pfnDeferredFillIn:
        info.pfnDeferredFillIn(ctypes.byref(info))
    try:
        scode = info.scode if info.scode else info.wCode
        return COMError(hresult, text, source=p.text_from_bstr(info.bstrSource),
                        description=p.text_from_bstr(info.bstrDescription), scode=scode)
    finally:
        for bstr in (info.bstrSource, info.bstrDescription, info.bstrHelpFile):
            p.platform.SysFreeString(bstr)


class _Method:
    """A member called as a method: obj.Name(arguments)."""

    def __init__(self, owner, name, dispid):
        self._owner = owner
        self._name = name
        self._dispid = dispid

    def __call__(self, *arguments):
        return self._owner._invoke(self._name, self._dispid, p.DISPATCH_METHOD, arguments)

    def __repr__(self):
        return "<Automation method %s>" % self._name


class DispatchObject:
    """An IDispatch reference. Attributes read as property gets (or give a callable for a method),
    assignments are property puts. Released by close(), the with statement, or garbage collection."""

    def __init__(self, pointer):
        object.__setattr__(self, "_pointer", pointer)
        object.__setattr__(self, "_dispids", {})

    def close(self):
        """Releases the reference; later calls raise ValueError."""
        pointer = self._pointer
        if pointer:
            object.__setattr__(self, "_pointer", None)
            _method(pointer, _SLOT_RELEASE, _RELEASE)(pointer)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def __del__(self):
        self.close()

    def _live(self):
        if not self._pointer:
            raise ValueError("the Automation object has been released")
        return self._pointer

    def _dispid(self, name):
        """The member's DISPID, asked for once per object; names match without regard to case."""
        key = name.lower()
        dispid = self._dispids.get(key)
        if dispid is not None:
            return dispid
        pointer = self._live()
        text = p.utf16(name)
        names = (ctypes.c_void_p * 1)(ctypes.addressof(text))
        result = ctypes.c_int32()
        hresult = _method(pointer, _SLOT_GET_IDS_OF_NAMES, _GET_IDS_OF_NAMES)(
            pointer, ctypes.byref(p.IID_NULL), names, 1, p.LOCALE_USER_DEFAULT, ctypes.byref(result))
        if p.unsigned(hresult) in (p.DISP_E_UNKNOWNNAME, p.DISP_E_MEMBERNOTFOUND):
            raise AttributeError("the Automation object has no member %r" % name)
        _check(hresult, "GetIDsOfNames(%s)" % name)
        self._dispids[key] = result.value
        return result.value

    def _invoke(self, name, dispid, flags, arguments, allow_missing=False):
        pointer = self._live()
        count = len(arguments)
        variants = (p.VARIANT * max(count, 1))()
        result = p.VARIANT()
        info = p.EXCEPINFO()
        argument_error = ctypes.c_uint()
        named = ctypes.c_int32(p.DISPID_PROPERTYPUT)
        try:
            # Automation takes arguments last first.
            for index, value in enumerate(reversed(arguments)):
                _to_variant(value, variants[index])
            parameters = p.DISPPARAMS(variants if count else None,
                                      ctypes.pointer(named) if flags == p.DISPATCH_PROPERTYPUT else None,
                                      count, 1 if flags == p.DISPATCH_PROPERTYPUT else 0)
            hresult = _method(pointer, _SLOT_INVOKE, _INVOKE)(
                pointer, dispid, ctypes.byref(p.IID_NULL), p.LOCALE_USER_DEFAULT, flags, ctypes.byref(parameters),
                ctypes.byref(result), ctypes.byref(info), ctypes.byref(argument_error))
            if allow_missing and p.unsigned(hresult) == p.DISP_E_MEMBERNOTFOUND:
                return _Method(self, name, dispid)
            if p.unsigned(hresult) == p.DISP_E_EXCEPTION:
                raise _exception_error(hresult, info, name)
            _check(hresult, name)
            return _from_variant(result)
        finally:
            for index in range(count):
                p.platform.VariantClear(ctypes.byref(variants[index]))
            p.platform.VariantClear(ctypes.byref(result))

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        dispid = self._dispid(name)
        # A member that is no property answers DISP_E_MEMBERNOTFOUND: it is called as a method.
        return self._invoke(name, dispid, p.DISPATCH_PROPERTYGET, (), allow_missing=True)

    def __setattr__(self, name, value):
        if name.startswith("_"):
            raise AttributeError("cannot set %s" % name)
        self._invoke(name, self._dispid(name), p.DISPATCH_PROPERTYPUT, (value,))

    def __repr__(self):
        return "<Automation object %s>" % ("released" if not self._pointer else hex(self._pointer))


def _class_id(name):
    clsid = p.GUID()
    text = p.utf16(name)
    if name.startswith("{"):
        hresult = p.platform.CLSIDFromString(text, ctypes.byref(clsid))
    else:
        hresult = p.platform.CLSIDFromProgID(text, ctypes.byref(clsid))
    _check(hresult, "cannot find the class %s" % name)
    return clsid


def Dispatch(name):
    """Creates the object of a ProgID ("Palvex.Palvex") or CLSID text ("{...}") in process and
    answers its IDispatch."""
    p.ensure_com()
    clsid = _class_id(name)
    pointer = ctypes.c_void_p()
    hresult = p.platform.CoCreateInstance(ctypes.byref(clsid), None, p.CLSCTX_INPROC_SERVER,
                                          ctypes.byref(p.IID_IDispatch), ctypes.byref(pointer))
    _check(hresult, "cannot create %s" % name)
    return DispatchObject(pointer.value)
