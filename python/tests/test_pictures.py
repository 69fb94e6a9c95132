"""Pillow pictures of every kind become the gray levels `dio convert` gives the same files."""
import os
import struct
import subprocess
from pathlib import Path

import pytest

from quorvel import _gray

Image = pytest.importorskip("PIL.Image")
PngImagePlugin = pytest.importorskip("PIL.PngImagePlugin")

ROOT = Path(__file__).resolve().parents[2]
DIO = os.environ.get("QUORVEL_DIO")
SIZE = (256, 64)
SRGB, LINEAR = 45455, 100000  # gAMA chunk values


def ramp16():
    image = Image.new("I", SIZE)
    image.putdata([4 * value for value in range(SIZE[0] * SIZE[1])])
    return image


def colours():
    image = Image.new("RGBA", SIZE)
    image.putdata([(x, 7 * x % 256, (4 * y + x) % 256, (3 * x + 11 * y) % 256)
                   for y in range(SIZE[1]) for x in range(SIZE[0])])
    return image


# name: (picture, gAMA chunk or None, Pillow's save options)
PICTURES = {
    "gray16-linear": (ramp16, None, {}),      # 16-bit samples stating no gamma are linear
    "gray16-srgb": (ramp16, SRGB, {}),        # as ImageMagick writes gradients
    "rgba": (colours, None, {}),              # alpha darkens towards the panel's black
    "rgba-gamma1": (colours, LINEAR, {}),
    "gray-alpha": (lambda: colours().convert("LA"), None, {}),
    "palette": (lambda: colours().convert("RGB").quantize(64), None, {}),
    "gray-transparent": (lambda: colours().convert("L"), None, {"transparency": 128}),
    "bilevel": (lambda: colours().convert("1"), None, {}),
}


def dio_levels(path, dither, tmp_path):
    bmp = tmp_path / "dio.bmp"
    subprocess.run([DIO, "convert", *(["--dither"] if dither else []), str(path), str(bmp)],
                   check=True, capture_output=True)
    with Image.open(bmp) as converted:
        return bytes(converted.getdata())


@pytest.mark.skipif(not DIO, reason="QUORVEL_DIO names no dio to compare with")
@pytest.mark.parametrize("dither", [False, True])
@pytest.mark.parametrize("name", [*PICTURES, "logo"])
def test_pictures_take_the_levels_dio_gives_them(name, dither, tmp_path):
    if name == "logo":
        path = ROOT / "examples" / "logo.png"
    else:
        make, gamma, options = PICTURES[name]
        info = PngImagePlugin.PngInfo()
        if gamma:
            info.add(b"gAMA", struct.pack(">I", gamma))
        path = tmp_path / f"{name}.png"
        make().save(path, pnginfo=info, **options)
    with Image.open(path) as picture:
        assert _gray.image_levels(picture, dither)[2] == dio_levels(path, dither, tmp_path)


@pytest.mark.parametrize("mode", ["I;16", "I", "F", "RGB", "CMYK", "LA"])
def test_every_mode_of_a_mid_gray_picture_is_mid_gray(mode):
    value = {"I;16": 0x8080, "I": 0x8080, "F": 128.0}.get(mode)
    picture = Image.new("RGBA", (4, 2), (128, 128, 128, 255)).convert(mode) if value is None \
        else Image.new(mode, (4, 2), value)
    assert _gray.image_levels(picture, False)[2] == bytes([8]) * 8
