#include "disk/partition_scan.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/sector_access.h"
#include "platform/little_endian.h"

namespace quenzar::disk {
namespace {

using platform::le16;
using platform::le32;
using platform::le64;

constexpr std::size_t kMbrEntriesAt = 0x1BE;
constexpr std::size_t kMbrEntryBytes = 16;
constexpr int kMaxExtendedRecords = 5;
// The GPT header's fields used here.
constexpr std::size_t kGptHeaderSizeAt = 12;
constexpr std::size_t kGptHeaderCrcAt = 16;
constexpr std::size_t kGptOwnLbaAt = 24;
constexpr std::size_t kGptEntriesLbaAt = 72;
constexpr std::size_t kGptEntryCountAt = 80;
constexpr std::size_t kGptEntryBytesAt = 84;
constexpr std::size_t kGptEntriesCrcAt = 88;
constexpr std::uint32_t kGptMinHeaderBytes = 92;

// CRC-32 as GPT uses it (the reflected polynomial EDB88320h, all ones in and out).
std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A GPT header as read at one LBA, when it is sound there.
struct GptHeader {
    GptEntryArray entries;
    std::uint32_t entriesCrc = 0;
};

std::optional<GptHeader> readGptHeader(const DiskBytesReader& read, std::uint32_t bytesPerSector, std::uint64_t lba,
                                       std::uint64_t diskSectors) {
    std::vector<std::uint8_t> sector(bytesPerSector);
    read(lba * bytesPerSector, sector);
    if (std::memcmp(sector.data(), "EFI PART", 8) != 0) return std::nullopt;
    const std::uint32_t headerBytes = le32(&sector[kGptHeaderSizeAt]);
    if (headerBytes < kGptMinHeaderBytes || headerBytes > bytesPerSector) return std::nullopt;
    const std::uint32_t storedCrc = le32(&sector[kGptHeaderCrcAt]);
    std::fill_n(sector.begin() + kGptHeaderCrcAt, 4, std::uint8_t{0});
    if (crc32(std::span(sector).first(headerBytes)) != storedCrc) return std::nullopt;
    if (le64(&sector[kGptOwnLbaAt]) != lba) return std::nullopt;

    GptHeader header;
    header.entries.firstLba = le64(&sector[kGptEntriesLbaAt]);
    header.entries.entryCount = le32(&sector[kGptEntryCountAt]);
    header.entries.entryBytes = le32(&sector[kGptEntryBytesAt]);
    header.entriesCrc = le32(&sector[kGptEntriesCrcAt]);
    // Entries of at least the 128 bytes every field lies in, in a whole number of 8-byte words, on
    // the disk and not on its first two sectors.
    const GptEntryArray& entries = header.entries;
    if (entries.entryBytes < 128 || entries.entryBytes % 8 != 0 || entries.entryBytes > kMaxGptEntryArrayBytes ||
        entries.entryCount == 0 || entries.firstLba < 2 || (diskSectors != 0 && entries.firstLba >= diskSectors)) {
        return std::nullopt;
    }
    return header;
}

// Reads of one disk during discovery. On a hidden disk the saved copy of LBA 0 to 3 stands in
// for the sectors the hiding overwrote; everything after them is read from where it lies.
bool readDiskSector(platform::DiskSystem& disks, const SectorMaskTable& masks, char diskNumber, std::uint64_t lba,
                    std::uint32_t bytesPerSector, SectorBytes& sector, Unmask unmask) {
    std::vector<std::uint8_t> buffer(bytesPerSector);
    const std::size_t arrived = readDiskBytes(disks, masks, diskNumber, lba * bytesPerSector, buffer, unmask);
    std::copy_n(buffer.begin(), sector.size(), sector.begin());
    return arrived >= sector.size();
}

class DiskReader {
public:
    DiskReader(platform::DiskSystem& disks, const SectorMaskTable& masks, const PhysicalDiskInfo& disk)
        : disks_(disks), masks_(masks), diskNumber_(disk.diskNumber),
          bytesPerSector_(std::max<std::uint32_t>(disk.bytesPerSector, 512)) {}

