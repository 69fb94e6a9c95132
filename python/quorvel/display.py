"""The display as Python objects: a frame of gray levels kept on the Python side and sent with
show(), text and lines drawn over it, and Pillow images converted into it."""
from __future__ import annotations

from typing import TYPE_CHECKING, Any, Callable, Optional, Union

from . import _gray, buffers
from ._blend import BlendMode
from ._optional import require

if TYPE_CHECKING:
    import numpy
    from numpy.typing import NDArray

    from .card import Card

COLUMNS = _gray.COLUMNS
ROWS = _gray.ROWS


class Display:
    """The display of an open card (`card.display`).

    The frame is the picture show() sends: 64 rows of 256 gray levels (0..15; larger values
    count as 15) held here, one byte per pixel, so numpy and Pillow users reach every pixel.
    text() and line() are drawn by the library over the frame, in call order, at each show(),
    and stay until clear()."""

    def __init__(self, card: Card) -> None:
        self._card = card
        self._levels = bytearray(COLUMNS * ROWS)
        self._overlays: list[Callable[[], None]] = []

    def setup(self) -> None:
        """Brings the display up (DioSetupOLED)."""
        self._card.setup_oled()

    @property
    def levels(self) -> bytearray:
        """The frame as a bytearray, row 0 first, 256 levels per row: pixel (x, y) is
        levels[256 * y + x]. Writable; needs no numpy."""
        return self._levels

    @property
    def frame(self) -> NDArray[numpy.uint8]:
        """The frame as a writable numpy uint8 view shaped (64, 256): frame[y, x] is the level
        of pixel x of row y."""
        np = require("numpy", "display.frame")
        view: NDArray[numpy.uint8] = np.frombuffer(self._levels, dtype=np.uint8)
        return view.reshape(ROWS, COLUMNS)

    def packed(self) -> bytes:
        """The frame in the display's layout, 8192 bytes: what show() sends."""
        return _gray.pack(bytes(self._levels))

    def clear(self) -> None:
        """Blanks the frame and drops the text and lines; the panel changes at show()."""
        self._levels[:] = bytes(len(self._levels))
        self._overlays.clear()

    def text(self, x: int, y: int, text: Union[str, bytes],
             mode: Union[BlendMode, int] = 0) -> None:
        """Text in the card's 8 x 16 font from pixel (x, y), lit pixels at level 15."""
        arguments = (buffers.signed_word(mode, "mode"), buffers.byte(x, "x"), buffers.byte(y, "y"), buffers.text(text, "text"))
        self._overlays.append(lambda: self._card.write_oled_str_buff(*arguments))

    def line(self, x0: int, y0: int, x1: int, y1: int, level: int = 15,
             end_level: Optional[int] = None, mode: Union[BlendMode, int] = 0) -> None:
        """A line from (x0, y0) towards (x1, y1), the end point not drawn; its level ramps from
        `level` to `end_level` (the same when not given)."""
        arguments = (x0, y0, x1, y1, level, level if end_level is None else end_level)
        names = ("x0", "y0", "x1", "y1", "level", "end_level")
        checked = [buffers.byte(value, name) for value, name in zip(arguments, names)]
        blend = buffers.signed_word(mode, "mode")
        self._overlays.append(lambda: self._card.write_oled_line_buff(blend, *checked))

    def image(self, image: Any, x: int = 0, y: int = 0, dither: bool = True) -> None:
        """Puts a Pillow image (any mode) into the frame with its top left pixel at (x, y),
        converted to the 16 gray levels as `dio convert` converts the file; what falls outside
        the frame is cut off."""
        x, y = buffers.integer(x, "x"), buffers.integer(y, "y")
        width, height, levels = _gray.image_levels(image, dither, _influencing(image, x, y))
        left, right = max(x, 0), min(x + width, COLUMNS)
        rows = range(max(y, 0), min(y + height, ROWS)) if left < right else range(0)
        for row in rows:
            source = (row - y) * width - x
            self._levels[row * COLUMNS + left:row * COLUMNS + right] = \
                levels[source + left:source + right]

    def show(self) -> None:
        """Sends the frame with the text and lines over it to the panel: the frame replaces the
        library's frame buffer, the text and lines are drawn into it, and it is sent, all under
        the card's lock, so no other thread's drawing lands in between."""
        with self._card.lock:
            self._card.write_oled_screen_arr_buff(BlendMode.REPLACE, self.packed())
            for draw in self._overlays:
                draw()
            self._card.send_oled_buff()


def _influencing(image: Any, x: int, y: int) -> Optional[tuple[int, int]]:
    """The top left part of a picture at (x, y) whose pixels can change what the frame shows:
    the rows down to the frame's last and the columns to its right edge, with one more column
    for each of those rows, as dithering carries each pixel's error one column to the left for
    each row down. None when the picture is not an image (image_levels says so)."""
    size = getattr(image, "size", None)
    if not (isinstance(size, tuple) and len(size) == 2):
        return None
    rows = max(0, min(size[1], ROWS - y))
    return max(0, min(size[0], COLUMNS - x + rows)), rows
