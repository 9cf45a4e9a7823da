#include "recovery/volume_records.h"

#include <algorithm>

namespace quenzar::recovery {

namespace {

constexpr std::uint64_t kSectorBytes = 512;

}  // namespace

bool readRunBytes(const VolumeRead& read, std::uint32_t sectorsPerCluster, std::span<const ntfs::DataRun> runs,
                  std::uint64_t byteCount, std::vector<std::uint8_t>& bytes) {
    const std::uint64_t clusterBytes = std::uint64_t{sectorsPerCluster} * kSectorBytes;
    if (clusterBytes == 0) return false;
    bytes.assign(static_cast<std::size_t>(byteCount), 0);
    std::uint64_t done = 0;
    for (const ntfs::DataRun& run : runs) {
        if (done >= byteCount) break;
        const std::uint64_t length = std::min<std::uint64_t>(std::uint64_t{run.clusterCount} * clusterBytes, byteCount - done);
        if (run.startCluster != ntfs::kSparseCluster) {
            // Whole sectors are read; only the bytes asked for are kept.
            std::vector<std::uint8_t> sectors(static_cast<std::size_t>((length + kSectorBytes - 1) / kSectorBytes * kSectorBytes));
            if (!read(std::uint64_t{run.startCluster} * clusterBytes, sectors)) return false;
            std::copy_n(sectors.begin(), static_cast<std::size_t>(length), bytes.begin() + static_cast<std::ptrdiff_t>(done));
        }
        done += length;
    }
    return done == byteCount;
}

ntfs::RecordReading volumeRecordReading(const VolumeRead& read, const std::vector<MftRun>& mftRuns,
                                        std::uint32_t sectorsPerCluster) {
    ntfs::RecordReading reading;
    reading.record = [read, mftRuns](std::uint64_t number, std::vector<std::uint8_t>& bytes) {
        std::uint64_t sector = 0;
        if (!recordLbaOf(mftRuns, 0, number, sector)) return false;
        bytes.assign(kMftRecordBytes, 0);
        if (!read(sector * kSectorBytes, bytes)) return false;
        ntfs::FileRecordInfo header;
        ntfs::decodeFileRecord(bytes, header);
        return header.stage >= ntfs::DecodeStage::Flags;
    };
    reading.clusters = [read, sectorsPerCluster](std::span<const ntfs::DataRun> runs, std::uint64_t byteCount,
                                                 std::vector<std::uint8_t>& bytes) {
        return readRunBytes(read, sectorsPerCluster, runs, byteCount, bytes);
    };
    return reading;
}

bool gatherMftRuns(const VolumeRead& read, std::span<const std::uint8_t> mftRecord, std::uint32_t sectorsPerCluster,
                   ntfs::FileRecordInfo& info, std::vector<ntfs::DataRun>& runs) {
    // The runs the record holds itself place its first records, among them its extension records.
    std::vector<std::uint8_t> raw(mftRecord.begin(), mftRecord.end());
    ntfs::decodeFileRecord(raw, info);
    if (!info.hasAttributeList) return false;
    const std::vector<MftRun> firstRuns = buildMftRuns(ntfs::unnamedDataRuns(raw), sectorsPerCluster);
    raw.assign(mftRecord.begin(), mftRecord.end());

    ntfs::GatheredRecord gathered;
    ntfs::Gathering gathering = ntfs::Gathering::NotNeeded;
    std::vector<ntfs::DataRun> allRuns;
    const std::uint32_t code = ntfs::decodeWithExtensions(raw, 0, volumeRecordReading(read, firstRuns, sectorsPerCluster),
                                                          info, gathered, allRuns, gathering);
    if (code != ntfs::kRecordGood || gathering != ntfs::Gathering::Complete || info.isFolder || !info.nonResident) {
        return false;
    }
    runs = std::move(allRuns);
    return true;
}

}  // namespace quenzar::recovery
