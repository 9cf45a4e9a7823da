#!/usr/bin/env bash
# Times a whole analysis of a large NTFS volume against two other readers of the same volume.
#
#   sudo bench/analyze-bench.sh [FILES] [FOLDERS]     (default 1,000,000 files in 10,000 folders)
#
# Makes (once, cached in build/bench/, by make-large-volume.sh) an NTFS volume with mkntfs and
# fills it through the ntfs-3g FUSE driver: FOLDERS folders, FILES small files spread over them,
# every third file deleted again. Then, with the volume in the page cache, times
#   salvage analyze IMAGE --all-files --deleted --no-tree   (MFT read, extraction, tree, work file)
#   the same with the tree printed (to /dev/null)
#   ntfsundelete --scan IMAGE                     (lists deleted files only, no tree)
#   fls -r -p -d IMAGE                            (deleted entries with their paths)
# Filling a million files through FUSE takes a good while; the tests never run this.
set -euo pipefail
cd "$(dirname "$0")/.."

files=${1:-1000000}
folders=${2:-10000}
[[ $EUID -eq 0 ]] || { echo "analyze-bench.sh: run as root (ntfs-3g mounts the volume)" >&2; exit 1; }
for tool in ntfsundelete fls; do
  command -v "$tool" >/dev/null || { echo "analyze-bench.sh: needs $tool (ntfs-3g, sleuthkit, python3)" >&2; exit 1; }
done

work=build/bench
image=$(bench/make-large-volume.sh "$files" "$folders")

cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/linux -j "$(nproc)" --target salvage >/dev/null
salvage=build/linux/src/salvage

cat "$image" > /dev/null  # into the page cache, so that every reader starts equal
once() {  # once COMMAND...: wall time of one run, in seconds
  local start end
  start=$(date +%s.%N); "$@" > /dev/null 2>&1 || true; end=$(date +%s.%N)
  echo "$end - $start" | bc
}
seconds() {  # seconds COMMAND...: wall time of the second of two runs
  "$@" > /dev/null 2>&1 || true
  once "$@"
}
echo "== $files files in $folders folders"
ours=$(seconds "$salvage" analyze "$image" --all-files --deleted --no-tree --work-dir "$work")
printed=$(seconds "$salvage" analyze "$image" --all-files --deleted --work-dir "$work")
undelete=$(seconds ntfsundelete --scan "$image")
# fls takes minutes on a large volume: one run, the volume being in the page cache already.
fls_time=$(once fls -r -p -d "$image")
printf '%-44s %8.2f s\n' "salvage analyze (whole analysis)" "$ours" \
  "salvage analyze, the tree printed as well" "$printed" "ntfsundelete --scan" "$undelete" \
  "fls -r -p -d" "$fls_time"
printf 'fls / salvage analyze: %.1f times\n' "$(echo "$fls_time / $ours" | bc -l)"
