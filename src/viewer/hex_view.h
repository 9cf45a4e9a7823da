// The hex presentation of the sector viewer: the 512 bytes of the viewed sector (or of one page of a
// larger sector) as a hex grid and a character column, pre-built as fixed text blocks so that one draw call paints each, with the
// offsets beside them and the screen positions of every cell.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quenzar::viewer {

inline constexpr std::size_t kViewSectorBytes = 512;
inline constexpr std::size_t kHexViewLines = 32;  // 16 bytes a line

// Hex grid: per line 8 cells, two blanks, 8 cells, CR LF; cells of two upper-case hex digits
// separated by one blank.
inline constexpr std::size_t kHexLineChars = 50;
inline constexpr std::size_t kHexTextChars = kHexViewLines * kHexLineChars;  // 1,600
using HexText = std::array<char, kHexTextChars>;

// Character column: per line one blank, 8 characters, two blanks, 8 characters, one blank, CR LF.
inline constexpr std::size_t kCharLineChars = 22;
inline constexpr std::size_t kCharTextChars = kHexViewLines * kCharLineChars;  // 704
using CharText = std::array<char, kCharTextChars>;

// The single-byte codings of the character column: "W" code page 1251, "D" code page 866.
inline constexpr char kCoding1251 = 'W';
inline constexpr char kCoding866 = 'D';

// Both blocks before any sector is read: ".." in every hex cell, "." in every character cell.
HexText initialHexText();
CharText initialCharText();

// Writes the hex digits of every byte into the cells; blanks and line ends are left as they are.
void buildHexText(std::span<const std::uint8_t, kViewSectorBytes> sector, HexText& text);

// Writes the character of every byte under the coding into the character cells. Any coding other
// than "W" and "D" leaves the column as it was.
void buildCharText(std::span<const std::uint8_t, kViewSectorBytes> sector, char codingMode, CharText& text);

// The character drawn for a byte: code page 1251 draws the byte itself, except control codes and
// the few bytes (27h, 95h, 98h, A0h, B6h) that would not show as one plain character; code page 866
// is converted to the 1251 letter of the same shape where there is one, else ".". The draw call
// takes "&" as a mnemonic prefix, so "&" is drawn as the section sign (A7h) instead.
char displayChar(std::uint8_t byte, char codingMode);

// The offsets 000 to 1F0 beside the grid, one a line, CR LF between lines and none after the last.
std::string_view offsetColumn();
// The same for a page of a larger sector: the offsets in the sector of the page's lines, from
// firstOffset on (400 to 5F0 for the third page of a 4,096-byte sector), three hex digits each.
std::string offsetColumn(std::size_t firstOffset);

// The heading above the grid; it names code page 1251 under either coding.
inline constexpr std::string_view kHexColumnHeading =
    "0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F Character view cp1251";

// Client positions of the cells (line r 0..31, column j 0..15), for the overlay and cursor of the
// adjustment mode. A line is 16 pixels high; a hex cell 21 pixels wide and a character 7, with the
// gap between the two halves of a line.
struct CellPosition {
    int x = 0;
    int y = 0;
    friend bool operator==(const CellPosition&, const CellPosition&) = default;
};
CellPosition hexCellPosition(int line, int column);
CellPosition charCellPosition(int line, int column);

}  // namespace quenzar::viewer
