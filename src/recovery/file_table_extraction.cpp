#include "recovery/file_table_extraction.h"

#include <cstring>

#include "ntfs/file_time.h"

namespace quenzar::recovery {

namespace {

// Records of the older layout carry no number of their own; their index is that number.
std::uint32_t ownIdOf(const ntfs::FileRecordInfo& record, std::uint64_t recordIndex) {
    return record.ownNumber == ntfs::kNoOwnNumber ? static_cast<std::uint32_t>(recordIndex) : record.ownNumber;
}

}  // namespace

FileTableEntry makeEntry(const ntfs::FileRecordInfo& record, std::uint32_t ownId, char generation,
                         std::uint32_t recordLba) {
    FileTableEntry entry;
    std::memcpy(entry.ext, record.ext, 3);
    entry.recordLba = recordLba;
    const std::uint64_t size = record.isFolder ? 0 : record.realSize;
    entry.sizeLow = static_cast<std::uint32_t>(size);
    entry.sizeHigh = static_cast<std::uint16_t>(size >> 32);
    entry.ownId = ownId;
    entry.parentId = record.parentNumber;
    ntfs::fileTimeText(record.created, entry.created);
    ntfs::fileTimeText(record.modified, entry.modified);
    entry.generation = generation;
    entry.folderFlag = record.isFolder ? kFolderFlag : kFileFlag;
    entry.deletedFlag = record.inUse ? kInUseFlag : kDeletedFlag;
    entry.firstCluster = record.firstCluster;
    entry.fragments = static_cast<std::uint8_t>(record.fragmentCount);
    const std::size_t nameBytes = strnlen(record.longName, kEntryNameBytes);
    std::memcpy(entry.name, record.longName, nameBytes);
    return entry;
}

std::uint32_t FileTableExtraction::recordLba(std::uint64_t recordIndex) {
    while (runCursor_ < runs_.size() &&
           (runs_[runCursor_].recordCount() == 0 || runs_[runCursor_].lastRecord < recordIndex)) {
        ++runCursor_;
    }
    if (runCursor_ == runs_.size() || runs_[runCursor_].sparse) return 0;
    const MftRun& run = runs_[runCursor_];
    // The analysis refuses volumes whose MFT lies beyond 32-bit sector numbers before it starts.
    const std::uint64_t volumeByte = run.volumeByte + std::uint64_t{units_.recordBytes} * (recordIndex - run.firstRecord);
    return static_cast<std::uint32_t>(volumeStartLba_ + volumeByte / units_.sectorBytes);
}

void FileTableExtraction::take(std::uint64_t recordIndex, std::span<std::uint8_t> bytes) {
    ++statistics_.recordsProcessed;
    if (bytes.empty()) {
        ++statistics_.unreadableRecords;
        return;
    }
    // A base record with an attribute list is kept as read: it is decoded again once its
    // extension records are known.
    const bool listed = ntfs::followsAttributeList(bytes);
    std::vector<std::uint8_t> asRead;
    if (listed) asRead.assign(bytes.begin(), bytes.end());
    ntfs::FileRecordInfo& record = record_;
    const std::uint32_t code = ntfs::decodeFileRecord(bytes, record, statistics_.clusters);
    if (record.stage >= ntfs::DecodeStage::Flags && ntfs::isExtensionRecord(bytes)) {
        extensionRecords_.insert_or_assign(recordIndex, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    if (listed && record.hasAttributeList) {
        const std::uint32_t number = ownIdOf(record, recordIndex);
        // Record 0 is the $MFT's own: the formatting it opens takes the records that follow it,
        // so its generation is noted now, from its $STANDARD_INFORMATION, not once it is gathered.
        if (record.ownNumber == 0) noteMftRecord(generations_, record);
        pending_.push_back({recordIndex, number, generations_.generation, recordLba(recordIndex), table_.size(),
                            std::move(asRead)});
        return;
    }
    if (code != ntfs::kRecordGood) {
        ++statistics_.rejectedRecords;
        return;
    }
    classify(record, recordIndex, recordLba(recordIndex), generations_.generation, false);
}

void FileTableExtraction::finish(const decltype(ntfs::RecordReading::clusters)& clusters) {
    if (pending_.empty()) return;
    ntfs::RecordReading reading;
    reading.record = [this](std::uint64_t number, std::vector<std::uint8_t>& bytes) {
        const auto found = extensionRecords_.find(number);
        if (found == extensionRecords_.end()) return false;
        bytes = found->second;
        return true;
    };
    reading.clusters = clusters;
    // The entries made now go to the table's end first, then each to its place in MFT order.
    std::vector<std::size_t> positions;
    const std::size_t before = table_.size();
    ntfs::GatheredRecord gathered;
    std::vector<ntfs::DataRun> runs;
    for (PendingRecord& pending : pending_) {
        ntfs::Gathering gathering = ntfs::Gathering::NotNeeded;
        ntfs::FileRecordInfo& record = record_;
        if (ntfs::decodeWithExtensions(pending.bytes, pending.number, reading, record, gathered, runs, gathering,
                                       &statistics_.clusters) != ntfs::kRecordGood) {
            ++statistics_.rejectedRecords;
            continue;
        }
        if (classify(record, pending.index, pending.recordLba, pending.generation, true)) {
            positions.push_back(pending.tablePosition);
        }
    }
    pending_.clear();
    extensionRecords_.clear();
    if (positions.empty()) return;
    std::vector<FileTableEntry> merged;
    merged.reserve(table_.size());
    std::size_t next = 0;
    for (std::size_t k = 0; k < positions.size(); ++k) {
        while (next < positions[k]) merged.push_back(table_[next++]);
        merged.push_back(table_[before + k]);
    }
    while (next < before) merged.push_back(table_[next++]);
    table_.swap(merged);
}

bool FileTableExtraction::classify(const ntfs::FileRecordInfo& record, std::uint64_t recordIndex,
                                   std::uint32_t recordLba, char generation, bool generationNoted) {
    // Records of the older layout carry no number of their own; their index is that number.
    const std::uint32_t ownId = ownIdOf(record, recordIndex);
    // The volume's own files never enter the table, but for the $MFT's record: it notes the
    // formatting the records after it belong to.
    const bool isMft = std::strcmp(record.longName, "$MFT") == 0;
    if (!isMft && ownFiles_.isOwn(record, ownId)) return false;

    if (record.isFolder) {
        ++(record.inUse ? statistics_.foldersInUse : statistics_.foldersDeleted);
        table_.push_back(makeEntry(record, ownId, generation, recordLba));
        return true;
    }

    if (isMft && !generationNoted) {
        noteMftRecord(generations_, record);
        generation = generations_.generation;
    }
    if (record.inUse) {
        if (!isMft) {
            ++statistics_.filesInUse;
            statistics_.bytesInUse += record.realSize;
        }
    } else {
        ++statistics_.filesDeleted;
        statistics_.bytesDeleted += record.realSize;
    }

    if (!fileMatchesFilter(filter_, record)) return false;
    if (record.inUse) {
        if (!isMft) {
            ++statistics_.matchedInUse;
            statistics_.matchedBytesInUse += record.realSize;
        }
    } else {
        ++statistics_.matchedDeleted;
        statistics_.matchedBytesDeleted += record.realSize;
    }
    table_.push_back(makeEntry(record, ownId, generation, recordLba));
    return true;
}

}  // namespace quenzar::recovery
