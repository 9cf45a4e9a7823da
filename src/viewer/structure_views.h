// The structure presentations of the sector viewer: the viewed sector decoded as a partition table
// (with the GPT behind a protective entry), an NTFS boot sector, a FAT boot sector, a FAT16 or
// FAT32 table sector or a FAT directory sector. Each presentation is a list of text blocks, each
// drawn with one draw call at its client position; texts are code page 1251.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quenzar::viewer {

// One block of text and the client position of its top left corner.
struct TextBlock {
    int x = 0;
    int y = 0;
    std::string text;
    friend bool operator==(const TextBlock&, const TextBlock&) = default;
};

// The viewed sector and the sectors after it, as one read at the position fills them: four
// sectors, 2,048 bytes on a disk of 512-byte sectors.
inline constexpr std::size_t kViewReadBytes = 2048;
using ViewBytes = std::span<const std::uint8_t>;
// The first 512 bytes of a sector, which the boot-sector, FAT and directory presentations read.
using SectorBytes = std::span<const std::uint8_t, 512>;

// The eight-character name of a partition type; unknown types as "83h     ".
std::string partitionTypeName(std::uint8_t type);

// Partition table: the fixed heading with the row numbers, the four entry lines (79 characters,
// LF CR after each), the GPT heading and its nine lines. The bytes begin with LBA 0 of a disk of
// sectorBytes-byte sectors: the GPT header is LBA 1, its first eight entries lie from LBA 2 on
// (four a sector of 512 bytes, each line labelled with its LBA and place there). Where the bytes
// do not reach that far the GPT lines stay blank.
struct PartitionTableText {
    std::string heading;
    std::string entries;
    std::string gptHeading;
    std::string gptLines;
};
PartitionTableText partitionTableText(ViewBytes bytes, std::size_t sectorBytes = 512);

// The boot-sector tables: the fixed table of field names, offsets and lengths, and over it the
// value column and the hex column, one line per field.
struct BootSectorText {
    std::string table;
    std::string values;
    std::string hex;
};
BootSectorText ntfsBootText(SectorBytes sector);
BootSectorText fatBootText(SectorBytes sector);

// FAT tables: 16 lines of 16 sixteen-bit entries, or of 8 thirty-two-bit entries, LF CR after
// each line. The FAT32 table also has its heading with the row labels beside the lines.
std::string fat16TableText(SectorBytes sector);
std::string fat32TableText(SectorBytes sector);
inline constexpr std::string_view kFat32TableHeading =
    "             1           3           5           7           9           B           D           F ";
std::string fat32RowLabels();  // the heading, then "00" to "F0" one a line

// The legends the viewer paints beside its presentations.
inline constexpr std::string_view kPresentationLegend =
    "FORM  OF PRESENTATION: \r\nHex                 F2 \r\nFILE Record         F3 \r\nDIR FAT             F4 "
    "\r\nTable FAT           F5 \r\nBOOT FAT            F6 \r\nTable partitioning  F7 \r\nBOOT NTFS           F8 ";
inline constexpr std::string_view kNavigationLegend =
    " NAVIGATION:\r\n<Home>      \r\n<Down>      \r\n<Page Up>   \r\n<Page Down> \r\n<Up>        \r\n<End>       ";
inline constexpr std::string_view kAdjustmentOffLegend = "Correct             F9 ";
inline constexpr std::string_view kAdjustmentOnHeading = "ADJUSTMENT ON          ";
inline constexpr std::string_view kAdjustmentOnLegend =
    "View Hex/Sym     <Tab> \r\nCancel           <Esc> \r\nSave               F12 ";
inline constexpr std::string_view kAdjustmentShortLegend = "Cancel           <Esc> \r\nSave               F12 ";

// The viewer's presentations, by the screen mode character that selects them.
enum class Presentation : char {
    Hex = 'H',
    FileRecord = 'M',
    PartitionTable = 'P',
    NtfsBoot = 'N',
    FatBoot = 'B',
    Fat16Table = 'f',
    Fat32Table = 'F',
    FatDirectory = 'D',
};

// The three position panels, drawn around every presentation.
struct PanelTexts {
    std::string physical;
    std::string logical;
    std::string virtualDisk;
};

// Every block a structure presentation paints (the panels and legends at the places that
// presentation gives them, then the structure's own blocks), adjustment off, for bytes read from
// the start of a sector of sectorBytes bytes. Hex and FILE record presentations are not structure
// presentations and give no blocks.
std::vector<TextBlock> structureBlocks(Presentation presentation, ViewBytes bytes, const PanelTexts& panels,
                                       std::size_t sectorBytes = 512);

}  // namespace quenzar::viewer
