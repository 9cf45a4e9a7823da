// Data runs of a non-resident attribute: a sequence of headers, each followed by a little-endian
// cluster count and a signed offset from the previous run's start, closed by a header byte 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/file_record.h"

namespace quenzar::ntfs {

struct RunListResult {
    std::uint32_t integrityCode = kRecordGood;
    // Runs looked at, counting a run whose header fails its check; the list holds the good ones.
    std::uint32_t fragmentCount = 0;
};

// Decodes the run list that starts at `offset` within `bytes` (the record; nothing past its end is
// read) into `runs`, which the caller has cleared. A run without offset bytes is sparse: its entry
// starts at kSparseCluster and the current cluster stays where it was. Count and offset keep only
// their low 32 bits, the current cluster moves in 32-bit arithmetic. After 99 runs the list ends
// and the rest is not read. The entry after the last decoded run stays the terminating zero entry.
RunListResult decodeRunList(std::span<const std::uint8_t> bytes, std::size_t offset,
                            DataRun (&runs)[kRunListEntries]);

// The same rules without the list's capacity: every run up to the closing zero is appended to
// `runs`. A full restore copies a file of hundreds of runs whole, and the $MFT's runs tell where
// every record lies.
RunListResult decodeRunList(std::span<const std::uint8_t> bytes, std::size_t offset, std::vector<DataRun>& runs);

// The bytes of a run list that decodes to `runs` (each offset as few bytes as it needs, a sparse
// run without offset bytes), closed by the header byte 0.
std::vector<std::uint8_t> encodeRunList(std::span<const DataRun> runs);

}  // namespace quenzar::ntfs
