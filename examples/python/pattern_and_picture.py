"""Loads a pattern made with numpy into the output memory, plays it and polls until it is done,
steps through it watching the I/O lines, and shows a picture drawn with Pillow on the panel,
captioned by the card's own font. Exits with 0 when the pattern played to its end and every
step put the pattern's next word on the I/O lines.

Usage, with the package installed (pip install ./python) or on PYTHONPATH:
    QUORVEL_LIBRARY=build/dev/bin/libQuorvelWCHDLL.so python3 examples/python/pattern_and_picture.py
"""
import sys
import time

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
        generator.trigger()           # the pattern plays: 16 words, 16 us at 1 MHz
        started = time.monotonic()
        while quorvel.PatternStatus.HALTED not in generator.status:  # as the simulated card
            if time.monotonic() - started > 1:                       # reports it
                return 1
        print(f"played in {1000 * (time.monotonic() - started):.2f} ms")
        last_played = generator.io_lines  # the lines hold the last word
        generator.pause()             # holds at word 0: each step puts the next word out
        lines = []
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
    return 0 if last_played == pattern[-1] and lines == pattern[1:].tolist() else 1


if __name__ == "__main__":
    sys.exit(main())
