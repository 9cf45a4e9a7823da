#!/usr/bin/env bash
# Builds the FILE record decoder's fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build/fuzz and runs it for a bounded time, starting from the
# committed seed corpus. Any crash, leak or sanitizer report fails the run; the input that caused
# it is kept as build/fuzz/crash-* (or leak-*, timeout-*) for reproducing:
#   build/fuzz/fuzz/file_record_fuzz build/fuzz/crash-...
#
# Usage: scripts/fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENZAR_FUZZ=ON >/dev/null
cmake --build build/fuzz --target file_record_fuzz -j "$(nproc)"

# New inputs the fuzzer finds go to build/fuzz/corpus, so that later runs on this machine start
# where this one ended; the committed seeds stay as they are.
mkdir -p build/fuzz/corpus
echo "== Fuzzing the FILE record decoder for ${seconds} s"
build/fuzz/fuzz/file_record_fuzz build/fuzz/corpus fuzz/corpus/file_record \
  -dict=fuzz/file_record.dict -use_value_profile=1 -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix=build/fuzz/ -print_final_stats=1 2>build/fuzz/fuzz.log || {
  tail -n 60 build/fuzz/fuzz.log >&2
  echo "fuzz.sh: the decoder failed under the fuzzer; see build/fuzz/fuzz.log" >&2
  exit 1
}
grep -E '^stat::number_of_executed_units|^stat::new_units_added|^Done' build/fuzz/fuzz.log || true
