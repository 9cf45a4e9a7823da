#include "viewer/structure_views.h"

#include <cstdio>
#include <cstring>

#include "disk/inventory_records.h"
#include "platform/code_page_1251.h"
#include "platform/little_endian.h"
#include "viewer/fat_directory_view.h"
#include "text/number_texts.h"

namespace quenzar::viewer {
namespace {

using platform::le16;
using platform::le32;
using platform::le64;
using text::decimal13;
using text::decimal5;
using text::hexByte;

void put(std::string& line, std::size_t column, std::string_view text) { line.replace(column, text.size(), text); }

// The rightmost `width` characters of the value printed with "%13u".
std::string decimalRight(std::uint32_t value, std::size_t width) {
    char field[16];
    std::snprintf(field, sizeof field, "%13u", value);
    return std::string(field + 13 - width, width);
}

std::string decimal5Text(std::uint16_t value) {
    std::string field(5, ' ');
    decimal5(value, field.data());
    return field;
}

std::string decimal13Text(std::uint64_t value) {
    std::string field(13, ' ');
    decimal13(value, field.data());
    return field;
}

std::string hexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text(2 * count, ' ');
    for (std::size_t i = 0; i < count; ++i) hexByte(bytes[i], &text[2 * i]);
    return text;
}

// Stored characters as they are, except the three that would cut or break the drawn block.
std::string storedChars(const std::uint8_t* bytes, std::size_t count) {
    std::string text(count, ' ');
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        text[i] = b == 0x00 || b == 0x0A || b == 0x0D ? '.' : static_cast<char>(b);
    }
    return text;
}

// ----- Partition table -----

constexpr std::size_t kPartitionLineChars = 79;  // 77 characters and LF CR
constexpr std::size_t kGptLineChars = 72;
constexpr std::size_t kGptNameChars = 44;

constexpr std::string_view kPartitionHeading =
    " Partit.  Partit.    Flag    Begin. section  Edn of section   Starting       All      \r\n"
    " numberа   type    download  Head Cyl. Sec.  Гол. Цил. Сек.    sector      sectors    \r\n"
    "    1    \r\n    2    \r\n    3    \r\n    4    ";
constexpr std::string_view kGptHeading =
    "  GPT    Name of section         MyLBA Alternate LBA     Beginning        Ending ";
constexpr std::string_view kGptHeaderLabel = " Header  ";
constexpr std::size_t kGptEntryBytes = 128;
constexpr std::size_t kGptEntriesShown = 8;

// The label of the k-th entry line: the LBA the entry lies in and its place there, counted from 1
// (" LBA 2-1 " to " LBA 3-4 " on a disk of 512-byte sectors, " LBA 2-1 " to " LBA 2-8 " on one of
// 4,096-byte sectors).
std::string gptEntryLabel(std::size_t k, std::size_t sectorBytes) {
    const std::size_t byte = k * kGptEntryBytes;
    char label[16];
    std::snprintf(label, sizeof label, " LBA %zu-%zu ", 2 + byte / sectorBytes, byte % sectorBytes / kGptEntryBytes + 1);
    return label;
}

// A disk hidden from the system begins with the hiding mark (in either of its forms, compared by
// their first four bytes); its protective entry and GPT are not its own, so the GPT block is left
// blank.
bool isHiddenDisk(const std::uint8_t* sector) {
    return std::memcmp(sector, disk::kHiddenMark, 4) == 0 || std::memcmp(sector, disk::kHiddenMarkVariant, 4) == 0;
}

