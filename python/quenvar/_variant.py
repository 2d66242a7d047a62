"""Python values to and from VARIANT: None, bool, int, float and str."""

from __future__ import annotations

from typing import Union

from quenvar import _platform
from quenvar._types import VARIANT
from quenvar.constants import (VT_BOOL, VT_BSTR, VT_EMPTY, VT_I1, VT_I2, VT_I4, VT_I8, VT_INT, VT_NULL, VT_R4,
                               VT_R8, VT_UI1, VT_UI2, VT_UI4, VT_UI8, VT_UINT)

Value = Union[None, bool, int, float, str]

_INT_FIELDS = {VT_I1: "cVal", VT_UI1: "bVal", VT_I2: "iVal", VT_UI2: "uiVal", VT_I4: "lVal", VT_UI4: "ulVal",
               VT_INT: "lVal", VT_UINT: "ulVal", VT_I8: "llVal", VT_UI8: "ullVal"}


def to_variant(value: Value, variant: VARIANT) -> None:
    """Fills a cleared VARIANT from a Python value; the caller clears it afterwards."""
    if value is None:
        variant.vt = VT_EMPTY
    elif isinstance(value, bool):
        variant.vt = VT_BOOL
        variant.value.boolVal = -1 if value else 0
    elif isinstance(value, int):
        if not -2**31 <= value < 2**31:
            raise OverflowError("%d does not fit a 32-bit Automation integer" % value)
        variant.vt = VT_I4
        variant.value.lVal = value
    elif isinstance(value, float):
        variant.vt = VT_R8
        variant.value.dblVal = value
    elif isinstance(value, str):
        # The type is set only once the string exists, so that clearing a failed fill frees nothing.
        variant.value.bstrVal = _platform.bstr_from_text(value)
        variant.vt = VT_BSTR
    else:
        raise TypeError("cannot pass %s through Automation (str, int, float, bool or None)"
                        % type(value).__name__)


def from_variant(variant: VARIANT) -> Value:
    """The Python value of a VARIANT, which stays the caller's to clear."""
    vt: int = variant.vt
    if vt in (VT_EMPTY, VT_NULL):
        return None
    if vt == VT_BSTR:
        return _platform.text_from_bstr(variant.value.bstrVal)
    if vt == VT_BOOL:
        return bool(variant.value.boolVal != 0)
    if vt in (VT_R8, VT_R4):
        return float(variant.value.dblVal if vt == VT_R8 else variant.value.fltVal)
    if vt in _INT_FIELDS:
        return int(getattr(variant.value, _INT_FIELDS[vt]))
    raise TypeError("the Automation type 0x%04X has no Python form here" % vt)
