// The analytical listing "QuenzarSalvage.txt": one fixed-width line per record of the file table
// (the position of its FILE record, size, times, record numbers, state, first data cluster,
// number of fragments) followed by its full name, for studying a damaged volume outside the
// program. Code page 1251, lines ended by CR LF.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/language.h"
#include "disk/inventory_records.h"
#include "platform/stdio_file.h"
#include "recovery/file_table_entry.h"

namespace quenzar::recovery {

inline constexpr const char* kListingFileName = "QuenzarSalvage.txt";
inline constexpr std::size_t kListingHeaderBytes = 137;  // with CR LF
inline constexpr std::size_t kListingColumnsChars = 104; // before the name

// The header line in the language, with CR LF.
std::string listingHeader(text::Language language);

// The line of one entry: 104 characters of columns, the full name and CR LF. Sizes up to
// 99,999,999,999 fill the 11-character column right-aligned (0 and folders: blanks); a larger
// size is written whole rather than cut to its last 11 digits.
std::string listingLine(const FileTableEntry& entry, std::string_view fullName, text::Language language);

// The name of an entry as the table holds it (at most 63 bytes).
std::string tableName(const FileTableEntry& entry);

// Writes the header and one line per entry into the file, replacing a plain file of that name; a
// link or anything else in its place is refused and left as it is. fullName gives the whole name
// of an entry whose table name may be cut (one of 63 bytes); it may return the table name when
// the record cannot be read again. Returns None when everything was written, else the problem.
platform::WriteProblem writeListing(const std::filesystem::path& file, const std::vector<FileTableEntry>& entries,
                  text::Language language, const std::function<std::string(const FileTableEntry&)>& fullName);

}  // namespace quenzar::recovery
