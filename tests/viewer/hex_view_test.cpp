// The hex grid, the character column under both codings, the offsets and the cell positions.
#include <gtest/gtest.h>

#include <string>

#include "viewer/hex_view.h"

namespace quenzar::viewer {
namespace {

using Sector = std::array<std::uint8_t, kViewSectorBytes>;

std::string hexLine(const HexText& text, std::size_t line) {
    return std::string(text.data() + line * kHexLineChars, kHexLineChars);
}
std::string charLine(const CharText& text, std::size_t line) {
    return std::string(text.data() + line * kCharLineChars, kCharLineChars);
}

Sector countingSector() {
    Sector sector{};
    for (std::size_t i = 0; i < sector.size(); ++i) sector[i] = static_cast<std::uint8_t>(i);
    return sector;
}

TEST(HexView, InitialAndZeroSectorBlocks) {
    const HexText initialHex = initialHexText();
    const CharText initialChars = initialCharText();
    for (std::size_t line : {0u, 31u}) {
        EXPECT_EQ(hexLine(initialHex, line), ".. .. .. .. .. .. .. ..  .. .. .. .. .. .. .. ..\r\n");
        EXPECT_EQ(charLine(initialChars, line), " ........  ........ \r\n");
    }

    const Sector zeros{};
    HexText hex = initialHex;
    CharText chars = initialChars;
    buildHexText(zeros, hex);
    buildCharText(zeros, kCoding1251, chars);
    for (std::size_t line = 0; line < kHexViewLines; ++line) {
        ASSERT_EQ(hexLine(hex, line), "00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00\r\n");
        ASSERT_EQ(charLine(chars, line), " ........  ........ \r\n");
    }
}

TEST(HexView, EveryByteInItsCell) {
    const Sector sector = countingSector();
    HexText hex = initialHexText();
    buildHexText(sector, hex);
    EXPECT_EQ(hexLine(hex, 0), "00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F\r\n");
    EXPECT_EQ(hexLine(hex, 10), "A0 A1 A2 A3 A4 A5 A6 A7  A8 A9 AA AB AC AD AE AF\r\n");
    EXPECT_EQ(hexLine(hex, 31), "F0 F1 F2 F3 F4 F5 F6 F7  F8 F9 FA FB FC FD FE FF\r\n");

    CharText chars = initialCharText();
    buildCharText(sector, kCoding1251, chars);
    EXPECT_EQ(charLine(chars, 2), "  !\"#$%§.  ()*+,-./ \r\n");  // "&" as the section sign, "'" as "."
    EXPECT_EQ(charLine(chars, 12), " АБВГДЕЖЗ  ИЙКЛМНОП \r\n");
    EXPECT_EQ(charLine(chars, 9), " \x90\x91\x92\x93\x94.\x96\x97  .\x99\x9A\x9B\x9C\x9D\x9E\x9F \r\n");

    buildCharText(sector, kCoding866, chars);
    EXPECT_EQ(charLine(chars, 2), "  !\"#$%§'  ()*.,../ \r\n");  // "+" and "-" as "."
    EXPECT_EQ(charLine(chars, 8), " АБВГДЕЖЗ  ИЙКЛМНОП \r\n");
    EXPECT_EQ(charLine(chars, 10), " абвгдежз  ийклмноп \r\n");
    EXPECT_EQ(charLine(chars, 12), " ........  ........ \r\n");  // box drawing
    EXPECT_EQ(charLine(chars, 14), " рстуфхцч  шщъыьэюя \r\n");
    EXPECT_EQ(charLine(chars, 15), " ........  ........ \r\n");

    // A coding without a table leaves the column as it was.
    const CharText before = chars;
    buildCharText(Sector{}, 'U', chars);
    EXPECT_EQ(chars, before);
}

TEST(HexView, DisplayTableEdges) {
    struct Case { std::uint8_t byte; char coding; char shown; };
    const Case cases[] = {
        {0xC0, kCoding1251, '\xC0'}, {0xC0, kCoding866, '.'},
        {0x80, kCoding1251, '\x80'}, {0x80, kCoding866, '\xC0'},
        {0x26, kCoding1251, '§'}, {0x26, kCoding866, '§'},
        {0xA0, kCoding1251, '.'}, {0xB6, kCoding1251, '.'}, {0x7F, kCoding1251, '\x7F'}, {0x7F, kCoding866, '.'},
        {0xFF, kCoding1251, '\xFF'}, {0xEF, kCoding866, '\xFF'}, {0xF0, kCoding866, '.'},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(displayChar(c.byte, c.coding), c.shown) << std::hex << int(c.byte) << " " << c.coding;
    }
}

TEST(HexView, OffsetsAndCellPositions) {
    const std::string_view offsets = offsetColumn();
    EXPECT_EQ(offsets.size(), 32u * 5 - 2);
    EXPECT_EQ(offsets.substr(0, 10), "000\r\n010\r\n");
    EXPECT_EQ(offsets.substr(offsets.size() - 8), "1E0\r\n1F0");
    // A page of a larger sector shows its bytes' offsets in the sector: the third and the last
    // page of a 4,096-byte sector.
    EXPECT_EQ(offsetColumn(0), offsets);
    const std::string third = offsetColumn(0x400);
    EXPECT_EQ(third.size(), offsets.size());
    EXPECT_EQ(third.substr(0, 10), "400\r\n410\r\n");
    EXPECT_EQ(third.substr(third.size() - 8), "5E0\r\n5F0");
    const std::string last = offsetColumn(0xE00);
    EXPECT_EQ(last.substr(last.size() - 8), "FE0\r\nFF0");

    EXPECT_EQ(hexCellPosition(0, 0), (CellPosition{227, 27}));
    EXPECT_EQ(hexCellPosition(0, 7), (CellPosition{374, 27}));
    EXPECT_EQ(hexCellPosition(31, 8), (CellPosition{402, 523}));
    EXPECT_EQ(charCellPosition(0, 0), (CellPosition{582, 27}));
    EXPECT_EQ(charCellPosition(1, 7), (CellPosition{631, 43}));
    EXPECT_EQ(charCellPosition(31, 15), (CellPosition{701, 523}));
}

}  // namespace
}  // namespace quenzar::viewer
