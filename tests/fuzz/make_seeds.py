#!/usr/bin/env python3
"""Writes the named seed files of the BMP loader fuzzers into tests/fuzz/corpus/bmp.

Each seed is a well-formed little file or one that breaks exactly one rule of the loader; the
two pictures come from tests/samples/make_bitmaps.sh (ImageMagick). Run from anywhere:
    python3 tests/fuzz/make_seeds.py
"""
import pathlib
import shutil
import struct
import subprocess
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus" / "bmp"
PIXEL_START = 54 + 16 * 4  # header and a 16-entry colour table


def bmp(width, height, pixels=b"", data_offset=PIXEL_START, bits_per_pixel=4):
    """A 4-bit file of the given fields, pixels right after a zeroed colour table."""
    size = PIXEL_START + len(pixels)
    header = struct.pack("<2sIIIIiiHHIIiiII", b"BM", size, 0, data_offset, 40, width, height, 1,
                         bits_per_pixel, 0, len(pixels), 2835, 2835, 16, 0)
    return header + bytes(16 * 4) + pixels


def counting(count):
    return bytes(i % 256 for i in range(count))


SEEDS = {
    "valid-8x2.bmp": bmp(8, 2, counting(8)),
    "valid-128-bytes-read-through-a-file.bmp": bmp(8, 2, counting(10)),  # size a multiple of 16
    "zero-height.bmp": bmp(8, 0),
    "zero-row-size-tall.bmp": bmp(0, 2**31 - 1),
    "row-size-300.bmp": bmp(600, 2, counting(600)),
    "trailing-bytes.bmp": bmp(8, 3, counting(12) + b"\xa0\xa1"),
    "data-offset-in-header.bmp": bmp(8, 1, counting(4), data_offset=0),
    "empty.bmp": b"",
    "truncated-header.bmp": bmp(8, 2, counting(8))[:53],
    "data-offset-past-end.bmp": bmp(8, 2, counting(8), data_offset=PIXEL_START + 9),
    "data-offset-max.bmp": bmp(8, 2, counting(8), data_offset=2**32 - 1),
    "negative-height.bmp": bmp(8, -2, counting(8)),
    "most-negative-height.bmp": bmp(8, -2**31, counting(8)),
    "negative-width.bmp": bmp(-8, 2, counting(8)),
    "row-size-2-pow-31.bmp": bmp(2**30, 2, counting(8), bits_per_pixel=16),
    "row-size-over-32-bits.bmp": bmp(2**31 - 1, 2, counting(8), bits_per_pixel=0xFFFF),
    "pixel-area-one-byte-short.bmp": bmp(8, 2, counting(7)),
    "rows-times-row-size-wraps-to-0.bmp": bmp(131072, 65536, counting(16)),
    "rows-times-row-size-wraps-to-area.bmp": bmp(8, 2**30 + 1, counting(4)),
}


def main():
    CORPUS.mkdir(exist_ok=True)
    for name, data in SEEDS.items():
        (CORPUS / name).write_bytes(data)
    with tempfile.TemporaryDirectory() as pictures:
        subprocess.run(["sh", str(HERE.parent / "samples" / "make_bitmaps.sh"), pictures], check=True)
        for name in ("stripes-256x64.bmp", "stripes-100x64.bmp"):
            shutil.copyfile(pathlib.Path(pictures) / name, CORPUS / name)


if __name__ == "__main__":
    main()
