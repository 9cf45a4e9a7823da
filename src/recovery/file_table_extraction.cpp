#include "recovery/file_table_extraction.h"

#include <cstring>

#include "ntfs/file_time.h"

namespace quenzar::recovery {

namespace {

constexpr char kSystemNamePrefixes[][5] = {"$Log", "$Top", "$Txf", "$Ext", "$Vol", "$Att",
                                           "$Bit", "$Boo", "$Bad", "$Sec", "$UpC", "Moun"};

}  // namespace

bool hasSystemNamePrefix(const char* name) {
    if (name[0] != '$' && name[0] != 'M') return false;  // every prefix begins with one of these
    for (const char* prefix : kSystemNamePrefixes) {
        if (std::strncmp(name, prefix, 4) == 0) return true;
    }
    return false;
}

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
    return static_cast<std::uint32_t>(volumeStartLba_ + run.volumeSector +
                                      kSectorsPerRecord * (recordIndex - run.firstRecord));
}

void FileTableExtraction::take(std::uint64_t recordIndex, std::span<std::uint8_t> bytes) {
    ++statistics_.recordsProcessed;
    if (bytes.empty()) {
        ++statistics_.unreadableRecords;
        return;
    }
    ntfs::FileRecordInfo& record = record_;
    if (ntfs::decodeFileRecord(bytes, record, statistics_.clusters) != ntfs::kRecordGood) {
        ++statistics_.rejectedRecords;
        return;
    }
    if (hasSystemNamePrefix(record.longName)) return;

    // Records of the older layout carry no number of their own; their index is that number.
    const std::uint32_t ownId =
        record.ownNumber == ntfs::kNoOwnNumber ? static_cast<std::uint32_t>(recordIndex) : record.ownNumber;

    if (record.isFolder) {
        ++(record.inUse ? statistics_.foldersInUse : statistics_.foldersDeleted);
        table_.push_back(makeEntry(record, ownId, generations_.generation, recordLba(recordIndex)));
        return;
    }

    const bool isMft = std::strcmp(record.longName, "$MFT") == 0;
    if (isMft) noteMftRecord(generations_, record);
    if (record.inUse) {
        if (!isMft) {
            ++statistics_.filesInUse;
            statistics_.bytesInUse += record.realSize;
        }
    } else {
        ++statistics_.filesDeleted;
        statistics_.bytesDeleted += record.realSize;
    }

    if (!fileMatchesFilter(filter_, record)) return;
    if (record.inUse) {
        if (!isMft) {
            ++statistics_.matchedInUse;
            statistics_.matchedBytesInUse += record.realSize;
        }
    } else {
        ++statistics_.matchedDeleted;
        statistics_.matchedBytesDeleted += record.realSize;
    }
    table_.push_back(makeEntry(record, ownId, generations_.generation, recordLba(recordIndex)));
}

}  // namespace quenzar::recovery
