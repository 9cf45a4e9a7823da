// Restoring marked files: each qualifying marked file of the file table is copied from the raw
// disk into the target folder, under a copy of its folder path ("Razd0/Docs/a.doc" for a.doc in
// folder Docs of the root folder of generation 0). Names and data come from the FILE records read
// again from the disk, not from the table. Only the disk is read; only the target folder is
// written.
//
// The test restore (the desktop program's only kind) copies small files that lie in one
// non-resident run; the full restore of the command-line program copies every run up to the
// real size (also runs in extension records), takes resident data from the record, leaves sparse
// runs as holes and decompresses compressed files; it may also write each named stream of a file
// ("a.doc:extra") as a file of its own beside it.
//
// The disk may be failing: a read that fails is tried again, then read sector by sector, and a
// file keeps every sector that could be read, with zeros for the others. A file whose run list
// points outside the volume or uses a cluster twice is not written. Both kinds of damage are
// counted and listed in a text file beside the restored folders.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "text/language.h"
#include "disk/inventory_records.h"
#include "disk/sector_mask.h"
#include "ntfs/file_record.h"
#include "platform/disk_system.h"
#include "recovery/file_statistics.h"
#include "recovery/file_table_entry.h"
#include "recovery/mft_runs.h"

namespace quenzar::recovery {

// The test restore reads one transfer buffer from the first cluster of a file.
inline constexpr std::uint32_t kTestRestoreMaxBytes = 64512;  // FC00h

// The mark of an entry once a restore has passed it.
inline constexpr char kMarkCleared = 0;

// The list of the files a restore could not copy whole, in the target folder beside the restored
// folders (code page 1251, CR LF).
inline constexpr const char* kDamageListFileName = "QuenzarSalvage-damaged.txt";

enum class RestoreMode { Test, Full };

// Where the files lie: the whole disk (read through the sector mask rule beyond the partition
// gap) and the analysed volume's place on it.
struct RestoreSource {
    platform::DiskSystem& disks;
    const disk::SectorMaskTable& masks;
    char diskNumber = '0';
    // The disk's sector size (which every LBA here counts in), the volume's cluster and record sizes.
    VolumeUnits units = {};
    std::uint64_t volumeStartLba = 0;
    // The volume's sectors, which no run of a file may leave; 0: up to the end of the disk.
    std::uint64_t volumeSectorCount = 0;
    // MFT records the analysis could not read: the files they described are missing from the
    // table, so the restore reports them too.
    std::uint64_t unreadableMftRecords = 0;
    // Where the records of the MFT lie (AnalysisResult::mftRuns): the extension records of a
    // file whose attributes continue beyond its own record are read through it. Empty: such a
    // file is taken as far as its own record describes it.
    std::vector<MftRun> mftRuns = {};
    // Those records one by one (AnalysisResult::unreadableRecords), for the list of damaged files.
    std::vector<UnreadableRecord> unreadableRecords = {};
};

// Shared with the progress window while the worker runs; each value is read whole.
struct RestoreProgress {
    std::atomic<std::uint64_t> bytesTotal{0};     // the marked files' sizes
    std::atomic<std::uint64_t> bytesRestored{0};
    std::atomic<std::uint64_t> entriesDone{0};
    std::atomic<std::uint64_t> entriesTotal{0};
    std::atomic<std::uint64_t> filesDone{0};   // marked files passed, whatever became of them
    std::atomic<std::uint64_t> filesTotal{0};  // the marked files
    std::atomic<bool> finished{false};
    // Set by whoever shows the progress to end the restore early (Ctrl+C): the file being copied
    // is removed, no further file is begun, and the report says so.
    std::atomic<bool> stopRequested{false};

    // The file being copied, for the progress window: its folder path under the target folder
    // ("Razd0/Docs/") and its name, code page 1251. Texts are replaced whole under a lock.
    void setCurrentFile(const std::string& folder, const std::string& name);
    std::pair<std::string, std::string> currentFile() const;

private:
    mutable std::mutex currentMutex_;
    std::string currentFolder_;
    std::string currentName_;
};

// Sectors of a restored file that could not be read; the file holds zeros there.
struct UnreadableSectors {
    std::uint64_t fileByte = 0;     // where they lie in the file ...
    std::uint64_t byteCount = 0;    // ... and how many of the file's bytes they held
    std::uint64_t lba = 0;          // the first of them on the disk
    std::uint64_t sectorCount = 0;

    friend bool operator==(const UnreadableSectors&, const UnreadableSectors&) = default;
};

// Why a file's run list cannot be taken as it is.
enum class RunListDamage {
    None,
    OutsideVolume,  // a run reaches beyond the volume's last cluster (into another partition)
    Overlapping,    // two runs share clusters (a file that repeats itself, larger than the volume)
};

// A file the restore could not copy whole as its record describes it.
struct DamagedFile {
    std::string path;  // under the target folder, "/" between names, code page 1251
    RunListDamage runListDamage = RunListDamage::None;  // set: the file was not written
    std::vector<UnreadableSectors> unreadable;          // otherwise: written with zeros there
    // Compressed data that does not decompress from this byte of the file on: the file ends there.
    std::optional<std::uint64_t> compressionDamagedAt = {};

