#include "disk/drive_letters.h"

#include <algorithm>
#include <cstring>

#include "disk/identify_data.h"
#include "disk/sector_access.h"
#include "platform/little_endian.h"

namespace quenzar::disk {
namespace {

using platform::le16;
using platform::le32;
using platform::le64;

bool textAt(const std::uint8_t* sector, std::size_t offset, const char* text) {
    return std::memcmp(sector + offset, text, std::strlen(text)) == 0;
}

template <std::size_t N>
Text<N> textOf(const char* chars) {
    Text<N> text = blankText<N>();
    std::copy_n(chars, std::min(N, std::strlen(chars)), text.begin());
    return text;
}

Text<20> codeText(const char* code) { return textOf<20>(code); }

bool holdsNtfsOrFat(const SectorBytes& sector) {
    return textAt(sector.data(), 3, "NT") || textAt(sector.data(), 0x36, "FA") || textAt(sector.data(), 0x52, "FA");
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

// The file-system label of a volume's first sector ("  NTFS", "FAT-16", "FAT-32"; "??????" for any
// other) and its total sectors (0 for an unknown file system).
struct VolumeFacts {
    Text<6> label;
    std::uint64_t totalSectors = 0;
};

VolumeFacts volumeFactsOf(const SectorBytes& bootSector) {
    const std::uint8_t* p = bootSector.data();
    if (textAt(p, 3, "NT")) return {textOf<6>("  NTFS"), le64(p + 0x28)};
    if (textAt(p, 0x36, "FA")) {
        const std::uint16_t smallCount = le16(p + 0x13);
        return {textOf<6>("FAT-16"), smallCount != 0 ? smallCount : le32(p + 0x20)};
    }
    if (textAt(p, 0x52, "FA")) return {textOf<6>("FAT-32"), le32(p + 0x20)};
    return {textOf<6>("??????"), 0};
}

}  // namespace

const Text<20> kFixedDriveCode = codeText("ЖД  ");
const Text<20> kRemovableDriveCode = codeText("СД  ");

void AssignInventoryDriveLetters(InventoryState& state, platform::DiskSystem& disks) {
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
            readDiskBytes(disks, state.masks, disk.diskNumber, entry.firstSector() * bytesPerSector, asStored,
                          Unmask::Never);
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
        if (const auto assigned = disks.volumes().find(letter); assigned != disks.volumes().end()) {
            const char diskNumber = assigned->second.diskNumber;
            if (isInventoryDiskNumber(diskNumber)) {
                const platform::DeviceIdentity& identity = state.identities[static_cast<std::size_t>(diskNumber - '0')];
                media = identity.media;
                identifyData = identity.identifyData;
            }
        } else {
            const platform::DeviceIdentity identity = disks.identify(letter);
            if (identity.answered) media = identity.media;
            identifyData = identity.identifyData;
        }

        // The first sector is read as 4,096 bytes whatever the drive, so that volumes with 4 KB
        // sectors answer too.
        std::array<std::uint8_t, kSectorBufferSize> head{};
        switch (media) {
            case platform::MediaKind::Removable: {
                DiskHandle handle = DiskHandle::forVolume(letter);
                if (!OpenPhysicalDisk(disks, handle)) break;
                ReadSectors(handle, head);
                ClosePhysicalDisk(handle);
                drive.identity = kRemovableDriveCode;
                break;
            }
            case platform::MediaKind::Fixed:
                drive.identity = identifyData ? parseIdentifyStrings(*identifyData).serialNumber : kFixedDriveCode;
                readVolumeBytes(disks, letter, 0, head);
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
            const std::uint8_t* p8 = match->firstSector.data();
            LogicalDriveInfo& drive = *match;
            drive.diskNumber = static_cast<std::uint8_t>(diskNumber - '0');
            drive.startLba = entry.firstSector();
            drive.endLba = drive.startLba + facts.totalSectors;
            drive.fileSystemLabel = facts.label;
            drive.sectorsPerCluster = 0;
            drive.reservedSectors = 0;
            drive.sectorsPerFat = drive.rootCluster = 0;
            drive.rootEntries = 0;
            drive.mftCluster = drive.mftMirrorCluster = 0;
            if (facts.label[2] == 'N') {
                drive.sectorsPerCluster = p8[0x0D];
                drive.mftCluster = le64(p8 + 0x30);
                drive.mftMirrorCluster = le64(p8 + 0x38);
            } else if (facts.label[5] == '6') {
                drive.sectorsPerCluster = p8[0x0D];
                drive.reservedSectors = le16(p8 + 0x0E);
                drive.sectorsPerFat = le16(p8 + 0x16);
                drive.rootCluster = 2;
                drive.rootEntries = le16(p8 + 0x11);
            } else if (facts.label[5] == '2') {
                drive.sectorsPerCluster = p8[0x0D];
                drive.reservedSectors = le16(p8 + 0x0E);
                drive.sectorsPerFat = le32(p8 + 0x24);
                drive.rootCluster = le32(p8 + 0x2C);
            }
            drive.capacityText = facts.label[0] == '?'
                                     ? textOf<8>("????????")
                                     : capacityText(capacityMegabytes(facts.totalSectors, bytesPerSector));

            entry.driveLetter = matchLetter;
            std::copy_n(facts.label.begin() + 2, 4, entry.fileSystemTag.begin());
            entry.extent = drive.endLba;
            entry.sectorsPerCluster = drive.sectorsPerCluster;
            entry.reservedSectors = drive.reservedSectors;
            entry.sectorsPerFat = drive.sectorsPerFat;
            entry.rootCluster = drive.rootCluster;
            entry.rootEntries = drive.rootEntries;
            entry.mftCluster = drive.mftCluster;
            entry.mftMirrorCluster = drive.mftMirrorCluster;

            cell.fileSystemName = facts.label;
            cell.label = matchLetter;
            cell.capacity = drive.capacityText;
            continue;
        }

        // A disabled partition: its number, and what its own boot sector says.
        entry.driveLetter = 0;
        cell.label = static_cast<char>('0' + p);
        const std::uint8_t* b = bootSector.data();
        std::uint64_t totalSectors = 0;
        bool known = true;
        if (textAt(b, 3, "NTFS")) {
            cell.fileSystemName = textOf<6>("NTFS");
            totalSectors = le64(b + 0x28);
        } else if (textAt(b, 0x52, "FAT3")) {
            cell.fileSystemName = textOf<6>("FAT-32");
            totalSectors = le32(b + 0x20);
        } else if (textAt(b, 0x36, "FAT1")) {
            // A FAT-16 volume below 32 MiB counts its sectors in the 16-bit field at 13h and
            // leaves the one at 20h zero.
            cell.fileSystemName = textOf<6>("FAT16");
            totalSectors = le16(b + 0x13) != 0 ? le16(b + 0x13) : le32(b + 0x20);
        } else {
            cell.fileSystemName = textOf<6>("??????");
            known = false;
        }
        cell.capacity = known ? capacityText(capacityMegabytes(totalSectors, bytesPerSector)) : textOf<8>("????????");
    }
}

}  // namespace quenzar::disk
