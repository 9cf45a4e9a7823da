// The sector viewer's state: the sectors read at the position, the position itself (disk, LBA, CHS
// and its 13-character text), the range that stepping keeps to, the position saved before a
// navigation dialog, and the presentation shown. Entering the viewer (by sector, by cluster or by
// MFT record) and stepping through sectors are functions of this state; the dialogs and the read
// are the caller's, so the rules can be used without a window.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "disk/inventory_records.h"
#include "disk/chs_address.h"
#include "text/language.h"

namespace quenzar::viewer {

// A disk's sector is shown in pages of 512 bytes: a sector of 512 bytes is one page, a sector of
// 4,096 bytes eight, stepped through one after the other.
inline constexpr std::uint32_t kViewPageBytes = 512;
inline constexpr std::uint32_t kLargestSectorBytes = 4096;
// The viewer reads the viewed sector and the three after it (the partition table presentation
// needs the GPT header in the next sector and its entries after it), and never less than 4,096
// bytes, the largest FILE record, which on a disk of 512-byte sectors spans eight sectors.
inline constexpr std::size_t kViewerReadSectors = 4;
inline constexpr std::size_t kViewerReadMaxBytes = kViewerReadSectors * kLargestSectorBytes;

// The sector size the viewer reads a disk with: the disk's own when it is 512, 1,024, 2,048 or
// 4,096 bytes, else (an absent disk, a size no disk has) 512.
std::uint32_t viewerSectorBytes(std::uint32_t diskSectorBytes);
// How many bytes one read at a position takes on a disk of that sector size.
std::size_t viewerReadBytes(std::uint32_t sectorBytes);

// Where the viewer sources its sector from: sector ("VS") or cluster ("VC") navigation, or the
// MFT record lookup ("RM").
inline constexpr std::string_view kViewSourceSector = "VS";
inline constexpr std::string_view kViewSourceCluster = "VC";
inline constexpr std::string_view kViewSourceRecord = "RM";

struct ViewerPosition {
    char diskDigit = '0';
    std::uint64_t lba = 0;
    disk::ChsAddress chs{0, 0, 1};
    std::string lbaText = std::string(12, ' ') + "0";  // 13 characters, right-aligned
};

// The sectors stepping may reach: the current volume's.
struct ViewerRange {
    std::uint64_t lower = 0;
    std::uint64_t upper = 0;
    friend bool operator==(const ViewerRange&, const ViewerRange&) = default;
};

// The five values saved before a navigation dialog opens, restored when it is cancelled.
struct SavedPosition {
    disk::ChsAddress chs{0, 0, 1};
    std::uint64_t lba = 0;
    char diskDigit = '0';
    friend bool operator==(const SavedPosition&, const SavedPosition&) = default;
};

struct ViewerState {
    // The viewed sector and what follows it, as one read at the position gave them.
    std::array<std::uint8_t, kViewerReadMaxBytes> viewBytes{};
    // The adjustment's working copy of the page shown.
    std::array<std::uint8_t, kViewPageBytes> editSector{};
    // The viewed disk's sector size, and the 512-byte page of the sector the hex presentation
    // shows (0 on a disk of 512-byte sectors).
    std::uint32_t sectorBytes = kViewPageBytes;
    std::uint32_t page = 0;
    ViewerPosition position;
    ViewerRange range;
    SavedPosition saved;
    std::string_view viewSource;
    char screenMode = 0;  // 0 while the viewer is not shown; else the presentation's character
    bool adjustmentOn = false;
    char codingMode = 'W';
    // The current volume's cluster size (the Page Up / Page Down step) and its kind, which picks
    // the FAT16 or FAT32 table presentation.
    std::uint32_t sectorsPerCluster = 1;
    bool fat32Volume = false;

