// What an analysis found, counted while the file table is extracted from the MFT.
#pragma once

#include <cstdint>
#include <string>

#include "ntfs/file_record.h"

namespace quenzar::recovery {

// A FILE record that could not be read from the disk, even sector by sector: the file it
// describes is missing from the table. Its folder's index may still name it.
struct UnreadableRecord {
    std::uint64_t number = 0;  // the record's index in the MFT
    // Absolute LBA of its first sector on the disk; 0 where no run of the MFT holds it on the disk
    // (a sparse run, a run list cut short).
    std::uint64_t lba = 0;
    char generation = '0';  // the volume generation the analysis was in when it met the record
    // "Documents/report.doc" below the volume's root, code page 1251, "/" between names, as the
    // index entry that names the record and the folders above it give it; empty when no index of
    // the table's folders names it.
    std::string path;

    friend bool operator==(const UnreadableRecord&, const UnreadableRecord&) = default;
};

struct FileStatistics {
    // Every kept folder record, by state.
    std::uint64_t foldersInUse = 0;
    std::uint64_t foldersDeleted = 0;
    // Every kept file record before filtering; the $MFT record itself is not among files in use.
    std::uint64_t filesInUse = 0;
    std::uint64_t bytesInUse = 0;
    std::uint64_t filesDeleted = 0;
    std::uint64_t bytesDeleted = 0;
    // Files that passed the filter.
    std::uint64_t matchedInUse = 0;
    std::uint64_t matchedBytesInUse = 0;
    std::uint64_t matchedDeleted = 0;
    std::uint64_t matchedBytesDeleted = 0;
    // Records handed to the decoder or found unreadable.
    std::uint64_t recordsProcessed = 0;
    // Records that could not be read from the disk, even one by one.
    std::uint64_t unreadableRecords = 0;
    // Records that were read but failed the decoder's checks (free records among them).
    std::uint64_t rejectedRecords = 0;
    // Where the files' data lie on the volume: the lowest and highest cluster of the runs of every
    // record decoded (the system's own files left out), shown under the tree.
    ntfs::ClusterStatistics clusters;

    std::uint64_t matchedFiles() const { return matchedInUse + matchedDeleted; }
};

}  // namespace quenzar::recovery
