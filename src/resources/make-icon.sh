#!/usr/bin/env bash
# Draws the program icon (icon group 500): a hard disk with its platter and head arm, and a green
# arrow turning back to it for recovery. Drawn once at 256 px and reduced to the 48, 32 and 16 px
# images of quenzar.ico, so every size keeps the same shapes.
#
# Usage: src/resources/make-icon.sh [output.ico]   (needs ImageMagick's convert)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/quenzar.ico}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The drive seen from above: a dark body with a light platter, the spindle and the head arm.
convert -size 256x256 xc:none \
  -fill '#2b3440' -stroke '#10151b' -strokewidth 6 -draw 'roundrectangle 28,8 228,248 22,22' \
  -fill '#c9d1da' -stroke '#6b7785' -strokewidth 5 -draw 'circle 128,112 128,26' \
  -fill none -stroke '#a7b1bd' -strokewidth 3 -draw 'circle 128,112 128,54' \
  -fill '#4a5563' -stroke '#10151b' -strokewidth 4 -draw 'circle 128,112 128,92' \
  -stroke '#e6b422' -strokewidth 14 -draw 'line 200,214 150,130' \
  -fill '#e6b422' -stroke '#10151b' -strokewidth 3 -draw 'circle 200,214 200,198' \
  -fill '#7d8894' -stroke none -draw 'rectangle 48,224 96,236' \
  "$work/disk.png"

# The recovery arrow: a thick green arc with its head, in the lower left corner over the body.
convert -size 256x256 xc:none \
  -fill none -stroke '#0b3d12' -strokewidth 30 -draw 'arc 20,150 120,250 200,470' \
  -fill none -stroke '#34b545' -strokewidth 20 -draw 'arc 20,150 120,250 200,470' \
  -fill '#34b545' -stroke '#0b3d12' -strokewidth 5 -draw 'polygon 2,170 52,170 28,214' \
  "$work/arrow.png"

convert "$work/disk.png" "$work/arrow.png" -composite "$work/icon256.png"
for size in 48 32 16; do
  convert "$work/icon256.png" -filter Lanczos -resize ${size}x${size} \
    $([ "$size" = 16 ] && echo "-unsharp 0x0.6+0.8") "$work/icon$size.png"
done
convert "$work/icon48.png" "$work/icon32.png" "$work/icon16.png" "$out"
echo "wrote $out"
