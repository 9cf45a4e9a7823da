// The geometry of a virtual disk: an NTFS volume that no partition table describes any more, whose
// start, cluster size and $MFT position are computed from one known sector (virtual_disk.h). One
// instance lives for the program run; the three virtual-disk dialogs fill it and show it again
// when any of them is reopened.
#pragma once

#include <cstdint>

#include "disk/chs_address.h"
#include "disk/file_system.h"
#include "disk/inventory_records.h"

namespace quenzar::ntfs {

using disk::ChsAddress;

// The values of a FAT boot sector that the boot-sector dialog shows.
struct FatVolumeValues {
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t root = 0;  // FAT-32: cluster of the root folder; FAT-16: number of root entries
};

struct NtfsVolumeParams {
    char entryMode = 'l';          // "L": last computed from the boot sector LBA, "l": from the $MFT LBA
    ChsAddress bootChs{0, 1, 1};
    std::uint64_t bootLba = 63;    // the boot sector: the first sector of the virtual disk
    ChsAddress mftChs{};
    std::uint64_t mftLba = 0;      // the first $MFT record
    disk::FileSystem fsType = disk::FileSystem::Ntfs;  // what the boot-sector computation found
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t mftCluster = 0;  // first cluster of the $MFT's first run
    FatVolumeValues fat32{};
    FatVolumeValues fat16{};
    char diskDigit = '?';          // "0".."7": the physical disk chosen; "?" while none is
    std::uint32_t cylinders = 0;
    std::uint32_t heads = 0;
    std::uint32_t sectorsPerTrack = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint64_t totalSectors = 0;
    // The size of the volume's FILE records as its $MFT record gives it; 0 while not known (taken
    // as 1,024 bytes).
    std::uint32_t recordBytes = 0;
    // The last MFT record number the record views accept (allocated size / record size - 1).
    std::uint32_t mftRecordLimit = 0;
    char mftFound = 'N';           // "Y" when the last boot-sector computation found the $MFT

    bool hasDisk() const { return diskDigit != '?' && totalSectors != 0; }
    std::uint32_t fileRecordBytes() const { return recordBytes != 0 ? recordBytes : 1024; }
};

// sector = LBA mod sectors per track + 1; head = (LBA div sectors per track) mod heads;
// cylinder = (LBA div sectors per track) div heads. All zero while the geometry is unknown.
ChsAddress chsOf(std::uint64_t lba, const NtfsVolumeParams& params);

// Choosing a disk in a dialog: its number and geometry go into the parameters.
void chooseDisk(NtfsVolumeParams& params, char diskDigit, const disk::PhysicalDiskInfo& disk);

}  // namespace quenzar::ntfs
