#!/bin/sh
# Makes logo.bmp, the 4-bit test card the demo draws: 80 x 48 pixels, a radial gray disc with a
# ring, over a checkerboard, with a palette of sixteen grays in order so that palette index =
# gray level on the display. Also makes the same test card at the top left of a black 256 x 64
# panel as a grayscale PNG beside it (logo.png), the picture the dio examples load. Needs
# ImageMagick. Usage: make_logo.sh [OUTPUT]
set -eu
out=${1:-logo.bmp}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 16x1 xc: -fx 'i/15' -depth 8 -type Grayscale "$tmp/palette.png"
# r is the distance from the centre: a disc fading outwards, a bright ring, a dark gap, then a
# checkerboard at level 3.
convert -size 80x48 xc: -fx '
    hypot(i-40, j-24) < 14 ? (15 - hypot(i-40, j-24)) / 15 :
    hypot(i-40, j-24) < 18 ? 1 :
    hypot(i-40, j-24) < 20 ? 0 : ((floor(i/8) + floor(j/8)) % 2) * 3 / 15' \
    +dither -remap "$tmp/palette.png" -type Palette -depth 4 "BMP3:$out"
convert "$out" -background black -extent 256x64 -strip -type Grayscale "PNG:${out%.bmp}.png"
