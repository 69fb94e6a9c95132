"""Gray levels 0..15, one byte per pixel, and the display's packed layout (two pixels per
byte, the even pixel in the high nibble); Pillow images turned into levels."""
from __future__ import annotations

from typing import Any

from ._optional import require

COLUMNS = 256
ROWS = 64
# Level of each byte value: levels above 15 count as 15.
_CLAMP = bytes(min(value, 15) for value in range(256))


def pack(levels: bytes) -> bytes:
    """Levels (row-major, an even count) packed two per byte."""
    clamped = levels.translate(_CLAMP)
    return bytes((high << 4) | low for high, low in zip(clamped[0::2], clamped[1::2]))


def unpack(packed: bytes) -> bytes:
    """Packed bytes as two levels each, the high nibble first."""
    return bytes(level for byte in packed for level in (byte >> 4, byte & 0x0F))


def image_levels(image: Any, dither: bool) -> tuple[int, int, bytes]:
    """(width, height, levels) of a Pillow image of any mode: its gray values mapped to the 16
    levels (gray 17 x level), spreading the rounding error over neighbours when `dither`.
    Transparency is ignored."""
    pil = require("PIL.Image", "display.image")
    if not isinstance(image, pil.Image):
        raise TypeError(f"image must be a Pillow image, not {type(image).__name__}")
    # Quantizing against a palette matches colours only from RGB: from "L" Pillow would take
    # the gray values as palette indices.
    rgb = image.convert("L").convert("RGB")
    palette = pil.new("P", (1, 1))
    palette.putpalette(bytes(min(index, 15) * 17 for index in range(256) for _ in range(3)))
    method = pil.Dither.FLOYDSTEINBERG if dither else pil.Dither.NONE
    indices: bytes = rgb.quantize(palette=palette, dither=method).tobytes()
    # Entries 16..255 repeat white, so any index past 15 is level 15.
    return image.width, image.height, indices.translate(_CLAMP)
