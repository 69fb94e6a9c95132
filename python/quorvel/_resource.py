"""What the card and bitmaps share: a library handle released once, by close() or at the end of a
`with` block."""
from __future__ import annotations

from ctypes import c_void_p
from typing import Optional, TypeVar

_Self = TypeVar("_Self", bound="Resource")


class Resource:
    _kind = "resource"

    def __init__(self, handle: c_void_p) -> None:
        self._handle: Optional[c_void_p] = handle

    def __enter__(self: _Self) -> _Self:
        return self

    def __exit__(self, *_: object) -> None:
        self.close()

    def close(self) -> None:
        """Releases the handle; closing twice does nothing."""
        if self._handle is not None:
            self._release(self._handle)
            self._handle = None

    def _release(self, handle: c_void_p) -> None:
        raise NotImplementedError

    @property
    def closed(self) -> bool:
        return self._handle is None

    @property
    def handle(self) -> c_void_p:
        """The library's handle, for calls of your own."""
        if self._handle is None:
            raise ValueError(f"the {self._kind} is closed")
        return self._handle
