#!/usr/bin/env bash
# Starts the desktop program itself under Wine with disk images attached and takes a picture of
# the screen after it has opened. The run passes when the picture shows the about screen: its
# green slogan is there (a refusal at start-up would show a message box instead).
#
#   program-run.sh WINE_RUN PROGRAM.exe PICTURE.png [ARGUMENTS...]
# QUENZAR_DISK_IMAGES must name the images.
set -uo pipefail
wine_run=$1
program=$2
picture=$3
shift 3

mkdir -p "$(dirname "$picture")"
rm -f "$picture"
"$wine_run" --screenshot "$picture" --delay 8 "$program" "$@"
status=$?
if ((status != 0)) || [[ ! -s "$picture" ]]; then
  echo "program-run: the run ended with code $status and no picture" >&2
  exit 1
fi

# Pixels close to the slogan's green (06 AA 1F).
green=$(convert "$picture" -fuzz 15% -fill black +opaque '#06AA1F' -fill white -opaque '#06AA1F' \
          -format '%[fx:round(mean*w*h)]' info:)
echo "program-run: $green pixels of the slogan's green in $picture"
if ((green < 1000)); then
  echo "program-run: the about screen is not shown" >&2
  exit 1
fi
