"""Turning Python values into what the C exports take, with the checks C cannot make."""
import ctypes


def byte(value, name):
    """An unsigned 8-bit argument."""
    return _ranged(value, name, 0, 0xFF)


def word(value, name):
    """An unsigned 32-bit argument."""
    return _ranged(value, name, 0, 0xFFFFFFFF)


def memory_words(value):
    """A memory transfer's word count: its byte count, 4 x words, must fit in 32 bits."""
    return _ranged(value, "words", 0, (1 << 30) - 1)


def signed_word(value, name):
    """A signed 32-bit argument."""
    return _ranged(value, name, -0x80000000, 0x7FFFFFFF)


def _ranged(value, name, low, high):
    value = int(value)
    if not low <= value <= high:
        raise ValueError(f"{name} must be {low}..{high}, not {value}")
    return value


def readable(data, name, minimum=0):
    """A bytes-like object (bytes, bytearray, memoryview, array...) as (pointer, byte count).
    Writable buffers are passed without a copy; read-only ones other than bytes are copied."""
    if data is None:
        raise TypeError(f"{name} must be a bytes-like object, not None")
    if isinstance(data, bytes):
        pointer, size = data, len(data)
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


def received(count):
    """A zeroed receive buffer of `count` bytes."""
    return (ctypes.c_uint8 * count)()


def text(value, name):
    """A string for the text exports: str (each character 0..255) or bytes, without NUL."""
    encoded = value.encode("latin-1") if isinstance(value, str) else bytes(value)
    if b"\0" in encoded:
        raise ValueError(f"{name} must not contain a NUL character")
    return encoded


def character(value):
    """A character code for the character exports, as the signed 8-bit value they take."""
    code = ord(value) if isinstance(value, str) else int(value)
    code = _ranged(code, "character", 0, 0xFF)
    return code - 0x100 if code > 0x7F else code