    std::uint64_t unreadableSectorCount() const;
};

// Every marked file is counted once, in exactly one of filesWritten, filesNotCopied,
// readFailures, writeFailures, damagedRunLists and filesNotReached; named streams are counted
// apart.
struct RestoreReport {
    bool diskOpened = false;
    std::uint64_t filesChosen = 0;         // marked files, whatever became of them
    std::uint64_t filesQualified = 0;      // marked files that the mode admits
    std::uint64_t filesWritten = 0;
    std::uint64_t bytesWritten = 0;
    // Marked files whose data the mode does not copy: in the test restore empty files, files over
    // 64,512 bytes and resident, fragmented, sparse or compressed ones; encrypted ones in either
    // mode; the $MFT.
    std::uint64_t filesNotCopied = 0;
    std::uint64_t readFailures = 0;        // a FILE record or data that did not arrive from the disk
    std::uint64_t writeFailures = 0;       // a folder or file that could not be made in the target
    std::uint64_t renamedFiles = 0;        // written as "name (N).ext" beside a namesake of this run
    std::uint64_t filesWithUnreadableSectors = 0;  // written (and counted so), zeros in place of them
    // Written (and counted so) up to the unit where their compressed data stops decompressing.
    std::uint64_t filesWithDamagedCompression = 0;
    std::uint64_t unreadableSectors = 0;           // those sectors, of all files and streams
    std::uint64_t damagedRunLists = 0;             // files not written for a damaged run list
    std::uint64_t unreadableMftRecords = 0;        // records the analysis could not read
    std::vector<UnreadableRecord> unreadableRecords;  // those of them it named, listed with the damaged files
    // Named streams of the restored files, when asked for: found, written as files of their own,
    // not copied (compressed or encrypted), and not read, not written or with a damaged run list.
    std::uint64_t streamsFound = 0;
    std::uint64_t streamsWritten = 0;
    std::uint64_t streamsNotCopied = 0;
    std::uint64_t streamFailures = 0;
    // The list of the damaged files and its own failure to be written.
    bool damageListFailed = false;
    // A restore stopped on request: the file being copied was removed, and it and the files after
    // it were not restored.
    bool stopped = false;
    std::uint64_t filesNotReached = 0;
    std::vector<std::filesystem::path> written;  // every file written, in table order
    std::vector<DamagedFile> damaged;            // files with unreadable sectors or damaged runs, in table order
    std::filesystem::path damageList;            // the list of the damaged files; empty when none was written

    std::uint64_t failures() const { return readFailures + writeFailures; }
    // The files counted in one of the five categories: filesChosen when every file is accounted for.
    std::uint64_t filesAccounted() const {
        return filesWritten + filesNotCopied + readFailures + writeFailures + damagedRunLists + filesNotReached;
    }
    // Whether every chosen file was restored whole, from an MFT read whole.
    bool complete() const {
        return diskOpened && failures() == 0 && unreadableSectors == 0 && damagedRunLists == 0 &&
               filesWithDamagedCompression == 0 &&
               unreadableMftRecords == 0 && streamFailures == 0 && !damageListFailed && !stopped;
    }
};

// The FILE records of the source read again one by one, as the restore reads them (retried and
// sector by sector, through the sector mask), for whoever needs more of a record than the table
// keeps.
class SourceRecords {
public:
    explicit SourceRecords(const RestoreSource& source);
    ~SourceRecords();
    SourceRecords(const SourceRecords&) = delete;
    SourceRecords& operator=(const SourceRecords&) = delete;

    bool isOpen() const;
    // Reads and decodes the FILE record of a table entry into the buffer (update sequence undone);
    // false when it did not arrive or is no good record.
    bool read(const FileTableEntry& entry, std::vector<std::uint8_t>& buffer, ntfs::FileRecordInfo& info);

private:
    class Reader;
    std::unique_ptr<Reader> reader_;
};

// Whether an entry is restored at all: a marked file that is not the $MFT; in the test restore a
// non-empty one within its size (sizes taken whole, not by their low 32 bits). The full restore
// creates empty files too: they exist on the volume.
bool entryQualifies(const FileTableEntry& entry, RestoreMode mode);

// The marked files' sizes, as the progress window shows them as the total.
std::uint64_t markedBytes(const std::vector<FileTableEntry>& table);

// Restores the qualifying marked files of the table into the target folder (which must exist)
// and clears every entry's mark. Folder components come from the ancestor walk: the root folder
// gives "Razd" + generation, a lost folder its table name, any other folder its name read again
// from the disk; every component is made safe (safe_names.h), so nothing lands outside the
// target, and a second file of one name in one run gets a numbered name instead of replacing
// the first. Failures are counted in the report, never passed over; damaged files are also
// listed, in the language given, in kDamageListFileName in the target folder (replacing the list
// of an earlier run). withNamedStreams (full restore only) also writes each named stream of a
// file as "name_stream" beside it; those files count in filesWritten and the failure counts as
// files do.
RestoreReport restoreMarkedFiles(const RestoreSource& source, std::vector<FileTableEntry>& table,
                                 const std::filesystem::path& targetFolder, RestoreMode mode,
                                 RestoreProgress& progress, bool withNamedStreams = false,
                                 text::Language language = text::Language::English);

// The text of the list of damaged files: each file's path, then its unreadable sectors (where
// in the file, where on the disk) or why it was not written; then each FILE record the analysis
// could not read, by number, LBA and the path its folder's index gives. Code page 1251, CR LF;
// empty when no file is damaged and every record was read.
std::string damageListText(const RestoreReport& report, text::Language language);

struct RestoreMessage {
    std::string title;
    std::string text;
};

// The box shown when the restore ends: the target path cut into five lines of 56 characters,
// and, when the restore is not complete, how many files could not be read or written, were
// restored with unreadable sectors or not restored for a damaged run list, how many MFT records
// the analysis could not read, and where the damaged files are listed.
RestoreMessage restoreFinishedMessage(const std::string& targetPath, const RestoreReport& report,
                                      text::Language language);

}  // namespace quenzar::recovery
