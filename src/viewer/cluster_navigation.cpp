#include "viewer/cluster_navigation.h"

#include <algorithm>
#include <cctype>

namespace quenzar::viewer {
namespace {

constexpr text::TextPair kTitle{"Кластер логического диска ?: на HD? ", "Cluster logical drive ?: on HD? "};

constexpr RejectedLetterMessage kRejectedEnglish{
    "Disk with the drive letter identifier\r\non your computer is missing.\r\n\r\nEnter the correct disk number.",
    "THIS LOGICAL DRIVE IS NOT!"};
constexpr RejectedLetterMessage kRejectedRussian{
    "Диск с таким буквенным идентификатором\r\nна компьютере отсутствует.\r\n\r\nВведите правильный номер диска.",
    "ТАКОГО ЛОГИЧЕСКОГО  ДИСКА НЕТ!"};

// The sizes a drive's numbers count in, in bytes.
std::uint64_t diskSectorBytesOf(std::uint32_t diskSectorBytes) { return diskSectorBytes != 0 ? diskSectorBytes : 512; }

std::uint64_t bootSectorBytes(const NavigationDrive& drive) {
    return drive.bytesPerSector != 0 ? drive.bytesPerSector : diskSectorBytesOf(drive.diskSectorBytes);
}

std::uint64_t clusterBytes(const disk::VolumeGeometry& geometry, std::uint64_t bootBytes) {
    return std::uint64_t{geometry.sectorsPerCluster} * bootBytes;
}

}  // namespace

std::string navigationTitle(char letter, char diskDigit, text::Language language) {
    std::string title(kTitle.in(language));
    const std::size_t first = title.find('?');
    title[first] = letter;
    title[title.find('?', first + 1)] = diskDigit;
    return title;
}

std::optional<NavigationDrive> driveOfLetter(const disk::InventoryState& inventory, char letter) {
    // Only the letters C to Z name drives. The dialog's own index, (code AND 1Fh) - 3, would take a
    // digit or a sign for some letter and "[" or "{" for a 25th entry the table does not have.
    if (!std::isalpha(static_cast<unsigned char>(letter))) return std::nullopt;
    const unsigned index = (static_cast<unsigned>(letter) & 0x1Fu) - 3u;
    if (index >= static_cast<unsigned>(disk::kDriveLetterCount)) return std::nullopt;
    const char upper = static_cast<char>(disk::kFirstDriveLetter + index);
    const disk::LogicalDriveInfo& info = inventory.drive(upper);
    // A letter with no volume matched to a disk (no end sector) is as missing as one without a
    // disk: its zeros would send the jump to sector 0 of disk 0.
    if (info.diskNumber == disk::kNotADiskDrive || info.endLba == 0) return std::nullopt;
    NavigationDrive drive;
    drive.letter = upper;
    drive.diskNumber = info.diskNumber;
    drive.fileSystem = info.fileSystem();
    drive.volumeStart = info.startLba;
    drive.volumeEnd = info.endLba;
    drive.diskSectorBytes = static_cast<std::uint32_t>(
        diskSectorBytesOf(inventory.disk(static_cast<char>('0' + info.diskNumber)).bytesPerSector));
    static_cast<disk::VolumeGeometry&>(drive) = info;
    return drive;
}

RegionRows regionRows(const NavigationDrive& drive) {
    if (drive.isNtfs()) {
        return {RegionRow{"BOOT", "0"}, RegionRow{"$MFT", std::to_string(drive.mftCluster)},
                RegionRow{"$MFTMirr", std::to_string(drive.mftMirrorCluster)}, RegionRow{"BOOT_Copy", ""}};
    }
    if (drive.isFat32()) {
        return {RegionRow{}, RegionRow{}, RegionRow{"ROOT", std::to_string(drive.rootCluster)}, RegionRow{"DATA", "2"}};
    }
    return {RegionRow{"DATA", "2"}, RegionRow{}, RegionRow{}, RegionRow{}};
}

std::optional<RejectedLetterMessage> acceptLetter(NavigationState& state, const disk::InventoryState& inventory,
                                                  char letter, bool atOpening, std::uint32_t initialNumber,
                                                  text::Language language) {
    if (letter == '?' || letter == ' ' || letter == 0) {
        state.rows = {};
        return std::nullopt;
    }
    const std::optional<NavigationDrive> drive = driveOfLetter(inventory, letter);
    if (!drive) {
        state.title = navigationTitle('?', '?', language);
        if (atOpening) {
            state.cancelFlag = true;
            return std::nullopt;
        }
        state.rows = {};
        state.okEnabled = false;
        state.drive.reset();
        return text::isRussian(language) ? kRejectedRussian : kRejectedEnglish;
    }
    state.drive = drive;
    state.cancelFlag = false;
    state.okEnabled = true;
    state.title = navigationTitle(drive->letter, static_cast<char>('0' + drive->diskNumber), language);
    state.rows = regionRows(*drive);
    state.numberText = std::to_string(initialNumber);
    return std::nullopt;
}

// Worked out in bytes of the volume: a boot sector may count in other sectors than its disk.
std::uint64_t clusterLba(const NavigationDrive& drive, std::uint32_t cluster) {
    const std::uint64_t diskBytes = diskSectorBytesOf(drive.diskSectorBytes);
    const std::uint64_t bootBytes = bootSectorBytes(drive);
    const std::uint64_t oneCluster = clusterBytes(drive, bootBytes);
    if (drive.isNtfs()) return std::uint64_t{cluster} * oneCluster / diskBytes + drive.volumeStart;
    std::uint64_t dataStart = (drive.reservedSectors + 2ull * drive.sectorsPerFat) * bootBytes;
    if (!drive.isFat32()) dataStart += (std::uint64_t{drive.rootEntries} * 32 + bootBytes - 1) / bootBytes * bootBytes;
    // Clusters 0 and 1 do not exist; they lie before the data area, never before the volume.
    if (cluster < 2) {
        const std::uint64_t back = std::uint64_t{2 - cluster} * oneCluster;
        return drive.volumeStart + (dataStart > back ? dataStart - back : 0) / diskBytes;
    }
    return drive.volumeStart + (dataStart + std::uint64_t{cluster - 2} * oneCluster) / diskBytes;
}

std::uint32_t clusterSectors(const NavigationDrive& drive) {
    const std::uint64_t sectors = clusterBytes(drive, bootSectorBytes(drive)) / diskSectorBytesOf(drive.diskSectorBytes);
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(sectors, 1));
}

