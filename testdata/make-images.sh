#!/usr/bin/env bash
# Makes the fixture disk images of Quenzar Salvage into testdata/images/ (compressed with xz)
# together with testdata/images/manifest.tsv. See testdata/README.md.
#
# Run as root: the NTFS volumes are filled through the ntfs-3g FUSE driver. Every volume is
# built as a file of its own (ntfs-3g mounts an image file directly, mtools writes FAT without
# mounting) and then copied into its disk image. One loop device is attached for a moment:
# sgdisk takes the sector size from the device, so the GPT of the disk of 4,096-byte sectors is
# written on a loop device of that sector size. Everything happens in a temporary folder that is
# removed at the end; FUSE mounts and loop devices left by an interrupted run are undone on exit.
#
# Needs (Debian packages): ntfs-3g, fdisk (sfdisk), gdisk (sgdisk), dosfstools (mkfs.fat),
# mtools, faketime (libfaketime), sleuthkit, xz-utils, python3.
#
# Usage: sudo testdata/make-images.sh            (about three minutes)
#        QZ_KEEP_WORK=1 testdata/make-images.sh  keeps the work folder for inspection
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out="$here/images"

if [[ $EUID -ne 0 ]]; then
    echo "make-images.sh: must run as root (ntfs-3g FUSE mounts)" >&2
    exit 1
fi

missing=()
for tool in mkntfs ntfs-3g ntfsinfo ntfsfix sfdisk sgdisk mkfs.fat mcopy mmd fls istat icat mmls fsstat xz \
            python3 findmnt umount losetup blockdev; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if ! compgen -G '/usr/lib/*/faketime/libfaketime.so.1' >/dev/null &&
   [[ ! -e /usr/lib/faketime/libfaketime.so.1 ]]; then
    missing+=("libfaketime")
fi
if [[ ! -e /dev/fuse ]]; then
    missing+=("/dev/fuse")
fi
if (( ${#missing[@]} )); then
    echo "make-images.sh: missing: ${missing[*]}" >&2
    echo "  apt-get install -y ntfs-3g fdisk gdisk dosfstools mtools faketime sleuthkit xz-utils python3" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quenzar-images.XXXXXX")

cleanup() {
    local rc=$?
    set +e +o pipefail
    # FUSE mounts below the work folder (left when the builder was interrupted), deepest first
    findmnt -rn -o TARGET 2>/dev/null | grep -F "$work/" | sort -r | while read -r m; do
        umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true
    done
    # loop devices (the builder detaches its own; one left by an interrupted run points here)
    losetup -nO NAME,BACK-FILE 2>/dev/null | while read -r dev file; do
        if [[ $file == "$work/"* ]]; then losetup -d "$dev" 2>/dev/null || true; fi
    done
    if [[ ${QZ_KEEP_WORK:-} == 1 ]]; then
        echo "make-images.sh: work folder kept: $work" >&2
    else
        rm -rf "$work"
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export LC_ALL=C.UTF-8 TZ=UTC
start=$(date +%s)

python3 "$here/make_images.py" --work "$work" --out "$work/out"

# Compress (xz -9, single-threaded so that the output is reproducible), two at a time.
mkdir -p "$out"
pids=()
for img in "$work"/out/*.img; do
    name=$(basename "$img")
    ( xz -9 -T1 -c "$img" > "$work/$name.xz" ) &
    pids+=($!)
    if (( ${#pids[@]} >= 2 )); then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
done
for p in "${pids[@]}"; do wait "$p"; done

# Replace the committed set: new images, manifest; images no longer made are removed.
for old in "$out"/*.img.xz; do
    [[ -e $old ]] || continue
    [[ -e "$work/$(basename "$old")" ]] || rm -f "$old"
done
for x in "$work"/*.img.xz; do
    if ! cmp -s "$x" "$out/$(basename "$x")"; then
        mv -f "$x" "$out/$(basename "$x")"
    fi
done
if ! cmp -s "$work/out/manifest.tsv" "$out/manifest.tsv"; then
    cp "$work/out/manifest.tsv" "$out/manifest.tsv"
fi

echo "make-images.sh: done in $(( $(date +%s) - start )) s" >&2
ls -l "$out" >&2