    std::uint32_t bytesPerSector() const { return bytesPerSector_; }

    // One sector's first 512 bytes at an LBA of the disk's own sector size; a 4 KB sector is read
    // whole, since a device with such sectors takes no shorter transfer. Returns whether the whole
    // 512 bytes arrived.
    bool readSector(std::uint64_t lba, SectorBytes& sector, Unmask unmask) const {
        return readDiskSector(disks_, masks_, diskNumber_, lba, bytesPerSector_, sector, unmask);
    }

    // The boot sector of the volume of a partition, or its NTFS copy in the partition's last
    // sector when the first one cannot be read.
    bool readBootSector(std::uint64_t startLba, std::uint64_t sectorCount, SectorBytes& sector, Unmask unmask) const {
        return readVolumeBootSector(disks_, masks_, diskNumber_, startLba, sectorCount, bytesPerSector_, sector, unmask);
    }

    // Bytes of the disk as they were before hiding.
    void readOriginal(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) const {
        readDiskBytes(disks_, masks_, diskNumber_, byteOffset, buffer, Unmask::Never);
        if (!savedHead_.empty() && byteOffset < savedHead_.size()) {
            const std::size_t count = std::min(buffer.size(), static_cast<std::size_t>(savedHead_.size() - byteOffset));
            std::copy_n(savedHead_.begin() + static_cast<std::ptrdiff_t>(byteOffset), count, buffer.begin());
        }
    }

    void useSavedHead(std::span<const std::uint8_t> head) { savedHead_.assign(head.begin(), head.end()); }

private:
    platform::DiskSystem& disks_;
    const SectorMaskTable& masks_;
    char diskNumber_;
    std::uint32_t bytesPerSector_;
    std::vector<std::uint8_t> savedHead_;
};

class Discovery {
public:
    Discovery(PhysicalDiskInfo& disk, DiskReader& reader) : disk_(disk), reader_(reader) {}

    bool full() const { return count_ >= kPartitionsPerDisk; }

    // A partition's boot sector that could not be read, nor its copy: its volume is left out, and
    // the disk says so.
    void noteUnreadable(std::uint64_t lba) { disk_.unreadableSectors.push_back(lba); }

    // A primary entry: its first sector, unmasked by the gap rule; without the 55AA signature
    // the entry is dropped and its place taken by the next one.
    void addPrimary(std::uint64_t startLba, std::uint64_t sectorCount) {
        if (full() || startLba == 0) return;  // sector 0 holds the table itself, not a volume
        PartitionEntry& entry = slot();
        entry.startLba = startLba;
        entry.sectorCount = sectorCount;
        SectorBytes& sector = bootSector();
        if (!reader_.readBootSector(startLba, sectorCount, sector, Unmask::ByGapRule)) noteUnreadable(startLba);
        if (!hasBootSignature(sector.data())) {
            entry = PartitionEntry{};
            sector = SectorBytes{};
            return;
        }
        fillFromBootSector(entry, sector);
        ++count_;
    }

    // A logical partition of the extended chain: read as it lies (never unmasked); kept only when
    // the whole sector arrived with its signature. Its file-system fields are filled when a drive
    // letter is matched.
    void addLogical(std::uint64_t startLba, std::uint64_t sectorCount) {
        if (full()) return;
        SectorBytes sector{};
        if (!reader_.readBootSector(startLba, sectorCount, sector, Unmask::Never)) {
            noteUnreadable(startLba);
            return;
        }
        if (!hasBootSignature(sector.data())) return;
        PartitionEntry& entry = slot();
        entry.startLba = startLba;
        entry.sectorCount = sectorCount;
        bootSector() = sector;
        ++count_;
    }

