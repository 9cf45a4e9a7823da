// The disk inventory: the physical disks "0".."7" with up to six partitions each, and the drive
// letters C to Z with the disk and partition each lies on. Every text field is fixed-width, in
// code page 1251, without a terminating zero.
//
// Sector numbers are kept in 64 bits everywhere (a partition table holds 32-bit values, a GPT
// entry or an NTFS boot sector 64-bit ones), so no LBA of a disk beyond 2 TiB is cut.
#pragma once

#include <array>
#include <vector>
#include <cstdint>
#include <string>

#include "disk/file_system.h"
#include "disk/sector_mask.h"
#include "disk/volume_geometry.h"
#include "platform/disk_identity.h"
#include "text/language.h"

namespace quenzar::disk {

inline constexpr int kInventoryDiskCount = 8;   // disk numbers "0".."7"
inline constexpr int kPartitionsPerDisk = 6;
inline constexpr int kDriveLetterCount = 24;    // letters C to Z
inline constexpr char kFirstDriveLetter = 'C';

// The start LBA that marks a disk whose LBA 0 is itself a volume boot sector (no partition
// table): the whole disk is that one volume. The volume's real first sector is 0.
inline constexpr std::uint64_t kWholeDiskVolumeMark = 0xFFFFFFFF;

using SectorBytes = std::array<std::uint8_t, 512>;

// The first eight bytes of LBA 0 of a disk hidden by this program, and the variant form that is
// accepted on reading ("Quenzar ", the fourth character in lower case). Checks of the hidden
// state compare the first four bytes of either form.
inline constexpr char kHiddenMark[] = "QueNzar ";
inline constexpr char kHiddenMarkVariant[] = "Quenzar ";
// Where a hidden disk keeps the copy of its LBA 0 to 3: LBA 58 to 61 (in 512-byte units).
inline constexpr std::uint64_t kSavedCopyByteOffset = 58 * 512;  // 29,696
inline constexpr std::size_t kHiddenHeadBytes = 4 * 512;         // LBA 0 to 3

template <std::size_t N>
using Text = std::array<char, N>;

template <std::size_t N>
constexpr Text<N> blankText() {
    Text<N> text{};
    text.fill(' ');
    return text;
}

// One partition of a disk, in discovery order. An entry whose start LBA is 0 ends the list. Its
// volume geometry comes from its boot sector; a FAT-16 entry keeps rootEntries at discovery as the
// root-entry count / 32, quotient in the low byte and remainder in the high byte, and once matched
// to a drive letter as the count itself.
struct PartitionEntry : VolumeGeometry {
    std::uint64_t startLba = 0;  // 0: no partition; kWholeDiskVolumeMark: LBA 0 is the volume
    // NTFS: total sectors of the boot sector; FAT-32: total sectors - 1; FAT-16: not set; GPT: the
    // entry's ending LBA. Once matched to a drive letter: first sector + total sectors of the volume.
    std::uint64_t extent = 0;
    // The sectors the partition table gives the partition (MBR or extended record count, GPT end -
    // start + 1; 0 for a whole-disk volume, which reaches to the disk's end): the size of the
    // volume a drive letter reaches.
    std::uint64_t sectorCount = 0;
    char driveLetter = 0;  // "C".."Z" once matched; 0 for a disabled partition
    // "NTFS", "FAT3", "FAT1" from the boot sector; once matched: "NTFS", "T-32", "T-16", "????".
    Text<4> fileSystemTag = blankText<4>();
    // The partition reaches past the last sector the disk holds (an image cut short): its last
    // sectors cannot be read. Kept in memory for the screens only; no stored format carries it.
    bool pastDiskEnd = false;

    bool exists() const { return startLba != 0; }
    bool isWholeDiskVolume() const { return startLba == kWholeDiskVolumeMark; }
    // The sector the volume really begins at: 0 for the whole-disk mark, else the start LBA.
    std::uint64_t firstSector() const { return isWholeDiskVolume() ? 0 : startLba; }
};

// What the inventory screen shows of one partition: the three cells of its column.
struct PartitionCell {
    Text<6> fileSystemName = blankText<6>();  // "  NTFS", "FAT-32", "FAT16", ...
    char label = ' ';                         // the drive letter, or the partition number "0".."5"
    Text<8> capacity = blankText<8>();
};

// One physical disk.
struct PhysicalDiskInfo {
    char diskNumber = '0';
    Text<44> connectionType = blankText<44>();  // four blanks, the connection text, blanks
    Text<9> mediaLabel = blankText<9>();        // "Hard"/"Жесткий", "Flash"/"Флэш" or blanks
    std::uint64_t cylinders = 0;
    std::uint32_t tracksPerCylinder = 0;
    std::uint32_t sectorsPerTrack = 0;
    std::uint64_t totalSectors = 0;
    std::uint32_t bytesPerSector = 0;  // used for this disk's primary and GPT partition reads
    std::uint64_t capacityMb = 0;      // decimal megabytes (10^6 bytes)
    Text<8> capacityText = blankText<8>();
    Text<20> serialNumber = blankText<20>();
    Text<8> firmwareRevision = blankText<8>();
    Text<40> model = blankText<40>();
    Text<4> schemeTag = blankText<4>();  // "MBR ", "GPT " or blanks
    Text<4> hiddenTag = blankText<4>();  // "OFF ", "BAK " or blanks
    // The disk's sector mask (LBA 57) lives in the inventory's SectorMaskTable, slot diskNumber.
    std::array<PartitionEntry, kPartitionsPerDisk> partitions{};
    std::array<SectorBytes, kPartitionsPerDisk> bootSectors{};  // first sector of each partition
    std::array<PartitionCell, kPartitionsPerDisk> cells{};      // filled by MatchPartitions
    // Sectors the partition discovery needed and could not read (LBA 0, a partition's boot
    // sector and its copy): what the disk's screen and a failed choice of a volume name.
    std::vector<std::uint64_t> unreadableSectors;

