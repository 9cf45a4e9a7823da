#!/usr/bin/env python3
"""Builds the Quenzar Salvage fixture disk images and their manifest.

Run through make-images.sh (as root: it mounts NTFS volumes with the ntfs-3g FUSE driver).
Every volume is first built as a file of its own (mkntfs / mkfs.fat, then filled through
ntfs-3g or mtools), then copied into a disk image whose partition table sfdisk or sgdisk wrote.
The facts in the manifest are read back from the finished images with The Sleuth Kit
(mmls, fsstat, fls, istat, icat), so they do not depend on what this script meant to do;
the script only adds what it alone knows (the MD5 of a deleted file's original contents,
the mask, the hidden disk's original), and checks both views against each other.

Usage: make_images.py --work DIR --out DIR
"""

import argparse
import glob
import hashlib
import json
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import time
import uuid

SECTOR = 512
KiB = 1024
MiB = 1024 * 1024
GiB = 1024 * MiB
TiB = 1024 * GiB

# Frozen clock for ntfs-3g and mtools (libfaketime); the second value is set before deleting.
TIME_CREATE = "2024-03-01 12:00:00"
TIME_DELETE = "2024-03-15 09:30:00"
SOURCE_DATE_EPOCH = "1709294400"  # 2024-03-01 12:00:00 UTC, for mkfs.fat

MANIFEST_VERSION = 1

# --------------------------------------------------------------------------------------------
# helpers


def log(*args):
    print("[make-images]", *args, file=sys.stderr, flush=True)


def fail(msg):
    raise SystemExit("make_images.py: error: " + msg)


def run(cmd, *, env=None, capture=True, check=True, stdin=None):
    """Runs a command; returns stdout as text (UTF-8)."""
    res = subprocess.run(cmd, env=env, input=stdin, stdout=subprocess.PIPE if capture else None,
                         stderr=subprocess.PIPE, check=False)
    if check and res.returncode != 0:
        fail("command failed (%d): %s\n%s" % (res.returncode, " ".join(map(str, cmd)),
                                             res.stderr.decode("utf-8", "replace")))
    return res.stdout.decode("utf-8", "replace") if capture else ""


def md5_file(path):
    h = hashlib.md5()
    with open(path, "rb") as f:
        while True:
            b = f.read(4 * MiB)
            if not b:
                break
            h.update(b)
    return h.hexdigest()


def md5_of_command(cmd):
    """MD5 of a command's standard output, streamed (icat of a 4 GiB file)."""
    h = hashlib.md5()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    while True:
        b = proc.stdout.read(4 * MiB)
        if not b:
            break
        h.update(b)
    err = proc.stderr.read()
    rc = proc.wait()
    return h.hexdigest(), rc, err.decode("utf-8", "replace")


def content(key, size):
    """Deterministic file contents: 64-byte text lines, each unique (tag, offset, random word).

    Every 512-byte sector of every file differs from every other, so a read from a wrong
    cluster shows; the text compresses well, which keeps the committed images small.
    """
    digest = hashlib.md5(key.encode("utf-8")).hexdigest()
    tag = digest[:8]
    rng = random.Random(int(digest, 16))
    out = bytearray()
    off = 0
    while len(out) < size:
        line = ("QZ %s %012d %016x " % (tag, off, rng.getrandbits(64))).encode("ascii")
        out += line + b"." * (63 - len(line)) + b"\n"
        off += 64
    return bytes(out[:size])


def stable_guid(name):
    """A fixed GUID (version 4 layout) derived from a name."""
    b = bytearray(hashlib.md5(("quenzar-fixture:" + name).encode()).digest())
    b[6] = (b[6] & 0x0F) | 0x40
    b[8] = (b[8] & 0x3F) | 0x80
    return str(uuid.UUID(bytes=bytes(b))).upper()


def stable_u32(name):
    return int(hashlib.md5(("quenzar-u32:" + name).encode()).hexdigest()[:8], 16) | 0x01000001


def stable_mtime(key):
    """A file modification time between 2020 and 2023, fixed per file (nanoseconds)."""
    h = int(hashlib.md5(("mtime:" + key).encode()).hexdigest()[:8], 16)
    return (1577836800 + h % (3 * 365 * 86400)) * 1_000_000_000


def copy_into(disk, offset, part_file):
    """Copies a volume file into a disk image at a byte offset, leaving zero blocks as holes."""
    zero = bytes(MiB)
    with open(part_file, "rb") as src, open(disk, "r+b") as dst:
        pos = offset
        while True:
            b = src.read(MiB)
            if not b:
                break
            if b != zero[:len(b)]:
                dst.seek(pos)
                dst.write(b)
            pos += len(b)


def make_sparse_file(path, size):
    if os.path.exists(path):
        os.unlink(path)
    with open(path, "wb") as f:
        f.truncate(size)


# --------------------------------------------------------------------------------------------
# time, mounts


class Clock:
    """libfaketime driven through a timestamp file read at every clock call."""

    def __init__(self, work):
        libs = sorted(glob.glob("/usr/lib/*/faketime/libfaketime.so.1")) + \
            sorted(glob.glob("/usr/lib/faketime/libfaketime.so.1"))
        if not libs:
            fail("libfaketime not found (Debian package: faketime)")
        self.lib = libs[0]
        self.file = os.path.join(work, "faketime")
        self.set(TIME_CREATE)

    def set(self, when):
        with open(self.file, "w") as f:
            f.write(when + "\n")

    def env(self, extra=None):
        env = dict(os.environ)
        env["LD_PRELOAD"] = self.lib
        env["FAKETIME_TIMESTAMP_FILE"] = self.file
        env["FAKETIME_NO_CACHE"] = "1"
        env["TZ"] = "UTC"
        if extra:
            env.update(extra)
        return env


class NtfsMount:
    """ntfs-3g on a volume file, in the foreground so that unmounting can wait for it."""

    def __init__(self, image, mountpoint, clock, logfile, options=()):
        self.image, self.mnt, self.clock, self.logfile = image, mountpoint, clock, logfile
        self.options = ",".join(("no_detach",) + tuple(options))

    def __enter__(self):
        os.makedirs(self.mnt, exist_ok=True)
        self.log = open(self.logfile, "ab")
        self.proc = subprocess.Popen(["ntfs-3g", "-o", self.options, self.image, self.mnt],
                                     stdout=self.log, stderr=self.log, env=self.clock.env())
        deadline = time.time() + 20
        while not os.path.ismount(self.mnt):
            if self.proc.poll() is not None:
                fail("ntfs-3g exited while mounting %s (see %s)" % (self.image, self.logfile))
            if time.time() > deadline:
                fail("ntfs-3g did not mount %s" % self.image)
            time.sleep(0.05)
        return self.mnt

    def __exit__(self, *exc):
        os.sync()
        for attempt in range(50):
            if subprocess.run(["umount", self.mnt], stderr=subprocess.DEVNULL).returncode == 0:
                break
            time.sleep(0.2)
        else:
            fail("could not unmount " + self.mnt)
        try:
            self.proc.wait(timeout=120)
        except subprocess.TimeoutExpired:
            self.proc.terminate()
            fail("ntfs-3g did not end after unmounting " + self.mnt)
        self.log.close()
        if self.proc.returncode != 0:
            fail("ntfs-3g ended with %d for %s" % (self.proc.returncode, self.image))
        return False


# --------------------------------------------------------------------------------------------
# filling volumes


class Volume:
    """Records what was written to a volume: path -> facts that only the writer knows."""

    def __init__(self, key, root):
        self.key, self.root = key, root
        self.expected = {}  # path -> dict(kind, size, md5, deleted, dos_name, sparse_data_md5...)
        # Folders whose many files only fill the volume: their files are counted, not listed.
        self.bulk_folders = []
        self.bulk_count = {}
        self.bulk_files_in_use = 0

    def p(self, rel):
        return os.path.join(self.root, *rel.split("/"))

    def mkdir(self, rel):
        parts = rel.split("/")
        for i in range(1, len(parts) + 1):
            sub = "/".join(parts[:i])
            if sub not in self.expected:
                os.mkdir(self.p(sub))
                self.expected[sub] = {"kind": "dir", "deleted": False}

    def file(self, rel, size, dos_name=None, mtime=True):
        data = content(self.key + ":" + rel, size)
        parent = rel.rsplit("/", 1)[0] if "/" in rel else None
        if parent:
            self.mkdir(parent)
        with open(self.p(rel), "wb") as f:
            f.write(data)
        if dos_name:
            os.setxattr(self.p(rel), "system.ntfs_dos_name", dos_name.encode("ascii"))
        if mtime:
            t = stable_mtime(self.key + ":" + rel)
            os.utime(self.p(rel), ns=(t + 86400 * 10**9, t))
        self.expected[rel] = {"kind": "file", "size": size, "md5": hashlib.md5(data).hexdigest(),
                              "deleted": False, "dos_name": dos_name}
        return data

    def data_file(self, rel, data, holes=()):
        """A file of the given bytes; each (offset, length) of `holes` (zeros in `data`) is
        skipped with a seek instead of written, so the file system keeps it sparse."""
        parent = rel.rsplit("/", 1)[0] if "/" in rel else None
        if parent:
            self.mkdir(parent)
        with open(self.p(rel), "wb") as f:
            pos = 0
            for off, n in sorted(holes) + [(len(data), 0)]:
                f.seek(pos)
                f.write(data[pos:off])
                pos = off + n
            f.truncate(len(data))
        t = stable_mtime(self.key + ":" + rel)
        os.utime(self.p(rel), ns=(t, t))
        self.expected[rel] = {"kind": "file", "size": len(data), "md5": hashlib.md5(data).hexdigest(),
                              "deleted": False, "dos_name": None}

    def hard_link(self, existing, rel):
        parent = rel.rsplit("/", 1)[0] if "/" in rel else None
        if parent:
            self.mkdir(parent)
        os.link(self.p(existing), self.p(rel))
        self.expected[rel] = dict(self.expected[existing])

    def bulk_file(self, folder, data):
        """One more file of a bulk folder (written only to fill the volume), named by its
        number; returns its path, or None when the volume is full."""
        if folder + "/" not in self.bulk_folders:
            self.mkdir(folder)
            self.bulk_folders.append(folder + "/")
            self.bulk_count[folder] = 0
        name = "%s/f%05d" % (folder, self.bulk_count[folder])
        try:
            with open(self.p(name), "wb") as f:
                f.write(data)
        except OSError as e:
            if e.errno != 28:  # ENOSPC
                raise
            if os.path.exists(self.p(name)):
                os.unlink(self.p(name))
            return None
        self.bulk_count[folder] += 1
        self.bulk_files_in_use += 1
        return name

    def fill_folder(self, folder, size):
        """Files of `size` bytes in a bulk folder until the volume is full; returns their paths."""
        data = content(self.key + ":" + folder, size)
        names = []
        while (name := self.bulk_file(folder, data)) is not None:
            names.append(name)
        return names

    def interleaved(self, rel, pieces, piece_size, folder):
        """A file written `piece_size` bytes at a time, each piece appended after a bulk file was
        written into `folder`: the two take turns on the free clusters, so the file ends up
        in many runs."""
        data = content(self.key + ":" + rel, pieces * piece_size)
        filler = content(self.key + ":" + folder, 1000)
        self.mkdir(rel.rsplit("/", 1)[0])
        for i in range(pieces):
            with open(self.p(rel), "ab") as f:
                f.write(data[i * piece_size:(i + 1) * piece_size])
            if self.bulk_file(folder, filler) is None:
                fail("volume full while writing " + rel)
        t = stable_mtime(self.key + ":" + rel)
        os.utime(self.p(rel), ns=(t, t))
        self.expected[rel] = {"kind": "file", "size": len(data), "md5": hashlib.md5(data).hexdigest(),
                              "deleted": False, "dos_name": None}

    def delete_bulk(self, rel):
        os.unlink(self.p(rel))
        self.bulk_files_in_use -= 1

    def sparse(self, rel, size, step, island):
        """A sparse file: `island` bytes of data at every multiple of `step`, holes between.

        The Sleuth Kit refuses a run longer than the volume (ntfs_make_run: "Run length is
        larger than file system"), so the holes are kept shorter than the volume.
        """
        parent = rel.rsplit("/", 1)[0] if "/" in rel else None
        if parent:
            self.mkdir(parent)
        h = hashlib.md5()
        zero = bytes(4 * MiB)
        pos = 0
        with open(self.p(rel), "wb") as f:
            f.truncate(size)
            k = 0
            for off in range(0, size, step):
                n = min(island, size - off)
                data = content("%s:%s@%d" % (self.key, rel, k), n)
                f.seek(off)
                f.write(data)
                # hash the hole before the island, then the island
                gap = off - pos
                while gap > 0:
                    c = min(gap, len(zero))
                    h.update(zero[:c])
                    gap -= c
                h.update(data)
                pos = off + n
                k += 1
        gap = size - pos
        while gap > 0:
            c = min(gap, len(zero))
            h.update(zero[:c])
            gap -= c
        t = stable_mtime(self.key + ":" + rel)
        os.utime(self.p(rel), ns=(t, t))
        self.expected[rel] = {"kind": "file", "size": size, "md5": h.hexdigest(), "deleted": False,
                              "dos_name": None}

    def huge_sparse(self, rel, size, offsets, island):
        """A sparse file far larger than the volume: `island` bytes of data at each offset.

        Its holes are longer than the volume, so The Sleuth Kit refuses it and the facts come
        from ntfsinfo (see analyze_ntfs); instead of an MD5 of all its bytes (terabytes of
        zeros) the manifest gives each island with the MD5 of its data.
        """
        islands = []
        with open(self.p(rel), "wb") as f:
            f.truncate(size)
            for k, off in enumerate(offsets):
                data = content("%s:%s@%d" % (self.key, rel, k), min(island, size - off))
                f.seek(off)
                f.write(data)
                islands.append((off, len(data), hashlib.md5(data).hexdigest()))
        t = stable_mtime(self.key + ":" + rel)
        os.utime(self.p(rel), ns=(t, t))
        self.expected[rel] = {"kind": "file", "size": size, "md5": None, "deleted": False,
                              "dos_name": None, "islands": islands, "tsk_refuses": True}

    def delete(self, rel):
        os.unlink(self.p(rel))
        self.expected[rel]["deleted"] = True

    def rmtree(self, rel):
        shutil.rmtree(self.p(rel))
        for k, v in self.expected.items():
            if k == rel or k.startswith(rel + "/"):
                v["deleted"] = True

    def lose_folder(self, rel):
        """After `rel` (a deleted folder) had its record reused: the files deleted in it are
        orphans, whose $FILE_NAME names a record that now holds something else; the folder
        itself is gone from the volume."""
        if not self.expected[rel]["deleted"]:
            fail("%s is not deleted" % rel)
        del self.expected[rel]
        for k, v in self.expected.items():
            if k.startswith(rel + "/"):
                if v["kind"] != "file" or k.count("/") != rel.count("/") + 1:
                    fail("%s: only files directly in a lost folder are made orphans" % k)
                v["orphan"] = True