    // A GPT entry named "Ba…": kept only when its first sector (read as it lies) is an NTFS boot
    // sector.
    void addGptEntry(std::uint64_t startLba, std::uint64_t endLba) {
        if (full()) return;
        SectorBytes sector{};
        if (!reader_.readBootSector(startLba, endLba >= startLba ? endLba - startLba + 1 : 0, sector, Unmask::Never)) {
            noteUnreadable(startLba);
        }
        if (fileSystemByFullTags(parseBootSector(sector)) != FileSystem::Ntfs) return;
        PartitionEntry& entry = slot();
        entry.startLba = startLba;
        entry.sectorCount = endLba >= startLba ? endLba - startLba + 1 : 0;
        fillFromBootSector(entry, sector);
        entry.extent = endLba;
        bootSector() = sector;
        ++count_;
    }

private:
    PartitionEntry& slot() { return disk_.partitions[static_cast<std::size_t>(count_)]; }
    SectorBytes& bootSector() { return disk_.bootSectors[static_cast<std::size_t>(count_)]; }

    static void fillFromBootSector(PartitionEntry& entry, const SectorBytes& sector) {
        const BootSector boot = parseBootSector(sector);
        const FileSystem fileSystem = fileSystemByFullTags(boot);
        static_cast<VolumeGeometry&>(entry) = volumeGeometryOf(boot, fileSystem);
        switch (fileSystem) {
            case FileSystem::Ntfs:
                entry.fileSystemTag = {'N', 'T', 'F', 'S'};
                entry.extent = boot.ntfsSectorCount;
                break;
            case FileSystem::Fat32:
                entry.fileSystemTag = {'F', 'A', 'T', '3'};
                entry.extent = boot.largeSectorCount == 0 ? 0 : boot.largeSectorCount - 1;
                break;
            case FileSystem::Fat16: {
                entry.fileSystemTag = {'F', 'A', 'T', '1'};
                // The root-entry count / 32: quotient in the low byte, remainder in the high byte.
                const std::uint16_t rootEntries = boot.rootEntryCount;
                entry.rootEntries = static_cast<std::uint16_t>((rootEntries / 32 & 0xFF) | (rootEntries % 32) << 8);
                break;
            }
            case FileSystem::Unknown:
                break;
        }
    }