std::string partitionLine(const std::uint8_t* e) {
    std::string line(kPartitionLineChars - 2, ' ');
    put(line, 0, partitionTypeName(e[4]));
    const std::uint8_t flag = e[0];
    if (flag == 0x80) {
        put(line, 11, "YES ");
    } else if (flag == 0x00) {
        put(line, 11, "NO  ");
    } else {
        hexByte(flag, &line[11]);
        line[13] = 'h';
    }
    const auto cylinder = [](const std::uint8_t* chs) {
        return static_cast<std::uint16_t>(((chs[1] & 0xC0) << 2) | chs[2]);
    };
    put(line, 18, decimal5Text(e[1]));
    put(line, 23, decimal5Text(cylinder(e + 1)));
    put(line, 28, decimal5Text(e[2] & 0x3F));
    put(line, 34, decimal5Text(e[5]));
    put(line, 39, decimal5Text(cylinder(e + 5)));
    put(line, 44, decimal5Text(e[6] & 0x3F));
    put(line, 50, decimalRight(le32(e + 8), 12));
    put(line, 63, decimalRight(le32(e + 12), 12));
    line += "\n\r";
    return line;
}

// GPT names are UTF-16; Latin and Cyrillic become code page 1251 as in FILE record names. The name
// ends at its first zero character (the rest of the 72 bytes is padding) or at the first
// character outside both blocks.
std::string gptName(const std::uint8_t* utf16) {
    std::string name;
    for (std::size_t i = 0; i < kGptNameChars && i < 36; ++i) {
        const std::uint16_t unit = le16(utf16 + 2 * i);
        if (unit == 0) break;
        if ((unit >> 8) == 0x00) {
            name += unit == 0x0A || unit == 0x0D ? '.' : static_cast<char>(unit);
        } else if (unit >= 0x0410 && unit <= 0x044F) {
            name += static_cast<char>((unit & 0xFF) + 0xB0);
        } else if ((unit >> 8) == 0x04) {
            name += platform::cp1251FromCodePoint(unit);
        } else {
            break;
        }
    }
    return name;
}

std::string gptLines(ViewBytes bytes, std::size_t sectorBytes, bool filled) {
    std::string lines[9];
    for (std::string& line : lines) line.assign(kGptLineChars, ' ');
    // The header (LBA 1) and the first eight entries (from LBA 2) must lie in what was read.
    filled = filled && bytes.size() >= 2 * sectorBytes + kGptEntriesShown * kGptEntryBytes;
    if (filled) {
        const std::uint8_t* header = bytes.data() + sectorBytes;
        put(lines[0], 0, storedChars(header, 8));
        put(lines[0], 16, decimal13Text(le64(header + 24)));
        put(lines[0], 30, decimal13Text(le64(header + 32)));
        put(lines[0], 44, decimal13Text(le64(header + 40)));
        put(lines[0], 58, decimal13Text(le64(header + 48)));
        for (std::size_t k = 0; k < kGptEntriesShown; ++k) {
            const std::uint8_t* entry = bytes.data() + 2 * sectorBytes + kGptEntryBytes * k;
            if (k > 0 && entry[56] == 0) break;
            put(lines[1 + k], 0, gptName(entry + 56));
            put(lines[1 + k], 44, decimal13Text(le64(entry + 32)));
            put(lines[1 + k], 58, decimal13Text(le64(entry + 40)));
        }
    }
    std::string text;
    for (std::size_t i = 0; i < 9; ++i) {
        if (i > 0) text += "\r\n";
        text += i == 0 ? std::string(kGptHeaderLabel) : gptEntryLabel(i - 1, sectorBytes);
        text += lines[i];
    }
    return text;
}

// ----- Boot sectors -----

enum class Shown { Nothing, Characters, Decimal, Decimal12, Decimal4, RecordSize };

struct BootField {
    std::size_t offset;
    std::size_t length;
    std::string_view name;
    Shown shown;
};

constexpr std::string_view kBootHeading = " THE NAME PARAMETER      CHARACTER       HEXADECIMAL   OFFSET LENGTH";
constexpr std::size_t kValueChars = 12;
constexpr std::size_t kHexChars = 16;

