// Partition discovery on one disk: the volume boot sector at LBA 0, the MBR primary entries and
// the extended chain, the GPT entries; on a hidden disk, from the saved copy of its first sectors.
#pragma once

#include <span>

#include "disk/inventory_records.h"
#include "disk/sector_access.h"
#include "platform/disk_system.h"

namespace quenzar::disk {

// Partition types of primary and logical entries that can hold a volume the program reads:
// FAT-12, FAT-16 (small, large, LBA), NTFS, FAT-32 (CHS and LBA).
bool isAcceptedPartitionType(std::uint8_t type);
bool isExtendedPartitionType(std::uint8_t type);  // 05h, 0Fh

bool hasBootSignature(const std::uint8_t* sector);  // 55h AAh at 510

// The hidden-state tag of a disk's LBA 0: "OFF " for the mark this program writes, "BAK " for
// the variant form, blanks otherwise.
Text<4> hiddenTagOf(const std::uint8_t* lba0);

// Whether a sector is an NTFS boot sector: the full tag and the 55AA signature.
bool isNtfsBootSector(std::span<const std::uint8_t, 512> sector);

// A volume's boot sector: the first 512 bytes of its first sector (of bytesPerSector bytes) at
// startLba. When that sector cannot be read, the partition's last sector stands in for it if it
// holds an NTFS boot sector: NTFS keeps a copy of its boot sector there, so a volume whose first
// sector went bad is still found (and keeps its drive letter, and the letters after it theirs).
// Returns whether the sector (or its copy) arrived; it holds zeros where nothing did.
bool readVolumeBootSector(platform::DiskSystem& disks, const SectorMaskTable& masks, char diskNumber,
                          std::uint64_t startLba, std::uint64_t sectorCount, std::uint32_t bytesPerSector,
                          SectorBytes& sector, Unmask unmask);

// Fills the scheme tag, the hidden-state tag, the partition entries and their boot-sector copies
// of an identified, present disk. Nothing is written to the disk.
void discoverPartitions(PhysicalDiskInfo& disk, platform::DiskSystem& disks, const SectorMaskTable& masks);

}  // namespace quenzar::disk