# The filler is written in pieces of FUSE's largest write request (128 KiB), so that each write
# reaches ntfs-3g as one request. ntfs-3g rewrites the file's record (and its folder's index block)
# once per request, raising their update sequence numbers; a larger write is split by the kernel
# along the page cache's folios, whose sizes depend on the memory of the moment, so the number
# of requests, and the images, would vary from run to run.
FILL_PIECE = 128 * KiB


def fill_until_full(path, margin):
    """Writes zeros into `path` until the volume is full, then gives `margin` bytes back."""
    chunk = bytes(FILL_PIECE)
    written = 0
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        while True:
            try:
                n = os.write(fd, chunk)
            except OSError as e:
                if e.errno != 28:  # ENOSPC
                    raise
                # finish with smaller pieces
                small = bytes(4 * KiB)
                while True:
                    try:
                        n = os.write(fd, small)
                    except OSError as e2:
                        if e2.errno != 28:
                            raise
                        break
                    if n <= 0:
                        break
                    written += n
                break
            written += n
        os.ftruncate(fd, max(0, written - margin))
    finally:
        os.close(fd)
    return max(0, written - margin)


def populate_main(vol, clock):
    """The primary NTFS volume of mbr.img: everything the recovery Parts talk about."""
    f = vol.file
    # folders several levels deep, resident / small / boundary files
    f("Documents/readme.txt", 300)
    f("Documents/notes-600.txt", 600)
    f("Documents/empty.txt", 0)
    f("Documents/$Logo.txt", 250)
    f("Documents/Reports/2023/Q1/summary.txt", 5000)
    f("Documents/Reports/2023/Q1/Annual Report 2023.docx", 10000, dos_name="ANNUAL~1.DOC")
    f("Documents/Reports/2023/Q1/a+b.txt", 1300, dos_name="AB~1.TXT")
    f("Documents/Reports/2023/Q1/Details/Level5/Level6/deep-leaf.txt", 12345)
    f("Documents/Reports/2023/Q2/budget-64512.xls", 64512)
    f("Documents/Reports/2023/Q2/budget-64513.xls", 64513)
    f("Documents/This file name is deliberately longer than sixty-three characters to test it.txt",
      7000, dos_name="THISFI~1.TXT")
    f("Документы/Ёлка новогодняя.txt", 9000)
    f("Документы/Летний отдых/море и солнце.txt", 3000)
    f("Документы/пустой ёжик.txt", 0)
    f("Документы/Очень длинное имя файла на русском языке, которое длиннее шестидесяти трёх символов.txt",
      4100)
    f("Mountain.txt", 2000)
    f("$LogBook.txt", 1500)
    f("Mountains/peak.txt", 4000)
    f("Media/large-contiguous.bin", 200000)
    # sparse files: one larger than 4 GiB, one of exactly 4 GiB (size low 32 bits zero)
    vol.sparse("Media/sparse-big.vhd", 4 * GiB + 123457, 128 * MiB, 4096)
    vol.sparse("Media/sparse-exact-4GiB.img", 4 * GiB, 128 * MiB, 4096)
    # files and folders to be deleted at the end (contents stay on disk)
    f("Documents/Reports/2023/Q2/old-budget-64512.xls", 64512)
    f("Documents/deleted-resident.txt", 400)
    f("Documents/deleted-empty.txt", 0)
    f("Документы/ёжик удалённый.jpg", 20000)
    f("Mountain-old.txt", 3000)
    f("OldProjects/readme.txt", 350)
    f("OldProjects/Старый отчёт.txt", 2500)
    f("OldProjects/alpha/plan.txt", 6000)
    f("OldProjects/alpha/data.bin", 30000)
    vol.mkdir("OldProjects/alpha/beta")
    f("OldProjects/alpha/beta/deepest.txt", 1800)

    # fragmentation: pre-create the two targets, fill the volume, free small holes, write
    f("Media/fragmented.bin", 0, mtime=False)
    f("Media/fragmented-deleted.bin", 0, mtime=False)
    f("Temp/readme.txt", 500)
    holes = ["Temp/hole-%02d.tmp" % i for i in range(20)]
    for h in holes:
        f(h, 32 * KiB)
    filler = vol.p("Temp/filler.bin")
    filler_size = fill_until_full(filler, 96 * KiB)
    vol.expected["Temp/filler.bin"] = {"kind": "file", "size": filler_size,
                                       "md5": hashlib.md5(bytes(filler_size)).hexdigest(),
                                       "deleted": False, "dos_name": None}
    for h in holes:
        vol.delete(h)
    f("Media/fragmented.bin", 320 * KiB)
    f("Media/fragmented-deleted.bin", 200 * KiB)
    vol.delete("Temp/filler.bin")

    # deletions, later in time
    clock.set(TIME_DELETE)
    vol.delete("Documents/Reports/2023/Q2/old-budget-64512.xls")
    vol.delete("Documents/deleted-resident.txt")
    vol.delete("Documents/deleted-empty.txt")
    vol.delete("Документы/ёжик удалённый.jpg")
    vol.delete("Mountain-old.txt")
    vol.delete("Media/fragmented-deleted.bin")
    vol.rmtree("OldProjects")


def populate_logical(vol, clock):
    f = vol.file
    f("readme.txt", 500)
    f("Архив/документ.txt", 3000)
    f("Архив/resident.txt", 100)
    f("data/contig.bin", 50000)
    f("data/removed.bin", 8000)
    clock.set(TIME_DELETE)
    vol.delete("data/removed.bin")


def populate_gpt(vol, clock):
    f = vol.file
    f("gpt-root.txt", 1200)
    f("Папка GPT/файл.txt", 4000)
    f("folder/sub/deep.bin", 70000)
    f("folder/deleted.txt", 3300)
    clock.set(TIME_DELETE)
    vol.delete("folder/deleted.txt")


def populate_lba0(vol, clock):
    f = vol.file
    f("hello.txt", 800)
    f("Ёжик.txt", 300)
    f("docs/manual.txt", 20000)
    f("docs/deleted.txt", 5000)
    clock.set(TIME_DELETE)
    vol.delete("docs/deleted.txt")


# Names of every legal length up to NTFS's 255 characters (here with their ".txt" counted):
# 204 characters still fit a $FILE_NAME of less than 500 bytes, 205 and more do not.
LONG_NAME_LENGTHS = (204, 205, 254, 255)


def long_name(length, tag):
    stem = (tag + "-" + "0123456789" * 26)[:length - 4]
    return stem + ".txt"


def populate_long_names(vol, clock):
    f = vol.file
    for n in LONG_NAME_LENGTHS:
        f(long_name(n, "file%d" % n), 1000 + n)
    folder = long_name(255, "folder")[:-4] + "-dir"
    f(folder + "/" + long_name(255, "inner"), 3000)
    f(folder + "/short.txt", 700)
    f(long_name(255, "gone"), 5000)
    clock.set(TIME_DELETE)
    vol.delete(long_name(255, "gone"))


# Names in scripts that code page 1251 lacks: Chinese, Polish, Czech, Greek, Turkish, a character
# beyond the 16-bit range (a surrogate pair in NTFS), and two names that only differ in letters
# 1251 lacks. Sizes pick a resident file, small and larger one-run files, an empty one.
WORLD_NAMES = (
    ("中文.txt", 3000),
    ("ab中.txt", 1100),
    ("ab日.txt", 1200),
    ("Zażółć gęślą jaźń.txt", 5000),
    ("Dokumenty/Źródła/łódź.doc", 9000),
    ("Dokumenty/pusty ś.txt", 0),
    ("Příliš žluťoučký kůň.txt", 300),
    ("Ελληνικά/Αρχείο σημειώσεων.txt", 7000),
    ("Ελληνικά/ΣΊΣΥΦΟΣ σίσυφος.txt", 2000),
    ("İstanbul ışık.txt", 1500),
    ("notes 📝 2024.txt", 2500),
    ("中文目录/深层/文件.bin", 70000),
    ("Отчёт – итог.txt", 1800),
)


def populate_world_names(vol, clock):
    f = vol.file
    for name, size in WORLD_NAMES:
        f(name, size)
    f("中文目录/已删除.txt", 4000)
    f("Ελληνικά/διαγραμμένο.txt", 3500)
    clock.set(TIME_DELETE)
    vol.delete("中文目录/已删除.txt")
    vol.delete("Ελληνικά/διαγραμμένο.txt")


def populate_lists(vol, clock):
    """Attribute lists everywhere. Two files are written in turns with small files, so they get
    hundreds of runs that continue in extension records; a file gets many hard links; then the
    volume is filled with one-cluster files, which fragments the folders' index allocations until
    their $FILE_NAME moves to an extension record, and every other one is deleted, so that the
    $MFT, growing for a last folder of empty files, takes one-cluster holes until its own runs
    continue in extension records."""
    vol.interleaved("Fragmented/hundreds.bin", 900, KiB, "Crowded")
    vol.interleaved("Fragmented/two-hundred.bin", 600, KiB, "Crowded")
    vol.file("Linked/original.txt", 6000)
    for i in range(LINK_COUNT):
        vol.hard_link("Linked/original.txt", "Linked/names/link-%02d.txt" % i)
    crowded = vol.fill_folder("Crowded", 1000)
    clock.set(TIME_DELETE)
    for name in crowded[1::2]:
        vol.delete_bulk(name)
    clock.set(TIME_CREATE)
    vol.fill_folder("More", 0)


LINK_COUNT = 60


def populate_compressed(vol, clock):
    """Files that ntfs-3g compresses (a folder with the compressed attribute): text that
    compresses, random bytes stored as they are, sparse and all-zero units, a file shorter than
    one unit, a resident one, a deleted one; and an uncompressed file beside them."""
    vol.mkdir("Packed")
    attributes = struct.unpack(">I", os.getxattr(vol.p("Packed"), "system.ntfs_attrib_be"))[0]
    os.setxattr(vol.p("Packed"), "system.ntfs_attrib_be", struct.pack(">I", attributes | 0x800))
    rng = random.Random(1509)
    f = vol.file
    f("Packed/text.txt", 300 * KiB + 123)
    vol.data_file("Packed/random.bin", rng.randbytes(150 * KiB + 7))
    mixed = (content(vol.key + ":mixed-a", 70 * KiB) + rng.randbytes(64 * KiB) + bytes(64 * KiB) +
             bytes(200 * KiB) + content(vol.key + ":mixed-b", 33 * KiB + 100))
    vol.data_file("Packed/mixed.bin", mixed, holes=[(198 * KiB, 200 * KiB)])
    f("Packed/small.txt", 5000)
    f("Packed/resident.txt", 300)
    f("Packed/gone.txt", 90 * KiB)
    f("Plain/plain.txt", 20000)
    clock.set(TIME_DELETE)
    vol.delete("Packed/gone.txt")


