// ATA IDENTIFY DEVICE data as the inventory reads it, and the capacity arithmetic and texts of
// disks and volumes.
#pragma once

#include <cstdint>
#include <optional>

#include "disk/inventory_records.h"

namespace quenzar::disk {

// Word `index` (0..255) of the identify data, little-endian.
std::uint16_t identifyWord(const platform::IdentifyBlock& data, int index);

// The strings are read only when words 10 and 11 are not both zero.
bool hasIdentifyStrings(const platform::IdentifyBlock& data);

// The texts of identify data: serial number (words 10 to 19), firmware revision (words 23 to 26)
// and model (words 27 to 46), each word with its two bytes swapped (ATA string order). A zero
// byte becomes a blank, so that the texts never end early on a screen and a drive letter's
// serial number (read with the same rule) equals its disk's.
struct IdentifyStrings {
    Text<20> serialNumber = blankText<20>();
    Text<8> firmwareRevision = blankText<8>();
    Text<40> model = blankText<40>();
};
IdentifyStrings parseIdentifyStrings(const platform::IdentifyBlock& data);

// The 48-bit sector count (words 100 to 103), used when words 60 to 61 hold 0x0FFFFFFF (the
// disk is too large for the 28-bit count). Nothing when the data does not say so, or when the
// count it gives is 0.
std::optional<std::uint64_t> lba48SectorCount(const platform::IdentifyBlock& data);

// Capacity of sectors in decimal megabytes: total x bytes per sector / 1,000,000.
std::uint64_t capacityMegabytes(std::uint64_t totalSectors, std::uint32_t bytesPerSector);

// The 8-character capacity text: gigabytes with three decimals, four digits, a comma, three
// digits, with up to three leading zeros shown as blanks (500,107 MB: " 500,107"; 512 MB:
// "   0,512"). From 10,000,000 MB (10 TB) on, four digits before the comma no longer suffice;
// the text then gives terabytes with a "TB" suffix, as many decimals as fit ("18,000TB",
// "123,45TB", "1234,5TB", "123456TB"), and eight "*" beyond that.
Text<8> capacityText(std::uint64_t megabytes);

// The connection text of a route (English in both languages), without the leading blanks.
const char* connectionText(platform::ConnectionRoute route);
// The connection text of removable media.
inline constexpr char kRemovableConnectionText[] = "Flash memory card or flash disk";

}  // namespace quenzar::disk
