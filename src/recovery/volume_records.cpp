#include "recovery/volume_records.h"

namespace quenzar::recovery {

ntfs::RecordReading volumeRecordReading(const VolumeRead& read, const std::vector<MftRun>& mftRuns,
                                        const VolumeUnits& units) {
    ntfs::RecordReading reading;
    reading.record = [read, mftRuns, units](std::uint64_t number, std::vector<std::uint8_t>& bytes) {
        std::uint64_t volumeByte = 0;
        if (!recordByteOf(mftRuns, units.recordBytes, number, volumeByte)) return false;
        bytes.assign(units.recordBytes, 0);
        if (!read(volumeByte, bytes)) return false;
        ntfs::FileRecordInfo header;
        ntfs::decodeFileRecord(bytes, header);
        return header.stage >= ntfs::DecodeStage::Flags;
    };
    reading.clusters = [read, clusterBytes = units.clusterBytes](std::span<const ntfs::DataRun> runs,
                                                                 std::uint64_t byteCount, std::vector<std::uint8_t>& bytes) {
        return ntfs::readRunBytes(read, clusterBytes, runs, byteCount, bytes);
    };
    return reading;
}

bool gatherMftRuns(const VolumeRead& read, std::span<const std::uint8_t> mftRecord, const VolumeUnits& units,
                   ntfs::FileRecordInfo& info, std::vector<ntfs::DataRun>& runs) {
    // The runs the record holds itself place its first records, among them its extension records.
    std::vector<std::uint8_t> raw(mftRecord.begin(), mftRecord.end());
    ntfs::decodeFileRecord(raw, info);
    if (!info.hasAttributeList) return false;
    const std::vector<MftRun> firstRuns = buildMftRuns(ntfs::unnamedDataRuns(raw), units);
    raw.assign(mftRecord.begin(), mftRecord.end());

    ntfs::GatheredRecord gathered;
    ntfs::Gathering gathering = ntfs::Gathering::NotNeeded;
    std::vector<ntfs::DataRun> allRuns;
    const std::uint32_t code = ntfs::decodeWithExtensions(raw, 0, volumeRecordReading(read, firstRuns, units),
                                                          info, gathered, allRuns, gathering);
    if (code != ntfs::kRecordGood || gathering != ntfs::Gathering::Complete || info.isFolder || !info.nonResident) {
        return false;
    }
    runs = std::move(allRuns);
    return true;
}

}  // namespace quenzar::recovery
