"""Late-bound Automation objects of the Quenvar platform, called through IDispatch."""

from quenvar._dispatch import Dispatch, DispatchObject
from quenvar._error import COMError

__all__ = ["COMError", "Dispatch", "DispatchObject"]
