// Where the records of the MFT lie: the $MFT's own data runs turned into ranges of record indexes
// and bytes of the volume. A run of n clusters holds n x cluster bytes / record bytes records, and
// record i of a run lies one record size further than record i-1; the volume's units
// (ntfs/volume_units.h) give the three sizes, whatever the disk's sector size.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/file_record.h"
#include "ntfs/volume_units.h"

namespace quenzar::recovery {

using ntfs::VolumeUnits;
// The largest FILE record the analysis reads: buffers for one record are this long.
inline constexpr std::uint32_t kMaxRecordBytes = 4096;
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
    std::uint64_t volumeByte = 0;    // first byte of the run relative to the volume start
    bool sparse = false;             // no clusters on disk: its records cannot be read
    std::uint64_t recordCount() const { return lastRecord + 1 - firstRecord; }
};

// The runs of the decoded $MFT record, in order.
std::vector<MftRun> buildMftRuns(const ntfs::FileRecordInfo& mftRecord, const VolumeUnits& units);
// The same from a list of runs of any length (an $MFT whose runs continue in extension records).
std::vector<MftRun> buildMftRuns(std::span<const ntfs::DataRun> dataRuns, const VolumeUnits& units);

// Records the runs cover, up to the first run that holds none.
std::uint64_t recordsCovered(const std::vector<MftRun>& runs);

// How many records of the MFT can be read, whatever its own record claims: no more than its
// allocated size holds, than its runs cover up to the first record that would lie past the
// volume's last byte, and than the volume could hold (sparse runs included). volumeBytes 0 means
// the volume's size is not known and bounds nothing. A damaged $MFT record claiming 2^63 bytes
// would otherwise have the analysis visit 2^53 records.
std::uint64_t readableRecordLimit(const std::vector<MftRun>& runs, std::uint64_t allocatedSize,
                                  std::uint64_t volumeBytes, std::uint32_t recordBytes);

// The runs cut to the first recordLimit records: later runs dropped, the last one shortened.
std::vector<MftRun> runsWithin(const std::vector<MftRun>& runs, std::uint64_t recordLimit);

// The byte of the volume a record begins at; false when no run holds it.
bool recordByteOf(const std::vector<MftRun>& runs, std::uint32_t recordBytes, std::uint64_t recordIndex,
                  std::uint64_t& volumeByte);
// The LBA of the disk's sector a record begins in (a 1,024-byte record on a disk of 4,096-byte
// sectors shares its sector with three others); false when no run holds it.
bool recordLbaOf(const std::vector<MftRun>& runs, const VolumeUnits& units, std::uint64_t volumeStartLba,
                 std::uint64_t recordIndex, std::uint64_t& lba);
// Where a record whose sector the file table keeps (its LBA) begins, as a byte of the disk: its
// place in that sector follows from its number, since every run of the $MFT begins a cluster.
std::uint64_t recordDiskByte(std::uint64_t recordLba, std::uint64_t recordNumber, const VolumeUnits& units);

// The geometry for the recovery order. Returns false when a value does not fit the 32-bit fields
// of that table (volumes beyond 2 TiB).
bool makeAnalysisGeometry(const std::vector<MftRun>& runs, std::uint64_t allocatedSize, const VolumeUnits& units,
                          std::uint64_t volumeStartLba, AnalysisGeometry& geometry);

}  // namespace quenzar::recovery
