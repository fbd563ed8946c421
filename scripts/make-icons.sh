#!/usr/bin/env bash
# Draws the window's icons with ImageMagick and writes them as PNG into src/window/icons.
# The PNGs are kept in the repository, so building never needs ImageMagick; run this again
# after changing a drawing. Each icon is drawn on a 64-pixel grid and scaled down to 16 and
# 32 pixels (the "@2x" file serves screens with a device pixel ratio of 2).
set -euo pipefail
cd "$(dirname "$0")/.."
out=src/window/icons
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# draw NAME DRAW-ARGUMENTS...: one 64x64 drawing on a transparent canvas.
draw() {
    local name=$1
    shift
    convert -size 64x64 xc:none "$@" "$work/$name.png"
}

# small NAME: the 16 and 32 pixel versions of a drawing.
small() {
    convert "$work/$1.png" -filter Lanczos -resize 16x16 "$out/$1.png"
    convert "$work/$1.png" -filter Lanczos -resize 32x32 "$out/$1@2x.png"
}

# A yellow folder, its front flap open.
draw open \
    -stroke '#7a5c00' -strokewidth 3 -fill '#e9b93a' \
    -draw "path 'M5,14 L24,14 L30,20 L57,20 L57,54 L5,54 Z'" \
    -fill '#ffe07a' -draw "path 'M5,54 L14,28 L63,28 L57,54 Z'"

# A floppy disk.
draw save \
    -stroke '#1d2f5c' -strokewidth 3 -fill '#3c64b4' \
    -draw "path 'M6,6 L50,6 L58,14 L58,58 L6,58 Z'" \
    -stroke none -fill '#e8edf5' -draw "rectangle 16,8 46,26" \
    -fill '#3c64b4' -draw "rectangle 36,11 42,23" \
    -fill '#ffffff' -stroke '#1d2f5c' -strokewidth 2 -draw "rectangle 14,36 50,56"

# A page of source text with coloured code lines: the source viewer.
draw view-source \
    -stroke '#505050' -strokewidth 3 -fill '#ffffff' \
    -draw "path 'M10,4 L42,4 L54,16 L54,60 L10,60 Z'" \
    -fill '#d8d8d8' -draw "path 'M42,4 L42,16 L54,16 Z'" \
    -stroke '#0000c0' -strokewidth 5 -draw "line 17,22 33,22" \
    -stroke '#008000' -draw "line 17,32 45,32" \
    -stroke '#0000c0' -draw "line 23,42 35,42" \
    -stroke '#c00000' -draw "line 38,42 47,42" \
    -stroke '#0000c0' -draw "line 17,52 37,52"

# A globe: the page in the browser.
draw view-page \
    -stroke '#174a8c' -strokewidth 3 -fill '#5aa0e6' -draw "circle 32,32 32,4" \
    -fill none -strokewidth 2.5 \
    -draw "ellipse 32,32 12,28 0,360" \
    -draw "line 32,4 32,60" -draw "line 4,32 60,32" \
    -draw "path 'M9,17 Q32,24 55,17'" -draw "path 'M9,47 Q32,40 55,47'" \
    -stroke none -fill '#3fa34d' \
    -draw "path 'M14,20 Q22,14 28,22 Q30,30 22,34 Q14,32 14,20 Z'" \
    -draw "path 'M38,36 Q48,32 50,42 Q44,52 36,48 Z'"

# A spiral notepad: plain text in the text editor.
draw view-text \
    -stroke '#505050' -strokewidth 3 -fill '#fffbe0' -draw "rectangle 10,10 54,60" \
    -stroke '#8a8a8a' -strokewidth 2 \
    -draw "line 16,24 48,24" -draw "line 16,33 48,33" -draw "line 16,42 48,42" -draw "line 16,51 40,51" \
    -stroke '#303030' -strokewidth 3 -fill none \
    -draw "ellipse 18,10 3,6 180,360" -draw "ellipse 28,10 3,6 180,360" \
    -draw "ellipse 38,10 3,6 180,360" -draw "ellipse 48,10 3,6 180,360"

# A red octagon with a white bar: stop the conversion.
draw stop \
    -stroke '#6e0000' -strokewidth 3 -fill '#d82020' \
    -draw "polygon 20,3 44,3 61,20 61,44 44,61 20,61 3,44 3,20" \
    -stroke none -fill '#ffffff' -draw "roundrectangle 13,27 51,37 3,3"

# Source text going in: a page with a "VB" mark.
draw source-text \
    -stroke '#505050' -strokewidth 3 -fill '#ffffff' \
    -draw "path 'M10,4 L42,4 L54,16 L54,60 L10,60 Z'" \
    -fill '#d8d8d8' -draw "path 'M42,4 L42,16 L54,16 Z'" \
    -stroke none -fill '#1d4fa8' -draw "roundrectangle 14,26 50,52 4,4" \
    -fill '#ffffff' -font DejaVu-Sans-Bold -pointsize 22 -gravity center -annotate +0+7 'VB'

# Coloured markup coming out: angle brackets in the class colours.
draw html-text \
    -stroke '#505050' -strokewidth 3 -fill '#ffffff' \
    -draw "path 'M10,4 L42,4 L54,16 L54,60 L10,60 Z'" \
    -fill '#d8d8d8' -draw "path 'M42,4 L42,16 L54,16 Z'" \
    -fill none -strokewidth 6 -stroke '#0000c0' -draw "polyline 27,24 17,34 27,44" \
    -stroke '#c00000' -draw "polyline 37,24 47,34 37,44" \
    -stroke '#008000' -strokewidth 5 -draw "line 34,20 30,48"

# The program: a quill over a coloured page.
draw quillon \
    -stroke '#404040' -strokewidth 3 -fill '#ffffff' -draw "rectangle 6,10 44,60" \
    -stroke '#0000c0' -strokewidth 4 -draw "line 12,20 30,20" \
    -stroke '#008000' -draw "line 12,29 36,29" \
    -stroke '#c00000' -draw "line 16,38 30,38" \
    -stroke '#0000c0' -draw "line 12,47 26,47" \
    -stroke '#6b3d0c' -strokewidth 2 -fill '#f3e2b8' \
    -draw "path 'M60,2 Q40,10 30,38 L34,40 Q52,22 60,2 Z'" \
    -stroke '#6b3d0c' -strokewidth 3 -draw "line 33,38 25,54"

for name in open save view-source view-page view-text stop source-text html-text; do
    small "$name"
done
for size in 16 32 48 64; do
    convert "$work/quillon.png" -filter Lanczos -resize ${size}x${size} "$out/quillon-$size.png"
done
echo "Icons written to $out"