constexpr BootField kNtfsBootFields[] = {
    {0x00, 3, "The team of transit.", Shown::Nothing},
    {0x03, 8, "Identifier", Shown::Characters},
    {0x0B, 2, "The size of sector", Shown::Decimal},
    {0x0D, 1, "Sectors per cluster", Shown::Decimal},
    {0x0E, 2, "Reserve sectors", Shown::Decimal},
    {0x10, 3, "Always zeros", Shown::Nothing},
    {0x13, 2, "Not used", Shown::Nothing},
    {0x15, 1, "Descriptor media", Shown::Nothing},
    {0x16, 2, "Not used", Shown::Nothing},
    {0x18, 2, "Sectors on the head", Shown::Decimal},
    {0x1A, 2, "The number of heads", Shown::Decimal},
    {0x1C, 4, "Sectors to section", Shown::Decimal12},
    {0x20, 4, "Not used", Shown::Nothing},
    {0x24, 4, "Configuration", Shown::Nothing},
    {0x28, 8, "Number of sectors", Shown::Decimal12},
    {0x30, 8, "No. cluster $MFT", Shown::Decimal12},
    {0x38, 8, "No. cluster $MFTMirr", Shown::Decimal12},
    {0x40, 4, "Size Of FILE Record", Shown::RecordSize},
    {0x44, 4, "Size Of Index Block", Shown::RecordSize},
    {0x48, 8, "Volume serial number", Shown::Nothing},
};

constexpr BootField kFatBootFields[] = {
    {0x00, 3, "The team of transit.", Shown::Nothing},
    {0x03, 8, "Identifier", Shown::Characters},
    {0x0B, 2, "The size of sector", Shown::Decimal},
    {0x0D, 1, "Sectors per cluster", Shown::Decimal},
    {0x0E, 2, "Reserve sectors", Shown::Decimal},
    {0x10, 1, "The number of FAT", Shown::Decimal},
    {0x11, 2, "Number of elements ROOT", Shown::Decimal},
    {0x13, 2, "Sectors on small disk", Shown::Decimal},
    {0x15, 1, "Descriptor media", Shown::Nothing},
    {0x16, 2, "Size of FAT for FAT16", Shown::Decimal},
    {0x18, 2, "Sectors on the head", Shown::Decimal},
    {0x1A, 2, "The number of heads", Shown::Decimal},
    {0x1C, 4, "Sectors to section", Shown::Decimal12},
    {0x20, 4, "Sectors on the disk", Shown::Decimal12},
    {0x24, 4, "Size of FAT to FAT32", Shown::Decimal12},
    {0x2C, 4, "Cluster ROOT FAT32", Shown::Decimal12},
    {0x30, 2, "Additional information", Shown::Nothing},
    {0x32, 2, "Copy of the BOOT", Shown::Decimal4},
    {0x36, 8, "ID FAT", Shown::Characters},
    {0x52, 8, "ID FAT32", Shown::Characters},
    {0x43, 4, "Volume Serial Number of FAT32", Shown::Nothing},
    {0x27, 4, "Volume Serial Number of FAT16", Shown::Nothing},
};

// A table line: the name from column 1, then the offset in hex and in decimal and the length
// under the heading's OFFSET and LENGTH.
std::string bootTableLine(const BootField& field) {
    std::string line(kBootHeading.size(), ' ');
    put(line, 1, field.name);
    char numbers[24];
    std::snprintf(numbers, sizeof numbers, "%02Xh %3u %5u", static_cast<unsigned>(field.offset),
                  static_cast<unsigned>(field.offset), static_cast<unsigned>(field.length));
    put(line, 54, numbers);
    return line;
}

