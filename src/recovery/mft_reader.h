// Reads the records of the MFT run by run in large sequential pieces (at most 32 MiB) and hands
// every record to the caller in order; the next piece is read on a thread of its own while the
// caller works on the current one. A piece that fails is tried again
// and then read in halves, down to single sectors (disk::readSalvaging), so one bad sector costs
// one record, not the whole piece; records that lost a sector are handed over as unreadable
// instead of as zeros.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "disk/sector_access.h"
#include "recovery/mft_runs.h"

namespace quenzar::recovery {

// Called once per record index from 0 up: the record's bytes (1,024 or 4,096) (which the callee may change,
// the decoder undoes the update sequence in place), or an empty span when it could not be read.
using MftRecordVisitor = std::function<void(std::uint64_t recordIndex, std::span<std::uint8_t> record)>;

struct MftReadReport {
    std::uint64_t recordsVisited = 0;
    std::uint64_t unreadableRecords = 0;
};

// How the bytes of the runs are reached through the opened handle: a volume handle starts at
// the volume's first byte (baseByte 0); a whole disk handle at the disk's, so the volume's first
// byte is added, and pieces that lie beyond the partition gap are unmasked with the disk's sector
// mask.
struct MftSource {
    std::uint64_t baseByte = 0;
    const disk::SectorMaskTable* masks = nullptr;  // null: a volume, never unmasked
    char diskNumber = '0';
};

// Reads records 0 to recordCount - 1 through the opened handle; records that no run holds (a run
// list cut short, a sparse run) count as unreadable. Records are recordBytes long; pieceMaxBytes
// is the size of one read (a multiple of a record is used).
MftReadReport readMftRecords(disk::DiskHandle& handle, const MftSource& source, const std::vector<MftRun>& runs,
                             std::uint32_t recordBytes, std::uint64_t recordCount, const MftRecordVisitor& visit,
                             std::size_t pieceMaxBytes = disk::kBulkPieceMaxBytes);

}  // namespace quenzar::recovery
