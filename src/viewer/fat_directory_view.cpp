#include "viewer/fat_directory_view.h"

#include <cstdio>

#include "platform/code_page_1251.h"
#include "platform/little_endian.h"
#include "text/number_texts.h"

namespace quenzar::viewer {
namespace {

using platform::le16;
using platform::le32;
using text::hexByte;

constexpr std::uint8_t kLongNameAttribute = 0x0F;
constexpr std::uint8_t kDeletedMark = 0xE5;

// Name bytes go to the screen as they are, except those that would break the block when it is
// drawn: a zero would end the text, LF and CR would break the line.
char shownChar(std::uint8_t byte) { return byte == 0x00 || byte == 0x0A || byte == 0x0D ? '.' : static_cast<char>(byte); }

void put(std::string& line, std::size_t column, std::string_view text) { line.replace(column, text.size(), text); }

void putUnsigned13(std::string& line, std::size_t column, std::uint32_t value) {
    char field[16];
    std::snprintf(field, sizeof field, "%13u", value);
    put(line, column, field);
}

std::string shortEntryLine(const std::uint8_t* e) {
    std::string line(kFatDirectoryLineChars - 2, ' ');
    for (std::size_t i = 0; i < 8; ++i) line[4 + i] = shownChar(e[i]);
    if (e[0] == kDeletedMark) put(line, 14, "Удал.");
    for (std::size_t i = 0; i < 3; ++i) line[21 + i] = shownChar(e[8 + i]);
    const std::uint8_t attributes = e[11];
    put(line, 27, (attributes & 0x10) != 0 ? "Кат." : (attributes & 0x08) != 0 ? "Том " : "Файл");
    putUnsigned13(line, 33, le32(e + 28));

    char field[16];
    const std::uint16_t date = le16(e + 24);
    std::snprintf(field, sizeof field, "%02u.%02u.%04u", date & 0x1Fu, (date >> 5) & 0x0Fu, (date >> 9) + 1980u);
    put(line, 47, field);
    const std::uint16_t time = le16(e + 22);
    std::snprintf(field, sizeof field, "%02u:%02u", time >> 11, (time >> 5) & 0x3Fu);
    put(line, 59, field);
    putUnsigned13(line, 65, std::uint32_t{le16(e + 20)} * 65536u + le16(e + 26));

    struct Flag {
        std::size_t column;
        std::uint8_t bit;
        char letter;
    };
    static constexpr Flag kFlags[] = {{80, 0x20, 'A'}, {82, 0x01, 'R'}, {84, 0x04, 'S'}, {86, 0x02, 'H'},
                                      {88, 0x10, 'D'}, {90, 0x08, 'V'}, {92, 0x40, '6'}, {94, 0x80, '7'}};
    for (const Flag& flag : kFlags) {
        if ((attributes & flag.bit) != 0) line[flag.column] = flag.letter;
    }
    return line;
}

std::string longNameLine(const std::uint8_t* e) {
    std::string line(kFatDirectoryLineChars - 2, ' ');
    convertLongNameGroup(e + 1, 5, &line[0]);
    convertLongNameGroup(e + 14, 6, &line[5]);
    convertLongNameGroup(e + 28, 2, &line[11]);
    hexByte(e[0], &line[28]);
    line[30] = 'h';
    put(line, 33, "КС=");
    hexByte(e[13], &line[36]);
    line[38] = 'h';
    put(line, 66, "Элемент длинного наименования");
    return line;
}

}  // namespace

void convertLongNameGroup(const std::uint8_t* utf16, std::size_t count, char* dest) {
    std::size_t i = 0;
    for (; i < count; ++i) {
        const std::uint16_t unit = le16(utf16 + 2 * i);
        const auto low = static_cast<std::uint8_t>(unit & 0xFF);
        if (unit >= 0x0410 && unit <= 0x044F) {
            dest[i] = static_cast<char>(low + 0xB0);
        } else if ((unit >> 8) == 0x04) {
            // The rest of the Cyrillic block goes to its own code page 1251 letter (Ё, ё, Ї, ...),
            // as the FILE record decoder converts names: its low byte alone would be a control
            // character or a Latin letter ("ё" would show as "Q").
            dest[i] = platform::cp1251FromCodePoint(unit);
        } else if (unit < 0x100) {
            // LF and CR would break the drawn block's line; like other stored characters they
            // show as ".".
            dest[i] = unit == 0 ? ' ' : unit == 0x0A || unit == 0x0D ? '.' : static_cast<char>(low);
        } else {
            break;
        }
    }
    for (; i < count; ++i) dest[i] = ' ';
}

std::string fatDirectoryLine(std::span<const std::uint8_t, 32> entry) {
    std::string line = entry[11] == kLongNameAttribute ? longNameLine(entry.data()) : shortEntryLine(entry.data());
    line += "\n\r";
    return line;
}

std::string fatDirectoryText(std::span<const std::uint8_t, 512> sector) {
    std::string text;
    text.reserve(16 * kFatDirectoryLineChars);
    for (std::size_t i = 0; i < 16; ++i) text += fatDirectoryLine(sector.subspan(32 * i).first<32>());
    return text;
}

}  // namespace quenzar::viewer
