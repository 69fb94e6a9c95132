"""Bitmap files loaded by DioOpenBMP."""
from __future__ import annotations

import os
import struct
import warnings
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


# The 16 gray levels as a 4-bit BMP's palette holds them (blue, green, red, reserved).
_GRAY_RAMP = [bytes([17 * level] * 3) for level in range(16)]
_LARGEST_HEADER = 124  # BITMAPV5HEADER


def _warn_unless_gray_ramp(path: Union[str, "os.PathLike[str]"]) -> None:
    """The card draws a 4-bit BMP's palette indices as its gray levels, whatever colours the
    palette gives them: a palette other than the gray ramp (an index i not gray 17 x i, as in
    most 4-bit BMPs of other programs) shows wrong grays, so say so."""
    with open(path, "rb") as file:
        head = file.read(14 + _LARGEST_HEADER + 16 * 4)
    if len(head) < 54 or head[:2] != b"BM":
        return  # the library says what is wrong with it
    (header_size,), (bits,), (colours,) = (struct.unpack_from(form, head, at) for form, at in
                                           (("<I", 14), ("<H", 28), ("<I", 46)))
    if bits != 4 or not 40 <= header_size <= _LARGEST_HEADER:
        return
    palette = head[14 + header_size:][:4 * (colours if 0 < colours <= 16 else 16)]
    entries = [palette[at:at + 3] for at in range(0, len(palette) - 3, 4)]
    if entries != _GRAY_RAMP[:len(entries)]:
        warnings.warn(f"'{os.fsdecode(path)}' is a 4-bit BMP whose palette is not the 16-level "
                      "gray ramp: the card draws its palette indices as gray levels, so its grays "
                      "come out wrong. Make it from a PNG with `dio convert IN.png OUT.bmp`.",
                      stacklevel=3)


class Bitmap(Resource):
    """A BMP file loaded with DioOpenBMP (which prints its header to standard output) and
    released with DioCloseBMP, also at the end of a `with` block. Draw it with
    Card.write_oled_area_bmp_imm / write_oled_area_bmp_buff. A 4-bit BMP whose palette is not
    the 16-level gray ramp is drawn by its palette indices, as the card draws it, with a
    warning (UserWarning) that points at `dio convert`."""

    _kind = "bitmap"

    def __init__(self, path: Union[str, "os.PathLike[str]"]) -> None:
        _check_opens(path)
        _warn_unless_gray_ramp(path)
        self._dio = exports()
        status = c_int16(0)
        handle = self._dio.DioOpenBMP(None, os.fsencode(path), byref(status))
        if not handle:
            raise DioError("DioOpenBMP", status.value)
        super().__init__(c_void_p(handle))

    def _release(self, handle: c_void_p) -> None:
        self._dio.DioCloseBMP(None, byref(handle))
