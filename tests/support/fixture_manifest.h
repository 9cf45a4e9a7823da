// Reader of the fixture manifest (testdata/images/manifest.tsv, copied beside the unpacked
// images by testdata/unpack-images.sh). The format is described in testdata/README.md.
//
// Tests read facts about the fixture disk images from here instead of hard-coding them:
//
//   auto manifest = quenzar::testsupport::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
//   const auto& mbr = manifest.image("mbr.img");
//   const auto* part = mbr.partition(0);
//   const auto* leaf = mbr.entry(0, quenzar::testsupport::utf8(u8"Документы/Ёлка новогодняя.txt"));
//
// Paths and names are UTF-8. The project compiles narrow literals to code page 1251
// (-fexec-charset=CP1251), so a Cyrillic path literal in a test must be written as u8"..." and
// passed through utf8(). Only the standard library is used.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quenzar::testsupport {

// Every line's fields as written (values with %XX escapes decoded), for fields that the
// structs below do not name.
using FieldMap = std::map<std::string, std::string, std::less<>>;

struct ManifestError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One fragment of a non-resident $DATA attribute, as The Sleuth Kit reported it.
struct RunFacts {
    bool sparse = false;      // a hole: no clusters on disk
    std::uint64_t lcn = 0;    // first cluster (0 for a sparse run)
    std::uint64_t length = 0; // clusters
};

enum class EntryKind { File, Dir };

// A file or folder of a volume (NTFS: a FILE record; FAT: a directory entry).
struct EntryFacts {
    std::string image;          // image file name
    int partition = -1;         // PartitionFacts::index of its volume
    std::string path;           // UTF-8, "/"-separated, relative to the volume root
    std::uint64_t record = 0;   // NTFS: MFT record number; FAT: TSK's inode address
    std::uint32_t sequence = 0; // NTFS only: sequence number of the record (0 when absent)
    std::uint64_t parent = 0;   // NTFS only: parent folder's record number (5 = root)
    // NTFS: the record of the file's folder has been reused since (by a file), so the file is an
    // orphan (TSK lists it under $OrphanFiles; its path is the one it was written at).
    bool orphan = false;
    std::uint32_t parentSequence = 0; // orphans: the folder's sequence number its $FILE_NAME gives
    EntryKind kind = EntryKind::File;
    bool deleted = false;       // NTFS: the FILE record is not in use
    // files only:
    std::uint64_t size = 0;     // real size in bytes
    std::string md5;            // MD5 of the contents the file had when it was written
    std::string icatMd5;        // MD5 of what TSK's icat reads now through the record
    bool intact = true;         // icatMd5 == md5 (false: clusters reused after deletion)
    bool resident = false;      // NTFS: $DATA inside the FILE record
    bool sparse = false;        // NTFS: $DATA has the sparse flag
    std::size_t runCount = 0;   // NTFS: entries in the run list, sparse runs included
    std::optional<std::uint64_t> initSize; // NTFS non-resident: initialized size
    std::vector<RunFacts> runs; // NTFS non-resident: the run list
    std::string dosName;        // NTFS: the 8.3 name of a second $FILE_NAME (empty: none)
    bool dosNameFirst = false;  // the DOS-name $FILE_NAME comes before the long one
    FieldMap fields;

    bool isFile() const { return kind == EntryKind::File; }
    bool isDir() const { return kind == EntryKind::Dir; }
    std::string name() const;   // last path component
    std::string parentPath() const; // path without the last component ("" at the root)
};

