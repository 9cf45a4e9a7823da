// The tree window's list: cell texts, icons, header clicks and the order they sort in.
#include "recovery/folder_list_view.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quenzar::recovery {
namespace {

FileTableEntry entry(const char* name, std::uint64_t size, bool folder = false, bool deleted = false) {
    FileTableEntry e;
    std::strncpy(e.name, name, kEntryNameBytes - 1);
    e.sizeLow = static_cast<std::uint32_t>(size);
    e.sizeHigh = static_cast<std::uint16_t>(size >> 32);
    e.folderFlag = folder ? kFolderFlag : kFileFlag;
    e.deletedFlag = deleted ? kDeletedFlag : kInUseFlag;
    const char* dot = std::strrchr(name, '.');
    for (int i = 0; dot != nullptr && i < 3 && dot[1 + i] != '\0'; ++i) e.ext[i] = static_cast<char>(std::toupper(dot[1 + i]));
    return e;
}

TEST(FolderListViewTest, CellTexts) {
    constexpr auto en = text::Language::English;
    constexpr auto ru = text::Language::Russian;
    FileTableEntry big = entry("big.vhd", 12'345'678'901ull, false, true);
    big.recordLba = 3'000'000'000u;  // beyond 2^31: a large number, never a negative one
    big.firstCluster = 77;
    big.fragments = 3;
    EXPECT_EQ(listCellText(big, 12, 1, en), "12345678901");
    EXPECT_EQ(listCellText(big, 12, 5, en), "Delete");
    EXPECT_EQ(listCellText(big, 12, 5, ru), "Удален");
    EXPECT_EQ(listCellText(big, 12, 6, en), "       12");
    EXPECT_EQ(listCellText(big, 12, 8, en), "3000000000");
    EXPECT_EQ(listCellText(big, 12, 9, en), "       77");
    EXPECT_EQ(listCellText(big, 12, 10, en), "        3");
    const FileTableEntry folder = entry("Документы", 0, true, true);
    EXPECT_EQ(listCellText(folder, 1, 1, en), "         ");
    EXPECT_EQ(listCellText(folder, 1, 5, ru), "Удалена");
    EXPECT_EQ(listCellText(folder, 1, 9, en), "");
    EXPECT_EQ(listCellText(entry("a.txt", 5), 0, 1, en), "          5");
    EXPECT_EQ(listCellText(entry("a.txt", 5), 0, 5, en), "");

    EXPECT_EQ(listIconOf(folder), 1);
    EXPECT_EQ(listIconOf(entry("r.doc", 1)), 2);
    EXPECT_EQ(listIconOf(entry("s.nef", 1)), 25);
    EXPECT_EQ(listIconOf(entry("t.exe", 1)), 0);
}

TEST(FolderListViewTest, HeaderClicks) {
    ListSortState state;
    sortedByName(state);
    EXPECT_FALSE(nextSortAscending(state, 0));  // name was ascending: now descending
    EXPECT_TRUE(nextSortAscending(state, 0));   // and back
    // Another column after a sorted one starts descending; its second click ascends.
    EXPECT_FALSE(nextSortAscending(state, 2));
    EXPECT_TRUE(nextSortAscending(state, 2));
    // The size column keeps its own state.
    EXPECT_TRUE(nextSortAscending(state, 1));
    EXPECT_FALSE(nextSortAscending(state, 1));
    EXPECT_EQ(state.code, 21);
    EXPECT_FALSE(nextSortAscending(state, kFragmentsColumn));
    EXPECT_EQ(state.code, 21);
}

TEST(FolderListViewTest, SortOrders) {
    const std::vector<FileTableEntry> table = {
        entry("beta.txt", 20), entry("Альфа.doc", 3, false, true), entry("alpha.txt", 100),
        entry("Ёлка.txt", 12'345'678'901ull), entry("папка", 0, true),
    };
    std::vector<std::uint32_t> rows = {0, 1, 2, 3, 4};
    sortListRows(rows, table, 0, true, text::Language::English);
    EXPECT_EQ(rows, (std::vector<std::uint32_t>{2, 0, 1, 3, 4}));  // Latin, then Cyrillic, case ignored
    sortListRows(rows, table, 1, true, text::Language::English);
    EXPECT_EQ(rows, (std::vector<std::uint32_t>{4, 1, 0, 2, 3}));  // the folder's blanks count as 0
    sortListRows(rows, table, 1, false, text::Language::English);
    EXPECT_EQ(rows, (std::vector<std::uint32_t>{3, 2, 0, 1, 4}));
    // The deleted word puts deleted rows after the rows in use.
    sortListRows(rows, table, 5, true, text::Language::Russian);
    EXPECT_EQ(rows.back(), 1u);
}

}  // namespace
}  // namespace quenzar::recovery
