"""Bitmap files loaded by DioOpenBMP."""
import os
from ctypes import byref, c_int16, c_void_p

from ._library import exports
from .errors import DioError


class Bitmap:
    """A BMP file loaded with DioOpenBMP (which prints its header to standard output) and
    released with DioCloseBMP, also at the end of a `with` block. Draw it with
    Card.write_oled_area_bmp_imm / write_oled_area_bmp_buff."""

    def __init__(self, path):
        self._dio = exports()
        status = c_int16(0)
        handle = self._dio.DioOpenBMP(None, os.fsencode(path), byref(status))
        if not handle:
            raise DioError("DioOpenBMP", status.value)
        self._handle = c_void_p(handle)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def close(self):
        """DioCloseBMP; closing twice does nothing."""
        if self._handle is not None:
            self._dio.DioCloseBMP(None, byref(self._handle))
            self._handle = None

    @property
    def handle(self):
        if self._handle is None:
            raise ValueError("the bitmap is closed")
        return self._handle
