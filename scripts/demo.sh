#!/usr/bin/env bash
# Builds the command-line program and runs it on the bundled demo disk: an MBR disk with NTFS
# and FAT partitions, folders, files in use and deleted.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh demo
cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/linux -j "$(nproc)" --target salvage

demo_dir=build/demo
mkdir -p "$demo_dir"
image="$demo_dir/mbr.img"
if [[ ! -f "$image" || testdata/images/mbr.img.xz -nt "$image" ]]; then
  xz -dc testdata/images/mbr.img.xz | cp --sparse=always /dev/stdin "$image"
fi

echo "== The demo disk as the disk layer sees it"
build/linux/src/salvage --image "$image" probe
echo
echo "== The disk inventory: partitions, file systems and the drive letters they get"
build/linux/src/salvage --image "$image" disks --lang en | grep -v "^ *$"  # empty disk slots left out
echo
echo "== The recovered folder tree of its first NTFS volume: every file, deleted and lost ones marked"
build/linux/src/salvage analyze "$image" --all-files --deleted --lang en --work-dir "$demo_dir"
echo
echo "== A test restore of its deleted files into $demo_dir/restored (small files in one fragment)"
rm -rf "$demo_dir/restored"
build/linux/src/salvage restore "$image" --deleted --lang en --work-dir "$demo_dir" --to "$demo_dir/restored"