def populate_former(vol, clock):
    """The older formatting under reformatted.img's volume."""
    f = vol.file
    f("old-report.doc", 30000)
    f("Archive/2019/old-photo.jpg", 90000)


def populate_current(vol, clock):
    """The formatting over it."""
    f = vol.file
    f("new-notes.txt", 5000)
    f("Work/plan.txt", 12000)


# The creation times given to record 0 of the two formattings of reformatted.img (mkntfs -T
# writes zero), so that they tell the formattings apart as real ones do.
FORMER_CREATED = "2019-06-01 08:00:00"
CURRENT_CREATED = "2024-03-01 12:00:00"


def set_mft_created(volume_file, when):
    """Writes a creation time into $STANDARD_INFORMATION of record 0, in the $MFT and in its copy
    in the $MFTMirr (both lie in the record's first sector, away from the update sequence)."""
    filetime = (int(time.mktime(time.strptime(when + " UTC", "%Y-%m-%d %H:%M:%S %Z"))) + 11644473600) * 10**7
    with open(volume_file, "r+b") as f:
        boot = f.read(SECTOR)
        cluster = struct.unpack_from("<H", boot, 0x0B)[0] * boot[0x0D]
        for field in (0x30, 0x38):
            record = struct.unpack_from("<Q", boot, field)[0] * cluster
            f.seek(record)
            head = f.read(SECTOR)
            if head[:4] != b"FILE":
                fail("no record 0 at %d in %s" % (record, volume_file))
            si = struct.unpack_from("<H", head, 0x14)[0]
            f.seek(record + si + 0x18)
            f.write(struct.pack("<Q", filetime))
    return filetime


def populate_masked(vol, clock):
    f = vol.file
    f("secret/plan.txt", 10000)
    f("secret/резидент.txt", 200)
    f("data-64512.bin", 64512)
    f("lost.txt", 7000)
    clock.set(TIME_DELETE)
    vol.delete("lost.txt")


def populate_sparse(vol, clock):
    """A sparse file of 4 TiB on a volume of a few MiB, with data at its start, in its middle
    and at its end, beside an ordinary file."""
    vol.file("notes.txt", 3000)
    vol.huge_sparse("huge-sparse.bin", 4 * TiB, [0, TiB + 28 * KiB, 4 * TiB - 4 * KiB], 4 * KiB)


def populate_hidden(vol, clock):
    f = vol.file
    f("hidden-root.txt", 2000)
    f("Скрытая папка/файл.txt", 6000)
    f("gone.txt", 4000)
    clock.set(TIME_DELETE)
    vol.delete("gone.txt")


def write_fragmented(vol, targets, holes, hole_size):
    """Writes each (path, size) of `targets` in pieces scattered over the volume, whatever the
    cluster allocator's habits: a filler of zeros takes all the space, then gives back room for
    `holes` hole files of `hole_size` bytes, each followed by a one-cluster spacer file, written
    in turns into that room; the hole files are deleted, leaving holes the spacers keep apart,
    the targets are written into them, and the filler is deleted. Every file is made empty
    before the volume is full, so that its record and index entry exist. The hole files and the
    filler stay as deleted records (the hole files' clusters then hold the targets' data)."""
    cluster = os.statvfs(vol.root).f_frsize
    hole_names = ["Temp/hole-%02d.tmp" % i for i in range(holes)]
    spacer_names = ["Temp/spacer-%02d.tmp" % i for i in range(holes)]
    for rel in [t[0] for t in targets] + hole_names + spacer_names:
        vol.file(rel, 0, mtime=False)
    filler_size = fill_until_full(vol.p("Temp/filler.bin"), holes * (hole_size + cluster) + 4 * cluster)
    vol.expected["Temp/filler.bin"] = {"kind": "file", "size": filler_size,
                                       "md5": hashlib.md5(bytes(filler_size)).hexdigest(),
                                       "deleted": False, "dos_name": None}
    for h, spacer in zip(hole_names, spacer_names):
        vol.file(h, hole_size)
        vol.file(spacer, cluster)
    for h in hole_names:
        vol.delete(h)
    for rel, size in targets:
        vol.file(rel, size)
    vol.delete("Temp/filler.bin")


def populate_ntfs4k(vol, clock):
    """A volume of 4,096-byte sectors, clusters and FILE records: files in use, among them a
    resident one larger than a 1 KiB record could hold, and deleted ones with their contents
    intact, among them one larger than 64,512 bytes and a fragmented one."""
    f = vol.file
    f("readme.txt", 600)
    f("Docs/resident-3000.txt", 3000)
    f("Docs/report.txt", 20000)
    f("Docs/Отчёт.txt", 7000)
    f("Data/large-200000.bin", 200000)
    f("Data/deleted-100000.bin", 100000)
    f("Docs/deleted-report.txt", 9000)
    f("Docs/deleted-resident.txt", 2000)
    write_fragmented(vol, [("Data/fragmented.bin", 160 * KiB), ("Data/fragmented-deleted.bin", 96 * KiB)],
                     8, 32 * KiB)
    clock.set(TIME_DELETE)
    for rel in ("Data/deleted-100000.bin", "Docs/deleted-report.txt", "Docs/deleted-resident.txt",
                "Data/fragmented-deleted.bin"):
        vol.delete(rel)


# The folder of gpt4k.img whose record a file written later takes: it is made first, so that its
# record is the lowest one freed (ntfs-3g gives out the lowest free record after a remount).
GPT4K_LOST = "Старый архив"


def populate_gpt4k(vol, clock):
    """The NTFS volume of gpt4k.img (4,096-byte sectors): Cyrillic names, a sub-folder, a file
    larger than 64,512 bytes, fragmented files, deleted files, and a folder deleted with its
    files, whose record a later file takes (see reuse_gpt4k)."""
    f = vol.file
    f(GPT4K_LOST + "/потерянный отчёт.txt", 6000)
    f(GPT4K_LOST + "/lost-notes.txt", 2500)
    f("readme.txt", 900)
    f("Документы/Отчёт за квартал.txt", 12000)
    f("Документы/Подпапка/вложенный файл.txt", 5000)
    f("Data/large-100000.bin", 100000)
    f("Data/deleted-70000.bin", 70000)
    f("Удалённый документ.doc", 9000)
    f("Документы/deleted-resident.txt", 1500)
    write_fragmented(vol, [("Data/fragmented.bin", 144 * KiB), ("Data/fragmented-deleted.bin", 80 * KiB)],
                     8, 32 * KiB)
    clock.set(TIME_DELETE)
    for rel in ("Data/deleted-70000.bin", "Удалённый документ.doc", "Документы/deleted-resident.txt",
                "Data/fragmented-deleted.bin"):
        vol.delete(rel)
    vol.rmtree(GPT4K_LOST)


def reuse_gpt4k(vol, clock):
    """In a second mount: one small (resident) file, which takes the lowest free record, the
    deleted folder's; the files deleted in that folder become orphans. Being resident, it takes
    no cluster, so the deleted files' data stay intact."""
    vol.file("written-later.txt", 700)
    vol.lose_folder(GPT4K_LOST)


def populate_rec4k512(vol, clock):
    """The volume that becomes rec4k512.img (4,096-byte FILE records on 512-byte sectors)."""
    f = vol.file
    f("readme.txt", 800)
    f("Папка/документ.txt", 7000)
    f("data/big-90000.bin", 90000)
    f("data/deleted-70000.bin", 70000)
    f("deleted-resident.txt", 1200)
    clock.set(TIME_DELETE)
    vol.delete("data/deleted-70000.bin")
    vol.delete("deleted-resident.txt")


