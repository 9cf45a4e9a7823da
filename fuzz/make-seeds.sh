#!/usr/bin/env bash
# Fills fuzz/corpus/file_record/ with the FILE records of the fixture images' NTFS volumes: every
# 1,024-byte record of each MFT that starts with "FILE", named by its content's MD5 so that equal
# records are kept once. The MFT is found through The Sleuth Kit's reading of record 0.
#
# Real records keep their attributes at the start of the record, far from its end, where the
# bounds of the decoder are. So for some of them a second seed holds the same attributes moved
# to the end of the record ("end-*"): a gap after the names (an attribute the walk steps over) or
# inside $STANDARD_INFORMATION, so that the last attribute ends right before the record's end.
#
# Usage: fuzz/make-seeds.sh FIXTUREDIR   (the unpacked images: testdata/unpack-images.sh FIXTUREDIR)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fixtures=${1:?usage: $0 FIXTUREDIR}
corpus="$here/corpus/file_record"
mkdir -p "$corpus"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The volumes of the richest images (the others repeat their system files), and the volume whose
# names reach the 255 characters a $FILE_NAME can hold.
volumes=("mbr.img 2048" "mbr.img 380928" "long-names.img 0")

for volume in "${volumes[@]}"; do
    read -r image start <<<"$volume"
    img="$fixtures/$image"
    cluster=$(fsstat -o "$start" "$img" | awk -F': ' '/^Cluster Size/ {print $2}')
    : >"$work/mft"
    # The runs of the MFT's $DATA: "Starting address: A, length: N".
    istat -r -o "$start" "$img" 0 | sed -n '/^Type: \$DATA/,/^Type:/p' |
        sed -n 's/^ *Starting address: \([0-9]*\), length: \([0-9]*\).*/\1 \2/p' |
        while read -r first count; do
            dd if="$img" bs="$cluster" skip=$((start * 512 / cluster + first)) count="$count" status=none >>"$work/mft"
        done
    split -b 1024 -a 4 -d "$work/mft" "$work/record."
    for record in "$work"/record.*; do
        if [[ $(head -c 4 "$record" | tr -d '\0') == FILE ]]; then
            cp "$record" "$corpus/$(md5sum "$record" | cut -c1-16)"
        fi
        rm "$record"
    done
done
# The first INDX block of folders of several sizes, the $INDEX_ALLOCATION's first cluster as istat
# gives it: the target also reads its whole input as one index block.
blocks=("mbr.img 2048 5" "mbr.img 2048 83" "lists.img 0 66" "lists.img 0 1574")
for block in "${blocks[@]}"; do
    read -r image start folder <<<"$block"
    img="$fixtures/$image"
    cluster=$(fsstat -o "$start" "$img" | awk -F': ' '/^Cluster Size/ {print $2}')
    first=$(istat -o "$start" "$img" "$folder" | sed -n '/^Type: \$INDEX_ALLOCATION/{n;p;q}' | awk '{print $1}')
    dd if="$img" bs=512 skip=$((start + first * cluster / 512)) count=8 status=none >"$work/indx"
    cp "$work/indx" "$corpus/indx-$(md5sum "$work/indx" | cut -c1-12)"
done
python3 - "$corpus" <<'PY'
import glob, hashlib, os, struct, sys

corpus = sys.argv[1]

def attributes(record):
    at = struct.unpack_from('<H', record, 0x14)[0]
    found = []
    while at + 8 <= 1024:
        kind, length = struct.unpack_from('<II', record, at)
        if kind == 0xFFFFFFFF or length == 0 or at + length > 1024:
            break
        found.append(bytearray(record[at:at + length]))
        at += length
    return found

def fixup(record, undo):
    usa = struct.unpack_from('<H', record, 4)[0]
    for sector in range(2):
        end = 512 * sector + 510
        if undo:
            record[end:end + 2] = record[usa + 2 + 2 * sector:usa + 4 + 2 * sector]
        else:
            record[usa + 2 + 2 * sector:usa + 4 + 2 * sector] = record[end:end + 2]
            record[end:end + 2] = record[usa:usa + 2]

made = 0
for path in sorted(glob.glob(os.path.join(corpus, '[0-9a-f]' * 16))):
    record = bytearray(open(path, 'rb').read())
    if struct.unpack_from('<H', record, 4)[0] != 0x30:
        continue
    fixup(record, undo=True)
    attrs = attributes(record)
    if len(attrs) < 3 or struct.unpack_from('<I', attrs[0])[0] != 0x10:
        continue
    names = 1
    while names < len(attrs) and struct.unpack_from('<I', attrs[names])[0] == 0x30:
        names += 1
    first = struct.unpack_from('<H', record, 0x14)[0]
    used = first + sum(len(a) for a in attrs) + 8
    gap = (1024 - used) & ~7
    if gap < 0x18:
        continue
    for variant in ('walk', 'si'):
        moved = [bytearray(a) for a in attrs]
        if variant == 'walk':
            pad = bytearray(gap)
            struct.pack_into('<II', pad, 0, 0x40, gap)
            moved.insert(names, pad)
        else:
            grow = min(gap, (499 - len(moved[0])) & ~7)
            moved[0] += bytearray(grow)
            struct.pack_into('<I', moved[0], 4, len(moved[0]))
        out = bytearray(record[:first]) + b''.join(moved) + b'\xff\xff\xff\xff\0\0\0\0'
        out += bytearray(1024 - len(out))
        struct.pack_into('<I', out, 0x18, min(len(out), first + sum(len(a) for a in moved) + 8))
        fixup(out, undo=False)
        name = 'end-' + hashlib.md5(out).hexdigest()[:12]
        open(os.path.join(corpus, name), 'wb').write(out)
        made += 1
print(f'make-seeds.sh: {made} records with their attributes moved to the end')
PY
echo "make-seeds.sh: $(ls "$corpus" | wc -l) records in $corpus"
