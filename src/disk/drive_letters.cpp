#include "disk/drive_letters.h"

#include <algorithm>
#include <cstring>

#include "disk/boot_sector.h"
#include "disk/identify_data.h"
#include "disk/partition_scan.h"
#include "disk/sector_access.h"

namespace quenzar::disk {
namespace {

template <std::size_t N>
Text<N> textOf(const char* chars) {
    Text<N> text = blankText<N>();
    std::copy_n(chars, std::min(N, std::strlen(chars)), text.begin());
    return text;
}

Text<20> codeText(const char* code) { return textOf<20>(code); }

bool holdsNtfsOrFat(const SectorBytes& sector) {
    return fileSystemByShortTags(parseBootSector(sector)) != FileSystem::Unknown;
}

// Two sectors are the same volume when they are equal apart from byte 65 (41h), which the
// system changes in a mounted volume's boot sector (the dirty flag of a FAT volume).
bool sameBootSector(const SectorBytes& a, const SectorBytes& b) {
    constexpr std::size_t kIgnoredByte = 65;
    return std::equal(a.begin(), a.begin() + kIgnoredByte, b.begin()) &&
           std::equal(a.begin() + kIgnoredByte + 1, a.end(), b.begin() + kIgnoredByte + 1);
}

// The volume a letter of an inventory-lettered disk reaches, if the system has one.
std::optional<platform::VolumeSource> volumeOf(const platform::DeviceIdentity& identity,
                                               const platform::DiskSystem& disks, char diskNumber,
                                               const PartitionEntry& entry, std::uint32_t bytesPerSector) {
    const std::uint64_t startByte = entry.firstSector() * bytesPerSector;
    switch (identity.letters) {
        case platform::LetterSource::ImageWindows:
            return platform::VolumeSource{"", diskNumber, startByte, entry.sectorCount * bytesPerSector};
        case platform::LetterSource::KernelPartitions:
            if (entry.isWholeDiskVolume()) return platform::VolumeSource{disks.diskPath(diskNumber), diskNumber};
            for (const platform::KernelPartition& partition : identity.kernelPartitions) {
                if (partition.startSector * 512 == startByte) {
                    return platform::VolumeSource{partition.devicePath, diskNumber};
                }
            }
            return std::nullopt;
        case platform::LetterSource::System:
            break;
    }
    return std::nullopt;
}

// What a volume's first sector tells: its file system (by the short tags) and its total sectors
// (0 for an unknown file system).
struct VolumeFacts {
    BootSector boot;
    FileSystem fileSystem = FileSystem::Unknown;
    std::uint64_t totalSectors = 0;
};

VolumeFacts volumeFactsOf(const SectorBytes& bootSector) {
    VolumeFacts facts;
    facts.boot = parseBootSector(bootSector);
    facts.fileSystem = fileSystemByShortTags(facts.boot);
    switch (facts.fileSystem) {
        case FileSystem::Ntfs: facts.totalSectors = facts.boot.ntfsSectorCount; break;
        case FileSystem::Fat16: facts.totalSectors = facts.boot.fatSectorCount(); break;
        case FileSystem::Fat32: facts.totalSectors = facts.boot.largeSectorCount; break;
        case FileSystem::Unknown: break;
    }
    return facts;
}

// A volume's first sector through its drive letter, as 4,096 bytes whatever the drive, so that
// volumes with 4 KB sectors answer too. When not even its first 512 bytes can be read, the
// volume's last sector stands in if it holds an NTFS boot sector (the copy NTFS keeps there), so
// that the letter is still matched to its partition.
void readVolumeHead(DiskHandle& volume, std::uint32_t bytesPerSector, std::array<std::uint8_t, kSectorBufferSize>& head) {
    SeekToByte(volume, 0);
    if (readRetrying(volume, head) >= kSystemSectorSize || !volume.isOpen()) return;
    const std::uint64_t volumeBytes = volume.device->byteSize();
    const std::size_t sectorBytes = std::clamp<std::size_t>(bytesPerSector, kSystemSectorSize, kSectorBufferSize);
    if (volumeBytes < 2 * sectorBytes) return;
    std::array<std::uint8_t, kSectorBufferSize> backup{};
    SeekToByte(volume, volumeBytes / sectorBytes * sectorBytes - sectorBytes);
    if (readRetrying(volume, std::span(backup).first(sectorBytes)) < kSystemSectorSize) return;
    if (isNtfsBootSector(std::span(backup).first<512>())) head = backup;
}

// The name the inventory screen shows for a partition without a drive letter.
Text<6> unletteredNameOf(FileSystem fileSystem) {
    switch (fileSystem) {
        case FileSystem::Ntfs: return textOf<6>("NTFS");
        case FileSystem::Fat16: return textOf<6>("FAT16");
        case FileSystem::Fat32: return textOf<6>("FAT-32");
        case FileSystem::Unknown: break;
    }
    return textOf<6>("??????");
}

}  // namespace

Text<6> volumeLabelOf(FileSystem fileSystem) {
    switch (fileSystem) {
        case FileSystem::Ntfs: return textOf<6>("  NTFS");
        case FileSystem::Fat16: return textOf<6>("FAT-16");
        case FileSystem::Fat32: return textOf<6>("FAT-32");
        case FileSystem::Unknown: break;
    }
    return textOf<6>("??????");
}

FileSystem fileSystemOfLabel(const Text<6>& label) {
    for (const FileSystem known : {FileSystem::Ntfs, FileSystem::Fat16, FileSystem::Fat32}) {
        if (label == volumeLabelOf(known)) return known;
    }
    return FileSystem::Unknown;
}

FileSystem LogicalDriveInfo::fileSystem() const { return fileSystemOfLabel(fileSystemLabel); }

const Text<20> kFixedDriveCode = codeText("ЖД  ");
const Text<20> kRemovableDriveCode = codeText("СД  ");

void assignInventoryDriveLetters(InventoryState& state, platform::DiskSystem& disks) {
    const auto lettersFromInventory = [&](std::size_t index) {
        return state.disks[index].isPresent() &&
               state.identities[index].letters != platform::LetterSource::System;
    };
    bool any = false;
    for (std::size_t index = 0; index < state.disks.size(); ++index) any = any || lettersFromInventory(index);
    if (!any) return;

    disks.clearVolumes();
    char letter = 'D';
    for (std::size_t index = 0; index < state.disks.size(); ++index) {
        const PhysicalDiskInfo& disk = state.disks[index];
        if (!lettersFromInventory(index) || disk.isHidden()) continue;
        const std::uint32_t bytesPerSector = std::max<std::uint32_t>(disk.bytesPerSector, 512);
        for (int p = 0; p < disk.partitionCount() && letter <= 'Z'; ++p) {
            const PartitionEntry& entry = disk.partitions[static_cast<std::size_t>(p)];
            SectorBytes asStored{};
            readVolumeBootSector(disks, state.masks, disk.diskNumber, entry.firstSector(), entry.sectorCount,
                                 bytesPerSector, asStored, Unmask::Never);
            if (!holdsNtfsOrFat(asStored)) continue;
            if (auto source = volumeOf(state.identities[index], disks, disk.diskNumber, entry, bytesPerSector)) {
                disks.assignVolume(letter++, std::move(*source));
            }
        }
    }
}

void ScanLogicalDrives(InventoryState& state, platform::DiskSystem& disks) {
    for (int index = 0; index < kDriveLetterCount; ++index) {
        const char letter = static_cast<char>(kFirstDriveLetter + index);
        LogicalDriveInfo& drive = state.drives[static_cast<std::size_t>(index)];
        drive = LogicalDriveInfo{};

        // A letter the inventory gave answers with its disk's identification; any other letter
        // is the system's own.
        platform::MediaKind media = platform::MediaKind::Other;
        std::optional<platform::IdentifyBlock> identifyData;
        std::uint32_t bytesPerSector = 0;
        if (const auto assigned = disks.volumes().find(letter); assigned != disks.volumes().end()) {
            const char diskNumber = assigned->second.diskNumber;
            if (isInventoryDiskNumber(diskNumber)) {
                const platform::DeviceIdentity& identity = state.identities[static_cast<std::size_t>(diskNumber - '0')];
                media = identity.media;
                identifyData = identity.identifyData;
                bytesPerSector = identity.bytesPerSector;
            }
        } else {
            const platform::DeviceIdentity identity = disks.identify(letter);
            if (identity.answered) media = identity.media;
            identifyData = identity.identifyData;
            bytesPerSector = identity.bytesPerSector;
        }

        std::array<std::uint8_t, kSectorBufferSize> head{};
        DiskHandle volume = DiskHandle::forVolume(letter);
        switch (media) {
            case platform::MediaKind::Removable:
                if (!OpenPhysicalDisk(disks, volume)) break;
                readVolumeHead(volume, bytesPerSector, head);
                drive.identity = kRemovableDriveCode;
                break;
            case platform::MediaKind::Fixed:
                drive.identity = identifyData ? parseIdentifyStrings(*identifyData).serialNumber : kFixedDriveCode;
                OpenPhysicalDisk(disks, volume);
                readVolumeHead(volume, bytesPerSector, head);
                break;
            case platform::MediaKind::Other:
                drive.diskNumber = kNotADiskDrive;
                break;
        }
        std::copy_n(head.begin(), drive.firstSector.size(), drive.firstSector.begin());
    }
}

void MatchPartitions(InventoryState& state, char diskNumber) {
    PhysicalDiskInfo& disk = state.disk(diskNumber);
    disk.cells = {};
    if (!disk.isPresent()) return;
    const std::uint32_t bytesPerSector = std::max<std::uint32_t>(disk.bytesPerSector, 512);

    for (int p = 0; p < disk.partitionCount(); ++p) {
        PartitionEntry& entry = disk.partitions[static_cast<std::size_t>(p)];
        const SectorBytes& bootSector = disk.bootSectors[static_cast<std::size_t>(p)];
        PartitionCell& cell = disk.cells[static_cast<std::size_t>(p)];

        LogicalDriveInfo* match = nullptr;
        char matchLetter = 0;
        for (int index = 0; index < kDriveLetterCount && match == nullptr; ++index) {
            LogicalDriveInfo& drive = state.drives[static_cast<std::size_t>(index)];
            const bool candidate = drive.identity == kFixedDriveCode || drive.identity == kRemovableDriveCode ||
                                   drive.identity == disk.serialNumber;
            if (candidate && sameBootSector(bootSector, drive.firstSector)) {
                match = &drive;
                matchLetter = static_cast<char>(kFirstDriveLetter + index);
            }
        }

        if (match != nullptr) {
            const VolumeFacts facts = volumeFactsOf(match->firstSector);
            const BootSector& boot = facts.boot;
            const Text<6> label = volumeLabelOf(facts.fileSystem);
            LogicalDriveInfo& drive = *match;
            drive.diskNumber = static_cast<std::uint8_t>(diskNumber - '0');
            drive.startLba = entry.firstSector();
            drive.endLba = drive.startLba + facts.totalSectors;
            drive.fileSystemLabel = label;
            static_cast<VolumeGeometry&>(drive) = volumeGeometryOf(boot, facts.fileSystem);
            drive.capacityText = facts.fileSystem == FileSystem::Unknown
                                     ? textOf<8>("????????")
                                     : capacityText(capacityMegabytes(facts.totalSectors, bytesPerSector));

            entry.driveLetter = matchLetter;
            std::copy_n(label.begin() + 2, 4, entry.fileSystemTag.begin());
            entry.extent = drive.endLba;
            static_cast<VolumeGeometry&>(entry) = drive;

            cell.fileSystemName = label;
            cell.label = matchLetter;
            cell.capacity = drive.capacityText;
            continue;
        }

        // A disabled partition: its number, and what its own boot sector says.
        entry.driveLetter = 0;
        cell.label = static_cast<char>('0' + p);
        const BootSector boot = parseBootSector(bootSector);
        const FileSystem fileSystem = fileSystemByFullTags(boot);
        std::uint64_t totalSectors = 0;
        switch (fileSystem) {
            case FileSystem::Ntfs: totalSectors = boot.ntfsSectorCount; break;
            case FileSystem::Fat32: totalSectors = boot.largeSectorCount; break;
            case FileSystem::Fat16: totalSectors = boot.fatSectorCount(); break;
            case FileSystem::Unknown: break;
        }
        cell.fileSystemName = unletteredNameOf(fileSystem);
        const bool known = fileSystem != FileSystem::Unknown;
        cell.capacity = known ? capacityText(capacityMegabytes(totalSectors, bytesPerSector)) : textOf<8>("????????");
    }
}

}  // namespace quenzar::disk
