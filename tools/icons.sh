#!/usr/bin/env bash
# Renders the program's icon (packaging/pxrq60.svg) as the PNG sizes of the
# hicolor theme into packaging/icons/<size>x<size>/pxrq60.png. The PNGs are
# committed, so the build needs no SVG renderer; run this again after
# changing the SVG (needs rsvg-convert: apt-get install librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "packaging/icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" packaging/pxrq60.svg -o "packaging/icons/${size}x${size}/pxrq60.png"
done