    std::uint32_t pageCount() const { return sectorBytes > kViewPageBytes ? sectorBytes / kViewPageBytes : 1; }
    // The page the hex presentation shows and the adjustment edits.
    std::span<const std::uint8_t, kViewPageBytes> shownPage() const {
        return std::span<const std::uint8_t, kViewPageBytes>(viewBytes.data() + std::size_t{page} * kViewPageBytes,
                                                             kViewPageBytes);
    }
    // The viewed sector as a whole (its first 512 bytes and the rest of it).
    std::span<const std::uint8_t> viewedSector() const { return std::span(viewBytes).first(sectorBytes); }
};

// Cylinder, head and sector of an LBA with the disk's sectors per track S and heads H:
// sector = LBA mod S + 1, t = LBA div S, head = t mod H, cylinder = t div H (the cylinder cut to 32
// bits). All zero while the geometry is unknown (S or H zero).
disk::ChsAddress viewerChs(std::uint64_t lba, std::uint32_t sectorsPerTrack, std::uint32_t heads);

// Moves the position to an LBA of a disk: the CHS and the LBA text follow.
void setPosition(ViewerState& state, char diskDigit, std::uint64_t lba, std::uint32_t sectorsPerTrack,
                 std::uint32_t heads);

void savePosition(ViewerState& state);
// A cancelled navigation: all five saved values come back.
void restorePosition(ViewerState& state);

// What the navigation dialog is handed: "NTFS" (cluster navigation on an NTFS volume), "FAT2"
// (FAT32) or "FAT1" (anything else), with the current volume's geometry.
struct VolumeContext {
    std::string kind;
    std::uint64_t volumeStart = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t rootEntries = 0;
    friend bool operator==(const VolumeContext&, const VolumeContext&) = default;
};

enum class ViewKind { Sector, Cluster };

// Opening sector or cluster navigation: the view source is set, the position saved and the
// context for the dialog built from the volume under the current sector (none: zeros).
VolumeContext beginSectorView(ViewerState& state, ViewKind kind, const disk::LogicalDriveInfo* currentVolume);

// What an accepted navigation dialog gives the viewer.
struct NavigationChoice {
    std::uint64_t lba = 0;
    char diskDigit = '0';
    std::uint64_t volumeStart = 0;
    std::uint64_t volumeEnd = 0;  // first sector after the volume
    bool ntfs = false;
    bool fat32 = false;
    std::uint32_t sectorsPerCluster = 1;
};

// The dialog has ended: cancelled (no choice) restores the saved position; accepted, the range
// becomes the volume (its last sector as upper bound, or its end LBA for cluster navigation on
// NTFS), the position the chosen LBA and disk, and adjustment goes off. Either way the hex
// presentation is shown. Returns true when the sector at the new position is to be read.
bool finishSectorView(ViewerState& state, ViewKind kind, const std::optional<NavigationChoice>& choice,
                      std::uint32_t sectorsPerTrack, std::uint32_t heads);

// The MFT record lookup has given the record's LBA (none: the $MFT has no table): the position is
// saved and moved there, on the page the record begins in (records smaller than a sector share
// one), the view source is "RM" and the FILE record presentation is shown. Returns true when the
// record is to be read.
bool enterRecordView(ViewerState& state, std::optional<std::uint64_t> recordLba, char diskDigit,
                     std::uint32_t sectorsPerTrack, std::uint32_t heads, std::uint32_t page = 0);

// The page of its sector a FILE record begins on: records of 1,024 bytes on a disk of 4,096-byte
// sectors lie four to a sector, in the order of their numbers; a record as large as a sector or
// larger begins with its sector.
std::uint32_t recordPage(std::uint64_t recordNumber, std::uint32_t recordBytes, std::uint32_t sectorBytes);

// Where in the viewed sector the FILE record presentation decodes: the record the shown page
// belongs to when the sector begins with a FILE record smaller than the sector, else the sector's
// start.
std::size_t recordOffsetInSector(const ViewerState& state);

// The keys the viewer answers: F2 to F8 choose the presentation, the others step within the range.
enum class ViewerKey { F2, F3, F4, F5, F6, F7, F8, Up, Down, PageUp, PageDown, Home, End };

// Applies a key; returns true when the position moved and the sector is to be read. In the hex
// presentation of a disk whose sectors are larger than 512 bytes, Up and Down step one page:
// through the pages of the sector, then on to the first page of the next sector (Down) or the
// last page of the one before (Up), so that every byte is reached in order. In the other
// presentations they step a sector. Page Up, Page Down, Home and End step in sectors and show a
// sector's first page.
bool applyViewerKey(ViewerState& state, ViewerKey key, std::uint32_t sectorsPerTrack, std::uint32_t heads);

// The line that says which page of a larger sector the hex presentation shows, 23 characters
// (code page 1251): "Part 3/8 of 4096 bytes"; and the legend line of the keys that step pages.
// Empty on a disk of 512-byte sectors, where a page is the sector.
std::string sectorPartLine(const ViewerState& state, text::Language language);
std::string_view pageStepLegend(const ViewerState& state, text::Language language);

// The legend texts of the hex presentation with their places and colours (0x00BBGGRR).
struct LegendBlock {
    int x = 0;
    int y = 0;
    std::string_view text;
    std::uint32_t colour = 0;
    friend bool operator==(const LegendBlock&, const LegendBlock&) = default;
};
inline constexpr std::uint32_t kLegendGrey = 0x999999;
inline constexpr std::uint32_t kAdjustmentRed = 0xFF0033;
std::vector<LegendBlock> hexLegends(bool adjustmentOn);

}  // namespace quenzar::viewer
