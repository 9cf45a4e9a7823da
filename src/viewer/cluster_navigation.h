// Cluster navigation: the user names a lettered volume, sees where its main regions begin, types a
// cluster number, and the viewer jumps to the first sector of that cluster. These are the rules
// beneath the navigation dialog: accepting a letter, the title, the region rows, the cluster's LBA
// and the cancel flag the main window reads when the dialog has ended.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/language.h"
#include "disk/inventory_records.h"
#include "viewer/viewer_model.h"

namespace quenzar::viewer {

// The values of the accepted drive, copied from the inventory.
struct NavigationDrive : disk::VolumeGeometry {
    char letter = '?';
    std::uint8_t diskNumber = 0;
    // NTFS or FAT-32; any other file system counts as FAT-16.
    disk::FileSystem fileSystem = disk::FileSystem::Unknown;
    std::uint64_t volumeStart = 0;
    std::uint64_t volumeEnd = 0;
    // The disk's sector size, in which volumeStart, volumeEnd and every LBA count; the geometry's
    // own sizes count in the boot sector's sectors (bytesPerSector), usually the same.
    std::uint32_t diskSectorBytes = 512;

    bool isNtfs() const { return fileSystem == disk::FileSystem::Ntfs; }
    bool isFat32() const { return fileSystem == disk::FileSystem::Fat32; }
};

// One of the four region rows: a label and its value (empty texts for an empty row).
struct RegionRow {
    std::string label;
    std::string value;
    friend bool operator==(const RegionRow&, const RegionRow&) = default;
};
using RegionRows = std::array<RegionRow, 4>;

struct NavigationState {
    std::optional<NavigationDrive> drive;  // the accepted drive
    bool cancelFlag = false;  // set when the initial letter is rejected, cleared on acceptance
    std::string title;
    RegionRows rows{};
    bool okEnabled = false;  // "OK" and the number field
    std::string numberText;  // the cluster number field
};

// The message box of a rejected typed letter.
struct RejectedLetterMessage {
    std::string_view text;
    std::string_view caption;
};

// The dialog's title: the letter and the disk number in their places, "?" for none.
std::string navigationTitle(char letter, char diskDigit, text::Language language);

// The drive of a letter: C to Z in either case, known to the inventory as a volume on a disk.
std::optional<NavigationDrive> driveOfLetter(const disk::InventoryState& inventory, char letter);

// The region rows of a drive.
RegionRows regionRows(const NavigationDrive& drive);

// Accepting a letter (at opening with the initial letter, or typed). "?" or blank empties the rows
// and changes nothing else. A rejected letter puts "?" in the title, and at opening sets the cancel
// flag; a typed one also gives the warning message, empties the rows and the letter and disables
// "OK". An accepted one fills everything and clears the cancel flag; the number field gets the
// initial number.
std::optional<RejectedLetterMessage> acceptLetter(NavigationState& state, const disk::InventoryState& inventory,
                                                  char letter, bool atOpening, std::uint32_t initialNumber,
                                                  text::Language language);

// The first sector of cluster n of the drive, in the disk's sectors. FAT clusters are numbered from
// 2 at the start of the data area, which follows the reserved sectors, the two FATs and (FAT-16
// only) the root folder of root entries x 32 bytes rounded up to whole sectors.
std::uint64_t clusterLba(const NavigationDrive& drive, std::uint32_t cluster);

// The disk's sectors one cluster of the drive spans (at least 1): the step of Page Up and Page Down.
std::uint32_t clusterSectors(const NavigationDrive& drive);

// The number field read as the dialog reads it: decimal digits, anything else as 0.
std::uint32_t navigationNumber(std::string_view text);

// The letter and number the dialog opens with: the lettered volume of the disk that holds the
// viewed sector, and the sector's place in it (NTFS: its cluster; FAT: its sector in the volume).
// "?" and 0 when no lettered volume holds it.
struct InitialDrive {
    char letter = '?';
    std::uint32_t number = 0;
    friend bool operator==(const InitialDrive&, const InitialDrive&) = default;
};
InitialDrive initialDrive(const disk::InventoryState& inventory, char diskDigit, std::uint64_t lba);

// What the viewer takes over when the dialog ends: "OK" with an accepted drive gives the first
// sector of the cluster typed, the drive's disk and volume. Anything else — the cancel flag set,
// or the dialog closed without "OK" — gives nothing, and the viewer goes back to where it was: an
// accepted letter may lie on another disk than the shown sector, whose range it would not describe.
std::optional<NavigationChoice> navigationChoice(const NavigationState& state, bool okPressed);

}  // namespace quenzar::viewer
