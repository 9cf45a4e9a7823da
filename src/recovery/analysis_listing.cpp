#include "recovery/analysis_listing.h"

#include <cstring>
#include <string>
#include <vector>

#include "disk/sector_access.h"
#include "disk/sector_mask.h"
#include "ntfs/file_record.h"
#include "recovery/listing.h"

namespace quenzar::recovery {

platform::WriteProblem writeAnalysisListing(platform::DiskSystem& disks, char diskNumber, const AnalysisResult& result,
                                           const std::filesystem::path& file, text::Language language) {
    const std::vector<FileTableEntry> entries = extractedTable(result);
    disk::SectorMaskTable masks;
    disk::loadSectorMask(disks, masks, diskNumber);
    auto fullName = [&](const FileTableEntry& entry) {
        std::vector<std::uint8_t> record(4096);
        const std::size_t arrived =
            disk::readDiskBytes(disks, masks, diskNumber, recordDiskByte(entry.recordLba, entry.ownId, result.units), record);
        ntfs::FileRecordInfo info;
        if (arrived >= ntfs::kSmallRecordSize) {
            ntfs::decodeFileRecord(std::span<std::uint8_t>(record.data(), arrived), info);
        }
        // The record is taken only when it is still the entry's own: a reused record names
        // another file.
        return info.stage >= ntfs::DecodeStage::FirstName && info.ownNumber == entry.ownId
                   ? std::string(info.longName, strnlen(info.longName, ntfs::kLongNameBytes))
                   : tableName(entry);
    };
    const platform::WriteProblem problem = writeListing(file, entries, language, fullName);
    if (problem != platform::WriteProblem::NotWritten) return problem;
    // A listing cut short would pass for the whole one: it is removed. Only a file is; a device
    // or a link that stands at its path stays as it is.
    std::error_code error;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(file, error))) {
        std::filesystem::remove(file, error);
    }
    return problem;
}

}  // namespace quenzar::recovery
