// The layout values of a volume that its boot sector gives and the program keeps for every
// partition, drive letter and cluster navigation: one declaration, copied as a whole.
#pragma once

#include <cstdint>

#include "disk/boot_sector.h"
#include "disk/file_system.h"

namespace quenzar::disk {

struct VolumeGeometry {
    std::uint8_t sectorsPerCluster = 0;
    std::uint16_t bytesPerSector = 0;      // the boot sector's sectors, which clusters count in
    std::uint16_t reservedSectors = 0;     // FAT
    std::uint32_t sectorsPerFat = 0;       // FAT
    std::uint32_t rootCluster = 0;         // FAT-32: the root folder's cluster; FAT-16: 2
    std::uint16_t rootEntries = 0;         // FAT-16: the root folder's entries
    std::uint64_t mftCluster = 0;          // NTFS
    std::uint64_t mftMirrorCluster = 0;    // NTFS
    std::uint32_t mftRecordBytes = 0;      // NTFS: one FILE record; 0 when the boot sector gives none

    friend bool operator==(const VolumeGeometry&, const VolumeGeometry&) = default;
};

// The values of the file system's kind; the others stay zero (all zero for Unknown).
VolumeGeometry volumeGeometryOf(const BootSector& boot, FileSystem fileSystem);

}  // namespace quenzar::disk
