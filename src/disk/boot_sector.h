// The first sector of an NTFS or FAT volume, read once into named fields.
//
// NTFS and the two FAT kinds share the start of the layout (jump, OEM name, sectors per cluster)
// and then place different values at the same offsets; the parse reads every field the program
// uses, and a reader takes the ones of the file system it identified. The identification itself
// stays with the reader: the partition scan asks for the full tags ("NTFS", "FAT3", "FAT1"), the
// drive letters and the virtual disk for their first two letters, in their own order.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "disk/file_system.h"

namespace quenzar::disk {

// An eight-character text field of the sector, as it lies (not terminated).
using BootText = std::array<char, 8>;

inline bool startsWith(const BootText& field, std::string_view prefix) {
    return std::string_view(field.data(), field.size()).starts_with(prefix);
}

struct BootSector {
    BootText oemName{};                   // 03h: "NTFS    " on NTFS
    std::uint16_t bytesPerSector = 0;     // 0Bh
    std::uint8_t sectorsPerCluster = 0;   // 0Dh
    std::uint16_t reservedSectors = 0;    // 0Eh  FAT
    std::uint16_t rootEntryCount = 0;     // 11h  FAT-16: entries of the root folder
    std::uint16_t smallSectorCount = 0;   // 13h  FAT: sector count below 32 MiB, else 0
    std::uint16_t fat16SectorsPerFat = 0; // 16h  FAT-16
    std::uint32_t largeSectorCount = 0;   // 20h  FAT: sector count when 13h is 0
    std::uint32_t fat32SectorsPerFat = 0; // 24h  FAT-32
    std::uint64_t ntfsSectorCount = 0;    // 28h  NTFS
    std::uint32_t fat32RootCluster = 0;   // 2Ch  FAT-32: first cluster of the root folder
    std::uint64_t mftCluster = 0;         // 30h  NTFS: first cluster of the $MFT
    std::uint64_t mftMirrorCluster = 0;   // 38h  NTFS: first cluster of the $MFTMirr
    std::int8_t clustersPerRecord = 0;    // 40h  NTFS: clusters of a FILE record, or when
                                          //      negative, a record of 2^-n bytes
    BootText fat16Type{};                 // 36h  "FAT16   " on FAT-16
    BootText fat32Type{};                 // 52h  "FAT32   " on FAT-32

    // A FAT-16 volume below 32 MiB counts its sectors in the 16-bit field and leaves the 32-bit
    // one zero.
    std::uint32_t fatSectorCount() const { return smallSectorCount != 0 ? smallSectorCount : largeSectorCount; }

    // NTFS: the bytes of one FILE record, 0 when the fields give no sensible size.
    std::uint32_t ntfsRecordBytes() const;
};

// The file system by the full tags, NTFS first and FAT-32 before FAT-16: the rule of the partition
// scan and of a partition without a drive letter.
inline FileSystem fileSystemByFullTags(const BootSector& boot) {
    if (startsWith(boot.oemName, "NTFS")) return FileSystem::Ntfs;
    if (startsWith(boot.fat32Type, "FAT3")) return FileSystem::Fat32;
    if (startsWith(boot.fat16Type, "FAT1")) return FileSystem::Fat16;
    return FileSystem::Unknown;
}

// The file system by the first two letters of its tags, FAT-16 asked before FAT-32: the rule by
// which a volume's first sector is named and a disk that begins with a volume is recognised.
inline FileSystem fileSystemByShortTags(const BootSector& boot) {
    if (startsWith(boot.oemName, "NT")) return FileSystem::Ntfs;
    if (startsWith(boot.fat16Type, "FA")) return FileSystem::Fat16;
    if (startsWith(boot.fat32Type, "FA")) return FileSystem::Fat32;
    return FileSystem::Unknown;
}

// Reads the fields of a sector's first 512 bytes (the layout is the same on disks with larger
// sectors).
BootSector parseBootSector(std::span<const std::uint8_t, 512> sector);

}  // namespace quenzar::disk
