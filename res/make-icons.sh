#!/usr/bin/env bash
# Draws the program's icon (an open book with a red "繁" seal): 48x48 and 16x16 by hand with
# ImageMagick, the larger and in-between sizes from corvela.svg with rsvg-convert.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
convert -size 48x48 xc:none \
    -fill '#2b5797' -draw 'roundrectangle 2,6 45,43 5,5' \
    -fill '#fdfdf6' -draw 'polygon 6,10 23,13 23,40 6,37' -draw 'polygon 25,13 42,10 42,37 25,40' \
    -stroke '#9aa7b8' -strokewidth 1 -draw 'line 9,17 20,19' -draw 'line 9,22 20,24' \
    -draw 'line 9,27 20,29' -draw 'line 9,32 20,34' \
    -stroke none -fill '#c62828' -draw 'roundrectangle 27,16 40,33 2,2' \
    -fill white -font "$font" -stroke none -pointsize 12 -draw "text 28,29 '繁'" \
    -depth 8 -define png:color-type=6 corvela-48.png
convert -size 16x16 xc:none \
    -fill '#2b5797' -draw 'roundrectangle 0,2 15,14 2,2' \
    -fill '#fdfdf6' -draw 'polygon 2,4 7,5 7,13 2,12' -draw 'polygon 8,5 13,4 13,12 8,13' \
    -fill '#c62828' -draw 'rectangle 9,6 12,10' \
    -depth 8 -define png:color-type=6 corvela-16.png
for size in 22 24 32 64 128 256; do
    rsvg-convert -w "$size" -h "$size" corvela.svg -o "corvela-$size.png"
done