std::string bootValue(const BootField& field, const std::uint8_t* sector) {
    const std::uint8_t* p = sector + field.offset;
    std::string value(kValueChars, ' ');
    switch (field.shown) {
        case Shown::Nothing:
            break;
        case Shown::Characters:
            put(value, 0, storedChars(p, field.length));
            break;
        case Shown::Decimal:
            value = decimalRight(field.length == 1 ? p[0] : le16(p), kValueChars);
            break;
        case Shown::Decimal12:
            value = decimalRight(le32(p), kValueChars);  // the low 32 bits of the wider fields
            break;
        case Shown::Decimal4:
            put(value, kValueChars - 4, decimalRight(field.length == 2 ? le16(p) : le32(p), 4));
            break;
        case Shown::RecordSize:
            // A negative clusters-per-record (or per index block) byte gives the size in bytes as a
            // power of two: F6h is 2^10 = 1,024 bytes, F4h 2^12 = 4,096; a positive one counts
            // clusters and is shown as it is.
            if (p[0] >= 0x80 && 256 - p[0] <= 31) {
                put(value, kValueChars - 4, decimalRight(std::uint32_t{1} << (256 - p[0]), 4));
            } else {
                put(value, kValueChars - 4, decimalRight(le32(p), 4));
            }
            break;
    }
    return value;
}

template <std::size_t N>
BootSectorText bootText(const BootField (&fields)[N], SectorBytes sector) {
    BootSectorText text;
    text.table = kBootHeading;
    for (std::size_t i = 0; i < N; ++i) {
        const std::string separator = i == 0 ? "" : "\r\n";
        text.table += "\r\n" + bootTableLine(fields[i]);
        text.values += separator + bootValue(fields[i], sector.data());
        std::string hex(kHexChars, ' ');
        put(hex, 0, hexBytes(sector.data() + fields[i].offset, fields[i].length));
        text.hex += separator + hex;
    }
    return text;
}

}  // namespace

std::string partitionTypeName(std::uint8_t type) {
    switch (type) {
        case 0x00: return "СВОБОДЕН";
        case 0x01: return "FAT     ";
        case 0x04: return "DOS-16  ";
        case 0x05: return "EXTEND  ";
        case 0x06: return "FAT-16  ";
        case 0x07: return "NTFS    ";
        case 0x0B: return "FAT32   ";
        case 0x0C: return "FAT32x  ";
        case 0x0E: return "FAT16x  ";
        case 0x0F: return "EXTNDx  ";
        case 0xEE: return "GPT     ";
        default: {
            std::string name = "  h     ";
            hexByte(type, name.data());
            return name;
        }
    }
}

PartitionTableText partitionTableText(ViewBytes bytes, std::size_t sectorBytes) {
    PartitionTableText text;
    text.heading = kPartitionHeading;
    for (std::size_t i = 0; i < 4; ++i) text.entries += partitionLine(bytes.data() + 0x1BE + 16 * i);
    text.gptHeading = kGptHeading;
    const bool protective = bytes[0x1BE + 4] == 0xEE;
    const bool hidden = isHiddenDisk(bytes.data());
    text.gptLines = gptLines(bytes, sectorBytes, protective && !hidden);
    return text;
}

BootSectorText ntfsBootText(SectorBytes sector) { return bootText(kNtfsBootFields, sector); }
BootSectorText fatBootText(SectorBytes sector) { return bootText(kFatBootFields, sector); }

std::string fat16TableText(SectorBytes sector) {
    std::string text;
    for (std::size_t line = 0; line < 16; ++line) {
        for (std::size_t j = 0; j < 16; ++j) {
            const std::uint16_t entry = le16(sector.data() + 2 * (16 * line + j));
            text += entry == 0xFFFF   ? "<EOF>"
                    : entry == 0xFFF8 ? "<BEG>"
                    : entry == 0xFFF7 ? "<BAD>"
                                      : decimal5Text(entry);
            text += ' ';
        }
        text += "\n\r";
    }
    return text;
}

