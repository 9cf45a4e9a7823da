#!/usr/bin/env bash
# Draws the picture of the about screen (bitmap 1301). The window copies it to client position
# (15, 5) and writes its texts over it: the slogan from (305, 15) of the picture, the description
# from (215, 47), the contact block from (11, 200) and the service text from (-3, 335). So the
# picture keeps those places plain white and puts its drawing around them: the emblem (a disk
# platter with the head arm and the recovery arrow) in the top left corner, thin rules that frame
# the text columns, and a quiet band of sector-grid marks along the bottom edge.
#
# Usage: src/resources/make-about-picture.sh [output.bmp]   (needs ImageMagick's convert)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/about.bmp}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

width=980
height=580

# The emblem, drawn at 360 px and reduced to 170 px so its edges come out smooth.
convert -size 360x360 xc:none \
  -fill '#2b3440' -stroke '#10151b' -strokewidth 8 -draw 'roundrectangle 40,12 320,348 30,30' \
  -fill '#d5dce4' -stroke '#6b7785' -strokewidth 6 -draw 'circle 180,158 180,36' \
  -fill none -stroke '#aab4c0' -strokewidth 3 -draw 'circle 180,158 180,66' \
  -fill none -stroke '#bcc5cf' -strokewidth 2 -draw 'circle 180,158 180,96' \
  -fill '#4a5563' -stroke '#10151b' -strokewidth 5 -draw 'circle 180,158 180,130' \
  -stroke '#e6b422' -strokewidth 18 -draw 'line 282,300 212,184' \
  -fill '#e6b422' -stroke '#10151b' -strokewidth 4 -draw 'circle 282,300 282,278' \
  -fill '#7d8894' -stroke none -draw 'rectangle 68,314 136,330' \
  -fill none -stroke '#0b3d12' -strokewidth 40 -draw 'arc 24,206 164,346 200,470' \
  -fill none -stroke '#34b545' -strokewidth 26 -draw 'arc 24,206 164,346 200,470' \
  -fill '#34b545' -stroke '#0b3d12' -strokewidth 6 -draw 'polygon 0,232 70,232 36,292' \
  -filter Lanczos -resize 170x170 "$work/emblem.png"

# The bottom band: rows of small squares, a few of them green, like a map of sectors read back.
convert -size ${width}x36 xc:white \
  -fill '#e3e7ec' -draw "$(for x in $(seq 4 14 976); do for y in 6 20; do
      printf 'rectangle %d,%d %d,%d ' "$x" "$y" $((x + 9)) $((y + 9)); done; done)" \
  -fill '#9fd8a7' -draw "$(for x in 116 242 256 494 508 522 746 872; do
      printf 'rectangle %d,6 %d,15 ' "$x" $((x + 9)); done)" \
  "$work/band.png"

convert -size ${width}x${height} xc:white \
  "$work/emblem.png" -geometry +18+10 -composite \
  "$work/band.png" -geometry +0+$((height - 40)) -composite \
  -stroke '#1faa06' -strokewidth 2 -draw "line 215,41 960,41" \
  -stroke '#b9c1ca' -strokewidth 1 -draw "line 205,12 205,318" \
  -stroke '#b9c1ca' -strokewidth 1 -draw "line 0,326 960,326" \
  -type Palette -colors 256 BMP3:"$out"
echo "wrote $out"
