#include "viewer/position_panels.h"

#include <algorithm>
#include <string_view>

#include "disk/sector_access.h"
#include "text/number_texts.h"
#include "viewer/viewer_model.h"

namespace quenzar::viewer {
namespace {

using disk::kSystemSectorSize;
using disk::PartitionEntry;
using disk::PhysicalDiskInfo;
using disk::readDiskBytes;

constexpr std::string_view kPhysicalTemplate = "  PHYSICAL DISK HDx    \r\nAddr. LBA            0 ";
constexpr std::string_view kLogicalTemplate =
    "     LOGICAL DISK С:   \r\nFile system     FAT-32 \r\nSector   1234567890123 \r\nCluster  1234567890123 "
    "\r\nСектор в кластере +123 ";
constexpr std::string_view kVirtualTemplate =
    "     VIRTUAL DISK VD?  \r\nFile system     FAT-32 \r\nSector   1234567890123 \r\nCluster  1234567890123 "
    "\r\nSector in cluster +123 \r\n#FMT                   ";

// Every panel line is 23 characters and CR LF.
constexpr std::size_t kLineStride = 25;
constexpr std::size_t at(std::size_t line, std::size_t column) { return line * kLineStride + column; }

constexpr std::size_t kLabelColumn = 16;        // 6 characters
constexpr std::size_t kNumberColumn = 9;        // 13 characters
constexpr std::size_t kInClusterColumn = 19;    // 3 characters after "+"
constexpr std::size_t kRecordColumn = 9;        // 10 characters, a blank, "+0"/"+1"

void writeDecimal13(std::string& panel, std::size_t where, std::uint64_t value) {
    text::decimal13(value, panel.data() + where);
}

void blank(std::string& panel, std::size_t where, std::size_t count) { panel.replace(where, count, count, ' '); }

// The cluster lines of a panel: cluster and sector in cluster, or blanks.
struct ClusterPlace {
    bool shown = false;
    std::uint64_t cluster = 0;
    std::uint64_t sectorInCluster = 0;
};

void writeVolumeFields(std::string& panel, std::string_view label, std::uint64_t relativeSector,
                       const ClusterPlace& place) {
    panel.replace(at(1, kLabelColumn), 6, label);
    writeDecimal13(panel, at(2, kNumberColumn), relativeSector);
    if (place.shown) {
        writeDecimal13(panel, at(3, kNumberColumn), place.cluster);
        char field[13];
        text::decimal13(place.sectorInCluster, field);
        panel.replace(at(4, kInClusterColumn), 3, field + 10, 3);
    } else {
        blank(panel, at(3, kNumberColumn), 13);
        blank(panel, at(4, kInClusterColumn), 3);
    }
}

void blankVolumeFields(std::string& panel) {
    blank(panel, at(1, kLabelColumn), 6);
    blank(panel, at(2, kNumberColumn), 13);
    blank(panel, at(3, kNumberColumn), 13);
    blank(panel, at(4, kInClusterColumn), 3);
}

// The sizes a volume's numbers count in, in bytes: a sector of its disk (every LBA and the panels'
// sector numbers), a sector of its boot sector (the FAT's reserved sectors and table sizes) and a
// cluster. Usually the two sector sizes are one; a volume whose boot sector names another size
// than its disk's still has its clusters found where they lie.
struct VolumeBytes {
    std::uint64_t diskSector = kSystemSectorSize;
    std::uint64_t bootSector = kSystemSectorSize;
    std::uint64_t cluster = 0;  // 0: no cluster size known
};

VolumeBytes volumeBytes(std::uint32_t diskSectorBytes, std::uint32_t bootSectorBytes, std::uint32_t sectorsPerCluster) {
    VolumeBytes bytes;
    bytes.diskSector = diskSectorBytes != 0 ? diskSectorBytes : kSystemSectorSize;
    bytes.bootSector = bootSectorBytes != 0 ? bootSectorBytes : bytes.diskSector;
    bytes.cluster = std::uint64_t{sectorsPerCluster} * bytes.bootSector;
    return bytes;
}

// The cluster and the sector in it of a byte of the volume, clusters counted from `firstCluster`
// at byte `clustersStart`.
ClusterPlace placeOfByte(std::uint64_t volumeByte, std::uint64_t clustersStart, std::uint64_t firstCluster,
                         const VolumeBytes& bytes) {
    if (bytes.cluster == 0 || volumeByte < clustersStart) return {};
    const std::uint64_t inData = volumeByte - clustersStart;
    return {true, inData / bytes.cluster + firstCluster, inData % bytes.cluster / bytes.diskSector};
}

// NTFS (and unknown file systems): clusters count from the volume's first sector. No cluster size
// (an unknown file system) gives no cluster.
ClusterPlace ntfsPlace(std::uint64_t relativeSector, const VolumeBytes& bytes) {
    return placeOfByte(relativeSector * bytes.diskSector, 0, 0, bytes);
}

// FAT: clusters count from 2 at the data area, after the reserved sectors, the two FATs and (FAT-16)
// the root directory, whose size the FAT standard rounds up to whole sectors.
ClusterPlace fatPlace(std::uint64_t relativeSector, const VolumeBytes& bytes, std::uint32_t reservedSectors,
                      std::uint32_t sectorsPerFat, std::uint32_t rootEntries) {
    const std::uint64_t rootSectors = (std::uint64_t{rootEntries} * 32 + bytes.bootSector - 1) / bytes.bootSector;
    const std::uint64_t dataStart = (rootSectors + reservedSectors + 2 * std::uint64_t{sectorsPerFat}) * bytes.bootSector;
    return placeOfByte(relativeSector * bytes.diskSector, dataStart, 2, bytes);
}

}  // namespace

disk::ChsAddress panelChs(std::uint64_t lba) {
    const std::uint64_t track = lba / 63;
    return disk::ChsAddress{static_cast<std::uint32_t>(track / 255), static_cast<std::uint32_t>(track % 255),
                            static_cast<std::uint32_t>(lba % 63 + 1)};
}

std::string physicalPanel(char diskNumber, std::uint64_t lba) {
    std::string panel(kPhysicalTemplate);
    panel[18] = diskNumber;
    // The template shows LBA 0 with the line's closing blank after it, as every panel's number
    // fields end one before the line's end: the field is the 13 characters from just after "LBA".
    writeDecimal13(panel, at(1, 9), lba);
    return panel;
}

std::string logicalPanel(const disk::PhysicalDiskInfo& disk, std::uint64_t lba) {
    std::string panel(kLogicalTemplate);
    const PartitionEntry* found = nullptr;
    for (const PartitionEntry& entry : disk.partitions) {
        if (entry.driveLetter == 0) break;
        // The extent of a lettered partition is its first sector + its sector count: the first
        // sector past it.
        if (lba >= entry.firstSector() && lba < entry.extent) {
            found = &entry;
            break;
        }
    }
    if (found == nullptr) {
        panel[at(0, 18)] = '?';
        panel[at(0, 19)] = ' ';
        blankVolumeFields(panel);
        return panel;
    }
    panel[at(0, 18)] = found->driveLetter;
    panel[at(0, 19)] = ':';
    const std::uint64_t relative = lba - found->firstSector();
    const std::string_view tag(found->fileSystemTag.data(), 4);
    const VolumeBytes bytes = volumeBytes(disk.bytesPerSector, found->bytesPerSector, found->sectorsPerCluster);
    if (tag == "T-32") {
        writeVolumeFields(panel, "FAT-32", relative,
                          fatPlace(relative, bytes, found->reservedSectors, found->sectorsPerFat, 0));
    } else if (tag == "T-16") {
        writeVolumeFields(panel, "FAT-16", relative,
                          fatPlace(relative, bytes, found->reservedSectors, found->sectorsPerFat, found->rootEntries));
    } else {
        writeVolumeFields(panel, std::string("  ") + std::string(tag), relative, ntfsPlace(relative, bytes));
    }
    return panel;
}

std::string virtualPanel(const ntfs::NtfsVolumeParams& volume, char diskNumber, std::uint64_t lba,
                         std::uint32_t byteInSector) {
    std::string panel(kVirtualTemplate);
    constexpr std::size_t kRecordLine = 5;
    if (volume.diskDigit != diskNumber || lba < volume.bootLba) {
        blankVolumeFields(panel);
        blank(panel, at(kRecordLine, kRecordColumn), 13);
        return panel;
    }
    panel[at(0, 20)] = volume.diskDigit;
    const std::uint64_t relative = lba - volume.bootLba;
    blank(panel, at(kRecordLine, kRecordColumn), 13);
    // The virtual disk's numbers count the disk's own sectors: its sectors per cluster are the
    // disk's, and so are a FAT boot sector's (a volume is formatted in its disk's sectors).
    const std::uint32_t sectorBytes = volume.bytesPerSector != 0 ? volume.bytesPerSector : kSystemSectorSize;
    switch (volume.fsType) {
        case disk::FileSystem::Fat32:
            writeVolumeFields(panel, "FAT-32", relative,
                              fatPlace(relative, volumeBytes(sectorBytes, 0, volume.fat32.sectorsPerCluster),
                                       volume.fat32.reservedSectors, volume.fat32.sectorsPerFat, 0));
            break;
        case disk::FileSystem::Fat16:
            writeVolumeFields(panel, "FAT-16", relative,
                              fatPlace(relative, volumeBytes(sectorBytes, 0, volume.fat16.sectorsPerCluster),
                                       volume.fat16.reservedSectors, volume.fat16.sectorsPerFat, volume.fat16.root));
            break;
        default: {
            writeVolumeFields(panel, "  NTFS", relative,
                              ntfsPlace(relative, volumeBytes(sectorBytes, 0, volume.sectorsPerCluster)));
            if (lba >= volume.mftLba) {
                // The record the shown byte belongs to, and which of the record's sectors holds it.
                const std::uint64_t recordBytes = volume.fileRecordBytes();
                const std::uint64_t mftByte = (lba - volume.mftLba) * sectorBytes + byteInSector;
                const std::uint64_t record = mftByte / recordBytes;
                const std::uint64_t sectorInRecord = mftByte % recordBytes / sectorBytes;
                char field[13];
                text::decimal13(record, field);
                // Ten places: a record number that would need more shows as stars, never cut.
                if (record > 9'999'999'999ull) std::fill(field, field + 13, '*');
                panel.replace(at(kRecordLine, kRecordColumn), 10, field + 3, 10);
                // A record spans at most eight sectors (4,096 bytes in sectors of 512).
                const char inRecord[3] = {'+', static_cast<char>('0' + std::min<std::uint64_t>(sectorInRecord, 9)), 0};
                panel.replace(at(kRecordLine, kRecordColumn + 11), 2, inRecord);
            }
            break;
        }
    }
    return panel;
}

SectorPosition GoToSector(platform::DiskSystem& disks, const disk::InventoryState& inventory,
                          const ntfs::NtfsVolumeParams& volume, char diskNumber, std::uint64_t lba) {
    SectorPosition position;
    position.diskNumber = diskNumber;
    position.lba = lba;
    position.chs = panelChs(lba);
    position.physical = physicalPanel(diskNumber, lba);
    const disk::PhysicalDiskInfo& disk = inventory.disk(disk::isInventoryDiskNumber(diskNumber) ? diskNumber : '0');
    position.sectorBytes = viewerSectorBytes(disk.bytesPerSector);
    position.bytes.assign(viewerReadBytes(position.sectorBytes), 0);
    // An LBA whose byte offset does not fit 64 bits reads nothing rather than another sector.
    if (lba <= (UINT64_MAX - position.bytes.size()) / position.sectorBytes) {
        position.bytesArrived =
            readDiskBytes(disks, inventory.masks, diskNumber, lba * position.sectorBytes, position.bytes);
    }
    position.logical = logicalPanel(inventory.disk(diskNumber), lba);
    position.virtualDisk = virtualPanel(volume, diskNumber, lba);
    return position;
}

}  // namespace quenzar::viewer
