// The real names of a file's folders, from the root folder (or the lost folder it lies under)
// down to its own folder: each folder's FILE record read again from the disk, once per run however
// many files lie below it. The restore makes its folders under these names; the file listing for
// scripts prints them as the file's path.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "ntfs/file_record.h"
#include "recovery/file_table_entry.h"

namespace quenzar::recovery {

// Reads and decodes the FILE record of a table entry into the buffer; false when it did not arrive
// or is no good record (the info then holds what was decoded).
using RecordReading =
    std::function<bool(const FileTableEntry& entry, std::vector<std::uint8_t>& buffer, ntfs::FileRecordInfo& info)>;

// The real name of a record's file as the volume stores it (UTF-16); the decoder's code page 1251
// name when no $FILE_NAME can be read whole.
std::u16string recordName(std::span<const std::uint8_t> record, const ntfs::FileRecordInfo& info);

// A file's folders: below the root folder, or below a lost folder (whose name comes first then).
struct FolderChain {
    bool underRoot = true;
    char generation = '0';
    std::vector<std::u16string> names;  // from the far end down to the file's folder
};

class FolderNames {
public:
    FolderNames(const std::vector<FileTableEntry>& table, RecordReading readRecord);

    // The walk goes through every folder up to the root folder or a lost one; a cycle of parent
    // links or a chain deeper than kAncestorChainMax ends at the lost folder of the record where it
    // stopped, as in the tree.
    FolderChain chain(const FileTableEntry& file);

private:
    const std::u16string& nameOnDisk(std::size_t index);

    const std::vector<FileTableEntry>& table_;
    RecordReading readRecord_;
    std::unordered_map<std::uint64_t, std::size_t> firstFolder_;
    std::unordered_map<std::size_t, std::u16string> names_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace quenzar::recovery
