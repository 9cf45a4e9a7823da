// Restoring marked files: each qualifying marked file of the file table is copied from the raw
// disk into the target folder, under a copy of its folder path ("Razd0/Docs/a.doc" for a.doc in
// folder Docs of the root folder of generation 0). Names and data come from the FILE records read
// again from the disk, not from the table. Only the disk is read; only the target folder is
// written.
//
// The test restore (the desktop program's only kind) copies small files that lie in one
// non-resident run; the full restore of the command-line program copies every run up to the
// real size, takes resident data from the record and writes sparse runs as zeros; it may also
// write each named stream of a file ("a.doc:extra") as a file of its own beside it.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <utility>
#include <string>
#include <vector>

#include "text/language.h"
#include "disk/inventory_records.h"
#include "disk/sector_mask.h"
#include "platform/disk_system.h"
#include "recovery/file_table_entry.h"

namespace quenzar::recovery {

// The test restore reads one transfer buffer from the first cluster of a file.
inline constexpr std::uint32_t kTestRestoreMaxBytes = 64512;  // FC00h

// The mark of an entry once a restore has passed it.
inline constexpr char kMarkCleared = 0;

enum class RestoreMode { Test, Full };

// Where the files lie: the whole disk (read through the sector mask rule beyond the partition
// gap) and the analysed volume's place on it.
struct RestoreSource {
    platform::DiskSystem& disks;
    const disk::SectorMaskTable& masks;
    char diskNumber = '0';
    std::uint32_t sectorsPerCluster = 0;
    std::uint64_t volumeStartLba = 0;
};

// Shared with the progress window while the worker runs; each value is read whole.
struct RestoreProgress {
    std::atomic<std::uint64_t> bytesTotal{0};     // the marked files' sizes
    std::atomic<std::uint64_t> bytesRestored{0};
    std::atomic<std::uint64_t> entriesDone{0};
    std::atomic<std::uint64_t> entriesTotal{0};
    std::atomic<bool> finished{false};

    // The file being copied, for the progress window: its folder path under the target folder
    // ("Razd0/Docs/") and its name, code page 1251. Texts are replaced whole under a lock.
    void setCurrentFile(const std::string& folder, const std::string& name);
    std::pair<std::string, std::string> currentFile() const;

private:
    mutable std::mutex currentMutex_;
    std::string currentFolder_;
    std::string currentName_;
};

struct RestoreReport {
    bool diskOpened = false;
    std::uint64_t filesQualified = 0;      // marked files that the mode admits
    std::uint64_t filesWritten = 0;
    std::uint64_t bytesWritten = 0;
    // Qualified files whose data the mode does not copy: resident, fragmented or sparse in the
    // test restore; compressed or encrypted in either mode.
    std::uint64_t filesNotCopied = 0;
    std::uint64_t readFailures = 0;        // a FILE record or data that did not arrive from the disk
    std::uint64_t writeFailures = 0;       // a folder or file that could not be made in the target
    std::uint64_t renamedFiles = 0;        // written as "name (N).ext" beside a namesake of this run
    std::uint64_t streamsFound = 0;        // named streams of the restored files, when asked for
    std::vector<std::filesystem::path> written;  // every file written, in table order

    std::uint64_t failures() const { return readFailures + writeFailures; }
};

// Whether an entry is restored at all: a marked non-empty file that is not the $MFT, within the
// test restore's size when that is the mode (sizes taken whole, not by their low 32 bits).
bool entryQualifies(const FileTableEntry& entry, RestoreMode mode);

// The marked files' sizes, as the progress window shows them as the total.
std::uint64_t markedBytes(const std::vector<FileTableEntry>& table);

// Restores the qualifying marked files of the table into the target folder (which must exist)
// and clears every entry's mark. Folder components come from the ancestor walk: the root folder
// gives "Razd" + generation, a lost folder its table name, any other folder its name read again
// from the disk; every component is made safe (safe_names.h), so nothing lands outside the
// target, and a second file of one name in one run gets a numbered name instead of replacing
// the first. Failures are counted in the report, never passed over. withNamedStreams (full
// restore only) also writes each named stream of a file as "name_stream" beside it; those files
// count in filesWritten and the failure counts as files do.
RestoreReport restoreMarkedFiles(const RestoreSource& source, std::vector<FileTableEntry>& table,
                                 const std::filesystem::path& targetFolder, RestoreMode mode,
                                 RestoreProgress& progress, bool withNamedStreams = false);

struct RestoreMessage {
    std::string title;
    std::string text;
};

// The box shown when the restore ends: the target path cut into five lines of 56 characters,
// and, when some files failed, how many could not be read or written.
RestoreMessage restoreFinishedMessage(const std::string& targetPath, const RestoreReport& report,
                                      text::Language language);

}  // namespace quenzar::recovery
