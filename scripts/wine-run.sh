#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine on a screen of its own, for tests and for people.
#
#   scripts/wine-run.sh [OPTIONS] [--] PROGRAM.exe [ARGUMENTS...]
#
# Options (each has an environment variable of the same meaning; the option wins):
#   --timeout SECONDS      WINE_RUN_TIMEOUT            end the program after this long (default 300)
#   --screenshot FILE.png  WINE_RUN_SCREENSHOT         take a picture of the screen while it runs
#   --delay SECONDS        WINE_RUN_SCREENSHOT_DELAY   ... this long after the start (default 5)
#   --screen WxH           WINE_RUN_SCREEN             size of the virtual desktop (default 1024x768)
#   --verbose              WINE_RUN_VERBOSE=1          say what is done and how long each step takes
#                          WINE_RUN_DPI                the screen's dots per inch (default 96)
#
# Every run gets a fresh Wine prefix in a temporary folder and its own Xvfb display; both are
# removed when the run ends, whatever way it ends. The program runs with the Russian UTF-8 locale
# (so the program sees a Russian user and code page 1251), Wine's messages silenced, a virtual
# desktop, and "Courier New" drawn with Liberation Mono.
#
# Environment: every variable reaches the program (Wine passes the environment through). Wine sees
# the Linux file system as drive Z:, so a path "/data/disk.img" is "Z:\data\disk.img" for the
# program. In QUENZAR_DISK_IMAGES ("image;image;...") items that start with "/" are rewritten that
# way, so both forms may be given:
#   QUENZAR_DISK_IMAGES=/data/disk0.img scripts/wine-run.sh build/win64/src/QuenzarSalvage.exe
# Relative paths stay as they are: the program starts in the caller's current folder (as Z:\...),
# and Windows takes "/" as a folder separator in paths.
#
# A first run of a prefix takes some 10 to 15 s (wineboot); the program's own time comes on top.
#
# Exit code: the program's own. 124 when it ran out of time. In screenshot mode a program still
# running after the picture is ended and the run counts as successful (0) if the picture was taken.
# 125 when the run could not be set up (a missing tool or locale, no display), 126 when the program
# cannot run here (a 32-bit program without a 32-bit Wine).
set -uo pipefail

die() {  # die CODE MESSAGE
  echo "wine-run: $2" >&2
  exit "$1"
}

usage() {
  sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
  exit 125
}

timeout_seconds=${WINE_RUN_TIMEOUT:-300}
screenshot=${WINE_RUN_SCREENSHOT:-}
screenshot_delay=${WINE_RUN_SCREENSHOT_DELAY:-5}
screen=${WINE_RUN_SCREEN:-1024x768}
verbose=${WINE_RUN_VERBOSE:-0}
while (($#)); do
  case "$1" in
    --timeout) timeout_seconds=${2:?}; shift 2 ;;
    --screenshot) screenshot=${2:?}; shift 2 ;;
    --delay) screenshot_delay=${2:?}; shift 2 ;;
    --screen) screen=${2:?}; shift 2 ;;
    --verbose) verbose=1; shift ;;
    -h|--help) usage ;;
    --) shift; break ;;
    -*) echo "wine-run: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