    // IdentifyDisk leaves a "." in the second character of the capacity text of an absent disk.
    bool isPresent() const { return capacityText[1] != '.'; }
    int partitionCount() const {
        int count = 0;
        while (count < kPartitionsPerDisk && partitions[static_cast<std::size_t>(count)].exists()) ++count;
        return count;
    }
    bool isHidden() const { return hiddenTag[0] != ' '; }
    bool isFixedDisk() const;  // media label "Hard"/"Жесткий"
};

// The disk number of a drive letter that is neither removable nor fixed.
inline constexpr std::uint8_t kNotADiskDrive = 255;

// One drive letter, C to Z, with the geometry of the volume behind it once matched.
struct LogicalDriveInfo : VolumeGeometry {
    // The ATA serial number of the disk behind the letter; or the code "ЖД  " (fixed disk that gave
    // no identify data) or "СД  " (removable drive), padded with blanks; or 20 zero bytes (no drive
    // or another drive type).
    Text<20> identity{};
    SectorBytes firstSector{};  // sector 0 of the volume, read through the volume device
    // The disk holding the volume once matched (0..7); 0 before; kNotADiskDrive for letters that
    // are neither removable nor fixed.
    std::uint8_t diskNumber = 0;
    std::uint64_t startLba = 0;  // the volume's first sector on the disk, once matched
    std::uint64_t endLba = 0;    // startLba + total sectors
    Text<6> fileSystemLabel = blankText<6>();  // "  NTFS", "FAT-16", "FAT-32" or "??????"
    Text<8> capacityText = blankText<8>();

    FileSystem fileSystem() const;
};

// The label a lettered volume's file system is kept and shown with ("  NTFS", "FAT-16", "FAT-32",
// "??????"), and the file system a stored label names.
Text<6> volumeLabelOf(FileSystem fileSystem);
FileSystem fileSystemOfLabel(const Text<6>& label);

// The identity codes of drive letters without a serial number.
extern const Text<20> kFixedDriveCode;      // "ЖД  "
extern const Text<20> kRemovableDriveCode;  // "СД  "

// Screen lines: 124 characters each, ended by CR LF.
inline constexpr std::size_t kScreenLineChars = 124;
inline constexpr std::size_t kScreenLineBytes = kScreenLineChars + 2;
inline constexpr std::size_t kScreenHeadingLines = 9;  // lines 0..8
inline constexpr std::size_t kScreenLineCount = kScreenHeadingLines + 3 * kInventoryDiskCount;
inline constexpr std::size_t kDiskBlockChars = 3 * kScreenLineBytes - 2;  // 376: three lines
inline constexpr std::size_t kDiskSummaryChars = 322;

// Everything the inventory knows, built by BuildDiskInventory and read by the rest of the program.
struct InventoryState {
    text::Language language = text::Language::English;  // the media labels of the disks follow it
    std::array<PhysicalDiskInfo, kInventoryDiskCount> disks{};
    std::array<LogicalDriveInfo, kDriveLetterCount> drives{};
    SectorMaskTable masks;  // LBA 57 of every disk identified
    // The system's answer for each disk at its last identification.
    std::array<platform::DeviceIdentity, kInventoryDiskCount> identities{};
    // The inventory text screen: kScreenLineCount lines of 124 characters, each ended by CR LF.
    std::string screen;
    // The caption of each disk in the disk choices (322 characters).
    std::array<std::string, kInventoryDiskCount> summaryLines{};

    PhysicalDiskInfo& disk(char diskNumber) { return disks[static_cast<std::size_t>(diskNumber - '0')]; }
    const PhysicalDiskInfo& disk(char diskNumber) const {
        return disks[static_cast<std::size_t>(diskNumber - '0')];
    }
    LogicalDriveInfo& drive(char letter) { return drives[static_cast<std::size_t>(letter - kFirstDriveLetter)]; }
    const LogicalDriveInfo& drive(char letter) const {
        return drives[static_cast<std::size_t>(letter - kFirstDriveLetter)];
    }
};

inline bool isInventoryDiskNumber(char diskNumber) {
    return diskNumber >= '0' && diskNumber < '0' + kInventoryDiskCount;
}

}  // namespace quenzar::disk