std::string fat32TableText(SectorBytes sector) {
    std::string text;
    for (std::size_t line = 0; line < 16; ++line) {
        for (std::size_t j = 0; j < 8; ++j) {
            const std::uint32_t entry = le32(sector.data() + 4 * (8 * line + j));
            // Only the full FFFFFFF7h reads as bad; 0FFFFFF7h is shown as the number it is.
            text += entry == 0x0FFFFFFF || entry == 0xFFFFFFFF ? "      <EOF>"
                    : entry == 0x0FFFFFF8                      ? "      <BEG>"
                    : entry == 0xFFFFFFF7                      ? "      <BAD>"
                                                               : decimalRight(entry, 11);
            text += ' ';
        }
        text += "\n\r";
    }
    return text;
}

std::string fat32RowLabels() {
    std::string text(kFat32TableHeading);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (char digit : std::string_view(kDigits, 16)) {
        text += "\r\n";
        text += digit;
        text += '0';
    }
    return text;
}

std::vector<TextBlock> structureBlocks(Presentation presentation, ViewBytes bytes, const PanelTexts& panels,
                                       std::size_t sectorBytes) {
    const SectorBytes sector = bytes.first<512>();
    const auto withPanels = [&](int px, int py, int lx, int ly, bool withVirtual, int vx, int vy) {
        std::vector<TextBlock> blocks{{px, py, panels.physical}, {lx, ly, panels.logical}};
        if (withVirtual) blocks.push_back({vx, vy, panels.virtualDisk});
        return blocks;
    };
    const auto add = [](std::vector<TextBlock>& blocks, int x, int y, std::string_view text) {
        blocks.push_back({x, y, std::string(text)});
    };
    std::vector<TextBlock> blocks;
    switch (presentation) {
        case Presentation::PartitionTable: {
            blocks = withPanels(40, 440, 240, 440, true, 440, 440);
            add(blocks, 40, 10, kNavigationLegend);
            add(blocks, 550, 10, kPresentationLegend);
            add(blocks, 240, 530, kAdjustmentOffLegend);
            const PartitionTableText table = partitionTableText(bytes, sectorBytes);
            add(blocks, 65, 155, table.heading);
            add(blocks, 131, 188, table.entries);
            add(blocks, 80, 268, table.gptHeading + "\r\n" + table.gptLines);
            break;
        }
        case Presentation::NtfsBoot: {
            blocks = withPanels(20, 10, 20, 114, true, 20, 204);
            const BootSectorText table = ntfsBootText(sector);
            add(blocks, 227, 27, table.table);
            add(blocks, 369, 43, table.values);
            add(blocks, 471, 43, table.hex);
            break;
        }
        case Presentation::FatBoot: {
            blocks = withPanels(20, 10, 20, 114, true, 20, 216);
            add(blocks, 20, 389, kPresentationLegend);
            const BootSectorText table = fatBootText(sector);
            add(blocks, 227, 27, table.table);
            add(blocks, 377, 43, table.values);
            add(blocks, 471, 43, table.hex);
            break;
        }
        case Presentation::Fat16Table:
        case Presentation::Fat32Table:
            blocks = withPanels(40, 400, 240, 400, false, 0, 0);
            add(blocks, 440, 400, kNavigationLegend);
            add(blocks, 550, 400, kPresentationLegend);
            if (presentation == Presentation::Fat32Table) {
                add(blocks, 10, 20, fat32RowLabels());
                add(blocks, 35, 35, fat32TableText(sector));
            } else {
                add(blocks, 35, 35, fat16TableText(sector));
            }
            break;
        case Presentation::FatDirectory:
            blocks = withPanels(40, 400, 240, 400, false, 0, 0);
            add(blocks, 440, 400, kNavigationLegend);
            add(blocks, 550, 400, kPresentationLegend);
            add(blocks, 135, 500, kAdjustmentOffLegend);
            add(blocks, 10, 20, kFatDirectoryHeading);
            add(blocks, 35, 35, fatDirectoryText(sector));
            break;
        case Presentation::Hex:
        case Presentation::FileRecord:
            break;
    }
    return blocks;
}

}  // namespace quenzar::viewer
