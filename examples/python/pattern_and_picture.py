"""Loads a pattern made with numpy into the output memory, steps through it watching the I/O
lines, and shows a picture drawn with Pillow on the panel, captioned by the card's own font.
Exits with 0 when every step put the pattern's next word on the I/O lines.

Usage, with the package installed (pip install ./python) or on PYTHONPATH:
    QUORVEL_LIBRARY=build/dev/bin/libQuorvelWCHDLL.so python3 examples/python/pattern_and_picture.py
"""
import sys

import numpy as np
from PIL import Image, ImageDraw

import quorvel


def picture() -> Image.Image:
    """A 96 x 64 gradient with a ring on it."""
    image = Image.linear_gradient("L").rotate(90).resize((96, 64))
    ImageDraw.Draw(image).ellipse((24, 8, 72, 56), outline=255, width=4)
    return image


def main() -> int:
    # A walking one over the 8 low lines, then a count down from 7.
    pattern = np.concatenate([1 << np.arange(8), np.arange(7, -1, -1)]).astype(np.uint32)
    with quorvel.Card() as card:
        generator = card.pattern
        generator.output[0:len(pattern)] = pattern
        generator.halt()              # program counter to 0
        generator.arm()
        generator.trigger()           # the first word goes out
        generator.pause()
        lines = [generator.io_lines]
        for _ in pattern[1:]:
            generator.step()
            lines.append(generator.io_lines)
        print("I/O lines:", " ".join(f"{value:02x}" for value in lines))
        print("status:", repr(generator.status))

        display = card.display
        display.setup()
        display.image(picture(), 160, 0)
        display.text(8, 8, "quorvel")
        display.text(8, 32, f"{len(pattern)} steps")
        display.line(0, 60, 150, 60)
        display.show()
    return 0 if lines == pattern.tolist() else 1


if __name__ == "__main__":
    sys.exit(main())
