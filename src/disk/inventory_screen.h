// The inventory text screen: nine heading lines, then three lines per disk, 124 characters per
// line, each line ended by CR LF; and the one-line summary of each disk for the disk choices.
#pragma once

#include <string>
#include <string_view>

#include "text/language.h"
#include "disk/inventory_records.h"

namespace quenzar::disk {

// Lines 0 to 8 of the screen: the Russian heading (0 to 2), the English heading (3 to 5), a
// blank line (6) and the shorter Russian heading (7, 8) that the consultation request sends.
std::string_view screenHeadingLine(std::size_t line);

// The three lines of a disk's block (376 characters: lines separated by CR LF, none after the
// last), blank for an absent disk. Columns from 0:
//   line 1: the connection field from column 1 (44 characters, its text from column 5), the
//           hidden-state tag at 37, the scheme tag at 42, the file-system names of the partitions;
//   line 2: from column 1 two blanks, the disk number, a blank, the capacity text, two blanks,
//           the serial number (20 characters); the letters (or partition numbers) with capacities;
//   line 3: the model (40 characters) from column 5; the start LBAs ("%11u").
// The partition cells are 13 columns apart from column 52. Six cells that far apart would reach
// past the 124 columns of the line, so the block of a disk with six partitions sets them 12 apart:
// every cell still shows all its 11 characters and the line keeps its width.
std::string diskBlockText(const PhysicalDiskInfo& disk);

// Where the cell of a partition begins on the disk's lines.
std::size_t partitionCellColumn(const PhysicalDiskInfo& disk, int partition);

// An LBA as "%11u"; a value of more than 11 digits (beyond 51 TB at 512-byte sectors) is shown as
// eleven "*" rather than cut.
Text<11> startLbaText(std::uint64_t lba);

// The 322-character caption of a disk in the disk choices: number, serial number (from its second
// character on), model, capacity, the first letter of the connection text, the scheme tag, CR LF,
// then columns 45 to 123 of the disk's three screen lines (its partition cells).
std::string diskSummaryLine(const PhysicalDiskInfo& disk);

// The line of a disk among the radio buttons of the virtual-disk dialogs, in columns under their
// heading "Disk type       Capacity       Total sectors": the disk number and its media label from
// column 0, the capacity text from column 16, the total sectors from column 31, then the model.
// An absent disk shows its number only.
std::string diskChoiceLine(const PhysicalDiskInfo& disk);

// Writes the whole screen and every summary line of the state from its records.
void renderInventoryScreen(InventoryState& state);

// Line `line` (0-based) of the state's screen, without its CR LF.
std::string_view screenLine(const InventoryState& state, std::size_t line);

// One line (ended by CR LF) for each partition of the inventory that reaches past the end of its
// disk, as a disk image cut short leaves it: which disk, the partition's start LBA, and that its
// last sectors cannot be read. Empty when there is none.
std::string pastDiskEndNotes(const InventoryState& state, text::Language language);

// The heading of one language (three lines, each ended by CR LF) followed by the blocks of the
// eight disks (each line ended by CR LF), as the disk screen shows it.
std::string inventoryScreenText(const InventoryState& state, text::Language language);

}  // namespace quenzar::disk
