// Data runs of a non-resident attribute: a sequence of headers, each followed by a little-endian
// cluster count and a signed offset from the previous run's start, closed by a header byte 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

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

}  // namespace quenzar::ntfs
