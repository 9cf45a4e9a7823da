#include "viewer/hex_view.h"

#include "text/number_texts.h"

namespace quenzar::viewer {
namespace {

using text::hexByte;

constexpr char kSectionSign = static_cast<char>(0xA7);

// Where cell j of a line starts in each block: the second half of a line lies one (hex) or two
// (characters) places further on.
constexpr std::size_t hexColumn(std::size_t j) { return 3 * j + (j >= 8 ? 1 : 0); }
constexpr std::size_t charColumn(std::size_t j) { return 1 + j + (j >= 8 ? 2 : 0); }

char from1251(std::uint8_t byte) {
    if (byte < 0x20 || byte == 0x27 || byte == 0x95 || byte == 0x98 || byte == 0xA0 || byte == 0xB6) return '.';
    return static_cast<char>(byte);
}

char from866(std::uint8_t byte) {
    if ((byte >= 0x20 && byte <= 0x2A) || byte == 0x2C || (byte >= 0x2E && byte <= 0x7E)) {
        return static_cast<char>(byte);
    }
    if (byte >= 0x80 && byte <= 0xAF) return static_cast<char>(byte + 0x40);  // А..п -> C0h..EFh
    if (byte >= 0xE0 && byte <= 0xEF) return static_cast<char>(byte + 0x10);  // р..я -> F0h..FFh
    return '.';
}

template <std::size_t N>
std::array<char, N> blankLines(std::size_t lineChars) {
    std::array<char, N> text{};
    text.fill(' ');
    for (std::size_t line = 0; line < kHexViewLines; ++line) {
        text[line * lineChars + lineChars - 2] = '\r';
        text[line * lineChars + lineChars - 1] = '\n';
    }
    return text;
}

constexpr std::array<char, 32 * 5 - 2> makeOffsetColumn(std::size_t firstOffset) {
    std::array<char, 32 * 5 - 2> text{};
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t line = 0; line < kHexViewLines; ++line) {
        const std::size_t offset = firstOffset + line * 16;
        text[5 * line + 0] = kDigits[(offset >> 8) & 0xF];
        text[5 * line + 1] = kDigits[(offset >> 4) & 0xF];
        text[5 * line + 2] = kDigits[offset & 0xF];
        if (line + 1 < kHexViewLines) {
            text[5 * line + 3] = '\r';
            text[5 * line + 4] = '\n';
        }
    }
    return text;
}

constexpr std::array<char, 32 * 5 - 2> kOffsetColumn = makeOffsetColumn(0);

}  // namespace

HexText initialHexText() {
    HexText text = blankLines<kHexTextChars>(kHexLineChars);
    for (std::size_t line = 0; line < kHexViewLines; ++line) {
        for (std::size_t j = 0; j < 16; ++j) {
            text[line * kHexLineChars + hexColumn(j)] = '.';
            text[line * kHexLineChars + hexColumn(j) + 1] = '.';
        }
    }
    return text;
}

CharText initialCharText() {
    CharText text = blankLines<kCharTextChars>(kCharLineChars);
    for (std::size_t line = 0; line < kHexViewLines; ++line) {
        for (std::size_t j = 0; j < 16; ++j) text[line * kCharLineChars + charColumn(j)] = '.';
    }
    return text;
}

void buildHexText(std::span<const std::uint8_t, kViewSectorBytes> sector, HexText& text) {
    for (std::size_t line = 0; line < kHexViewLines; ++line) {
        for (std::size_t j = 0; j < 16; ++j) {
            hexByte(sector[16 * line + j], text.data() + line * kHexLineChars + hexColumn(j));
        }
    }
}

char displayChar(std::uint8_t byte, char codingMode) {
    const char shown = codingMode == kCoding866 ? from866(byte) : from1251(byte);
    return shown == '&' ? kSectionSign : shown;
}

void buildCharText(std::span<const std::uint8_t, kViewSectorBytes> sector, char codingMode, CharText& text) {
    if (codingMode != kCoding1251 && codingMode != kCoding866) return;
    for (std::size_t line = 0; line < kHexViewLines; ++line) {
        for (std::size_t j = 0; j < 16; ++j) {
            text[line * kCharLineChars + charColumn(j)] = displayChar(sector[16 * line + j], codingMode);
        }
    }
}

std::string_view offsetColumn() { return std::string_view(kOffsetColumn.data(), kOffsetColumn.size()); }

std::string offsetColumn(std::size_t firstOffset) {
    const std::array<char, 32 * 5 - 2> text = makeOffsetColumn(firstOffset);
    return std::string(text.data(), text.size());
}

CellPosition hexCellPosition(int line, int column) {
    return CellPosition{column < 8 ? 227 + 21 * column : 234 + 21 * column, 27 + 16 * line};
}

CellPosition charCellPosition(int line, int column) {
    return CellPosition{column < 8 ? 582 + 7 * column : 596 + 7 * column, 27 + 16 * line};
}

}  // namespace quenzar::viewer
