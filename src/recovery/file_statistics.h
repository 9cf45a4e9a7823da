// What an analysis found, counted while the file table is extracted from the MFT.
#pragma once

#include <cstdint>

#include "ntfs/file_record.h"

namespace quenzar::recovery {

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
