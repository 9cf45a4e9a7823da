// The three panels beside the sector viewer that tell where the viewed sector lies: on the
// physical disk, in the lettered volume that holds it, and in the virtual disk modelled on the
// same disk (with the MFT record the sector belongs to). Each panel is a fixed text whose fields
// are overwritten in place; lines are separated by CR LF, texts are code page 1251.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/inventory_records.h"
#include "ntfs/volume_params.h"
#include "platform/disk_system.h"

namespace quenzar::viewer {

// The cylinder, head and sector of an LBA in the fixed geometry of 255 heads and 63 sectors per
// track, whatever the disk reports.
disk::ChsAddress panelChs(std::uint64_t lba);

// "  PHYSICAL DISK HDx" with the disk number, and the LBA in 13 right-aligned digits.
std::string physicalPanel(char diskNumber, std::uint64_t lba);

// The lettered volume of the disk that holds the LBA: the walk over the disk's partitions stops
// at the first one without a drive letter. Relative sector, cluster and sector in cluster, in the
// disk's own sectors; in a FAT volume the cluster fields stay blank before the data area, and for
// a volume of unknown file system (no cluster size) they stay blank too.
std::string logicalPanel(const disk::PhysicalDiskInfo& disk, std::uint64_t lba);

// The virtual disk, when it is modelled on this disk and the LBA is not below its start; in NTFS
// also the MFT record number of the byte byteInSector of the sector (the page shown), with "+0"
// for the record's first sector, "+1" for its second and so on (a record of 1,024 bytes spans two
// sectors of 512 bytes, one of 4,096 bytes eight of them or one of 4,096).
std::string virtualPanel(const ntfs::NtfsVolumeParams& volume, char diskNumber, std::uint64_t lba,
                         std::uint32_t byteInSector = 0);

// What going to a sector gives the viewer: the panels, the disk's sector size and the bytes read
// at the LBA.
struct SectorPosition {
    char diskNumber = '0';
    std::uint64_t lba = 0;
    disk::ChsAddress chs{};
    std::string physical;
    std::string logical;
    std::string virtualDisk;
    std::uint32_t sectorBytes = 512;
    // The viewed sector and what follows it: viewerReadBytes(sectorBytes) bytes (viewer_model.h).
    std::vector<std::uint8_t> bytes;
    std::size_t bytesArrived = 0;
};

// Fills the panels and reads the viewed sector and the three after it (at least 4,096 bytes) at
// LBA x the disk's sector size, unmasked by the gap rule.
SectorPosition GoToSector(platform::DiskSystem& disks, const disk::InventoryState& inventory,
                          const ntfs::NtfsVolumeParams& volume, char diskNumber, std::uint64_t lba);

}  // namespace quenzar::viewer