    PhysicalDiskInfo& disk_;
    DiskReader& reader_;
    int count_ = 0;
};

// The chain of extended boot records from the extended partition at extendedLba: each record's
// first entry is a logical partition (relative to that record), its second entry points to the
// next record (relative to the extended partition). At most five records are followed and the
// walk ends once the disk has six partitions.
void walkExtendedChain(Discovery& discovery, const DiskReader& reader, std::uint64_t extendedLba) {
    std::uint64_t recordLba = extendedLba;
    for (int record = 0; record < kMaxExtendedRecords && !discovery.full(); ++record) {
        SectorBytes ebr{};
        if (!reader.readSector(recordLba, ebr, Unmask::Never) || !hasBootSignature(ebr.data())) return;
        const std::uint8_t* logical = ebr.data() + kMbrEntriesAt;
        if (isAcceptedPartitionType(logical[4])) {
            discovery.addLogical(recordLba + le32(logical + 8), le32(logical + 12));
        }
        const std::uint8_t* next = logical + kMbrEntryBytes;
        if (discovery.full() || !isExtendedPartitionType(next[4])) return;
        recordLba = extendedLba + le32(next + 8);
    }
}

void walkGptEntries(Discovery& discovery, const DiskReader& reader, std::uint64_t diskSectors) {
    const DiskBytesReader read = [&reader](std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
        reader.readOriginal(byteOffset, buffer);
    };
    const GptEntryArray array = locateGptEntries(read, reader.bytesPerSector(), diskSectors);
    const std::vector<std::uint8_t> entries = readGptEntryArray(read, array, reader.bytesPerSector());
    for (std::size_t at = 0; at + array.entryBytes <= entries.size() && !discovery.full(); at += array.entryBytes) {
        const std::uint8_t* entry = entries.data() + at;
        const std::uint64_t startLba = le64(entry + 32);
        if (startLba == 0) return;
        // The name is UTF-16: "B", "a" as in "Basic data partition".
        if (le16(entry + 56) == 'B' && le16(entry + 58) == 'a') discovery.addGptEntry(startLba, le64(entry + 40));
    }
}

}  // namespace

bool isAcceptedPartitionType(std::uint8_t type) {
    switch (type) {
        case 0x01: case 0x04: case 0x06: case 0x07: case 0x0B: case 0x0C: case 0x0E: return true;
        default: return false;
    }
}

bool isExtendedPartitionType(std::uint8_t type) { return type == 0x05 || type == 0x0F; }

bool hasBootSignature(const std::uint8_t* sector) { return sector[510] == 0x55 && sector[511] == 0xAA; }

bool isNtfsBootSector(std::span<const std::uint8_t, 512> sector) {
    return hasBootSignature(sector.data()) && fileSystemByFullTags(parseBootSector(sector)) == FileSystem::Ntfs;
}

bool readVolumeBootSector(platform::DiskSystem& disks, const SectorMaskTable& masks, char diskNumber,
                          std::uint64_t startLba, std::uint64_t sectorCount, std::uint32_t bytesPerSector,
                          SectorBytes& sector, Unmask unmask) {
    if (readDiskSector(disks, masks, diskNumber, startLba, bytesPerSector, sector, unmask)) return true;
    if (sectorCount < 2) return false;
    SectorBytes backup{};
    if (!readDiskSector(disks, masks, diskNumber, startLba + sectorCount - 1, bytesPerSector, backup, unmask) ||
        !isNtfsBootSector(backup)) {
        return false;
    }
    sector = backup;
    return true;
}

Text<4> hiddenTagOf(const std::uint8_t* lba0) {
    if (std::memcmp(lba0, kHiddenMark, 8) == 0) return {'O', 'F', 'F', ' '};
    if (std::memcmp(lba0, kHiddenMarkVariant, 8) == 0) return {'B', 'A', 'K', ' '};
    return blankText<4>();
}

std::uint64_t diskSectorsHeld(const PhysicalDiskInfo& disk, platform::DiskSystem& disks) {
    const auto device = disks.openDisk(disk.diskNumber, platform::AccessMode::ReadOnly);
    const std::uint64_t bytes = device ? device->byteSize() : 0;
    const std::uint32_t sectorBytes = disk.bytesPerSector != 0 ? disk.bytesPerSector : kSystemSectorSize;
    return bytes != 0 ? bytes / sectorBytes : disk.totalSectors;
}

GptEntryArray locateGptEntries(const DiskBytesReader& read, std::uint32_t bytesPerSector, std::uint64_t diskSectors) {
    const auto entriesMatch = [&](const std::optional<GptHeader>& header) {
        return header && crc32(readGptEntryArray(read, header->entries, bytesPerSector)) == header->entriesCrc;
    };
    // The backup at the disk's end is read only when the first header or its entries fail: on a
    // failing disk every read costs, and the last sector may be far away.
    const std::optional<GptHeader> primary = readGptHeader(read, bytesPerSector, 1, diskSectors);
    if (entriesMatch(primary)) return primary->entries;
    const std::optional<GptHeader> backup =
        diskSectors > 2 ? readGptHeader(read, bytesPerSector, diskSectors - 1, diskSectors) : std::nullopt;
    if (entriesMatch(backup)) return backup->entries;
    if (primary) return primary->entries;
    if (backup) return backup->entries;
    return {};
}

std::vector<std::uint8_t> readGptEntryArray(const DiskBytesReader& read, const GptEntryArray& array,
                                            std::uint32_t bytesPerSector) {
    const std::uint64_t wanted = std::uint64_t{array.entryCount} * array.entryBytes;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(wanted, kMaxGptEntryArrayBytes)));
    // An array whose place lies beyond what 64 bits of bytes can name holds nothing readable.
    if (array.firstLba <= UINT64_MAX / bytesPerSector) read(array.firstLba * bytesPerSector, bytes);
    return bytes;
}

