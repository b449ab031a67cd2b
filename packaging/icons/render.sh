#!/usr/bin/env bash
# Renders the committed icons from setupq17.svg (Debian: librsvg2-bin,
# imagemagick): the desktop sizes, the about box's 121 x 104 picture and the
# Windows program's .ico.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$here/setupq17.svg" -o "$here/setupq17-$size.png"
done
rsvg-convert --page-width 121 --page-height 104 --left 8 --top 0 -w 104 -h 104 \
  "$here/setupq17.svg" -o "$root/src/ui/about/ProgramIcon.png"
# The Windows program's icon, every size in one file (Debian: imagemagick).
convert "$here"/setupq17-{16,24,32,48,64,128,256}.png "$here/setupq17.ico"
