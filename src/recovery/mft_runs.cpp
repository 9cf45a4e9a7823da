#include "recovery/mft_runs.h"

#include <algorithm>

namespace quenzar::recovery {

std::vector<MftRun> buildMftRuns(const ntfs::FileRecordInfo& mftRecord, std::uint32_t sectorsPerCluster) {
    std::size_t count = 0;
    while (count < ntfs::kRunListEntries && mftRecord.runs[count].clusterCount != 0) ++count;
    return buildMftRuns(std::span<const ntfs::DataRun>(mftRecord.runs, count), sectorsPerCluster);
}

std::vector<MftRun> buildMftRuns(std::span<const ntfs::DataRun> dataRuns, std::uint32_t sectorsPerCluster) {
    std::vector<MftRun> runs;
    std::uint64_t runningCount = 0;
    for (const ntfs::DataRun& run : dataRuns) {
        if (run.clusterCount == 0) break;
        MftRun mftRun;
        mftRun.firstRecord = runningCount;
        const std::uint64_t records = std::uint64_t{run.clusterCount} * sectorsPerCluster / kSectorsPerRecord;
        mftRun.lastRecord = mftRun.firstRecord + records - 1;
        mftRun.sparse = run.startCluster == ntfs::kSparseCluster;
        mftRun.volumeSector = mftRun.sparse ? 0 : std::uint64_t{run.startCluster} * sectorsPerCluster;
        runningCount += records;
        runs.push_back(mftRun);
    }
    return runs;
}

std::uint64_t recordsCovered(const std::vector<MftRun>& runs) {
    return runs.empty() ? 0 : runs.back().lastRecord + 1;
}

std::uint64_t readableRecordLimit(const std::vector<MftRun>& runs, std::uint64_t allocatedSize,
                                  std::uint64_t volumeSectors) {
    std::uint64_t limit = std::min(allocatedSize / kMftRecordBytes, recordsCovered(runs));
    if (volumeSectors == 0) return limit;
    limit = std::min(limit, volumeSectors / kSectorsPerRecord);
    for (const MftRun& run : runs) {
        if (run.recordCount() == 0 || run.sparse || run.firstRecord >= limit) continue;
        const std::uint64_t inVolume =
            run.volumeSector >= volumeSectors ? 0 : (volumeSectors - run.volumeSector) / kSectorsPerRecord;
        if (inVolume < run.recordCount()) return std::min(limit, run.firstRecord + inVolume);
    }
    return limit;
}

std::vector<MftRun> runsWithin(const std::vector<MftRun>& runs, std::uint64_t recordLimit) {
    std::vector<MftRun> cut;
    for (const MftRun& run : runs) {
        if (run.firstRecord >= recordLimit) break;
        cut.push_back(run);
        if (run.recordCount() != 0 && run.lastRecord >= recordLimit) cut.back().lastRecord = recordLimit - 1;
    }
    return cut;
}

bool recordLbaOf(const std::vector<MftRun>& runs, std::uint64_t volumeStartLba, std::uint64_t recordIndex,
                 std::uint64_t& lba) {
    for (const MftRun& run : runs) {
        if (run.recordCount() == 0 || run.lastRecord < recordIndex) continue;
        if (run.sparse) return false;
        lba = volumeStartLba + run.volumeSector + kSectorsPerRecord * (recordIndex - run.firstRecord);
        return true;
    }
    return false;
}

bool makeAnalysisGeometry(const std::vector<MftRun>& runs, std::uint64_t allocatedSize,
                          std::uint32_t sectorsPerCluster, std::uint64_t volumeStartLba,
                          AnalysisGeometry& geometry) {
    constexpr std::uint64_t kMax32 = 0xFFFFFFFF;
    geometry = AnalysisGeometry{};
    const std::uint64_t records = allocatedSize / kMftRecordBytes;
    geometry.lastRecordIndex = static_cast<std::uint32_t>(records == 0 ? 0 : records - 1);
    geometry.sectorsPerCluster = sectorsPerCluster;
    geometry.volumeStartLba = static_cast<std::uint32_t>(volumeStartLba);
    bool fits = records <= kMax32 + 1 && volumeStartLba <= kMax32;
    for (std::size_t i = 0; i < runs.size() && i < kGeometryRunRows; ++i) {
        const MftRun& run = runs[i];
        const std::uint64_t startLba = volumeStartLba + run.volumeSector;
        const std::uint64_t endLba = startLba + kSectorsPerRecord * run.recordCount();
        if (run.lastRecord > kMax32 || endLba > kMax32) fits = false;
        geometry.runTable[i] = {static_cast<std::uint32_t>(run.firstRecord),
                                static_cast<std::uint32_t>(run.lastRecord),
                                run.sparse ? 0u : static_cast<std::uint32_t>(startLba)};
    }
    return fits;
}

}  // namespace quenzar::recovery