// A partition (or the whole disk when a volume starts at LBA 0).
struct PartitionFacts {
    std::string image;
    int index = -1;              // volume order on the disk (primaries by slot, then logicals in
                                 // chain order; GPT entries in order); -1 for the extended container
    int number = 0;              // OS numbering: MBR slots 1-4, logicals 5+, GPT entry number
    std::string scheme;          // "mbr-primary", "mbr-extended", "mbr-logical", "gpt", "whole-disk"
    int slot = 0;                // MBR primary/extended: table slot 1-4 (0 otherwise)
    std::optional<std::uint64_t> ebrLba; // MBR logical: LBA of its extended boot record
    std::optional<int> typeByte; // MBR type byte
    int gptEntry = 0;
    std::string gptName, gptTypeGuid, gptGuid;
    std::uint64_t startLba = 0;  // first sector, in 512-byte sectors whatever the disk's sector size
    std::uint64_t sectors = 0;   // partition size in 512-byte sectors
    // Start and length in the disk's own sectors (ImageFacts::sectorSize bytes), as mmls -b gives
    // them; equal to startLba and sectors on a disk of 512-byte sectors.
    std::uint64_t lbaStart = 0, lbaCount = 0;
    std::string filesystem;      // "ntfs", "fat32", "fat16", "none"
    std::uint32_t sectorSize = 512; // the file system's bytes per sector (its boot sector's)
    std::uint32_t clusterSize = 0; // bytes
    std::string label;
    std::string serial;          // NTFS: 16 hex digits; FAT: 8 hex digits
    std::uint64_t fsSectors = 0; // sectors the file system says it has (of sectorSize bytes)
    // NTFS
    std::uint64_t clusters = 0;
    std::uint64_t mftCluster = 0, mftMirrorCluster = 0;
    std::uint32_t mftRecordSize = 0, indexRecordSize = 0;
    // FAT
    std::uint32_t reservedSectors = 0, fatSectors = 0, rootDirSectors = 0;
    FieldMap fields;

    std::uint64_t startByte() const { return startLba * 512; }
    std::uint64_t endLba() const { return startLba + sectors - 1; } // 512-byte sectors
    std::uint32_t sectorsPerCluster() const { return clusterSize / 512; } // 512-byte sectors
    // Sectors per cluster as the boot sector gives them (sectors of sectorSize bytes).
    std::uint32_t fsSectorsPerCluster() const { return sectorSize == 0 ? 0 : clusterSize / sectorSize; }
};

struct ImageFacts {
    std::string name;            // file name in the fixture folder, e.g. "mbr.img"
    std::uint64_t size = 0;      // bytes
    std::string md5;
    std::uint64_t sectors = 0;   // size in 512-byte sectors
    std::uint32_t sectorSize = 512; // the disk's sector (LBA) size in bytes
    std::uint64_t lbaCount = 0;  // size in the disk's own sectors
    std::string scheme;          // "mbr", "gpt", "none" (file system at LBA 0), "hidden"
    std::string diskId, diskGuid, description;
    // masked.img: the sector mask
    std::optional<std::uint64_t> maskLba;
    std::uint32_t maskFirstWord = 0;
    std::string maskMd5;
    std::uint64_t maskedBlocks = 0;
    std::string unmaskedMd5;     // MD5 of the image as a reader that unmasks from LBA 63 on sees it
    // hidden.img
    std::string hiddenMark;      // "QueNzar " (8 bytes, trailing blank)
    std::optional<std::uint64_t> savedCopyLba;
    std::string restoredMd5;     // MD5 after copying LBA 58-61 back to LBA 0-3
    std::string originalMd5;     // masked/hidden: MD5 of the disk before masking/hiding
    std::vector<PartitionFacts> partitions; // in manifest order (extended container included)
    std::vector<EntryFacts> entries;
    FieldMap fields;

    // The partition with that index (not the extended container), or nullptr.
    const PartitionFacts* partition(int index) const;
    // Volumes only (index >= 0), in index order.
    std::vector<const PartitionFacts*> volumes() const;
    // The entry of a volume with that path, or nullptr.
    const EntryFacts* entry(int partition, std::string_view path) const;
    // The entry of a volume with that record number, or nullptr.
    const EntryFacts* entryByRecord(int partition, std::uint64_t record) const;
    std::vector<const EntryFacts*> entriesOf(int partition) const;
    std::string path(const std::filesystem::path& fixtureDir) const { return (fixtureDir / name).string(); }
};

struct Manifest {
    int version = 0;
    std::vector<ImageFacts> images;

    // Throws ManifestError (with the line number) on a malformed line.
    static Manifest parse(std::string_view text);
    static Manifest load(const std::filesystem::path& file);
    static Manifest loadFromDir(const std::filesystem::path& fixtureDir); // DIR/manifest.tsv

    // Throws ManifestError when there is no such image.
    const ImageFacts& image(std::string_view name) const;
    const ImageFacts* findImage(std::string_view name) const;
};

// UTF-8 text of a u8 literal as std::string (u8"..." is char8_t in C++20).
std::string utf8(std::u8string_view text);

// Decodes the %XX escapes of a manifest value.
std::string decodeValue(std::string_view raw);

} // namespace quenzar::testsupport