std::uint32_t navigationNumber(std::string_view text) {
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

InitialDrive initialDrive(const disk::InventoryState& inventory, char diskDigit, std::uint64_t lba) {
    for (int i = 0; i < disk::kDriveLetterCount; ++i) {
        const disk::LogicalDriveInfo& info = inventory.drives[static_cast<std::size_t>(i)];
        if (info.endLba == 0 || info.diskNumber == disk::kNotADiskDrive || '0' + info.diskNumber != diskDigit) continue;
        if (lba < info.startLba || lba >= info.endLba) continue;
        const std::uint64_t relative = lba - info.startLba;
        const bool ntfs = info.fileSystem() == disk::FileSystem::Ntfs;
        const std::uint64_t diskBytes = diskSectorBytesOf(inventory.disk(diskDigit).bytesPerSector);
        const std::uint64_t oneCluster = clusterBytes(info, info.bytesPerSector != 0 ? info.bytesPerSector : diskBytes);
        const std::uint64_t number = ntfs && oneCluster != 0 ? relative * diskBytes / oneCluster : relative;
        return {static_cast<char>(disk::kFirstDriveLetter + i), static_cast<std::uint32_t>(number)};
    }
    return {};
}

std::optional<NavigationChoice> navigationChoice(const NavigationState& state, bool okPressed) {
    if (!okPressed || state.cancelFlag || !state.drive || !state.okEnabled) return std::nullopt;
    const NavigationDrive& drive = *state.drive;
    NavigationChoice choice;
    choice.lba = clusterLba(drive, navigationNumber(state.numberText));
    choice.diskDigit = static_cast<char>('0' + drive.diskNumber);
    choice.volumeStart = drive.volumeStart;
    choice.volumeEnd = drive.volumeEnd;
    choice.ntfs = drive.isNtfs();
    choice.fat32 = drive.isFat32();
    choice.sectorsPerCluster = clusterSectors(drive);
    return choice;
}

}  // namespace quenzar::viewer
