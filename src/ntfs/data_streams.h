// What a full restore needs of a FILE record's $DATA attributes beyond what the decoder gives:
// the initialized size of the unnamed data, and the named streams ("report.doc:summary"), the
// further streams of a file that the file table does not describe. Both read the record's
// attributes within its used part only, as decodeFileRecord leaves them (update sequence undone).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ntfs/file_record.h"

namespace quenzar::ntfs {

struct NamedStream {
    std::string name;               // code page 1251; characters it lacks become "?"
    bool nonResident = false;
    std::uint16_t flags = 0;        // attribute flags (compression, encryption)
    std::uint64_t realSize = 0;
    std::uint64_t initializedSize = 0;  // bytes beyond it read as zeros
    std::uint32_t compressionUnitClusters = 0;  // of a compressed stream; 0 otherwise
    std::vector<std::uint8_t> residentData;
    // As decodeRunList gives them, without the closing entry: a list longer than 99 fragments is
    // cut there, and the runs then end before the real size.
    std::vector<DataRun> runs;
};

// The initialized size of the unnamed non-resident $DATA: bytes beyond it read as zeros whatever
// the clusters hold. The real size when the record tells none; never more than the real size.
std::uint64_t initializedDataSize(std::span<const std::uint8_t> record, std::uint64_t realSize);

// The clusters of one compression unit of the unnamed non-resident $DATA (2 to the power of its
// header's byte at 22h: 16 as NTFS writes it), 0 when it is not compressed.
std::uint32_t compressionUnitClusters(std::span<const std::uint8_t> record);

// The named $DATA attributes. Attributes that do not fit the record's used part, and parts of a
// stream that other records continue (a first VCN other than 0), are left out.
std::vector<NamedStream> findNamedStreams(std::span<const std::uint8_t> record);

}  // namespace quenzar::ntfs
