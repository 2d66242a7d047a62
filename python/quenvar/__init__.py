"""Late-bound Automation objects of the Quenvar platform, called through IDispatch."""

from quenvar._dispatch import COMError, Dispatch, DispatchObject

__all__ = ["COMError", "Dispatch", "DispatchObject"]
