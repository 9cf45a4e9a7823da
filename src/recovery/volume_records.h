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

using VolumeRead = ntfs::VolumeBytesReader;

// Records by number along the runs of the $MFT (of the volume's record size, the update sequence
// undone), clusters along any runs.
ntfs::RecordReading volumeRecordReading(const VolumeRead& read, const std::vector<MftRun>& mftRuns,
                                        const VolumeUnits& units);

// The runs of the $MFT from its own record when they continue in extension records: the record
// at mftByte is read, and the records its attribute list names are read along the runs the
// record itself holds (NTFS keeps the $MFT's extension records among its first records). `info`
// gets the gathered record. False when the record has no good $MFT layout to give, or a named
// record lies beyond those runs.
bool gatherMftRuns(const VolumeRead& read, std::span<const std::uint8_t> mftRecord, const VolumeUnits& units,
                   ntfs::FileRecordInfo& info, std::vector<ntfs::DataRun>& runs);

}  // namespace quenzar::recovery
