// The extraction of the file table: every record of the MFT decoded, the volume's own files
// thrown away (VolumeOwnFiles), folders kept whole, files counted and filtered, one entry added to the
// file table per kept record.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "ntfs/attribute_list.h"
#include "ntfs/file_record.h"
#include "recovery/file_statistics.h"
#include "recovery/file_table_entry.h"
#include "recovery/generations.h"
#include "recovery/mft_runs.h"
#include "recovery/search_filter.h"
#include "recovery/volume_own_files.h"

namespace quenzar::recovery {

// The entry of a decoded record. ownId is the record's number (the decoder's own number, or the
// record's index for the older layout that carries none).
FileTableEntry makeEntry(const ntfs::FileRecordInfo& record, std::uint32_t ownId, char generation,
                         std::uint32_t recordLba);

// Takes the records of one MFT in index order. Allocates nothing per record, except for files
// whose attributes continue in extension records: their base records and the extension records
// are kept until the whole MFT has passed, since an extension record may come after its base.
class FileTableExtraction {
public:
    FileTableExtraction(const SearchFilter& filter, GenerationState& generations, const std::vector<MftRun>& runs,
                        const VolumeUnits& units, std::uint64_t volumeStartLba, std::vector<FileTableEntry>& table,
                        FileStatistics& statistics)
        : filter_(filter), generations_(generations), runs_(runs), units_(units), volumeStartLba_(volumeStartLba),
          table_(table), statistics_(statistics) {}

    // One record: its bytes (decoded in place), or an empty span when it could not be read.
    void take(std::uint64_t recordIndex, std::span<std::uint8_t> record);

    // After the last record: the files whose attributes continue in extension records, gathered
    // from the extension records met on the way (a long attribute list read through `clusters`,
    // which may be empty), are decoded, counted and filtered like the others and take their
    // places in the table in MFT order.
    void finish(const decltype(ntfs::RecordReading::clusters)& clusters);

private:
    // A base record with an attribute list, as it was read.
    struct PendingRecord {
        std::uint64_t index = 0;
        std::uint32_t number = 0;
        char generation = '0';
        std::uint32_t recordLba = 0;
        std::size_t tablePosition = 0;  // the table's size when it was met
        std::vector<std::uint8_t> bytes;
    };

    std::uint32_t recordLba(std::uint64_t recordIndex);
    // Counts, filters and makes the entry of a good record; false when it is left out.
    bool classify(const ntfs::FileRecordInfo& record, std::uint64_t recordIndex, std::uint32_t recordLba,
                  char generation, bool generationNoted);

    const SearchFilter& filter_;
    GenerationState& generations_;
    const std::vector<MftRun>& runs_;
    VolumeUnits units_;
    std::uint64_t volumeStartLba_;
    std::vector<FileTableEntry>& table_;
    FileStatistics& statistics_;
    ntfs::FileRecordInfo record_;  // reused for every record
    std::size_t runCursor_ = 0;    // records come in order, so the run only moves forward
    VolumeOwnFiles ownFiles_;
    std::vector<PendingRecord> pending_;
    std::unordered_map<std::uint64_t, std::vector<std::uint8_t>> extensionRecords_;  // by index
};

}  // namespace quenzar::recovery