(($# >= 1)) || usage
program=$1
shift
[[ -f "$program" ]] || die 125 "no such program: $program"
[[ "$screen" =~ ^[0-9]+x[0-9]+$ ]] || die 125 "screen size must be WxH, not '$screen'"
[[ "$timeout_seconds" =~ ^[1-9][0-9]*$ ]] || die 125 "the timeout must be a whole number of seconds"
[[ "$screenshot_delay" =~ ^[0-9]+$ ]] || die 125 "the screenshot delay must be a whole number of seconds"

started_ms=$(($(date +%s%N) / 1000000))
say() {  # say MESSAGE: progress with the seconds since the start, when verbose
  ((verbose)) || return 0
  local elapsed_ms=$(($(date +%s%N) / 1000000 - started_ms))
  printf 'wine-run: %3d.%01d s  %s\n' $((elapsed_ms / 1000)) $((elapsed_ms % 1000 / 100)) "$1" >&2
}

# --- What this machine must have --------------------------------------------------------------

# The 64-bit loader and server directly: the /usr/bin wrappers of Debian first look for a 32-bit
# Wine and complain on every call when it is missing.
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[[ -x "$wine" ]] || wine=$(command -v wine64 || command -v wine || true)
[[ -x "$wineserver" ]] || wineserver=$(command -v wineserver || true)
[[ -n "$wine" && -n "$wineserver" ]] || die 125 "Wine is not installed (Debian: apt-get install wine wine64)"
for tool in Xvfb timeout; do
  command -v "$tool" >/dev/null || die 125 "$tool is not installed"
done
if [[ -n "$screenshot" ]]; then
  command -v import >/dev/null || die 125 "screenshots need ImageMagick's import (apt-get install imagemagick)"
fi
if ! locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
  die 125 "the locale ru_RU.UTF-8 is missing: as root, add 'ru_RU.UTF-8 UTF-8' to /etc/locale.gen and run locale-gen (scripts/install-deps.sh test does this)"
fi

# A 32-bit program needs the 32-bit Wine, which a 64-bit-only installation lacks: it would not
# start at all, and its silent failure must not look like a result.
pe_machine() {  # the machine field of a PE file's header, as 4 hex digits
  local header_offset
  header_offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [[ -n "$header_offset" ]] || return 0
  od -An -t x2 -j $((header_offset + 4)) -N 2 "$1" 2>/dev/null | tr -d ' '
}
if [[ "$(pe_machine "$program")" == 014c && ! -e /usr/lib/wine/wine ]]; then
  die 126 "$program is a 32-bit program and this Wine runs only 64-bit programs (wine32 is not installed)"
fi

# --- The run's own folder, display and prefix, and their removal ---------------------------------

work=$(mktemp -d "${TMPDIR:-/tmp}/wine-run.XXXXXX") || die 125 "cannot make a temporary folder"
xvfb_pid=
program_pid=
run_prefix=  # set once the run's own prefix is in use; a caller's WINEPREFIX is never touched
cleanup() {
  if [[ -n "$run_prefix" && -d "$run_prefix" ]]; then
    WINEPREFIX=$run_prefix "$wineserver" -k >/dev/null 2>&1
    WINEPREFIX=$run_prefix timeout 10 "$wineserver" -w >/dev/null 2>&1
  fi
  if [[ -n "$program_pid" ]]; then
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
  fi
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A free display number: neither a socket nor a lock file of a running X server. Xvfb says when it
# is ready by writing the number to the file given with -displayfd; if another server took the
# number in the meantime Xvfb ends at once and the next number is tried.
start_xvfb() {
  local number ready=$work/xvfb-ready
  for ((number = 90; number < 400; number++)); do
    [[ -e /tmp/.X11-unix/X$number || -e /tmp/.X$number-lock ]] && continue
    : >"$ready"
    Xvfb ":$number" -screen 0 "${screen}x24" -nolisten tcp -noreset -displayfd 3 \
      3>"$ready" </dev/null >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local tries
    for ((tries = 0; tries < 100; tries++)); do
      if [[ -s "$ready" ]]; then
        export DISPLAY=":$number"
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
  done
  return 1
}
start_xvfb || die 125 "could not start Xvfb (last log: $(tail -n 3 "$work/xvfb.log" 2>/dev/null))"
say "Xvfb ready on $DISPLAY"

run_prefix=$work/prefix
export WINEPREFIX=$run_prefix
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installers, no menu entries written into the user's home folder.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ru_RU.UTF-8
unset LANGUAGE

# First start of the prefix: wineboot creates it; the server's end means it is fully written.
timeout 180 "$wine" wineboot --init </dev/null >"$work/wineboot.log" 2>&1
timeout 60 "$wineserver" -w
[[ -f "$WINEPREFIX/system.reg" ]] || die 125 "Wine could not create its prefix: $(tail -n 3 "$work/wineboot.log")"
say "prefix created"

# Wine's own fonts beside the Windows fonts, as a Windows installation has its fonts there.
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*; do
  [[ -e "$font" && ! -e "$fonts/${font##*/}" ]] && ln -s "$font" "$fonts/"
done

cat >"$work/settings.reg" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="$screen"

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"Courier New"="Liberation Mono"
EOF
# WINE_RUN_DPI: the screen's dots per inch (96 unless set), to see the windows as a user with
# larger system fonts sees them.
if [[ -n "${WINE_RUN_DPI:-}" ]]; then
  [[ "$WINE_RUN_DPI" =~ ^[1-9][0-9]*$ ]] || die 125 "WINE_RUN_DPI must be a whole number"
  dpi_hex=$(printf '%08x' "$WINE_RUN_DPI")
  cat >>"$work/settings.reg" <<EOF

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:$dpi_hex

[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]
"LogPixels"=dword:$dpi_hex
EOF
fi
timeout 60 "$wine" regedit /S "$work/settings.reg" </dev/null >/dev/null 2>&1
timeout 60 "$wineserver" -w
say "settings written"

# Linux paths of disk images as the program sees them.
if [[ -n "${QUENZAR_DISK_IMAGES:-}" ]]; then
  IFS=';' read -r -a images <<<"$QUENZAR_DISK_IMAGES"
  for index in "${!images[@]}"; do
    item=${images[$index]}
    [[ "$item" == /* ]] && images[$index]="Z:${item//\//\\}"
  done
  QUENZAR_DISK_IMAGES=$(IFS=';'; echo "${images[*]}")
  export QUENZAR_DISK_IMAGES
fi

# --- The run -----------------------------------------------------------------------------------

# The program goes by its Windows path, with backslashes: a "/" in its command line would mean
# something to the program (the desktop program takes it as the switch to English).
program_dir=$(cd "$(dirname "$program")" && pwd)
windows_program="Z:${program_dir//\//\\}\\$(basename "$program")"
say "starting $windows_program"

timeout --kill-after=10 "$timeout_seconds" "$wine" "$windows_program" "$@" </dev/null &
program_pid=$!

status=
if [[ -n "$screenshot" ]]; then
  for ((waited = 0; waited < screenshot_delay * 10; waited++)); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! kill -0 "$program_pid" 2>/dev/null; then
    wait "$program_pid"
    status=$?
    program_pid=
    echo "wine-run: the program ended (exit code $status) before the screenshot" >&2
  fi
  if import -display "$DISPLAY" -window root "$screenshot" 2>"$work/import.log"; then
    say "screenshot written to $screenshot"
  else
    echo "wine-run: the screenshot failed: $(cat "$work/import.log")" >&2
    [[ -z "$status" ]] && status=1
  fi
  if [[ -n "$program_pid" ]]; then
    # The picture is what was asked for: a program still running is ended now.
    "$wineserver" -k >/dev/null 2>&1
    wait "$program_pid" 2>/dev/null
    program_pid=
    [[ -z "$status" ]] && status=0
  fi
else
  wait "$program_pid"
  status=$?
  program_pid=
  ((status == 124)) && echo "wine-run: the program did not end within $timeout_seconds s" >&2
fi
say "program ended with exit code $status"
exit "$status"
