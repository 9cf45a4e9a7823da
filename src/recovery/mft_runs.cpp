#include "recovery/mft_runs.h"

#include <algorithm>

namespace quenzar::recovery {

std::vector<MftRun> buildMftRuns(const ntfs::FileRecordInfo& mftRecord, const VolumeUnits& units) {
    std::size_t count = 0;
    while (count < ntfs::kRunListEntries && mftRecord.runs[count].clusterCount != 0) ++count;
    return buildMftRuns(std::span<const ntfs::DataRun>(mftRecord.runs, count), units);
}

std::vector<MftRun> buildMftRuns(std::span<const ntfs::DataRun> dataRuns, const VolumeUnits& units) {
    std::vector<MftRun> runs;
    if (units.recordBytes == 0) return runs;
    std::uint64_t runningCount = 0;
    for (const ntfs::DataRun& run : dataRuns) {
        if (run.clusterCount == 0) break;
        MftRun mftRun;
        mftRun.firstRecord = runningCount;
        const std::uint64_t records = std::uint64_t{run.clusterCount} * units.clusterBytes / units.recordBytes;
        mftRun.lastRecord = mftRun.firstRecord + records - 1;
        mftRun.sparse = run.startCluster == ntfs::kSparseCluster;
        mftRun.volumeByte = mftRun.sparse ? 0 : std::uint64_t{run.startCluster} * units.clusterBytes;
        runningCount += records;
        runs.push_back(mftRun);
    }
    return runs;
}

std::uint64_t recordsCovered(const std::vector<MftRun>& runs) {
    return runs.empty() ? 0 : runs.back().lastRecord + 1;
}

std::uint64_t readableRecordLimit(const std::vector<MftRun>& runs, std::uint64_t allocatedSize,
                                  std::uint64_t volumeBytes, std::uint32_t recordBytes) {
    if (recordBytes == 0) return 0;
    std::uint64_t limit = std::min(allocatedSize / recordBytes, recordsCovered(runs));
    if (volumeBytes == 0) return limit;
    limit = std::min(limit, volumeBytes / recordBytes);
    for (const MftRun& run : runs) {
        if (run.recordCount() == 0 || run.sparse || run.firstRecord >= limit) continue;
        const std::uint64_t inVolume = run.volumeByte >= volumeBytes ? 0 : (volumeBytes - run.volumeByte) / recordBytes;
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

bool recordByteOf(const std::vector<MftRun>& runs, std::uint32_t recordBytes, std::uint64_t recordIndex,
                  std::uint64_t& volumeByte) {
    for (const MftRun& run : runs) {
        if (run.recordCount() == 0 || run.lastRecord < recordIndex) continue;
        if (run.sparse) return false;
        volumeByte = run.volumeByte + std::uint64_t{recordBytes} * (recordIndex - run.firstRecord);
        return true;
    }
    return false;
}

bool recordLbaOf(const std::vector<MftRun>& runs, const VolumeUnits& units, std::uint64_t volumeStartLba,
                 std::uint64_t recordIndex, std::uint64_t& lba) {
    std::uint64_t volumeByte = 0;
    if (units.sectorBytes == 0 || !recordByteOf(runs, units.recordBytes, recordIndex, volumeByte)) return false;
    lba = volumeStartLba + volumeByte / units.sectorBytes;
    return true;
}

std::uint64_t recordDiskByte(std::uint64_t recordLba, std::uint64_t recordNumber, const VolumeUnits& units) {
    const std::uint64_t inSector =
        units.recordBytes < units.sectorBytes ? recordNumber * units.recordBytes % units.sectorBytes : 0;
    return recordLba * units.sectorBytes + inSector;
}

bool makeAnalysisGeometry(const std::vector<MftRun>& runs, std::uint64_t allocatedSize, const VolumeUnits& units,
                          std::uint64_t volumeStartLba, AnalysisGeometry& geometry) {
    constexpr std::uint64_t kMax32 = 0xFFFFFFFF;
    geometry = AnalysisGeometry{};
    const std::uint64_t records = units.recordBytes == 0 ? 0 : allocatedSize / units.recordBytes;
    geometry.lastRecordIndex = static_cast<std::uint32_t>(records == 0 ? 0 : records - 1);
    geometry.sectorsPerCluster = units.sectorsPerCluster();
    geometry.volumeStartLba = static_cast<std::uint32_t>(volumeStartLba);
    bool fits = records <= kMax32 + 1 && volumeStartLba <= kMax32 && units.sectorBytes != 0;
    for (std::size_t i = 0; i < runs.size() && i < kGeometryRunRows; ++i) {
        const MftRun& run = runs[i];
        const std::uint64_t startLba = volumeStartLba + run.volumeByte / units.sectorBytes;
        const std::uint64_t endLba =
            startLba + (std::uint64_t{units.recordBytes} * run.recordCount() + units.sectorBytes - 1) / units.sectorBytes;
        if (run.lastRecord > kMax32 || endLba > kMax32) fits = false;
        geometry.runTable[i] = {static_cast<std::uint32_t>(run.firstRecord),
                                static_cast<std::uint32_t>(run.lastRecord),
                                run.sparse ? 0u : static_cast<std::uint32_t>(startLba)};
    }
    return fits;
}

}  // namespace quenzar::recovery
