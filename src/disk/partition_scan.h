// Partition discovery on one disk: the volume boot sector at LBA 0, the MBR primary entries and
// the extended chain, the GPT entries; on a hidden disk, from the saved copy of its first sectors.
#pragma once

#include <functional>
#include <span>
#include <vector>

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

// Reads bytes of a disk at a byte offset; zeros stand where nothing arrives.
using DiskBytesReader = std::function<void(std::uint64_t byteOffset, std::span<std::uint8_t> buffer)>;

// The partition entry array of a GPT disk, in the disk's own sectors.
struct GptEntryArray {
    std::uint64_t firstLba = 2;
    std::uint32_t entryCount = 128;
    std::uint32_t entryBytes = 128;
};
// An array is read up to this many bytes (8,192 entries of 128 bytes); a count beyond is cut.
inline constexpr std::size_t kMaxGptEntryArrayBytes = 1024 * 1024;

// Where the partition entries of a GPT disk lie: as the GPT header at LBA 1 gives them, or as the
// backup header at the disk's last LBA (diskSectors - 1) does when the first is not sound. A header
// is sound with its signature "EFI PART", a size from 92 bytes to one sector, its CRC-32 and its own
// LBA where it was read; of two sound headers the one whose entries match their CRC-32 is taken.
// Where neither header is sound, the standard place: LBA 2, 128 entries of 128 bytes. All LBAs
// count sectors of bytesPerSector bytes.
GptEntryArray locateGptEntries(const DiskBytesReader& read, std::uint32_t bytesPerSector, std::uint64_t diskSectors);

// The bytes of an entry array: entryCount x entryBytes, cut at kMaxGptEntryArrayBytes.
std::vector<std::uint8_t> readGptEntryArray(const DiskBytesReader& read, const GptEntryArray& array,
                                            std::uint32_t bytesPerSector);

// The sectors a disk really holds, by the size its device gives (an image cut short ends before
// the size its identify data or its partition table give); the inventory's count when the device
// tells none.
std::uint64_t diskSectorsHeld(const PhysicalDiskInfo& disk, platform::DiskSystem& disks);

// Fills the scheme tag, the hidden-state tag, the partition entries and their boot-sector copies
// of an identified, present disk. Nothing is written to the disk.
void discoverPartitions(PhysicalDiskInfo& disk, platform::DiskSystem& disks, const SectorMaskTable& masks);

}  // namespace quenzar::disk
