#!/bin/bash
# Draws the programs' icon, assets/pictures/logo.ico, from the committed logo picture:
# the logo's white flame on the panel's blue, in a square with rounded corners, at 16,
# 24, 32, 48 and 256 pixels. The small ones are 32-bit bitmaps with alpha, the 256 one a
# PNG, as Windows expects. The icon is committed, so building needs no ImageMagick; run
# this only when the logo changes. Needs: imagemagick.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
LOGO="${1:-$ROOT/assets/pictures/logo.jpg}"
OUT="${2:-$ROOT/assets/pictures/logo.ico}"
command -v convert >/dev/null || { echo "make_icon: ImageMagick missing" >&2; exit 1; }
[ -f "$LOGO" ] || { echo "make_icon: $LOGO missing" >&2; exit 1; }

BLUE='#1683C4'
SIDE=500 # a square around the flame with some of the panel round it
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# How white each pixel is, from the picture's brightness: JPEG noise in the blue and the
# white becomes exactly 0 and 1, the flame's smooth edges stay in between. Painting with
# two exact colours through it keeps the PNG small.
convert "$LOGO" -colorspace gray -level 52%,92% \
    -background black -gravity center -extent ${SIDE}x${SIDE} "$WORK/mask.png"

layers=()
for size in 256 48 32 24 16; do
    radius=$(( size * 3 / 16 ))
    convert -size ${size}x${size} xc:"$BLUE" xc:white \
        \( "$WORK/mask.png" -filter Lanczos -resize ${size}x${size} \) -composite \
        \( -size ${size}x${size} xc:none -fill white \
           -draw "roundrectangle 0,0 $((size - 1)),$((size - 1)) $radius,$radius" \) \
        -alpha off -compose CopyOpacity -composite \
        -strip -define png:exclude-chunks=date,time "PNG32:$WORK/$size.png"
    layers+=("$WORK/$size.png")
done

# Without a compression of its own, ImageMagick stores the 256-pixel layer as PNG and the
# others as bitmaps.
convert "${layers[@]}" +compress "ICO:$OUT"
identify -format '%f[%s] %wx%h\n' "$OUT"
echo "$(stat -c %s "$OUT") bytes"
