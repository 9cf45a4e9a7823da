// An analysis of an NTFS volume: the $MFT's own record read and checked, the whole MFT read in
// large pieces and every record decoded into the file table of the work file "~DI_Tmp.tmp".
// It runs in a worker; the progress window reads the stage and counters meanwhile.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "disk/inventory_records.h"
#include "disk/sector_mask.h"
#include "ntfs/mft_run_table.h"
#include "platform/disk_system.h"
#include "platform/stdio_file.h"
#include "recovery/analysis_texts.h"
#include "recovery/directory_tree.h"
#include "recovery/file_statistics.h"
#include "recovery/generations.h"
#include "recovery/mft_runs.h"
#include "recovery/search_filter.h"

namespace quenzar::recovery {

// The counters of FileStatistics as the progress window sees them while the worker counts: the
// worker publishes its own counters every few thousand records and at the end of the extraction.
// Each counter is read whole; the set may be one publication behind, which only the display sees.
struct LiveStatistics {
    std::atomic<std::uint64_t> foldersInUse{0}, foldersDeleted{0};
    std::atomic<std::uint64_t> filesInUse{0}, bytesInUse{0}, filesDeleted{0}, bytesDeleted{0};
    std::atomic<std::uint64_t> matchedInUse{0}, matchedBytesInUse{0}, matchedDeleted{0}, matchedBytesDeleted{0};

    void publish(const FileStatistics& statistics);
    FileStatistics snapshot() const;
};

// Shared between the worker and the window that shows its progress; each value is read whole.
struct AnalysisProgress {
    std::atomic<AnalysisStage> stage{AnalysisStage::Idle};
    std::atomic<std::uint64_t> position{0};
    std::atomic<std::uint64_t> maximum{0};
    std::atomic<bool> finished{false};
    LiveStatistics statistics;
    // Set by the window to end the analysis early: the worker stops at the next record, closes
    // and removes its work file and ends with the outcome Stopped.
    std::atomic<bool> stopRequested{false};
};

struct AnalysisResult {
    AnalysisOutcome outcome = AnalysisOutcome::Completed;
    FileStatistics statistics;
    AnalysisGeometry geometry;
    // The disk's sector size (which every LBA of the result counts in), the volume's cluster and
    // FILE record sizes.
    VolumeUnits units;
    std::uint64_t recordCount = 0;     // records read: the claimed ones, as far as recordLimit goes
    // The records the $MFT's real size claims, and how many its allocated size, its runs and the
    // volume hold. A claim beyond the limit comes from a damaged $MFT record: only recordCount
    // records are read, and the difference is shown (mftClaimText).
    std::uint64_t claimedRecordCount = 0;
    std::uint64_t recordLimit = 0;
    // Sectors of the analysed volume as its boot sector counts them; 0 where no boot sector
    // told (a virtual disk).
    std::uint64_t volumeSectorCount = 0;
    std::uint64_t entriesWritten = 0;  // entries the extraction kept: the first ones of tree.table
    // Where the records of the MFT lie, every run of it (the geometry's table keeps 100): the
    // restore reads the extension records of a file through it.
    std::vector<MftRun> mftRuns;
    // The records counted in statistics.unreadableRecords, in MFT order, each named where the
    // index of one of the table's folders still names it. The folders' indexes are read only when
    // some record could not be read.
    std::vector<UnreadableRecord> unreadableRecords;
    std::filesystem::path workFile;
    platform::FileIdentity workFileIdentity;  // the file the analysis made there, if it made one
    platform::WriteProblem workFileProblem = platform::WriteProblem::None;  // why it was not written
    DirectoryTree tree;                // built when some file matched
};

// Removes the analysis' work file when it still is the file the analysis made; a file of that
// name that this run did not make, or a link put in its place, stays. Returns whether it was
// removed.
bool removeWorkFile(const AnalysisResult& result);

// The MFT is read in pieces of this size: small enough that a piece is still in the processor's
// cache when it is decoded (larger pieces made the analysis slower, not faster), large enough
// for a disk to stream.
inline constexpr std::size_t kMftPieceBytes = 4u << 20;

// A 32-bit program has 2 GiB of address space in all: its table stays well within it. A 64-bit
// one is limited by the machine's memory only (a failed allocation also ends the analysis with
// TableTooLarge).
inline constexpr std::uint64_t kDefaultTableMemoryLimit =
    sizeof(void*) == 4 ? std::uint64_t{1} << 30 : std::uint64_t{64} << 30;

// Everything an analysis works with beside the disks: the filter, the generations of the run,
// the folder of the work file and the progress shown meanwhile.
struct AnalysisContext {
    const SearchFilter& filter;
    GenerationState& generations;
    AnalysisProgress& progress;
    std::filesystem::path workFolder;  // the work file goes here; empty: the current folder
    // The most memory the file table may take (128 bytes an entry, lost folders included); an
    // analysis that needs more ends with TableTooLarge instead of exhausting the process.
    std::uint64_t tableMemoryLimit = kDefaultTableMemoryLimit;
    // The MFT is read in pieces of this many bytes (a multiple of the record size); the window's
    // counters follow every piece. Tests take small pieces to watch an analysis half way.
    std::size_t mftPieceBytes = kMftPieceBytes;
};

// The analysis in its two modes, the body of the worker thread: R, a logical drive, and V, a
// virtual disk.
//
// Mode R: a lettered NTFS volume of the inventory, read through its volume. Reads only; the work
// file in the context's folder is written once the folder tree is built on the extracted table
// (placed folders, files, lost folders last; see saveWorkFile). The $MFT's own record is read
// again when it fails, then taken from its copy in the $MFTMirr; when its runs continue in
// extension records (an ATTRIBUTE_LIST), they are read from there. Refusals (no NTFS drive, a
// $MFT record unreadable in both places, an attribute list whose records cannot be had, an MFT
// beyond 32-bit sectors) write nothing.
AnalysisResult runAnalysis(platform::DiskSystem& disks, const disk::InventoryState& inventory, char driveLetter,
                           AnalysisContext& context);

// The entries the extraction kept, in MFT order, as it made them: the first entries of the
// tree's table with the folders' placing marks cleared, or, when no tree was built, the work file
// as written. Empty when there is neither.
std::vector<FileTableEntry> extractedTable(const AnalysisResult& result);

// A volume that no partition table describes any more, as the virtual-disk dialogs model it:
// its disk, its first sector, its cluster size and where its $MFT lies.
struct VirtualDiskVolume {
    char diskNumber = '0';
    std::uint64_t bootLba = 0;
    std::uint32_t sectorsPerCluster = 0;
    // The disk's sector size and the FILE record size; 0: 512-byte sectors and the size the $MFT's
    // own record gives.
    std::uint32_t sectorBytes = 0;
    std::uint32_t recordBytes = 0;
    ntfs::MftRunTable runTable;  // absolute LBAs on the disk
};

// Mode V, a virtual disk: the MFT read through the whole disk along the run table, each
// piece beyond the partition gap unmasked with the disk's sector mask. Reads only.
AnalysisResult runAnalysis(platform::DiskSystem& disks, const disk::SectorMaskTable& masks,
                           const VirtualDiskVolume& volume, AnalysisContext& context);

}  // namespace quenzar::recovery
