#include "ntfs/mft_run_table.h"

#include <algorithm>

namespace quenzar::ntfs {

void buildMftRunTable(MftRunTable& table, std::span<const DataRun> runs, std::uint32_t sectorsPerCluster,
                      std::uint64_t bootLba, std::uint32_t sectorBytes, std::uint32_t recordBytes) {
    table = MftRunTable{};
    constexpr std::uint64_t kLastRecordNumber = 0xFFFFFFFF;
    if (sectorBytes == 0 || recordBytes == 0) return;
    std::uint64_t next = 0;  // the running record index
    const std::size_t runCount = std::min(runs.size(), kMftRunTableRows);
    for (std::size_t i = 0; i < runCount && runs[i].clusterCount != 0; ++i) {
        if (next > kLastRecordNumber) break;
        const std::uint64_t records = std::uint64_t{runs[i].clusterCount} * sectorsPerCluster * sectorBytes / recordBytes;
        if (records == 0) continue;
        const std::uint64_t last = std::min(next + records - 1, kLastRecordNumber);
        MftRunRow& row = table.rows[table.rowCount++];
        row.firstRecord = static_cast<std::uint32_t>(next);
        row.lastRecord = static_cast<std::uint32_t>(last);
        row.startLba = std::uint64_t{runs[i].startCluster} * sectorsPerCluster + bootLba;
        next = last + 1;
    }
}

}  // namespace quenzar::ntfs
