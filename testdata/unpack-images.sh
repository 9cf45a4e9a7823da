#!/usr/bin/env bash
# Unpacks the fixture disk images testdata/images/*.img.xz into OUTDIR as sparse files, and
# copies the manifest beside them (OUTDIR/manifest.tsv). No root needed.
#
# Idempotent and fast: an image is unpacked again only when its .xz changed, or when the
# unpacked copy is missing or was changed (size or modification time differ from what was
# recorded after unpacking it), so a test that wrote to an image gets a fresh copy next time.
#
# Usage: testdata/unpack-images.sh [--verify] OUTDIR
#   --verify   also check every unpacked image against the MD5 in the manifest
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src="$here/images"

verify=0
if [[ ${1:-} == --verify ]]; then
    verify=1
    shift
fi
if [[ $# -ne 1 || -z $1 ]]; then
    echo "usage: $0 [--verify] OUTDIR" >&2
    exit 2
fi
outdir=$1
command -v xz >/dev/null 2>&1 || { echo "unpack-images.sh: xz not found (package xz-utils)" >&2; exit 1; }

shopt -s nullglob
images=("$src"/*.img.xz)
if (( ${#images[@]} == 0 )); then
    echo "unpack-images.sh: no images in $src (run testdata/make-images.sh as root)" >&2
    exit 1
fi

mkdir -p "$outdir"
stamps="$outdir/.stamps"
mkdir -p "$stamps"

unpacked=0
for xzf in "${images[@]}"; do
    name=$(basename "$xzf" .xz)
    dst="$outdir/$name"
    stamp="$stamps/$name"
    sum=$(cksum < "$xzf")
    if [[ -f $dst && -f $stamp ]]; then
        want=$(<"$stamp")
        have="$sum $(stat -c '%s %Y' "$dst")"
        [[ $want == "$have" ]] && continue
    fi
    tmp="$dst.unpacking.$$"
    trap 'rm -f "$tmp"' EXIT
    # cp reads the pipe through /dev/stdin and writes zero blocks as holes
    # shellcheck disable=SC2216
    xz -dc "$xzf" | cp --sparse=always /dev/stdin "$tmp"
    chmod 0644 "$tmp"
    mv -f "$tmp" "$dst"
    trap - EXIT
    echo "$sum $(stat -c '%s %Y' "$dst")" > "$stamp"
    unpacked=$((unpacked + 1))
done

if ! cmp -s "$src/manifest.tsv" "$outdir/manifest.tsv" 2>/dev/null; then
    cp "$src/manifest.tsv" "$outdir/manifest.tsv.tmp.$$"
    mv -f "$outdir/manifest.tsv.tmp.$$" "$outdir/manifest.tsv"
fi

if (( verify )); then
    bad=0
    while IFS=$'\t' read -r kind rest; do
        [[ $kind == image ]] || continue
        name=$(sed -n 's/.*\bname=\([^\t]*\).*/\1/p' <<<"$rest")
        md5=$(sed -n 's/.*\bmd5=\([0-9a-f]*\).*/\1/p' <<<"$rest")
        got=$(md5sum < "$outdir/$name" | cut -d' ' -f1)
        if [[ $got != "$md5" ]]; then
            echo "unpack-images.sh: $name: MD5 $got, manifest says $md5" >&2
            bad=1
        fi
    done < "$outdir/manifest.tsv"
    (( bad == 0 )) || exit 1
fi

echo "unpack-images.sh: ${#images[@]} image(s) in $outdir, $unpacked unpacked"
