#!/usr/bin/env bash
# Runs the Windows test program under Wine and judges the run by two signs that must agree: the
# exit code and the closing line "N passed, N failed". A run that ends without that line (Wine
# could not start the program, it crashed) fails even when the exit code says 0.
#
#   check-run.sh WINE_RUN PROGRAM.exe                        every case must pass
#   check-run.sh WINE_RUN PROGRAM.exe --harness-self-check   the harness's deliberate failure
#                                                            must come out as "1 passed, 1 failed"
#                                                            and a non-zero exit code
set -uo pipefail
wine_run=$1
program=$2
shift 2

# Pictures of the screens: the program writes BMP files into QUENZAR_SCREENSHOT_DIR when it is
# set; they are kept as PNG files for people to look at.
screenshots=${QUENZAR_SCREENSHOT_DIR:-}
[[ -n "$screenshots" ]] && mkdir -p "$screenshots"

# The whole run may take long on a loaded machine; each case has its own, shorter limit inside
# the program, so a case that hangs is named long before this one is reached.
output=$("$wine_run" --timeout "${WINE_SUITE_SECONDS:-1500}" "$program" "$@")
status=$?

if [[ -n "$screenshots" ]] && command -v convert >/dev/null 2>&1; then
  for picture in "$screenshots"/*.bmp; do
    [[ -e "$picture" ]] || continue
    convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
  done
fi
printf '%s\n' "$output"
# Windows programs end their lines with CR LF.
closing=$(printf '%s\n' "$output" | tr -d '\r' | tail -n 1)

if [[ "${1:-}" == --harness-self-check ]]; then
  if ((status != 0)) && [[ "$closing" == "1 passed, 1 failed" ]]; then exit 0; fi
  echo "check-run: a failing case was not reported as such (exit code $status, last line '$closing')" >&2
  exit 1
fi
if ((status == 0)) && [[ "$closing" =~ ^[1-9][0-9]*\ passed,\ 0\ failed$ ]]; then exit 0; fi
echo "check-run: exit code $status, last line '$closing'" >&2
exit 1