def rewrite_to_512_byte_sectors(volume_file):
    """Makes a volume of 4,096-byte sectors one of 512-byte sectors with the same clusters: the
    boot sector says 512 bytes per sector, 8 sectors per cluster and the volume's length in
    512-byte sectors (one less than the file holds, as mkntfs leaves the last sector to the
    backup), and its backup moves from the last 4,096-byte sector to the last 512-byte one,
    where a reader of 512-byte sectors looks for it. FILE and index records keep their update
    sequences, whose stride is 512 bytes whatever the sector size. Returns the new sector size."""
    size = os.path.getsize(volume_file)
    with open(volume_file, "r+b") as f:
        boot = bytearray(f.read(SECTOR))
        bps, spc = struct.unpack_from("<H", boot, 0x0B)[0], boot[0x0D]
        if bps != 4096 or spc != 1:
            fail("%s: %d bytes per sector, %d per cluster; expected 4096 and 1" % (volume_file, bps, spc))
        f.seek(size - 4096)
        if f.read(SECTOR) != bytes(boot):
            fail("%s: the backup boot sector is not in the last 4,096-byte sector" % volume_file)
        struct.pack_into("<H", boot, 0x0B, SECTOR)
        boot[0x0D] = 4096 // SECTOR
        struct.pack_into("<Q", boot, 0x28, size // SECTOR - 1)
        f.seek(0)
        f.write(boot)
        f.seek(size - 4096)
        f.write(bytes(4096))
        f.seek(size - SECTOR)
        f.write(boot)
    return SECTOR


def check_update_sequences(disk, volume_byte, vol, start, block=None):
    """Every FILE record of the $MFT (its runs as istat gives them) has an update sequence of one
    entry per 512 bytes plus the number itself (9 for a 4,096-byte record), and the number ends
    every 512 bytes. Returns how many records were checked."""
    rs, cs = vol["mft_record_size"], vol["cluster"]
    want = rs // 512 + 1
    n = 0
    with open(disk, "rb") as f:
        for lcn, count in ntfs_istat(disk, start, 0, block)["runs"]:
            if lcn is None:
                continue
            f.seek(volume_byte + lcn * cs)
            data = f.read(count * cs)
            for o in range(0, len(data) - rs + 1, rs):
                r = data[o:o + rs]
                if r[:4] != b"FILE":
                    continue
                usa_ofs, usa_count = struct.unpack_from("<HH", r, 4)
                if usa_count != want:
                    fail("%s: FILE record at %d has usa_count %d, expected %d" %
                         (disk, volume_byte + lcn * cs + o, usa_count, want))
                usn = r[usa_ofs:usa_ofs + 2]
                if any(r[k * 512 - 2:k * 512] != usn for k in range(1, usa_count)):
                    fail("%s: FILE record at %d lacks its update sequence number at a 512-byte stride"
                         % (disk, volume_byte + lcn * cs + o))
                n += 1
    return n


def check_with_ntfs3g(volume_file, expected, clock, work, key):
    """Mounts the volume read-only with ntfs-3g: it must list exactly the folders and files in use
    and read every file's contents as written, and leave the file unchanged."""
    before = md5_file(volume_file)
    mnt = os.path.join(work, "mnt-check-" + key)
    seen = {}
    with NtfsMount(volume_file, mnt, clock, os.path.join(work, "ntfs-3g-check-%s.log" % key), ("ro",)):
        for root, dirs, files in os.walk(mnt):
            rel_root = os.path.relpath(root, mnt)
            for d in dirs:
                seen[os.path.normpath(os.path.join(rel_root, d))] = None
            for name in files:
                seen[os.path.normpath(os.path.join(rel_root, name))] = md5_file(os.path.join(root, name))
    in_use = {rel: x for rel, x in expected.items() if not x["deleted"]}
    if set(seen) != set(in_use):
        fail("ntfs-3g lists in %s: missing %s, extra %s" %
             (volume_file, sorted(set(in_use) - set(seen)), sorted(set(seen) - set(in_use))))
    for rel, x in in_use.items():
        if x["kind"] == "file" and seen[rel] != x["md5"]:
            fail("ntfs-3g reads %s of %s as %s, written %s" % (rel, volume_file, seen[rel], x["md5"]))
    if md5_file(volume_file) != before:
        fail("a read-only mount changed " + volume_file)


class LoopDevice:
    """A loop device over an image file with the given logical sector size, for the partition
    tools, which take the sector size from the device; detached on leaving, also on error."""

    def __init__(self, image, sector_size):
        self.image, self.sector_size = image, sector_size

    def __enter__(self):
        self.dev = run(["losetup", "--sector-size", str(self.sector_size), "--show", "-f", self.image]).strip()
        if run(["blockdev", "--getss", self.dev]).strip() != str(self.sector_size):
            self.__exit__()
            fail("%s does not have %d-byte sectors" % (self.dev, self.sector_size))
        return self.dev

    def __exit__(self, *exc):
        subprocess.run(["blockdev", "--flushbufs", self.dev], stderr=subprocess.DEVNULL)
        run(["losetup", "-d", self.dev])
        return False


# FAT volumes are filled with mtools (no kernel mount needed); names in UTF-8.
FAT_PLANS = {
    "mbr-fat32": [("README.TXT", 1000),
                  ("Очень длинное имя файла с буквой ё.txt", 3000),
                  ("Папка/вложенный файл.txt", 5000),
                  ("DIR1/DIR2/deep.bin", 40000)],
    "mbr-fat16": [("HELLO.TXT", 500),
                  ("Документы/Отчёт за год.txt", 2000)],
    "gpt-linux": [("linux.txt", 1500)],
    "gpt-basic-fat": [("not-ntfs.txt", 900)],
    "masked-fat16": [("masked-fat.txt", 2500)],
}


# --------------------------------------------------------------------------------------------
# making volumes


def make_ntfs(path, sectors, start_lba, cluster, label, populate, key, clock, work, mount_options=(),
              sector_size=SECTOR, later=None):
    """mkntfs on a file of `sectors` sectors of `sector_size` bytes (`start_lba` in the same
    unit), fixed serial, then filled through ntfs-3g. `later`, when given, writes more in a
    second mount: ntfs-3g hands out the lowest free record numbers again only after a remount."""
    make_sparse_file(path, sectors * sector_size)
    run(["mkntfs", "-F", "-q", "-Q", "-T", "-s", str(sector_size), "-c", str(cluster), "-p", str(start_lba),
         "-H", "255", "-S", "63", "-L", label, path])
    # mkntfs -T makes the volume fully reproducible but gives every volume the same serial
    # number; give each volume its own (boot sector and its backup in the last sector).
    serial = hashlib.md5(("serial:" + key).encode()).digest()[:8]
    with open(path, "r+b") as f:
        for off in (0, (sectors - 1) * sector_size):
            f.seek(off)
            bs = f.read(SECTOR)
            if bs[3:11] != b"NTFS    " or bs[510:512] != b"\x55\xaa":
                fail("no NTFS boot sector at %d in %s" % (off, path))
            f.seek(off + 0x48)
            f.write(serial)
    mnt = os.path.join(work, "mnt-" + key)
    vol = Volume(key, mnt)
    clock.set(TIME_CREATE)
    with NtfsMount(path, mnt, clock, os.path.join(work, "ntfs-3g-%s.log" % key), mount_options):
        populate(vol, clock)
    if later:
        with NtfsMount(path, mnt, clock, os.path.join(work, "ntfs-3g-%s.log" % key), mount_options):
            later(vol, clock)
    clock.set(TIME_CREATE)
    return vol


def make_fat(path, sectors, start_lba, bits, cluster_sectors, label, key, clock, work):
    make_sparse_file(path, sectors * SECTOR)
    volid = "%08X" % stable_u32("fatid:" + key)
    # mkfs.fat takes the volume label entry's time from the clock even with SOURCE_DATE_EPOCH
    env = clock.env({"SOURCE_DATE_EPOCH": SOURCE_DATE_EPOCH})
    run(["mkfs.fat", "-F", str(bits), "-s", str(cluster_sectors), "-S", "512", "-h", str(start_lba),
         "-g", "255/63", "-i", volid, "-n", label, path], env=env)
    # the boot sector keeps -i (checked in the manifest step through fsstat)
    rc = os.path.join(work, "mtoolsrc")
    with open(rc, "w") as f:
        f.write("mtools_skip_check=1\ndefault_codepage=866\n")
    menv = clock.env({"MTOOLSRC": rc, "LC_ALL": "C.UTF-8"})
    src_dir = os.path.join(work, "fatsrc-" + key)
    os.makedirs(src_dir, exist_ok=True)
    expected = {}
    made = set()
    for rel, size in FAT_PLANS[key]:
        parts = rel.split("/")
        for i in range(1, len(parts)):
            d = "/".join(parts[:i])
            if d not in made:
                run(["mmd", "-i", path, "::/" + d], env=menv)
                made.add(d)
                expected[d] = {"kind": "dir", "deleted": False}
        data = content(key + ":" + rel, size)
        src = os.path.join(src_dir, "f%d" % len(expected))
        with open(src, "wb") as f:
            f.write(data)
        t = stable_mtime(key + ":" + rel)
        os.utime(src, ns=(t, t))
        run(["mcopy", "-m", "-i", path, src, "::/" + rel], env=menv)
        expected[rel] = {"kind": "file", "size": size, "md5": hashlib.md5(data).hexdigest(),
                         "deleted": False, "dos_name": None}
    return expected


# --------------------------------------------------------------------------------------------
# partition tables


def sfdisk_write(disk, script):
    run(["sfdisk", "--no-reread", "--no-tell-kernel", "-q", disk], stdin=script.encode())
    return json.loads(run(["sfdisk", "-J", disk]))["partitiontable"]


def ebr_chain(disk, ext_start):
    """LBAs of the extended boot records and the logical partitions they describe."""
    out = []
    with open(disk, "rb") as f:
        lba = ext_start
        for _ in range(16):
            f.seek(lba * SECTOR)
            s = f.read(SECTOR)
            if s[510:512] != b"\x55\xaa":
                break
            t1, rel1, n1 = s[0x1C2], *struct.unpack_from("<II", s, 0x1C6)
            t2, rel2 = s[0x1D2], struct.unpack_from("<I", s, 0x1D6)[0]
            if t1:
                out.append({"ebr": lba, "start": lba + rel1, "sectors": n1, "type": t1})
            if t2 not in (0x05, 0x0F):
                break
            lba = ext_start + rel2
    return out


def mbr_entries(disk):
    with open(disk, "rb") as f:
        s = f.read(SECTOR)
    ents = []
    for slot in range(4):
        o = 0x1BE + 16 * slot
        t = s[o + 4]
        start, n = struct.unpack_from("<II", s, o + 8)
        if t:
            ents.append({"slot": slot + 1, "type": t, "start": start, "sectors": n})
    return ents


def tsk_at(start, block=None):
    """The Sleuth Kit's arguments for a volume at sector `start`: `-b` gives the disk's sector
    size (the unit of `-o`) where it is not 512 bytes."""
    return (["-b", str(block)] if block else []) + ["-o", str(start)]


def mmls_rows(disk, vstype=None, block=None):
    cmd = ["mmls"] + (["-t", vstype] if vstype else []) + (["-b", str(block)] if block else []) + [disk]
    rows = []
    for line in run(cmd).splitlines():
        m = re.match(r"^\d+:\s+(\S+)\s+(\d+)\s+(\d+)\s+(\d+)\s+(.*)$", line)
        if m:
            rows.append({"slot": m.group(1), "start": int(m.group(2)), "end": int(m.group(3)),
                         "length": int(m.group(4)), "desc": m.group(5).strip()})
    return rows


def check_mmls(disk, parts, vstype=None, block=None):
    """Every partition in `parts` (start and length in the disk's sectors of `block` bytes, 512
    unless given) is one mmls shows."""
    rows = mmls_rows(disk, vstype, block)
    for p in parts:
        if not any(r["start"] == p["start"] and r["length"] == p["sectors"] and
                   r["slot"] not in ("Meta", "-------") for r in rows):
            fail("mmls on %s does not show a partition at %d (+%d):\n%s" %
                 (disk, p["start"], p["sectors"], run(["mmls", disk])))


# --------------------------------------------------------------------------------------------
# Sleuth Kit facts

FLS_RE = re.compile(r"^(?P<type>\S/\S)\s+(?P<del>\*\s+)?(?P<rec>\d+)(?:-\d+-\d+)?"
                    r"(?P<realloc>\(realloc\))?:\t(?P<path>.*)$")


def fls_entries(disk, start, block=None):
    ents = []
    for line in run(["fls", "-r", "-p"] + tsk_at(start, block) + [disk]).splitlines():
        m = FLS_RE.match(line)
        if not m:
            fail("unexpected fls line on %s: %r" % (disk, line))
        ents.append({"type": m.group("type"), "deleted": bool(m.group("del")),
                     "record": int(m.group("rec")), "realloc": bool(m.group("realloc")),
                     "path": m.group("path")})
    return ents


def parse_fsstat(text):
    d = {}
    for line in text.splitlines():
        if ":" in line:
            k, v = line.split(":", 1)
            d.setdefault(k.strip(), v.strip())
    return d


def ntfs_istat(disk, start, rec, block=None):
    text = run(["istat", "-r"] + tsk_at(start, block) + [disk, str(rec)])
    info = {"names": [], "data": None, "runs": []}
    m = re.search(r"^Entry: (\d+)\s+Sequence: (\d+)", text, re.M)
    info["sequence"] = int(m.group(2))
    info["allocated"] = bool(re.search(r"^Allocated (File|Directory)", text, re.M))
    m = re.search(r"^Links: (\d+)", text, re.M)
    info["links"] = int(m.group(1)) if m else None
    lines = text.splitlines()
    i = 0
    section = None
    while i < len(lines):
        line = lines[i]
        if line.startswith("$FILE_NAME Attribute Values:"):
            section = "fn"
            info["names"].append({})
        elif line.startswith("Attributes:"):
            section = "attrs"
        elif line.endswith("Attribute Values:"):
            section = None
        elif section == "fn" and line.startswith("Name: "):
            info["names"][-1]["name"] = line[6:]
        elif section == "fn" and line.startswith("Parent MFT Entry: "):
            m = re.match(r"Parent MFT Entry: (\d+)\s+Sequence: (\d+)", line)
            info["names"][-1]["parent"] = int(m.group(1))
            info["names"][-1]["parent_seq"] = int(m.group(2))
        elif section == "attrs" and line.startswith("Type: "):
            m = re.match(r"Type: (\S+) \((\d+)-(\d+)\)\s+Name: (.*?)\s+(Resident|Non-Resident)(.*?)\s+"
                         r"size: (\d+)(?:\s+init_size: (\d+))?", line)
            if not m:
                fail("unexpected istat attribute line: %r" % line)
            if m.group(1) == "$DATA" and m.group(4) == "N/A" and info["data"] is None:
                flags = m.group(6)
                info["data"] = {"resident": m.group(5) == "Resident", "size": int(m.group(7)),
                                "init_size": int(m.group(8)) if m.group(8) else None,
                                "sparse": "Sparse" in flags, "compressed": "Compressed" in flags,
                                "encrypted": "Encrypted" in flags}
                j = i + 1
                while j < len(lines) and not lines[j].startswith("Type: "):
                    rm = re.match(r"\s*Starting address: (\S+), length: (\d+)\s*(Sparse)?", lines[j])
                    if rm:
                        sparse = rm.group(3) is not None or rm.group(1) == "X"
                        info["runs"].append((None if sparse else int(rm.group(1)), int(rm.group(2))))
                    elif lines[j].strip():
                        fail("unexpected istat run line: %r" % lines[j])
                    j += 1
                i = j
                continue
        i += 1
    return info


def ntfsinfo_facts(volume_file, rec):
    """Facts of a file that The Sleuth Kit refuses, from ntfs-3g's own ntfsinfo on the volume
    file: sequence, parent, links, and its unnamed $DATA with the run list."""
    text = run(["ntfsinfo", "-v", "-i", str(rec), volume_file])

    def number(pattern, within=text):
        m = re.search(pattern + r":?\s+(\d+)", within)
        if not m:
            fail("ntfsinfo of record %d: no %r" % (rec, pattern))
        return int(m.group(1))
    data = text[text.index("Dumping attribute $DATA"):]
    runs = []
    for m in re.finditer(r"^\s+0x([0-9a-f]+)\s+(<HOLE>|0x[0-9a-f]+)\s+0x([0-9a-f]+)$", data, re.M):
        runs.append((None if m.group(2) == "<HOLE>" else int(m.group(2), 16), int(m.group(3), 16)))
    return {"sequence": number(r"MFT Record Seq\. Numb\."), "links": number("Number of Hard Links"),
            "parent": number("Parent directory"), "size": number("Data size", data),
            "init_size": number("Initialized size", data),
            "sparse": int(re.search(r"Attribute flags:\s+0x([0-9a-f]+)", data).group(1), 16) & 0x8000 != 0,
            "runs": runs}


def analyze_ntfs(disk, start, expected, label, volume_file=None, bulk_folders=(), bulk_in_use=0, block=None):
    """Facts of one NTFS volume from TSK, checked against what was written. Files written as
    ones TSK refuses get their facts from ntfsinfo on the volume file instead. The files of
    bulk folders (written only to fill the volume) are counted, not listed. `start` is in the
    disk's sectors of `block` bytes (512 unless given). A file written as an orphan (its folder's
    record was reused since) is found by its name under TSK's $OrphanFiles."""
    fs = parse_fsstat(run(["fsstat"] + tsk_at(start, block) + [disk]))
    if fs.get("File System Type") != "NTFS":
        fail("fsstat does not see NTFS at %d in %s" % (start, disk))
    total = re.match(r"0 - (\d+)", fs["Total Sector Range"])
    clusters = re.match(r"0 - (\d+)", fs["Total Cluster Range"])
    vol = {"fs": "ntfs", "cluster": int(fs["Cluster Size"]), "label": fs.get("Volume Name", ""),
           "serial": fs["Volume Serial Number"].upper(),
           "mft_cluster": int(fs["First Cluster of MFT"]),
           "mftmirr_cluster": int(fs["First Cluster of MFT Mirror"]),
           "mft_record_size": int(fs["Size of MFT Entries"].split()[0]),
           "index_record_size": int(fs["Size of Index Records"].split()[0]),
           "fs_sectors": int(total.group(1)) + 1, "clusters": int(clusters.group(1)) + 1,
           "sector_size": int(fs["Sector Size"])}
    if vol["label"] != label:
        fail("volume label %r, expected %r" % (vol["label"], label))
    orphans = {}  # name -> path written, of the files written as orphans
    for path, x in expected.items():
        if x.get("orphan"):
            name = path.rsplit("/", 1)[-1]
            if name in orphans:
                fail("two orphans named %s" % name)
            orphans[name] = path
    seen = {}
    bulk_seen = 0
    for e in fls_entries(disk, start, block):
        p = e["path"]
        if p.startswith("$OrphanFiles/") and p[len("$OrphanFiles/"):] in orphans:
            p = e["path"] = orphans[p[len("$OrphanFiles/"):]]
            e["orphan"] = True
        if e["type"] in ("V/V", "v/v") or p.startswith("$OrphanFiles") or p.startswith("$Extend") \
                or e["record"] < 24 or e["realloc"]:
            continue
        if any(p.startswith(folder) for folder in bulk_folders):
            bulk_seen += not e["deleted"]
            continue
        if p in seen:
            if seen[p]["record"] != e["record"]:
                fail("two records for %s in %s" % (p, disk))
            continue
        seen[p] = e
    if bulk_seen != bulk_in_use:
        fail("fls lists %d files in use in %s of %s, %d were written" % (bulk_seen, bulk_folders, disk, bulk_in_use))
    missing = sorted(set(expected) - set(seen))
    extra = sorted(set(seen) - set(expected))
    if missing or extra:
        fail("fls on %s (offset %d) differs from what was written:\n missing %s\n extra %s" %
             (disk, start, missing, extra))
    entries = []
    for path in sorted(seen, key=lambda s: s.encode("utf-8")):
        e, x = seen[path], expected[path]
        if x.get("tsk_refuses"):
            if subprocess.run(["istat"] + tsk_at(start, block) + [disk, str(e["record"])], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                fail("%s: istat reads it, though it was written as a file TSK refuses" % path)
            nf = ntfsinfo_facts(volume_file, e["record"])
            if nf["size"] != x["size"] or not nf["sparse"]:
                fail("%s: ntfsinfo gives size %d, sparse %s" % (path, nf["size"], nf["sparse"]))
            entries.append({"path": path, "record": e["record"], "sequence": nf["sequence"],
                            "parent": nf["parent"], "kind": "file", "deleted": False, "links": nf["links"],
                            "size": nf["size"], "md5": None, "icat_md5": None, "intact": True,
                            "resident": False, "sparse": True, "init_size": nf["init_size"],
                            "runs": nf["runs"], "tsk": "refused", "islands": x["islands"]})
            continue
        st = ntfs_istat(disk, start, e["record"], block)
        kind = "dir" if e["type"].endswith("/d") else "file"
        if kind != x["kind"]:
            fail("%s: TSK kind %s, written %s" % (path, kind, x["kind"]))
        # deleted = the FILE record is not in use (what a reader of the MFT sees). fls may still
        # list the name as allocated when ntfs-3g left it in an index block that the shrunken
        # index no longer uses; that is only reported.
        if st["allocated"] == x["deleted"]:
            fail("%s: deleted state differs (istat allocated %s, written deleted %s)" %
                 (path, st["allocated"], x["deleted"]))
        if e["deleted"] != x["deleted"]:
            log("note: fls lists %s as %s, its record %d is %s" %
                (path, "deleted" if e["deleted"] else "allocated", e["record"],
                 "in use" if st["allocated"] else "not in use"))
        long_names = [n for n in st["names"] if n.get("name") == path.rsplit("/", 1)[-1]]
        if not long_names:
            fail("%s: no $FILE_NAME with its name in record %d" % (path, e["record"]))
        ent = {"path": path, "record": e["record"], "sequence": st["sequence"],
               "parent": long_names[0]["parent"], "kind": kind, "deleted": x["deleted"],
               "links": st["links"]}
        if x.get("orphan"):
            if not e.get("orphan"):
                fail("%s: written as an orphan, yet TSK lists it in its folder" % path)
            ent["orphan"] = True
            ent["parent_seq"] = long_names[0]["parent_seq"]
        dos = x.get("dos_name")
        if dos:
            names = [n.get("name") for n in st["names"]]
            if dos not in names:
                fail("%s: DOS name %s not in record (%s)" % (path, dos, names))
            ent["dos_name"] = dos
            ent["dos_first"] = names[0] == dos
        if kind == "file":
            d = st["data"]
            if d is None:
                fail("%s: no $DATA attribute" % path)
            if d["size"] != x["size"]:
                fail("%s: size %d on disk, %d written" % (path, d["size"], x["size"]))
            icat_md5, rc, err = md5_of_command(["icat"] + tsk_at(start, block) + [disk, str(e["record"])])
            if rc != 0:
                icat_md5 = ""
            ent.update({"size": d["size"], "md5": x["md5"], "icat_md5": icat_md5,
                        "intact": icat_md5 == x["md5"], "resident": d["resident"],
                        "sparse": d["sparse"], "compressed": d["compressed"], "init_size": d["init_size"],
                        "runs": [] if d["resident"] else st["runs"]})
            if not x["deleted"] and not ent["intact"]:
                fail("%s: icat gives %s, written %s" % (path, icat_md5, x["md5"]))
        entries.append(ent)
    return vol, entries


def analyze_fat(disk, start, expected, bits, label):
    fs = parse_fsstat(run(["fsstat", "-o", str(start), disk]))
    want = "FAT%d" % bits
    if fs.get("File System Type") != want:
        fail("fsstat sees %r at %d in %s, expected %s" % (fs.get("File System Type"), start, disk, want))
    text = run(["fsstat", "-o", str(start), disk])
    res = re.search(r"\* Reserved: 0 - (\d+)", text)
    fat0 = re.search(r"\* FAT 0: (\d+) - (\d+)", text)
    root = re.search(r"\*\*\* Root Directory: (\d+) - (\d+)", text)
    vol = {"fs": "fat%d" % bits, "cluster": int(fs["Cluster Size"]),
           "label": fs.get("Volume Label (Boot Sector)", "").strip(),
           "serial": fs["Volume ID"].upper().replace("0X", ""),
           "reserved_sectors": int(res.group(1)) + 1,
           "fat_sectors": int(fat0.group(2)) - int(fat0.group(1)) + 1,
           "fs_sectors": int(re.search(r"Total Range: 0 - (\d+)", text).group(1)) + 1,
           "sector_size": int(fs["Sector Size"])}
    if bits == 16 and root:
        vol["root_dir_sectors"] = int(root.group(2)) - int(root.group(1)) + 1
    if vol["label"] != label:
        fail("FAT label %r, expected %r" % (vol["label"], label))
    seen = {}
    for e in fls_entries(disk, start):
        if e["type"] in ("V/V", "v/v") or "(Volume Label Entry)" in e["path"]:
            continue
        seen[e["path"]] = e
    if set(seen) != set(expected):
        fail("fls on FAT %s at %d differs: missing %s extra %s" %
             (disk, start, sorted(set(expected) - set(seen)), sorted(set(seen) - set(expected))))
    entries = []
    for path in sorted(seen, key=lambda s: s.encode("utf-8")):
        e, x = seen[path], expected[path]
        kind = "dir" if e["type"].endswith("/d") else "file"
        ent = {"path": path, "record": e["record"], "kind": kind, "deleted": e["deleted"]}
        if kind == "file":
            text = run(["istat", "-o", str(start), disk, str(e["record"])])
            size = int(re.search(r"^Size: (\d+)", text, re.M).group(1))
            icat_md5, rc, err = md5_of_command(["icat", "-o", str(start), disk, str(e["record"])])
            if size != x["size"] or icat_md5 != x["md5"]:
                fail("FAT %s: size/md5 differ" % path)
            ent.update({"size": size, "md5": x["md5"], "icat_md5": icat_md5, "intact": True})
        entries.append(ent)
    return vol, entries


# --------------------------------------------------------------------------------------------
# disks


class Builder:
    def __init__(self, work, out):
        self.work, self.out = work, out
        os.makedirs(out, exist_ok=True)
        self.clock = Clock(work)
        self.images = []  # manifest records, in order

    def vpath(self, name):
        return os.path.join(self.work, name)

    # ---- mbr.img ----
    def build_mbr(self):
        name = "mbr.img"
        disk = os.path.join(self.out, name)
        sectors = 240 * MiB // SECTOR
        make_sparse_file(disk, sectors * SECTOR)
        label_id = stable_u32("mbr.img")
        sfdisk_write(disk, "\n".join([
            "label: dos", "label-id: 0x%08x" % label_id, "unit: sectors", "",
            "start=2048, size=%d, type=7" % (144 * MiB // SECTOR),
            "size=%d, type=c" % (40 * MiB // SECTOR),
            "type=f",
            "size=%d, type=7" % (24 * MiB // SECTOR),
            "size=%d, type=e" % (20 * MiB // SECTOR), ""]))
        prim = mbr_entries(disk)
        ext = [p for p in prim if p["type"] in (0x05, 0x0F)][0]
        logi = ebr_chain(disk, ext["start"])
        if len(prim) != 3 or len(logi) != 2:
            fail("unexpected layout of mbr.img: %s %s" % (prim, logi))
        p_ntfs, p_fat = prim[0], prim[1]
        l_ntfs, l_fat = logi
        log("mbr.img: primary NTFS")
        v_main = make_ntfs(self.vpath("mbr-main.ntfs"), p_ntfs["sectors"], p_ntfs["start"], 1024,
                           "QZ-MAIN", populate_main, "mbr-main", self.clock, self.work)
        log("mbr.img: FAT32, logical NTFS, FAT16")
        x_fat32 = make_fat(self.vpath("mbr-fat32.fat"), p_fat["sectors"], p_fat["start"], 32, 1,
                           "QZFAT32", "mbr-fat32", self.clock, self.work)
        v_log = make_ntfs(self.vpath("mbr-logical.ntfs"), l_ntfs["sectors"], l_ntfs["start"], 4096,
                          "QZ-LOGICAL", populate_logical, "mbr-logical", self.clock, self.work)
        x_fat16 = make_fat(self.vpath("mbr-fat16.fat"), l_fat["sectors"], l_fat["start"], 16, 2,
                           "QZFAT16", "mbr-fat16", self.clock, self.work)
        copy_into(disk, p_ntfs["start"] * SECTOR, self.vpath("mbr-main.ntfs"))
        copy_into(disk, p_fat["start"] * SECTOR, self.vpath("mbr-fat32.fat"))
        copy_into(disk, l_ntfs["start"] * SECTOR, self.vpath("mbr-logical.ntfs"))
        copy_into(disk, l_fat["start"] * SECTOR, self.vpath("mbr-fat16.fat"))
        check_mmls(disk, [p_ntfs, p_fat] + logi)
        log("mbr.img: reading facts back with The Sleuth Kit")
        parts = []
        vol, ents = analyze_ntfs(disk, p_ntfs["start"], v_main.expected, "QZ-MAIN")
        parts.append(self.part(0, 1, "mbr-primary", p_ntfs, vol, ents, slot=1))
        vol, ents = analyze_fat(disk, p_fat["start"], x_fat32, 32, "QZFAT32")
        parts.append(self.part(1, 2, "mbr-primary", p_fat, vol, ents, slot=2))
        parts.append(self.part(-1, 3, "mbr-extended", ext, {"fs": "none"}, [], slot=3))
        vol, ents = analyze_ntfs(disk, l_ntfs["start"], v_log.expected, "QZ-LOGICAL")
        parts.append(self.part(2, 5, "mbr-logical", l_ntfs, vol, ents, ebr=l_ntfs["ebr"]))
        vol, ents = analyze_fat(disk, l_fat["start"], x_fat16, 16, "QZFAT16")
        parts.append(self.part(3, 6, "mbr-logical", l_fat, vol, ents, ebr=l_fat["ebr"]))
        self.check_main_volume(parts[0])
        self.add_image(name, disk, "mbr", parts, disk_id="0x%08X" % label_id,
                       description="MBR disk: NTFS and FAT32 primaries, extended partition with "
                                   "NTFS and FAT16 logical volumes")

    def check_main_volume(self, part):
        """The properties the fixture promises, checked on the facts TSK gave."""
        ents = {e["path"]: e for e in part["entries"]}

        def need(cond, msg):
            if not cond:
                fail("mbr.img primary NTFS: " + msg)
        frag = ents["Media/fragmented.bin"]
        need(len(frag["runs"]) > 1, "Media/fragmented.bin has %d run(s)" % len(frag["runs"]))
        fd = ents["Media/fragmented-deleted.bin"]
        need(len(fd["runs"]) > 1 and fd["deleted"] and fd["intact"],
             "Media/fragmented-deleted.bin is not a deleted, intact, fragmented file")
        for p in ("Media/sparse-big.vhd", "Media/sparse-exact-4GiB.img"):
            need(ents[p]["sparse"] and ents[p]["size"] >= 4 * GiB, p + " is not sparse and >= 4 GiB")
        need(ents["Media/sparse-big.vhd"]["size"] > 4 * GiB, "sparse-big.vhd not above 4 GiB")
        need(ents["Documents/readme.txt"]["resident"], "readme.txt not resident")
        for p, sz in (("Documents/Reports/2023/Q2/budget-64512.xls", 64512),
                      ("Documents/Reports/2023/Q2/budget-64513.xls", 64513),
                      ("Documents/Reports/2023/Q2/old-budget-64512.xls", 64512)):
            need(ents[p]["size"] == sz and not ents[p]["resident"] and len(ents[p]["runs"]) == 1,
                 p + " is not a single-run file of its size")
        for p in ("Documents/Reports/2023/Q2/old-budget-64512.xls", "Documents/deleted-resident.txt",
                  "Документы/ёжик удалённый.jpg", "OldProjects/alpha/data.bin",
                  "OldProjects/Старый отчёт.txt", "Mountain-old.txt"):
            need(ents[p]["deleted"] and ents[p]["intact"], p + " is not a deleted, intact file")
        need(ents["OldProjects/alpha/beta"]["deleted"] and ents["OldProjects"]["kind"] == "dir",
             "deleted folders missing")
        firsts = {e["dos_first"] for e in part["entries"] if "dos_name" in e}
        need(firsts == {True, False}, "records with the DOS name first and second are not both there")

    def part(self, index, number, scheme, p, vol, ents, slot=None, ebr=None, gpt=None, disk_sector=SECTOR):
        """A partition's manifest record; `p` gives its start and length in the disk's sectors
        of `disk_sector` bytes, kept as they are (`lba`) and in 512-byte sectors."""
        k = disk_sector // SECTOR
        rec = {"index": index, "number": number, "scheme": scheme, "start": p["start"] * k,
               "sectors": p["sectors"] * k, "vol": vol, "entries": ents}
        if disk_sector != SECTOR:
            rec["lba"] = (p["start"], p["sectors"])
        if "type" in p and p["type"] is not None:
            rec["type"] = p["type"]
        if slot is not None:
            rec["slot"] = slot
        if ebr is not None:
            rec["ebr"] = ebr
        if gpt:
            rec["gpt"] = gpt
        return rec

    def add_image(self, name, disk, scheme, parts, sector_size=SECTOR, **extra):
        rec = {"name": name, "size": os.path.getsize(disk), "md5": md5_file(disk), "scheme": scheme,
               "parts": parts, "sector_size": sector_size}
        if rec["size"] % sector_size:
            fail("%s: %d bytes are no whole number of %d-byte sectors" % (name, rec["size"], sector_size))
        rec.update(extra)
        self.images.append(rec)

    # ---- gpt.img ----
    def build_gpt(self):
        name = "gpt.img"
        disk = os.path.join(self.out, name)
        sectors = 56 * MiB // SECTOR
        make_sparse_file(disk, sectors * SECTOR)
        g = {"disk": stable_guid("gpt.img"), 1: stable_guid("gpt.img:1"),
             2: stable_guid("gpt.img:2"), 3: stable_guid("gpt.img:3")}
        run(["sgdisk", "-o", "-U", g["disk"],
             "-n", "1:2048:+32M", "-t", "1:0700", "-c", "1:Basic data partition", "-u", "1:" + g[1],
             "-n", "2:0:+8M", "-t", "2:8300", "-c", "2:Linux filesystem", "-u", "2:" + g[2],
             "-n", "3:0:+8M", "-t", "3:0700", "-c", "3:Basic data partition", "-u", "3:" + g[3],
             disk])
        gparts = []
        for n in (1, 2, 3):
            info = run(["sgdisk", "-i", str(n), disk])
            first = int(re.search(r"First sector: (\d+)", info).group(1))
            last = int(re.search(r"Last sector: (\d+)", info).group(1))
            tguid = re.search(r"Partition GUID code: (\S+)", info).group(1)
            uguid = re.search(r"Partition unique GUID: (\S+)", info).group(1)
            pname = re.search(r"Partition name: '(.*)'", info).group(1)
            gparts.append({"start": first, "sectors": last - first + 1, "end": last, "type": None,
                           "gpt": {"name": pname, "type_guid": tguid, "guid": uguid, "entry": n}})
        log("gpt.img: NTFS, FAT16 x2")
        p1, p2, p3 = gparts
        v1 = make_ntfs(self.vpath("gpt-basic.ntfs"), p1["sectors"], p1["start"], 2048, "QZ-GPT",
                       populate_gpt, "gpt-basic", self.clock, self.work)
        x2 = make_fat(self.vpath("gpt-linux.fat"), p2["sectors"], p2["start"], 16, 1, "QZLINUX",
                      "gpt-linux", self.clock, self.work)
        x3 = make_fat(self.vpath("gpt-basic-fat.fat"), p3["sectors"], p3["start"], 16, 1, "QZBASICFAT",
                      "gpt-basic-fat", self.clock, self.work)
        copy_into(disk, p1["start"] * SECTOR, self.vpath("gpt-basic.ntfs"))
        copy_into(disk, p2["start"] * SECTOR, self.vpath("gpt-linux.fat"))
        copy_into(disk, p3["start"] * SECTOR, self.vpath("gpt-basic-fat.fat"))
        check_mmls(disk, gparts)
        parts = []
        vol, ents = analyze_ntfs(disk, p1["start"], v1.expected, "QZ-GPT")
        parts.append(self.part(0, 1, "gpt", p1, vol, ents, gpt=p1["gpt"]))
        vol, ents = analyze_fat(disk, p2["start"], x2, 16, "QZLINUX")
        parts.append(self.part(1, 2, "gpt", p2, vol, ents, gpt=p2["gpt"]))
        vol, ents = analyze_fat(disk, p3["start"], x3, 16, "QZBASICFAT")
        parts.append(self.part(2, 3, "gpt", p3, vol, ents, gpt=p3["gpt"]))
        self.add_image(name, disk, "gpt", parts, disk_guid=g["disk"],
                       description="GPT disk: 'Basic data partition' NTFS, 'Linux filesystem' FAT16, "
                                   "'Basic data partition' holding FAT16 (not NTFS)")

    # ---- NTFS volumes from LBA 0, no partition table ----
    def whole_disk_ntfs(self, name, mib, cluster, label, populate, key, description, mount_options=(),
                        sector_size=SECTOR, reshape=None):
        """An NTFS volume from LBA 0 of a disk of `sector_size`-byte sectors. `reshape`, when
        given, changes the finished volume file before it is read back and returns the sector
        size of the disk it now belongs to."""
        disk = os.path.join(self.out, name)
        sectors = mib * MiB // sector_size
        v = make_ntfs(disk, sectors, 0, cluster, label, populate, key, self.clock, self.work, mount_options,
                      sector_size=sector_size)
        if reshape:
            sector_size = reshape(disk)
            sectors = mib * MiB // sector_size
        block = sector_size if sector_size != SECTOR else None
        bflag = ["-b", str(block)] if block else []
        rows = mmls_rows(disk, block=block) if subprocess.run(["mmls"] + bflag + [disk], stdout=subprocess.DEVNULL,
                                                              stderr=subprocess.DEVNULL).returncode == 0 else []
        if any(r["slot"] not in ("Meta", "-------") for r in rows):
            fail("mmls finds a partition table in %s" % name)
        vol, ents = analyze_ntfs(disk, 0, v.expected, label, bulk_folders=v.bulk_folders,
                                 bulk_in_use=v.bulk_files_in_use, block=block)
        p = {"start": 0, "sectors": sectors, "type": None}
        parts = [self.part(0, 0, "whole-disk", p, vol, ents, disk_sector=sector_size)]
        self.add_image(name, disk, "none", parts, sector_size=sector_size, description=description)
        return v

    def build_lba0(self):
        log("lba0-ntfs.img: NTFS at LBA 0, 512-byte clusters")
        self.whole_disk_ntfs("lba0-ntfs.img", 24, 512, "QZ-LBA0", populate_lba0, "lba0",
                             "NTFS boot sector at LBA 0, no partition table")

    def build_long_names(self):
        log("long-names.img: NTFS at LBA 0, names of up to 255 characters")
        v = self.whole_disk_ntfs("long-names.img", 8, 4096, "QZ-LONG", populate_long_names, "long",
                                 "NTFS from LBA 0, file and folder names of 204 to 255 characters")
        if not any(max(len(c) for c in path.split("/")) == 255 for path in v.expected):
            fail("long-names.img holds no name of 255 characters")

    def build_world_names(self):
        log("world-names.img: NTFS at LBA 0, names in scripts code page 1251 lacks")
        v = self.whole_disk_ntfs("world-names.img", 4, 4096, "QZ-WORLD", populate_world_names, "world",
                                 "NTFS from LBA 0, Chinese, Polish, Czech, Greek and Turkish names")
        if not any(any(ord(c) > 0xFFFF for c in path) for path in v.expected):
            fail("world-names.img holds no name beyond the 16-bit range")

    def build_lists(self):
        log("lists.img: NTFS at LBA 0 whose $MFT, folders and files continue in extension records")
        self.whole_disk_ntfs("lists.img", 16, 1024, "QZ-LISTS", populate_lists, "lists",
                             "NTFS from LBA 0, 1 KiB clusters, filled with one-cluster files: attribute "
                             "lists in the $MFT, in crowded folders, in a file of hundreds of runs and "
                             "in a file of %d hard links" % (LINK_COUNT + 1))
        disk = os.path.join(self.out, "lists.img")
        ents = {e["path"]: e for e in self.images[-1]["parts"][0]["entries"]}
        if len(ents["Fragmented/hundreds.bin"]["runs"]) < 200:
            fail("lists.img: Fragmented/hundreds.bin has only %d runs" % len(ents["Fragmented/hundreds.bin"]["runs"]))
        for rec, what in ((0, "the $MFT"), (ents["Crowded"]["record"], "Crowded"),
                          (ents["Fragmented/hundreds.bin"]["record"], "Fragmented/hundreds.bin"),
                          (ents["Linked/original.txt"]["record"], "Linked/original.txt")):
            if "$ATTRIBUTE_LIST" not in run(["istat", disk, str(rec)]):
                fail("lists.img: %s has no attribute list" % what)

    def build_compressed(self):
        log("compressed.img: NTFS at LBA 0 with files that ntfs-3g compressed")
        self.whole_disk_ntfs("compressed.img", 8, 4096, "QZ-PACKED", populate_compressed, "packed",
                             "NTFS from LBA 0, 4 KiB clusters, LZNT1-compressed files (compressed, "
                             "stored, sparse and zero units) beside an uncompressed one",
                             mount_options=("compression",))
        ents = {e["path"]: e for e in self.images[-1]["parts"][0]["entries"]}
        for path in ("Packed/text.txt", "Packed/random.bin", "Packed/mixed.bin", "Packed/small.txt"):
            if not ents[path].get("compressed"):
                fail("compressed.img: %s is not compressed" % path)

    # ---- reformatted.img ----
    def build_reformatted(self):
        """An older NTFS volume (64 MiB, 4 KiB clusters) quick-formatted over by a smaller one
        (24 MiB, 1 KiB clusters) at the same start, the only one the partition table describes:
        record 0 of the older $MFT is overwritten, its copy in the $MFTMirr and its backup boot
        sector (both beyond the new volume's end) are left."""
        name = "reformatted.img"
        disk = os.path.join(self.out, name)
        log("reformatted.img: two formattings of one start, of other cluster sizes")
        make_sparse_file(disk, 80 * MiB)
        label_id = stable_u32("reformatted")
        sfdisk_write(disk, "\n".join(["label: dos", "label-id: 0x%08x" % label_id, "unit: sectors", "",
                                      "start=2048, size=%d, type=7" % (24 * MiB // SECTOR)]) + "\n")
        prim = mbr_entries(disk)
        p1 = prim[0]
        former_file = self.vpath("former.ntfs")
        former_sectors = 64 * MiB // SECTOR
        make_ntfs(former_file, former_sectors, p1["start"], 4096, "QZ-FORMER", populate_former, "former",
                  self.clock, self.work)
        former_created = set_mft_created(former_file, FORMER_CREATED)
        copy_into(disk, p1["start"] * SECTOR, former_file)
        current_file = self.vpath("current.ntfs")
        v = make_ntfs(current_file, p1["sectors"], p1["start"], 1024, "QZ-CURRENT", populate_current, "current",
                      self.clock, self.work)
        current_created = set_mft_created(current_file, CURRENT_CREATED)
        # A quick format writes what it makes; the blocks it leaves zero keep the older data.
        copy_into(disk, p1["start"] * SECTOR, current_file)
        check_mmls(disk, prim)
        vol, ents = analyze_ntfs(disk, p1["start"], v.expected, "QZ-CURRENT")
        with open(former_file, "rb") as f:
            boot = f.read(SECTOR)
            f.seek((former_sectors - 1) * SECTOR)
            backup = f.read(SECTOR)
        mft_cluster, mirror_cluster = struct.unpack_from("<QQ", boot, 0x30)
        with open(disk, "rb") as f:
            f.seek((p1["start"] + former_sectors - 1) * SECTOR)
            if f.read(SECTOR) != backup:
                fail("reformatted.img: the older backup boot sector did not survive")
            f.seek((p1["start"] + mirror_cluster * 8) * SECTOR)
            if f.read(4) != b"FILE":
                fail("reformatted.img: the older $MFTMirr did not survive")
        self.add_image(name, disk, "mbr", [self.part(0, 1, "mbr-primary", p1, vol, ents, slot=1)],
                       disk_id="0x%08X" % label_id, current_created=current_created,
                       former_start=p1["start"], former_sectors=former_sectors, former_cluster=4096,
                       former_mft_cluster=mft_cluster, former_mftmirr_cluster=mirror_cluster,
                       former_created=former_created,
                       description="MBR disk whose NTFS volume (24 MiB, 1 KiB clusters) was quick-formatted "
                                   "over an older one (64 MiB, 4 KiB clusters) at the same start")

    # ---- small MBR disk (base of masked.img and hidden.img) ----
    def small_mbr(self, key, disk, with_fat, populate, cluster, label):
        sectors = 32 * MiB // SECTOR
        make_sparse_file(disk, sectors * SECTOR)
        label_id = stable_u32(key)
        lines = ["label: dos", "label-id: 0x%08x" % label_id, "unit: sectors", ""]
        if with_fat:
            lines += ["start=2048, size=%d, type=7" % (20 * MiB // SECTOR),
                      "size=%d, type=6" % (8 * MiB // SECTOR)]
        else:
            lines += ["start=2048, type=7"]
        sfdisk_write(disk, "\n".join(lines) + "\n")
        prim = mbr_entries(disk)
        p1 = prim[0]
        v = make_ntfs(self.vpath(key + ".ntfs"), p1["sectors"], p1["start"], cluster, label,
                      populate, key, self.clock, self.work)
        copy_into(disk, p1["start"] * SECTOR, self.vpath(key + ".ntfs"))
        xf = None
        if with_fat:
            p2 = prim[1]
            xf = make_fat(self.vpath(key + ".fat"), p2["sectors"], p2["start"], 16, 1, "QZMASKFAT",
                          "masked-fat16", self.clock, self.work)
            copy_into(disk, p2["start"] * SECTOR, self.vpath(key + ".fat"))
        check_mmls(disk, prim)
        parts = []
        vol, ents = analyze_ntfs(disk, p1["start"], v.expected, label, self.vpath(key + ".ntfs"))
        parts.append(self.part(0, 1, "mbr-primary", p1, vol, ents, slot=1))
        if with_fat:
            vol, ents = analyze_fat(disk, prim[1]["start"], xf, 16, "QZMASKFAT")
            parts.append(self.part(1, 2, "mbr-primary", prim[1], vol, ents, slot=2))
        return parts, label_id

    # ---- masked.img ----
    def build_masked(self):
        name = "masked.img"
        base = self.vpath("masked-base.img")
        log("masked.img: base MBR disk")
        parts, label_id = self.small_mbr("masked", base, True, populate_masked, 4096, "QZ-MASKED")
        rng = random.Random(0x51A5C0DE)
        mask = bytearray(rng.getrandbits(8) for _ in range(SECTOR))
        if struct.unpack_from("<I", mask, 0)[0] == 0:
            mask[0] = 0x5A
        mask = bytes(mask)
        disk = os.path.join(self.out, name)
        shutil.copyfile(base, disk)
        with open(disk, "r+b") as f:
            f.seek(57 * SECTOR)
            if f.read(SECTOR) != bytes(SECTOR):
                fail("LBA 57 of the masked base is not empty")
            f.seek(57 * SECTOR)
            f.write(mask)
        unmasked_md5 = md5_file(disk)  # what a reader that unmasks from LBA 63 on must see
        blocks = apply_mask(disk, mask)
        # check: unmasking again gives back the unmasked image
        check = self.vpath("masked-check.img")
        shutil.copyfile(disk, check)
        apply_mask(check, mask)
        if md5_file(check) != unmasked_md5:
            fail("unmasking masked.img does not give the original back")
        os.unlink(check)
        log("masked.img: %d blocks masked" % blocks)
        self.add_image(name, disk, "mbr", parts, disk_id="0x%08X" % label_id,
                       mask_lba=57, mask_first_word="0x%08X" % struct.unpack_from("<I", mask, 0)[0],
                       mask_md5=hashlib.md5(mask).hexdigest(), masked_blocks=blocks,
                       unmasked_md5=unmasked_md5, original_md5=md5_file(base),
                       description="MBR disk (NTFS + FAT16) carrying a sector mask at LBA 57: every "
                                   "non-zero 512-byte block from LBA 63 on is XOR-ed with it")

    # ---- hidden.img ----
    def build_hidden(self):
        name = "hidden.img"
        base = self.vpath("hidden-base.img")
        log("hidden.img: base MBR disk")
        parts, label_id = self.small_mbr("hidden", base, False, populate_hidden, 2048, "QZ-HIDDEN")
        original_md5 = md5_file(base)
        disk = os.path.join(self.out, name)
        shutil.copyfile(base, disk)
        with open(disk, "r+b") as f:
            head = f.read(4 * SECTOR)
            f.seek(58 * SECTOR)
            if f.read(4 * SECTOR) != bytes(4 * SECTOR):
                fail("LBA 58-61 of the hidden base are not empty")
            f.seek(58 * SECTOR)
            f.write(head)  # the saved copy of LBA 0-3
            new = bytearray(head)
            new[0:8] = b"QueNzar "
            table = bytearray(64)
            table[0:16] = bytes([0x00, 0x00, 0x02, 0x00, 0xEE, 0xFF, 0xFF, 0xFF]) + \
                struct.pack("<II", 1, 0xFFFFFFFF)
            new[446:510] = table
            new[SECTOR:4 * SECTOR] = bytes(3 * SECTOR)
            f.seek(0)
            f.write(new)
        # what restoring (LBA 58-61 copied back to LBA 0-3) gives
        restored = self.vpath("hidden-restored.img")
        shutil.copyfile(disk, restored)
        with open(restored, "r+b") as f:
            f.seek(58 * SECTOR)
            saved = f.read(4 * SECTOR)
            f.seek(0)
            f.write(saved)
        restored_md5 = md5_file(restored)
        os.unlink(restored)
        self.add_image(name, disk, "hidden", parts, disk_id="0x%08X" % label_id,
                       hidden_mark="QueNzar ", saved_copy_lba=58, original_md5=original_md5,
                       restored_md5=restored_md5,
                       description="MBR disk (NTFS) hidden the way the program hides disks: LBA 0 marked "
                                   "'QueNzar ' with a type EEh table, LBA 1-3 zero, the original "
                                   "LBA 0-3 at LBA 58-61; partition facts are those of the original")

    # ---- sparse.img ----
    def build_sparse(self):
        name = "sparse.img"
        disk = os.path.join(self.out, name)
        log("sparse.img: NTFS holding a sparse file of 4 TiB")
        parts, label_id = self.small_mbr("sparse", disk, False, populate_sparse, 4096, "QZ-SPARSE")
        huge = [e for e in parts[0]["entries"] if e["path"] == "huge-sparse.bin"][0]
        holes = [n for lcn, n in huge["runs"] if lcn is None]
        if sum(n for lcn, n in huge["runs"]) * 4096 != 4 * TiB or len(holes) < 2 or \
                max(holes) * 4096 <= parts[0]["sectors"] * SECTOR:
            fail("sparse.img: huge-sparse.bin is not 4 TiB of runs with holes longer than the volume: %s"
                 % huge["runs"])
        self.add_image(name, disk, "mbr", parts, disk_id="0x%08X" % label_id,
                       description="MBR disk (NTFS, 4 KiB clusters) holding a sparse file of 4 TiB with "
                                   "three islands of data; The Sleuth Kit refuses that file")

    # ---- 4,096-byte FILE records: 4,096-byte sectors, and on 512-byte sectors ----
    def check_large_records(self, name, disk, part, sector_size, volume_byte=0, block=None):
        """What every image of 4,096-byte FILE records promises, on the facts TSK gave: the sector,
        cluster and record sizes, update sequences of 9 entries, files in use and deleted files
        with their contents intact (a deleted file larger than 64,512 bytes among them), and a
        fragmented file."""
        vol = part["vol"]

        def need(cond, msg):
            if not cond:
                fail(name + ": " + msg)
        need(vol["sector_size"] == sector_size and vol["cluster"] == 4096 and vol["mft_record_size"] == 4096,
             "sector %d, cluster %d, FILE record %d bytes" % (vol["sector_size"], vol["cluster"],
                                                             vol["mft_record_size"]))
        checked = check_update_sequences(disk, volume_byte, vol, part["lba"][0] if "lba" in part else part["start"],
                                         block)
        need(checked >= 16 + len(part["entries"]) // 2, "only %d FILE records checked" % checked)
        files = [e for e in part["entries"] if e["kind"] == "file"]
        kept = [e for e in files if e["deleted"] and not e["path"].startswith("Temp/")]
        need(any(not e["deleted"] for e in files), "no file in use")
        need(len(kept) >= 2 and all(e["intact"] for e in kept), "deleted files missing or not intact")
        need(any(e["size"] > 64512 for e in kept), "no deleted file larger than 64,512 bytes")
        need(any(e["size"] > 64512 and not e["deleted"] for e in files), "no file in use larger than 64,512 bytes")
        return {e["path"]: e for e in part["entries"]}

    def build_ntfs4k(self):
        name = "ntfs4k.img"
        log(name + ": NTFS from LBA 0 of a disk of 4,096-byte sectors")
        self.whole_disk_ntfs(name, 48, 4096, "QZ-4KN", populate_ntfs4k, "ntfs4k",
                             "NTFS from LBA 0 of a disk of 4,096-byte sectors: 4,096-byte clusters and FILE "
                             "records, files in use and deleted, fragmented ones", sector_size=4096)
        disk = os.path.join(self.out, name)
        part = self.images[-1]["parts"][0]
        ents = self.check_large_records(name, disk, part, 4096, block=4096)
        for rel in ("Data/fragmented.bin", "Data/fragmented-deleted.bin"):
            if len(ents[rel]["runs"]) < 2:
                fail("%s: %s has %d run(s)" % (name, rel, len(ents[rel]["runs"])))
        if not ents["Data/fragmented-deleted.bin"]["deleted"] or not ents["Data/fragmented-deleted.bin"]["intact"]:
            fail(name + ": Data/fragmented-deleted.bin is not a deleted, intact file")
        if not ents["Docs/resident-3000.txt"]["resident"]:
            fail(name + ": Docs/resident-3000.txt is not resident")

    def build_gpt4k(self):
        """A GPT disk of 4,096-byte sectors: sgdisk writes it on a loop device of that sector size
        (protective MBR in LBA 0, header in LBA 1 at byte 4,096, entries from LBA 2 at byte 8,192,
        their backup and the backup header in the last LBAs), with one NTFS partition at LBA 256
        (1 MiB)."""
        name = "gpt4k.img"
        lba = 4096
        disk = os.path.join(self.out, name)
        lbas = 48 * MiB // lba
        make_sparse_file(disk, lbas * lba)
        g = {"disk": stable_guid(name), 1: stable_guid(name + ":1")}
        log(name + ": GPT disk of 4,096-byte sectors, NTFS at LBA 256")
        with LoopDevice(disk, lba) as dev:
            run(["sgdisk", "-o", "-U", g["disk"],
                 "-n", "1:256:+40M", "-t", "1:0700", "-c", "1:Basic data partition", "-u", "1:" + g[1], dev])
            info = run(["sgdisk", "-i", "1", dev])
        first = int(re.search(r"First sector: (\d+)", info).group(1))
        last = int(re.search(r"Last sector: (\d+)", info).group(1))
        p1 = {"start": first, "sectors": last - first + 1, "type": None,
              "gpt": {"name": re.search(r"Partition name: '(.*)'", info).group(1),
                      "type_guid": re.search(r"Partition GUID code: (\S+)", info).group(1),
                      "guid": re.search(r"Partition unique GUID: (\S+)", info).group(1), "entry": 1}}
        with open(disk, "rb") as f:
            mbr = f.read(SECTOR)
            f.seek(lba)
            head = f.read(92)
            f.seek((lbas - 1) * lba)
            backup = f.read(92)
        if mbr[0x1C2] != 0xEE or mbr[510:512] != b"\x55\xaa":
            fail(name + ": no protective MBR in LBA 0")
        if head[:8] != b"EFI PART" or backup[:8] != b"EFI PART":
            fail(name + ": no GPT header at byte 4,096 or in the last LBA")
        cur, alt = struct.unpack_from("<QQ", head, 24)
        entries_lba = struct.unpack_from("<Q", head, 72)[0]
        if (cur, alt, entries_lba) != (1, lbas - 1, 2) or first != 256 or (first * lba) % MiB:
            fail("%s: header LBA %d, backup %d, entries LBA %d, partition at %d" % (name, cur, alt, entries_lba, first))
        vfile = self.vpath("gpt4k.ntfs")
        v = make_ntfs(vfile, p1["sectors"], p1["start"], 4096, "QZ-GPT4K", populate_gpt4k, "gpt4k",
                      self.clock, self.work, sector_size=lba, later=reuse_gpt4k)
        copy_into(disk, p1["start"] * lba, vfile)
        check_mmls(disk, [p1], block=lba)
        vol, ents = analyze_ntfs(disk, p1["start"], v.expected, "QZ-GPT4K", block=lba)
        part = self.part(0, 1, "gpt", p1, vol, ents, gpt=p1["gpt"], disk_sector=lba)
        by_path = self.check_large_records(name, disk, part, lba, volume_byte=p1["start"] * lba, block=lba)
        by_record = {e["record"]: e for e in ents}

        def need(cond, msg):
            if not cond:
                fail(name + ": " + msg)
        orphans = [e for e in ents if e.get("orphan")]
        need(len(orphans) == 2, "%d orphans" % len(orphans))
        for o in orphans:
            holder = by_record.get(o["parent"])
            need(holder is not None and holder["kind"] == "file" and not holder["deleted"] and
                 holder["sequence"] != o["parent_seq"] and o["deleted"] and o["intact"],
                 "%s: its folder's record %d does not hold a later file of another sequence number"
                 % (o["path"], o["parent"]))
        need(len(by_path["Data/fragmented.bin"]["runs"]) > 1 and len(by_path["Data/fragmented-deleted.bin"]["runs"]) > 1,
             "the fragmented files have one run")
        need(any(re.search("[А-яЁё]", e["path"]) and e["deleted"] for e in ents) and
             any(re.search("[А-яЁё]", e["path"]) and not e["deleted"] for e in ents), "Cyrillic names missing")
        need(by_path["Документы/Подпапка/вложенный файл.txt"]["kind"] == "file", "no file in a sub-folder")
        self.add_image(name, disk, "gpt", [part], sector_size=lba, disk_guid=g["disk"],
                       description="GPT disk of 4,096-byte sectors: NTFS (4,096-byte sectors, clusters and "
                                   "FILE records) at LBA 256, with deleted files, orphans of a folder whose "
                                   "record a later file took, Cyrillic names and fragmented files")

    def build_rec4k512(self):
        name = "rec4k512.img"
        log(name + ": NTFS of 4,096-byte FILE records on 512-byte sectors")
        v = self.whole_disk_ntfs(name, 16, 4096, "QZ-REC4K", populate_rec4k512, "rec4k512",
                                 "NTFS from LBA 0, 512-byte sectors, 4,096-byte clusters and FILE records "
                                 "(made as a volume of 4,096-byte sectors, its boot sector rewritten)",
                                 sector_size=4096, reshape=rewrite_to_512_byte_sectors)
        disk = os.path.join(self.out, name)
        self.check_large_records(name, disk, self.images[-1]["parts"][0], SECTOR)
        with open(disk, "rb") as f:
            boot = f.read(SECTOR)
            f.seek(-SECTOR, os.SEEK_END)
            if f.read(SECTOR) != boot:
                fail(name + ": the backup boot sector is not in the last 512-byte sector")
        check_with_ntfs3g(disk, v.expected, self.clock, self.work, "rec4k512")
        # ntfsfix (which changes nothing with -n) checks the backup boot sector where a reader of
        # 512-byte sectors looks for it, and takes it when LBA 0 is blank.
        before = md5_file(disk)
        if "Checking the alternate boot sector... OK" not in run(["ntfsfix", "-n", disk]):
            fail(name + ": ntfsfix does not find the backup boot sector good")
        blank = self.vpath("rec4k512-blank-lba0.img")
        shutil.copyfile(disk, blank)
        with open(blank, "r+b") as f:
            f.write(bytes(SECTOR))
        res = subprocess.run(["ntfsfix", "-n", blank], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if b"The alternate bootsector is usable" not in res.stdout:
            fail(name + ": with LBA 0 blank, ntfsfix does not take the backup boot sector:\n" +
                 res.stdout.decode("utf-8", "replace"))
        os.unlink(blank)
        if md5_file(disk) != before:
            fail(name + ": ntfsfix -n changed the image")

    # ---- manifest ----
    def write_manifest(self, path):
        lines = ["# Quenzar Salvage fixture manifest, written by testdata/make-images.sh; "
                 "format: testdata/README.md",
                 row("format", version=MANIFEST_VERSION)]
        for im in self.images:
            fields = {"name": im["name"], "size": im["size"], "md5": im["md5"],
                      "sectors": im["size"] // SECTOR, "sector_size": im["sector_size"]}
            if im["sector_size"] != SECTOR:
                fields["lba_count"] = im["size"] // im["sector_size"]
            fields["scheme"] = im["scheme"]
            for k in ("disk_id", "disk_guid", "mask_lba", "mask_first_word", "mask_md5",
                      "masked_blocks", "unmasked_md5", "hidden_mark", "saved_copy_lba",
                      "original_md5", "restored_md5", "current_created", "former_start", "former_sectors",
                      "former_cluster", "former_mft_cluster", "former_mftmirr_cluster", "former_created",
                      "description"):
                if k in im:
                    fields[k] = im[k]
            lines.append(row("image", **fields))
            for p in im["parts"]:
                f = {"image": im["name"], "index": p["index"], "number": p["number"],
                     "scheme": p["scheme"]}
                if "slot" in p:
                    f["slot"] = p["slot"]
                if "ebr" in p:
                    f["ebr"] = p["ebr"]
                if "type" in p:
                    f["type"] = "0x%02X" % p["type"]
                if "gpt" in p:
                    f["gpt_entry"] = p["gpt"]["entry"]
                    f["gpt_name"] = p["gpt"]["name"]
                    f["gpt_type"] = p["gpt"]["type_guid"]
                    f["gpt_guid"] = p["gpt"]["guid"]
                f["start"] = p["start"]
                f["sectors"] = p["sectors"]
                if "lba" in p:
                    f["lba_start"], f["lba_count"] = p["lba"]
                v = p["vol"]
                f["fs"] = v["fs"]
                for k in ("sector_size", "cluster", "label", "serial", "fs_sectors", "clusters", "mft_cluster",
                          "mftmirr_cluster", "mft_record_size", "index_record_size",
                          "reserved_sectors", "fat_sectors", "root_dir_sectors"):
                    if k in v:
                        f[k] = v[k]
                lines.append(row("partition", **f))
            for p in im["parts"]:
                for e in p["entries"]:
                    f = {"image": im["name"], "part": p["index"], "path": e["path"],
                         "record": e["record"]}
                    if "sequence" in e:
                        f["seq"] = e["sequence"]
                    if "parent" in e:
                        f["parent"] = e["parent"]
                    if e.get("orphan"):
                        f["orphan"] = 1
                        f["parent_seq"] = e["parent_seq"]
                    f["kind"] = e["kind"]
                    f["deleted"] = int(e["deleted"])
                    if e["kind"] == "file":
                        f["size"] = e["size"]
                        if e["md5"] is not None:
                            f["md5"] = e["md5"]
                            f["icat_md5"] = e["icat_md5"]
                        f["intact"] = int(e["intact"])
                        if "resident" in e:
                            f["resident"] = int(e["resident"])
                            f["sparse"] = int(e["sparse"])
                            if e.get("compressed"):
                                f["compressed"] = 1
                            f["runs"] = len(e["runs"])
                            if e["init_size"] is not None:
                                f["init_size"] = e["init_size"]
                            f["runlist"] = ",".join(("*" if lcn is None else str(lcn)) + ":" + str(n)
                                                    for lcn, n in e["runs"])
                    if "dos_name" in e:
                        f["dos_name"] = e["dos_name"]
                        f["dos_first"] = int(e["dos_first"])
                    if "tsk" in e:
                        f["tsk"] = e["tsk"]
                        f["islands"] = ",".join("%d:%d:%s" % i for i in e["islands"])
                    lines.append(row("entry", **f))
        with open(path, "w", encoding="utf-8", newline="\n") as fh:
            fh.write("\n".join(lines) + "\n")


def escape(v):
    s = str(v)
    out = []
    for i, ch in enumerate(s):
        if ch in "%\t\n\r" or (ch == " " and (i == 0 or i == len(s) - 1)):
            out.append("%%%02X" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def row(line_kind, **fields):
    return "\t".join([line_kind] + ["%s=%s" % (k, escape(v)) for k, v in fields.items()])


def apply_mask(path, mask):
    """XORs every non-zero 512-byte block from LBA 63 on with the mask; returns the count."""
    zero = bytes(SECTOR)
    n = 0
    m = int.from_bytes(mask, "little")
    chunk = MiB
    with open(path, "r+b") as f:
        pos = 63 * SECTOR
        size = os.path.getsize(path)
        while pos < size:
            f.seek(pos)
            buf = bytearray(f.read(min(chunk, size - pos)))
            if any(buf):
                changed = False
                for o in range(0, len(buf), SECTOR):
                    blk = buf[o:o + SECTOR]
                    if blk != zero:
                        x = int.from_bytes(blk, "little") ^ m
                        buf[o:o + SECTOR] = x.to_bytes(SECTOR, "little")
                        n += 1
                        changed = True
                if changed:
                    f.seek(pos)
                    f.write(buf)
            pos += chunk
    return n


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--work", required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    if os.geteuid() != 0:
        fail("must run as root (FUSE mounts)")
    t0 = time.time()
    b = Builder(args.work, args.out)
    b.build_mbr()
    b.build_gpt()
    b.build_lba0()
    b.build_long_names()
    b.build_world_names()
    b.build_lists()
    b.build_compressed()
    b.build_reformatted()
    b.build_masked()
    b.build_hidden()
    b.build_sparse()
    b.build_ntfs4k()
    b.build_gpt4k()
    b.build_rec4k512()
    b.write_manifest(os.path.join(args.out, "manifest.tsv"))
    log("images built in %.0f s" % (time.time() - t0))


if __name__ == "__main__":
    main()
