"""Turning Python values into what the C exports take, with the checks C cannot make."""
from __future__ import annotations

import ctypes
import operator
import sys
from typing import Any, Union

# What the exports take for a buffer: bytes, a ctypes array over the caller's memory, or None.
Pointer = Any
# Any object with the buffer protocol (bytes, bytearray, memoryview, array.array, numpy arrays).
ReadableBuffer = Any


def byte(value: int, name: str) -> int:
    """An unsigned 8-bit argument."""
    return _ranged(value, name, 0, 0xFF)


def word(value: int, name: str) -> int:
    """An unsigned 32-bit argument."""
    return _ranged(value, name, 0, 0xFFFFFFFF)


def memory_words(value: int) -> int:
    """A memory transfer's word count: its byte count, 4 x words, must fit in 32 bits."""
    return _ranged(value, "words", 0, (1 << 30) - 1)


def signed_word(value: int, name: str) -> int:
    """A signed 32-bit argument."""
    return _ranged(value, name, -0x80000000, 0x7FFFFFFF)


def count(value: int, name: str) -> int:
    """A byte count: an integer 0 or more."""
    return _ranged(value, name, 0, sys.maxsize)


def integer(value: Any, name: str) -> int:
    """An integer taken as numpy and the standard library take one (operator.index): ints,
    numpy integers and integer enums pass; floats, strings and bools raise TypeError."""
    # numpy's bool scalars still pass operator.index, with a warning, in numpy 1.x.
    if isinstance(value, bool) or type(value).__name__ in ("bool_", "bool"):
        raise TypeError(f"{name} must be an integer, not a bool")
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}") from None


def _ranged(value: int, name: str, low: int, high: int) -> int:
    value = integer(value, name)
    if not low <= value <= high:
        raise ValueError(f"{name} must be {low}..{high}, not {value}")
    return value


def readable(data: Any, name: str, minimum: int = 0) -> tuple[Pointer, int]:
    """A bytes-like object (bytes, bytearray, memoryview, array...) as (pointer, byte count).
    Writable buffers are passed without a copy; read-only ones other than bytes are copied."""
    if data is None:
        raise TypeError(f"{name} must be a bytes-like object, not None")
    if isinstance(data, bytes):
        pointer: Pointer = data
        size = len(data)
    else:
        view = memoryview(data).cast("B")
        size = view.nbytes
        if view.readonly:
            pointer = bytes(view)
        else:
            pointer = (ctypes.c_uint8 * size).from_buffer(view) if size else None
    if size < minimum:
        raise ValueError(f"{name} must hold at least {minimum} bytes, not {size}")
    return pointer, size


def writable(data: ReadableBuffer, name: str) -> tuple[Pointer, int]:
    """A writable bytes-like object as (pointer to its memory, byte count)."""
    view = memoryview(data)
    if view.readonly or not view.c_contiguous:
        raise ValueError(f"{name} must be a writable, contiguous buffer")
    size = view.nbytes
    return ((ctypes.c_uint8 * size).from_buffer(view.cast("B")) if size else None), size


def received(size: int) -> ctypes.Array[ctypes.c_uint8]:
    """A zeroed receive buffer of `size` bytes (checked by the caller)."""
    return (ctypes.c_uint8 * size)()


def text(value: Union[str, bytes], name: str) -> bytes:
    """A string for the text exports: str (each character 0..255) or bytes, without NUL."""
    if isinstance(value, str):
        encoded = value.encode("latin-1")
    elif isinstance(value, (bytes, bytearray, memoryview)):
        encoded = bytes(value)
    else:
        raise TypeError(f"{name} must be str or bytes, not {type(value).__name__}")
    if b"\0" in encoded:
        raise ValueError(f"{name} must not contain a NUL character")
    return encoded


def character(value: Union[str, int]) -> int:
    """A character code for the character exports, as the signed 8-bit value they take."""
    code = ord(value) if isinstance(value, str) else value
    code = _ranged(code, "character", 0, 0xFF)
    return code - 0x100 if code > 0x7F else code