namespace {

// The sector after a partition's last one: by its table entry, or for a volume from LBA 0 by
// the sector count of its boot sector.
std::uint64_t partitionEnd(const PartitionEntry& entry, const SectorBytes& bootSector) {
    if (!entry.isWholeDiskVolume()) return entry.startLba + entry.sectorCount;
    const BootSector boot = parseBootSector(bootSector);
    switch (fileSystemByShortTags(boot)) {
        case FileSystem::Ntfs: return boot.ntfsSectorCount;
        case FileSystem::Fat16:
        case FileSystem::Fat32: return boot.fatSectorCount();
        case FileSystem::Unknown: break;
    }
    return 0;
}

void markPartitionsPastTheEnd(PhysicalDiskInfo& disk, platform::DiskSystem& disks) {
    if (disk.partitionCount() == 0) return;
    const std::uint64_t held = diskSectorsHeld(disk, disks);
    if (held == 0) return;
    for (int i = 0; i < disk.partitionCount(); ++i) {
        PartitionEntry& entry = disk.partitions[static_cast<std::size_t>(i)];
        entry.pastDiskEnd = partitionEnd(entry, disk.bootSectors[static_cast<std::size_t>(i)]) > held;
    }
}

void discover(PhysicalDiskInfo& disk, platform::DiskSystem& disks, const SectorMaskTable& masks) {
    disk.schemeTag = blankText<4>();
    disk.hiddenTag = blankText<4>();
    disk.partitions = {};
    disk.bootSectors = {};
    disk.unreadableSectors.clear();
    DiskReader reader(disks, masks, disk);

    std::array<std::uint8_t, kSectorBufferSize> head{};
    if (readDiskBytes(disks, masks, disk.diskNumber, 0, head) < kSystemSectorSize) {
        // Without LBA 0 no partition table is known; the volumes may still be found by a scan.
        disk.unreadableSectors.push_back(0);
        return;
    }
    disk.hiddenTag = hiddenTagOf(head.data());
    if (disk.isHidden()) {
        // The partitions of a hidden disk are those of its saved first sectors.
        readDiskBytes(disks, masks, disk.diskNumber, kSavedCopyByteOffset, head);
        reader.useSavedHead(std::span(head).first(kHiddenHeadBytes));
    }
    const std::uint8_t* lba0 = head.data();
    if (!hasBootSignature(lba0)) return;

    if (fileSystemByShortTags(parseBootSector(std::span(head).first<512>())) != FileSystem::Unknown) {
        // A volume boot sector at LBA 0: the whole disk is that one volume.
        disk.partitions[0].startLba = kWholeDiskVolumeMark;
        std::copy_n(lba0, 512, disk.bootSectors[0].begin());
        return;
    }

    Discovery discovery(disk, reader);
    const std::uint8_t* table = lba0 + kMbrEntriesAt;
    if (table[4] == 0xEE) {
        disk.schemeTag = {'G', 'P', 'T', ' '};
        walkGptEntries(discovery, reader, diskSectorsHeld(disk, disks));
        return;
    }
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* entry = table + i * kMbrEntryBytes;
        if (!isAcceptedPartitionType(entry[4])) continue;
        disk.schemeTag = {'M', 'B', 'R', ' '};
        discovery.addPrimary(le32(entry + 8), le32(entry + 12));
    }
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* entry = table + i * kMbrEntryBytes;
        if (isExtendedPartitionType(entry[4])) walkExtendedChain(discovery, reader, le32(entry + 8));
    }
}

}  // namespace

void discoverPartitions(PhysicalDiskInfo& disk, platform::DiskSystem& disks, const SectorMaskTable& masks) {
    discover(disk, disks, masks);
    markPartitionsPastTheEnd(disk, disks);
}

}  // namespace quenzar::disk
