// The files of an analysis for scripts: each entry of the file table with what its FILE record,
// read again from the disk, tells beyond the table's 128 bytes: the record's sequence number, the
// four times of $STANDARD_INFORMATION whole, the real size, every data run, and the real path
// below the volume's root (UTF-8). The command line writes them as JSON lines and as The Sleuth
// Kit's body file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ntfs/file_record.h"
#include "recovery/file_table_entry.h"
#include "recovery/restore.h"

namespace quenzar::recovery {

struct ListedFile {
    const FileTableEntry* entry = nullptr;  // the table's entry
    bool recordRead = false;                // false: the record no longer reads, only the table's facts
    std::uint16_t sequence = 0;             // the record's sequence number (header 10h)
    std::uint64_t size = 0;                 // the real size of $DATA; 0 for folders
    // FILETIME values (100 ns steps since 1601, UTC) of $STANDARD_INFORMATION; 0 when not read.
    std::uint64_t created = 0, modified = 0, mftModified = 0, accessed = 0;
    // Below the volume's root, "/" between names, UTF-8; a file whose folder is gone starts with its
    // lost folder's name.
    std::string path;
    std::vector<ntfs::DataRun> runs;  // of the unnamed $DATA, sparse ones included
};

// Hands every file and folder of the table (lost folders and the root folder left out), in
// table order, to `take`. Returns false when the disk could not be opened; the table's facts are
// handed over then, without what only the records tell.
bool listFiles(const RestoreSource& source, const std::vector<FileTableEntry>& table,
               const std::function<void(const ListedFile&)>& take);

// A FILETIME as ISO 8601 UTC with its 100-nanosecond digits: "2024-03-01T12:00:00.1234567Z".
std::string isoTime(std::uint64_t fileTime);
// A FILETIME as seconds since 1970-01-01 UTC; 0 for a time before it.
std::int64_t unixTime(std::uint64_t fileTime);

}  // namespace quenzar::recovery
