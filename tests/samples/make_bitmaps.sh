#!/bin/sh
# Makes the 4-bit BMP pictures that the bitmap tests load, with ImageMagick, and beside each
# ImageMagick's own decoding of it: one gray byte per pixel (level x 17), top row first.
# Usage: make_bitmaps.sh OUTPUT_DIRECTORY
set -eu
out=$1
mkdir -p "$out"

# Sixteen grays in order, so that a pixel's palette index is its gray level.
convert -size 16x1 xc: -fx 'i/15' -depth 8 -type Grayscale "$out/palette.png"

# Diagonal stripes: level (x + 3y) mod 16, so rows, columns and nibble order all show.
picture() {  # name width height
    convert -size "$2x$3" xc: -fx 'mod(i+3*j,16)/15' +dither -remap "$out/palette.png" \
        -type Palette -depth 4 "BMP3:$out/$1.bmp"
    convert "$out/$1.bmp" -depth 8 "gray:$out/$1.gray"
}
picture stripes-256x64 256 64
picture stripes-100x64 100 64
