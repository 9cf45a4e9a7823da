// FILE records of a volume read by their number along the $MFT's runs, and clusters read along
// an attribute's runs: what the attributes of a file that continue in extension records, or a
// long attribute list, are gathered with (ntfs/attribute_list.h).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "ntfs/attribute_list.h"
#include "recovery/mft_runs.h"

namespace quenzar::recovery {

// Reads bytes of the volume at a byte offset from its first sector into the buffer; false when
// some of them did not arrive.
using VolumeRead = std::function<bool(std::uint64_t volumeByte, std::span<std::uint8_t> buffer)>;

// Reads the clusters of a non-resident attribute's runs: byteCount bytes, sparse runs as zeros.
bool readRunBytes(const VolumeRead& read, std::uint32_t sectorsPerCluster, std::span<const ntfs::DataRun> runs,
                  std::uint64_t byteCount, std::vector<std::uint8_t>& bytes);

// Records by number along the runs of the $MFT (1,024 bytes each, the update sequence undone),
// clusters along any runs.
ntfs::RecordReading volumeRecordReading(const VolumeRead& read, const std::vector<MftRun>& mftRuns,
                                        std::uint32_t sectorsPerCluster);

// The runs of the $MFT from its own record when they continue in extension records: the record
// at mftByte is read, and the records its attribute list names are read along the runs the
// record itself holds (NTFS keeps the $MFT's extension records among its first records). `info`
// gets the gathered record. False when the record has no good $MFT layout to give, or a named
// record lies beyond those runs.
bool gatherMftRuns(const VolumeRead& read, std::span<const std::uint8_t> mftRecord, std::uint32_t sectorsPerCluster,
                   ntfs::FileRecordInfo& info, std::vector<ntfs::DataRun>& runs);

}  // namespace quenzar::recovery
