"""Gray levels 0..15, one byte per pixel, and the display's packed layout (two pixels per
byte, the even pixel in the high nibble); Pillow images turned into levels by the rule `dio`
uses for pictures."""
from __future__ import annotations

import array
import functools
import math
import struct
from typing import Any, Optional

from ._optional import require

COLUMNS = 256
ROWS = 64
MAX_LEVEL = 15
LEVEL_STEP = 255 // MAX_LEVEL  # brightness per gray level
# Level of each byte value: levels above 15 count as 15.
_CLAMP = bytes(min(value, MAX_LEVEL) for value in range(256))
# The nearest level of each brightness.
_NEAREST = bytes((value * MAX_LEVEL + 127) // 255 for value in range(256))
# Pillow's modes of single integer samples, which PNG files of 16-bit gray open as.
_WIDE_GRAY = ("I", "I;16", "I;16L", "I;16B", "I;16N")


def pack(levels: bytes) -> bytes:
    """Levels (row-major, an even count) packed two per byte."""
    clamped = levels.translate(_CLAMP)
    return bytes((high << 4) | low for high, low in zip(clamped[0::2], clamped[1::2]))


def unpack(packed: bytes) -> bytes:
    """Packed bytes as two levels each, the high nibble first."""
    return bytes(level for byte in packed for level in (byte >> 4, byte & 0x0F))


def image_levels(image: Any, dither: bool,
                 part: Optional[tuple[int, int]] = None) -> tuple[int, int, bytes]:
    """(width, height, levels) of a Pillow image of any mode, or of its top left `part`
    (width, height) when given: each pixel's brightness on the panel's black (luma, scaled by
    the alpha) as the nearest of the 16 levels, or dithered to them by Floyd-Steinberg error
    diffusion."""
    pil = require("PIL.Image", "display.image")
    if not isinstance(image, pil.Image):
        raise TypeError(f"image must be a Pillow image, not {type(image).__name__}")
    gamma = _file_gamma(image)  # before cropping, which leaves the file behind
    if part is not None and part != image.size:
        image = image.crop((0, 0, *part))
    light = brightness(image, gamma)
    if dither:
        return image.width, image.height, _dithered(light, image.width)
    return image.width, image.height, light.translate(_NEAREST)


def brightness(image: Any, gamma: Optional[int]) -> bytes:
    """Each pixel's brightness 0..255 on black: luma (ITU-R BT.601 weights) of its 8-bit sRGB
    colour, scaled by its alpha; `gamma` is that of the file the image was read from
    (_file_gamma), corrected to sRGB's as libpng does. Pictures made in memory are sRGB; the
    integer modes hold 16-bit samples (values outside 0..65535 are clamped), "F" 0..255 as
    Pillow converts it."""
    if image.mode in _WIDE_GRAY:
        samples = [min(max(int(value), 0), 0xFFFF) for value in image.getdata()]
        correction = _product(_SRGB if gamma is None else gamma, _SCREEN_GAMMA)
        if _significant(correction):
            table = _wide_table(correction)
            return bytes(table[value >> _WIDE_SHIFT] for value in samples)
        # libpng's rounding of a 16-bit sample to 8 bits.
        return bytes((value >> 8) + (((value & 0xFF) - (value >> 8) + 128) * 0xFFFF >> 24)
                     for value in samples)
    rgba = image.convert("RGBA").tobytes()
    red, green, blue, alpha = (rgba[channel::4] for channel in range(4))
    if gamma is not None and _significant(_product(gamma, _SCREEN_GAMMA)):
        exponent = _reciprocal(gamma, _SCREEN_GAMMA) * 1e-5
        table = bytes(_power(value, 255, exponent) if 0 < value < 255 else value
                      for value in range(256))
        red, green, blue = red.translate(table), green.translate(table), blue.translate(table)
    return bytes(((299 * r + 587 * g + 114 * b + 500) // 1000 * a + 127) // 255
                 for r, g, b, a in zip(red, green, blue, alpha))


# libpng's gamma arithmetic, in its fixed point (gamma x 100000): the screen is sRGB's 2.2, a
# correction within 5% of none is not made, and 16-bit samples keep 11 bits on their way to 8.
_SCREEN_GAMMA = 220000
_SRGB = 45455
_LINEAR = 100000
_WIDE_SHIFT = 16 - 11


def _file_gamma(image: Any) -> Optional[int]:
    """The gamma of the PNG file the image was read from, as libpng takes it: its gAMA (sRGB's
    for an sRGB chunk), or for 16-bit samples stating none, linear. None when not from a PNG,
    or 8-bit samples stating none: both sRGB."""
    if image.format != "PNG":
        return None
    if "srgb" in image.info:
        return _SRGB
    gamma = image.info.get("gamma")
    if isinstance(gamma, (int, float)) and gamma > 0:
        return round(gamma * 100000)
    return _LINEAR if image.mode in _WIDE_GRAY else None


def _product(a: int, b: int) -> int:
    return math.floor(a * 1e-5 * b + 0.5)


def _reciprocal(a: int, b: int) -> int:
    return math.floor(1e15 / a / b + 0.5)


def _significant(gamma: int) -> bool:
    return abs(gamma - _LINEAR) > 5000


def _power(value: int, top: int, exponent: float) -> int:
    return math.floor(top * float((value / top) ** exponent) + 0.5)


@functools.lru_cache(maxsize=4)
def _wide_table(correction: int) -> bytes:
    """The 8-bit sRGB value of each 11-bit sample, by libpng's table: for each output value,
    the first sample past it, found by the inverse correction."""
    samples = 1 << (16 - _WIDE_SHIFT)
    table = bytearray(b"\xff" * samples)
    last = 0
    for out in range(255):
        bound = _power(out * 257 + 128, 0xFFFF, correction * 1e-5)
        bound = min((bound * (samples - 1) + 32768) // 0xFFFF + 1, samples)
        if bound > last:
            table[last:bound] = bytes([out]) * (bound - last)
            last = bound
    return bytes(table)


def _dithered(light: bytes, width: int) -> bytes:
    """Floyd-Steinberg to the 16 levels, in single precision as `dio` computes it: the error
    spread right 7/16, down-left 3/16, down 5/16, down-right 1/16, rows top first."""
    levels = bytearray(len(light))
    # The errors carried into this row and the next, with a guard column at each end; float32
    # arrays store what is added to them rounded to single precision.
    current, following = _zeros(width + 2), _zeros(width + 2)
    for row in range(len(light) // width if width else 0):
        for x in range(width):
            pixel = row * width + x
            wanted = _single(light[pixel] + current[x + 1])
            level = min(max(_round_half_away(wanted / LEVEL_STEP), 0), MAX_LEVEL)
            levels[pixel] = level
            error = _single(wanted - level * LEVEL_STEP)
            current[x + 2] += _single(error * 7) / 16
            following[x] += _single(error * 3) / 16
            following[x + 1] += _single(error * 5) / 16
            following[x + 2] += error / 16
        current, following = following, _zeros(width + 2)
    return bytes(levels)


def _zeros(count: int) -> array.array[float]:
    return array.array("f", bytes(4 * count))


_FLOAT32 = struct.Struct("f")


def _single(value: float) -> float:
    """`value` rounded to single precision."""
    result: float = _FLOAT32.unpack(_FLOAT32.pack(value))[0]
    return result


def _round_half_away(value: float) -> int:
    """std::round of a single-precision quotient: halves away from zero."""
    quotient = _single(value)
    return int(quotient + 0.5) if quotient >= 0 else -int(-quotient + 0.5)
