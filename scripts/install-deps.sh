#!/usr/bin/env bash
# Installs what building, the demo and the tests need on a Debian machine.
#
#   scripts/install-deps.sh demo    the native build and the demo
#   scripts/install-deps.sh test    everything the test run needs (Windows builds, Wine, Xvfb, ...)
#
# As root the missing packages are installed with apt-get; otherwise the script names them and
# stops, so nothing is half set up.
set -euo pipefail

group=${1:-test}

demo_packages=(cmake make g++ xz-utils libcurl4-openssl-dev)
test_packages=(
  "${demo_packages[@]}"
  libgtest-dev libbenchmark-dev                       # core tests and benchmarks
  sleuthkit                                           # the independent NTFS and partition reader
  ntfs-3g fdisk                                       # volumes written by a real NTFS driver in tests
  clang libclang-rt-dev                               # the decoder's fuzz target (libFuzzer, sanitizers)
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix   # the Windows programs
  wine wine64 fonts-wine xvfb fonts-liberation locales # running them under Wine on a virtual screen
  imagemagick                                         # screenshots of the Windows program
)
case "$group" in
  demo) wanted=("${demo_packages[@]}") ;;
  test) wanted=("${test_packages[@]}") ;;
  *) echo "usage: $0 demo|test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

# Wine is run with a Russian UTF-8 locale, as the program's Russian users have it.
need_locale=0
if [[ "$group" == test ]] && ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  need_locale=1
fi

if ((${#missing[@]} == 0 && need_locale == 0)); then
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "Missing for '$group':" >&2
  ((${#missing[@]})) && echo "  sudo apt-get install -y ${missing[*]}" >&2
  ((need_locale)) && echo "  the locale ru_RU.UTF-8: sudo sh -c \"echo 'ru_RU.UTF-8 UTF-8' >> /etc/locale.gen && locale-gen\"" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if ((need_locale)) || ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  if [[ "$group" == test ]]; then
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ru_RU.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
fi
