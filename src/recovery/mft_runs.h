// Where the records of the MFT lie: the $MFT's own data runs turned into ranges of record indexes
// and sectors. Records are 1,024 bytes on 512-byte sectors, so a run of n clusters of s sectors
// holds n*s/2 records and record i of a run lies two sectors further than record i-1.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/file_record.h"

namespace quenzar::recovery {

inline constexpr std::uint32_t kMftRecordBytes = 1024;
inline constexpr std::uint32_t kSectorsPerRecord = 2;
inline constexpr std::size_t kGeometryRunRows = 100;

// One row of the run table kept for the recovery order: all three values are 32 bits wide there.
struct GeometryRunRow {
    std::uint32_t firstRecord = 0;
    std::uint32_t lastRecord = 0;
    std::uint32_t startLba = 0;  // absolute on the disk; 0 ends the table

    friend bool operator==(const GeometryRunRow&, const GeometryRunRow&) = default;
};
using GeometryRunTable = std::array<GeometryRunRow, kGeometryRunRows>;

// The geometry of the analysed volume, kept after the analysis for the recovery order.
struct AnalysisGeometry {
    std::uint32_t lastRecordIndex = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t volumeStartLba = 0;
    GeometryRunTable runTable{};
};

// One run of the $MFT, in 64 bits: the analysis computes with these and only the table above is
// cut to 32 bits.
struct MftRun {
    std::uint64_t firstRecord = 0;
    std::uint64_t lastRecord = 0;    // firstRecord - 1 for a run too short to hold a record
    std::uint64_t volumeSector = 0;  // first sector of the run relative to the volume start
    bool sparse = false;             // no clusters on disk: its records cannot be read
    std::uint64_t recordCount() const { return lastRecord + 1 - firstRecord; }
};

// The runs of the decoded $MFT record, in order.
std::vector<MftRun> buildMftRuns(const ntfs::FileRecordInfo& mftRecord, std::uint32_t sectorsPerCluster);
// The same from a list of runs of any length (an $MFT whose runs continue in extension records).
std::vector<MftRun> buildMftRuns(std::span<const ntfs::DataRun> dataRuns, std::uint32_t sectorsPerCluster);

// Records the runs cover, up to the first run that holds none.
std::uint64_t recordsCovered(const std::vector<MftRun>& runs);

// How many records of the MFT can be read, whatever its own record claims: no more than its
// allocated size holds, than its runs cover up to the first record that would lie past the
// volume's last sector, and than the volume could hold at two sectors a record (sparse runs
// included). volumeSectors 0 means the volume's size is not known and bounds nothing. A damaged
// $MFT record claiming 2^63 bytes would otherwise have the analysis visit 2^53 records.
std::uint64_t readableRecordLimit(const std::vector<MftRun>& runs, std::uint64_t allocatedSize,
                                  std::uint64_t volumeSectors);

// The runs cut to the first recordLimit records: later runs dropped, the last one shortened.
std::vector<MftRun> runsWithin(const std::vector<MftRun>& runs, std::uint64_t recordLimit);

// The LBA of a record on the disk, or nothing when no run holds it.
bool recordLbaOf(const std::vector<MftRun>& runs, std::uint64_t volumeStartLba, std::uint64_t recordIndex,
                 std::uint64_t& lba);

// The geometry for the recovery order. Returns false when a value does not fit the 32-bit fields
// of that table (volumes beyond 2 TiB).
bool makeAnalysisGeometry(const std::vector<MftRun>& runs, std::uint64_t allocatedSize,
                          std::uint32_t sectorsPerCluster, std::uint64_t volumeStartLba,
                          AnalysisGeometry& geometry);

}  // namespace quenzar::recovery
