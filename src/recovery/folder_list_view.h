// The list of a folder's files and sub-folders in the tree window: the texts of its eleven
// columns, the icon of each row by its extension, and the order a click on a column header sorts
// the rows in. Portable: the window only shows what this makes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recovery/file_table_entry.h"
#include "text/language.h"

namespace quenzar::recovery {

inline constexpr int kListColumnCount = 11;
inline constexpr int kNameColumn = 0;
inline constexpr int kSizeColumn = 1;
inline constexpr int kIndexColumn = 6;
// A click on the fragments column does not sort.
inline constexpr int kFragmentsColumn = 10;

// The headers and widths (pixels) of the columns in a language; the index column is hidden.
struct ListColumn {
    text::TextPair header;
    int russianWidth;
    int englishWidth;
    enum class Align { Left, Right, Centre } align;
};
const std::array<ListColumn, kListColumnCount>& listColumns();

// The text of one cell of the row of `tableIndex` (code page 1251).
std::string listCellText(const FileTableEntry& entry, std::uint32_t tableIndex, int column, text::Language language);

// The row's icon in the list's image list: 1 a folder; 2 to 25 the catalogue's kinds by
// extension; 0 any other file.
int listIconOf(const FileTableEntry& entry);

// The sort state of the list: 10 x column + 1 ascending, + 2 descending, 0 unsorted. The size
// column keeps its own state, so a size sort and another sort each remember their direction.
struct ListSortState {
    int code = 0;
    int sizeCode = 0;
};
// A header click: the column's direction (ascending unless the column was last sorted ascending),
// kept in the state. False for the column that does not sort.
bool nextSortAscending(ListSortState& state, int column);
// The state after a fill, which sorts by name ascending.
void sortedByName(ListSortState& state);

// Sorts the rows (table indexes) by a column: names, times, extensions, indexes and record
// numbers as texts without regard to case; sizes, the deleted word, LBAs and clusters as the
// numbers their texts spell, each character counting its low four bits as a digit (blanks as 0).
// Stable, so equal keys keep their order.
void sortListRows(std::vector<std::uint32_t>& rows, const std::vector<FileTableEntry>& table, int column,
                  bool ascending, text::Language language);

}  // namespace quenzar::recovery
