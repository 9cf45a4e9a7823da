#!/usr/bin/env bash
# Makes (once, cached in build/bench/) a large NTFS volume for the benchmarks and prints its path.
#
#   sudo bench/make-large-volume.sh [FILES] [FOLDERS] [BIG]
#
# mkntfs formats the image and the ntfs-3g FUSE driver fills it: FOLDERS folders "dirNNNNN" with
# FILES small files spread over them, and, when BIG is given, one more folder "big" holding BIG
# files of its own; every third file is deleted again. Filling a million files through FUSE takes
# a good while.
set -euo pipefail
cd "$(dirname "$0")/.."

files=${1:-1000000}
folders=${2:-10000}
big=${3:-0}
[[ $EUID -eq 0 ]] || { echo "make-large-volume.sh: run as root (ntfs-3g mounts the volume)" >&2; exit 1; }
for tool in mkntfs ntfs-3g python3; do
  command -v "$tool" >/dev/null || { echo "make-large-volume.sh: needs $tool (ntfs-3g, python3)" >&2; exit 1; }
done

work=build/bench
mkdir -p "$work"
image="$work/ntfs-${files}-${folders}.img"
[[ $big -eq 0 ]] || image="$work/ntfs-${files}-${folders}-big${big}.img"
if [[ ! -f "$image" ]]; then
  # About 1 KiB of MFT per file and a few clusters of folder index per folder.
  size_mib=$(( ((files + big) * 2 + folders * 64) / 1024 + 256 ))
  truncate -s "${size_mib}M" "$image.part"
  mkntfs -F -Q -q -c 4096 "$image.part"
  mnt=$(mktemp -d)
  ntfs-3g -o big_writes "$image.part" "$mnt"
  trap 'umount "$mnt" 2>/dev/null || true; rmdir "$mnt" 2>/dev/null || true' EXIT
  echo "== filling $image: $files files in $folders folders, $big in one more (a third deleted again)" >&2
  python3 - "$mnt" "$files" "$folders" "$big" <<'PY'
import os, sys
root, files, folders, big = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
dirs = [os.path.join(root, "dir%05d" % d) for d in range(folders)]
for d in dirs:
    os.mkdir(d)
paths = [os.path.join(dirs[i % folders], "file%07d.doc" % i) for i in range(files)]
if big:
    os.mkdir(os.path.join(root, "big"))
    paths += [os.path.join(root, "big", "big%07d.txt" % i) for i in range(big)]
for i, path in enumerate(paths):
    with open(path, "wb") as f:
        f.write(b"x" * (i % 300))
for path in paths[::3]:
    os.unlink(path)
PY
  umount "$mnt"; rmdir "$mnt"; trap - EXIT
  mv "$image.part" "$image"
fi
echo "$image"
