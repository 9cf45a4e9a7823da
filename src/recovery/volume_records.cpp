#include "recovery/volume_records.h"


namespace quenzar::recovery {

namespace {

constexpr std::uint64_t kSectorBytes = 512;

}  // namespace

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
        return ntfs::readRunBytes(read, sectorsPerCluster, runs, byteCount, bytes);
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
