#!/bin/bash
# Draws the installer's pictures into assets/pictures/. The JPEGs are committed, so
# building needs neither ImageMagick nor the font; run this only to change a picture.
# Needs: imagemagick, fonts-wqy-microhei.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="${1:-$ROOT/assets/pictures}"
FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$FONT" ] || { echo "make_pictures: $FONT missing (apt-get install fonts-wqy-microhei)" >&2; exit 1; }
command -v convert >/dev/null || { echo "make_pictures: ImageMagick missing" >&2; exit 1; }
mkdir -p "$OUT"

# Baseline (not progressive), YCbCr 4:2:0, no metadata, and a JFIF header that says
# 96 dpi: the runtime's JPEG decoder relies on nothing more.
jpeg_out() {
    convert "$@" -strip -colorspace sRGB -type TrueColor -interlace none \
        -sampling-factor 2x2,1x1,1x1 -quality 92 \
        -units PixelsPerInch -density 96 "JPEG:$OUT_FILE"
}

# --- logo: a white flame on the panel's blue --------------------------------------
# Outer silhouette with a tongue on either flank, and a blue inner flame cut out of it
# near the base. Drawn at 2x and scaled down for smooth edges.
FLAME='M 424,956
       C 260,956 150,846 154,690
       C 158,566 222,476 268,392
       C 282,462 312,508 356,526
       C 334,404 384,252 484,124
       C 496,236 560,330 606,430
       C 640,398 666,350 674,294
       C 736,398 724,560 702,690
       C 690,846 588,956 424,956 Z'
INNER='M 424,890
       C 338,890 290,828 296,748
       C 302,670 362,610 398,520
       C 424,604 500,652 530,724
       C 566,812 520,890 424,890 Z'
OUT_FILE="$OUT/logo.jpg" jpeg_out \
    -size 848x1068 xc:'#1683C4' \
    -fill white -draw "path '$FLAME'" \
    -fill '#1683C4' -draw "path '$INNER'" \
    -resize 424x534\!

# --- install button: flat face, thin light frame, centred white text --------------
# $1 face colour, $2 frame colour, $3 text, $4 output name
button() {
    OUT_FILE="$OUT/$4" jpeg_out \
        -size 220x80 xc:"$1" \
        -fill none -stroke "$2" -strokewidth 2 -draw 'rectangle 1,1 218,78' \
        -stroke none -fill white -font "$FONT" -pointsize 34 \
        -gravity center -annotate +0+0 "$3"
}
button '#1A93B8' '#9AD8F2' '安装' install_normal.jpg
button '#8AAAB8' '#CFE0E8' '安装' install_hover.jpg
button '#1A93B8' '#9AD8F2' '完 成' completion.jpg

for f in logo install_normal install_hover completion; do
    identify -format '%f %wx%h %[jpeg:sampling-factor] %x %U %[interlace] %B bytes\n' "$OUT/$f.jpg"
done
