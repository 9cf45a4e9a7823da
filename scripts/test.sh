#!/usr/bin/env bash
# Builds everything and runs every test:
#   - natively: the core, `salvage` and the GoogleTest binary, run by ctest;
#   - natively again with AddressSanitizer and UndefinedBehaviorSanitizer: the same tests, where
#     any report fails its test;
#   - with MinGW-w64 (64-bit): QuenzarSalvage.exe, salvage.exe and the Windows test executable,
#     run by ctest under Wine on its own virtual screen;
#   - with MinGW-w64 (32-bit): QuenzarSalvage.exe, built only (it cannot run here);
#   - the Linux programs once more as a user builds them (Release), which must build cleanly too.
# Every build here treats a warning of our own code as an error (QUENZAR_WERROR); a user's build
# does not.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test

jobs=$(nproc)
configure() {  # configure DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENZAR_WERROR=ON "$@" >/dev/null
}

echo "== Linux build and tests"
configure build/linux
cmake --build build/linux -j "$jobs"
ctest --test-dir build/linux --output-on-failure -j "$jobs"

echo "== Linux tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure build/linux-sanitize -DQUENZAR_SANITIZE=ON
cmake --build build/linux-sanitize -j "$jobs" --target quenzar_tests salvage
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/linux-sanitize --output-on-failure -j "$jobs"
scripts/fuzz.sh 60

echo "== Windows 64-bit build and tests under Wine"
configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
cmake --build build/win64 -j "$jobs"
ctest --test-dir build/win64 --output-on-failure

echo "== Windows 32-bit build (build only; not run here)"
configure build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
cmake --build build/win32 -j "$jobs" --target QuenzarSalvage

echo "== Linux Release build"
configure build/linux-release -DCMAKE_BUILD_TYPE=Release
cmake --build build/linux-release -j "$jobs" --target salvage quenzar_tests
