"""Bitmap files loaded by DioOpenBMP."""
from __future__ import annotations

import os
from typing import Union
from ctypes import byref, c_int16, c_void_p

from ._library import exports
from ._resource import Resource
from .errors import DioError


def _check_opens(path: Union[str, "os.PathLike[str]"]) -> None:
    """The library says only that the file is invalid when it cannot open it: raise the
    OSError of the open instead (FileNotFoundError, IsADirectoryError, ...), naming the file."""
    try:
        with open(path, "rb"):
            pass
    except OSError as error:
        raise type(error)(f"cannot open '{os.fsdecode(path)}': {error.strerror}") from None


class Bitmap(Resource):
    """A BMP file loaded with DioOpenBMP (which prints its header to standard output) and
    released with DioCloseBMP, also at the end of a `with` block. Draw it with
    Card.write_oled_area_bmp_imm / write_oled_area_bmp_buff."""

    _kind = "bitmap"

    def __init__(self, path: Union[str, "os.PathLike[str]"]) -> None:
        _check_opens(path)
        self._dio = exports()
        status = c_int16(0)
        handle = self._dio.DioOpenBMP(None, os.fsencode(path), byref(status))
        if not handle:
            raise DioError("DioOpenBMP", status.value)
        super().__init__(c_void_p(handle))

    def _release(self, handle: c_void_p) -> None:
        self._dio.DioCloseBMP(None, byref(handle))
