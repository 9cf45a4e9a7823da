#include "recovery/folder_list_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quenzar::recovery {
namespace {

constexpr std::array<ListColumn, kListColumnCount> kColumns{{
    {{"Наименование файла или папки", "The name of a file or folder"}, 200, 200, ListColumn::Align::Left},
    {{"Размер", "Size"}, 80, 70, ListColumn::Align::Right},
    {{"Создание", "Created"}, 100, 100, ListColumn::Align::Left},
    {{"Модификация", "Modified"}, 100, 100, ListColumn::Align::Left},
    {{"Расш.", "Ext."}, 40, 40, ListColumn::Align::Centre},
    {{"Удален.", "Delete"}, 52, 52, ListColumn::Align::Left},
    {{"#", "#"}, 0, 0, ListColumn::Align::Right},
    {{"ID FILE Record", "ID FILE Record"}, 86, 86, ListColumn::Align::Right},
    {{"LBA FILE Record", "LBA FILE Record"}, 96, 96, ListColumn::Align::Right},
    {{"Кл.нач.данных", "Clust beg. data"}, 82, 82, ListColumn::Align::Right},
    {{"Фрагментов", "Fragments"}, 70, 70, ListColumn::Align::Right},
}};

// Numbers of the record columns in nine places. Unsigned: an LBA beyond 2^31 is a large number,
// not a negative one.
std::string number9(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%9llu", static_cast<unsigned long long>(value));
    return text;
}

std::string fixedText(const char* field, std::size_t capacity) { return std::string(field, strnlen(field, capacity)); }

// The order of a code page 1251 character in the text columns: capitals as small letters, and
// "ё" right after "е" as the Russian alphabet has it (its code would put it before "а").
unsigned collationKey(unsigned char c) {
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF) c = static_cast<unsigned char>(c + 32);
    if (c == 0xA8 || c == 0xB8) return 0xE5u * 2 + 1;  // Ё, ё
    return c * 2u;
}

int compareWithoutCase(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned x = collationKey(static_cast<unsigned char>(a[i]));
        const unsigned y = collationKey(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The number a text spells when each character counts its low four bits as a digit.
std::uint64_t digitValue(const std::string& text) {
    std::uint64_t value = 0;
    for (const char c : text) value = value * 10 + (static_cast<unsigned char>(c) & 0x0Fu);
    return value;
}

bool sortsByNumber(int column) { return column == 1 || column == 5 || column == 8 || column == 9; }

}  // namespace

const std::array<ListColumn, kListColumnCount>& listColumns() { return kColumns; }

std::string listCellText(const FileTableEntry& entry, std::uint32_t tableIndex, int column, text::Language language) {
    switch (column) {
        case 0: return fixedText(entry.name, kEntryNameBytes);
        case 1: {
            if (entry.isFolder()) return "         ";
            char text[24];
            std::snprintf(text, sizeof text, "%11llu", static_cast<unsigned long long>(entry.size()));
            return text;
        }
        case 2: return fixedText(entry.created, kEntryTimeChars);
        case 3: return fixedText(entry.modified, kEntryTimeChars);
        case 4: return std::string(entry.ext, 3);
        case 5:
            if (!entry.isDeleted()) return "";
            if (!text::isRussian(language)) return "Delete";
            return entry.isFolder() ? "Удалена" : "Удален";
        case 6: return number9(tableIndex);
        case 7: return number9(entry.ownId);
        case 8: return number9(entry.recordLba);
        case 9: return entry.firstCluster == 0 ? "" : number9(entry.firstCluster);
        case 10: return entry.fragments == 0 ? "" : number9(entry.fragments);
        default: return "";
    }
}

int listIconOf(const FileTableEntry& entry) {
    if (entry.isFolder()) return 1;
    struct TypeIcon {
        char ext[4];
        int icon;
    };
    static constexpr TypeIcon kIcons[] = {
        {"DOC", 2},  {"RTF", 3},  {"XLS", 4},  {"MDB", 5},  {"PPT", 6},  {"ARJ", 7},  {"RAR", 8},
        {"ZIP", 9},  {"DBX", 10}, {"PST", 11}, {"PSD", 12}, {"AI ", 13}, {"CDR", 14}, {"DWG", 15},
        {"PLA", 16}, {"FH9", 17}, {"PGD", 18}, {"GIF", 19}, {"TIF", 20}, {"JPG", 21}, {"AVI", 22},
        {"MP3", 23}, {"WAW", 24}, {"NEF", 25},
    };
    for (const TypeIcon& type : kIcons) {
        if (std::memcmp(entry.ext, type.ext, 3) == 0) return type.icon;
    }
    return 0;
}

bool nextSortAscending(ListSortState& state, int column) {
    if (column < 0 || column >= kListColumnCount || column == kFragmentsColumn) return false;
    int& code = column == kSizeColumn ? state.sizeCode : state.code;
    const bool ascending = code == 0 || code == 10 * column + 2;
    code = 10 * column + (ascending ? 1 : 2);
    return ascending;
}

void sortedByName(ListSortState& state) { state.code = 10 * kNameColumn + 1; }

void sortListRows(std::vector<std::uint32_t>& rows, const std::vector<FileTableEntry>& table, int column,
                  bool ascending, text::Language language) {
    if (column < 0 || column >= kListColumnCount || column == kFragmentsColumn) return;
    // Keys are made once per row, not once per comparison: a folder may list 100,000 files.
    struct Keyed {
        std::uint32_t row;
        std::string text;
        std::uint64_t number;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (const std::uint32_t row : rows) {
        std::string cell = listCellText(table[row], row, column, language);
        const std::uint64_t number = sortsByNumber(column) ? digitValue(cell) : 0;
        keyed.push_back({row, sortsByNumber(column) ? std::string() : std::move(cell), number});
    }
    const bool byNumber = sortsByNumber(column);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        const int order = byNumber ? (a.number < b.number ? -1 : a.number > b.number ? 1 : 0)
                                   : compareWithoutCase(a.text, b.text);
        return ascending ? order < 0 : order > 0;
    });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].row;
}

}  // namespace quenzar::recovery
