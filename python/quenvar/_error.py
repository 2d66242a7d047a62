"""The exception every failed COM call raises."""

from __future__ import annotations

from typing import Optional


def unsigned(hresult: int) -> int:
    """The HRESULT as the unsigned 32-bit number it is written as (0x80004005, not -2147467259)."""
    return hresult & 0xFFFFFFFF


class COMError(Exception):
    """A failed COM call: `hresult` (unsigned), and for DISP_E_EXCEPTION the exception
    information's `source`, `description` and `scode`."""

    def __init__(self, hresult: int, text: str, source: Optional[str] = None, description: Optional[str] = None,
                 scode: Optional[int] = None) -> None:
        self.hresult = unsigned(hresult)
        self.source = source
        self.description = description
        self.scode = None if scode is None else unsigned(scode)
        message = "%s (0x%08X)" % (text, self.hresult)
        if description:
            message += ": " + description
        super().__init__(message)


def check(hresult: int, text: str) -> None:
    """Raises COMError for a failure code; success codes (S_FALSE too) pass."""
    if hresult < 0:
        raise COMError(hresult, text)
