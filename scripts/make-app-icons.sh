#!/usr/bin/env bash
# Renders the program's icon for the desktop (packaging/icons/quillon.svg) as the 48 and
# 256 pixel PNGs installed beside it in share/icons/hicolor. The PNGs are kept in the
# repository, so building and installing never need the renderer (librsvg2-bin); run this
# again after changing the drawing.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=packaging/icons
for size in 48 256; do
    rsvg-convert --width "$size" --height "$size" --output "$icons/quillon-$size.png" "$icons/quillon.svg"
done
echo "Icons written to $icons"
