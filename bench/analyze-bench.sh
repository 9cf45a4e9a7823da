#!/usr/bin/env bash
# Times a whole analysis of a large NTFS volume against two other readers of the same volume.
#
#   sudo bench/analyze-bench.sh [FILES] [FOLDERS]     (default 1,000,000 files in 10,000 folders)
#
# Makes (once, cached in build/bench/) an NTFS volume with mkntfs and fills it through the ntfs-3g
# FUSE driver: FOLDERS folders, FILES small files spread over them, every third file deleted
# again. Then, with the volume in the page cache, times
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
for tool in mkntfs ntfs-3g ntfsundelete fls python3; do
  command -v "$tool" >/dev/null || { echo "analyze-bench.sh: needs $tool (ntfs-3g, sleuthkit, python3)" >&2; exit 1; }
done

work=build/bench
mkdir -p "$work"
image="$work/ntfs-${files}-${folders}.img"
if [[ ! -f "$image" ]]; then
  # About 1 KiB of MFT per file and a few clusters of folder index per folder.
  size_mib=$(( (files * 2 + folders * 64) / 1024 + 256 ))
  truncate -s "${size_mib}M" "$image.part"
  mkntfs -F -Q -q -c 4096 "$image.part"
  mnt=$(mktemp -d)
  ntfs-3g -o big_writes "$image.part" "$mnt"
  trap 'umount "$mnt" 2>/dev/null || true; rmdir "$mnt" 2>/dev/null || true' EXIT
  echo "== filling $image: $files files in $folders folders (a third deleted again)"
  python3 - "$mnt" "$files" "$folders" <<'PY'
import os, sys
root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
dirs = [os.path.join(root, "dir%05d" % d) for d in range(folders)]
for d in dirs:
    os.mkdir(d)
for i in range(files):
    path = os.path.join(dirs[i % folders], "file%07d.doc" % i)
    with open(path, "wb") as f:
        f.write(b"x" * (i % 300))
for i in range(0, files, 3):
    os.unlink(os.path.join(dirs[i % folders], "file%07d.doc" % i))
PY
  umount "$mnt"; rmdir "$mnt"; trap - EXIT
  mv "$image.part" "$image"
fi

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
