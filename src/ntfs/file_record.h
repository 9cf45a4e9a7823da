// The FILE record decoder: checks one MFT record, undoes its update sequence, walks its attributes
// and delivers flags, times, names, sizes and the data runs of its $DATA attribute.
//
// Field layout read by the decoder (offsets in the record):
//   00h  4  "FILE"
//   04h  2  offset of the update sequence array; low byte 30h (current layout) or 2Ah (older)
//   14h  2  offset of the first attribute
//   16h  2  flags: bit 0 in use, bit 1 folder
//   18h  2  bytes in use (low 16 bits of the field)
//   1Ch  2  allocated size of the record (low 16 bits of the field)
//   2Ch  4  own record number (current layout only)
//   1FEh, 3FEh, ...  the last word of each 512-byte sector (update sequence); the first sector's
//                    word is compared with the array's sequence number
//
// The decoder never reads outside the record: every offset and length taken from the disk is
// bounded by the record's own size before it is used, and a record that would lead past it fails
// with an integrity code like any other broken record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quenzar::ntfs {

// Integrity codes of the decoder; 0 is a good record. The texts of the view belong to each code
// (file_record_view.h).
enum IntegrityCode : std::uint32_t {
    kRecordGood = 0,
    kNoFileSignature = 1,            // not "FILE" (or a buffer too short to hold a record)
    kUpdateSequenceMismatch = 2,     // first sector's last word differs from the sequence number,
                                     // or the update sequence array lies outside the first 1,024 bytes
    kBytesInUseTooLarge = 3,         // bytes in use above 4,096
    kAllocatedSizeInvalid = 4,       // neither 1,024 nor 4,096, or larger than the buffer given
    kUnknownLayout = 5,              // update sequence offset's low byte neither 30h nor 2Ah
    kNoStandardInformation = 6,      // first attribute not 10h, or its type lies outside the record
    kNoFileNameAfterStandardInfo = 7,  // 30h neither next nor after an attribute list; also when
                                       // those attributes lie outside the record
    kAttributeTooLong = 8,           // an attribute of the walk, or the $DATA header or its
                                     // resident content, reaches beyond the record
    kNoDataAttribute = 9,            // a file record without $DATA
    kRunCountSizeZero = 10,          // run header with no count bytes; also a run list that
                                     // reaches the record's end without its closing zero
    kRunCountSizeTooLarge = 11,      // more than 8 count bytes, or count bytes past the record's end
    kRunOffsetSizeTooLarge = 12,     // more than 8 offset bytes, or offset bytes past the end
    kUnknownAttributeType = 13,      // kept for its text; the walk passes over every type
    kFileNameTooLong = 14,           // a $FILE_NAME longer than a name of 255 characters needs
                                     // (600 bytes), or reaching beyond the record
    kStandardInfoTooLong = 15,       // $STANDARD_INFORMATION of 500 bytes or more, or beyond the record
};
inline constexpr std::uint32_t kIntegrityCodeCount = 15;

// Record sizes the decoder accepts.
inline constexpr std::size_t kSmallRecordSize = 1024;
inline constexpr std::size_t kLargeRecordSize = 4096;

// The size a FILE record gives itself (its allocated size at 1Ch) when the bytes begin with "FILE"
// and the size is one the decoder accepts; 0 otherwise. Read before any update sequence is undone:
// the header lies before the first guarded word.
std::uint32_t fileRecordSizeOf(std::span<const std::uint8_t> bytes);

// A starting cluster of FFFFFFFFh marks a sparse fragment (no clusters on disk).
inline constexpr std::uint32_t kSparseCluster = 0xFFFFFFFF;
// The own number of an older-layout record, which carries none.
inline constexpr std::uint32_t kNoOwnNumber = 0xFFFFFFFF;

// One fragment of a non-resident $DATA: cluster count, then starting cluster. A count of 0 only in
// the entry that ends the list.
struct DataRun {
    std::uint32_t clusterCount = 0;
    std::uint32_t startCluster = 0;

    friend bool operator==(const DataRun&, const DataRun&) = default;
};
static_assert(sizeof(DataRun) == 8);

// The run list holds 99 fragments and the terminating entry. A longer run list ends at 99
// fragments and the record stays good: the files that are restored lie in one fragment anyway.
inline constexpr std::size_t kRunListEntries = 100;
inline constexpr std::size_t kRunListMaxFragments = kRunListEntries - 1;

inline constexpr std::size_t kShortNameChars = 12;
inline constexpr std::size_t kLongNameBytes = 512;

// How far a decode got. The view shows the values of the stages reached; when a check fails, the
// fields of later stages keep their reset values.
enum class DecodeStage : std::uint8_t {
    Nothing,       // only the first four bytes
    Header,        // own number
    Flags,         // inUse, isFolder
    Times,         // the four times and the DOS attributes
    FirstName,     // parent number and the first name
    Names,         // short name and extension
    Data,          // $DATA found: sizes, where and how it is stored, fragments
    Complete,      // the record is good
};

struct FileRecordInfo {
    std::uint32_t ownNumber = 0;      // header 2Ch; kNoOwnNumber for the older layout
    std::uint32_t parentNumber = 0;   // low 32 bits of the first $FILE_NAME's parent reference
    std::uint8_t inUse = 0;
    std::uint8_t hasAttributeList = 0;  // an ATTRIBUTE_LIST follows $STANDARD_INFORMATION
    std::uint8_t isFolder = 0;
    std::uint64_t realSize = 0;       // of $DATA in bytes
    std::uint64_t allocatedSize = 0;
    std::uint64_t created = 0;        // FILETIME values of $STANDARD_INFORMATION, UTC
    std::uint64_t modified = 0;
    std::uint64_t mftModified = 0;
    std::uint64_t accessed = 0;
    std::uint32_t dosAttributes = 0;
    char shortName[kShortNameChars + 1] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', 0};
    // Upper-case extension, blanks when there is none: from the DOS name when the record has one,
    // else from the last "." of the long name.
    char ext[4] = {' ', ' ', ' ', 0};
    char longName[kLongNameBytes] = {};  // 8-bit (code page 1251), NUL-padded
    // The resident $DATA content inside the caller's record buffer, valid while that buffer is;
    // realSize bytes long. Null when $DATA is not resident or there is none.
    const std::uint8_t* residentData = nullptr;
    std::uint8_t nonResident = 0;
    std::uint32_t fragmentCount = 0;
    std::uint32_t firstCluster = 0;   // starting cluster of the first run, 0 when there is none
    DataRun runs[kRunListEntries] = {};
    std::uint32_t integrityCode = kRecordGood;

    // For the FILE record view.
    std::uint16_t dataFlags = 0;      // attribute flags of $DATA (compression, encryption)
    std::uint8_t signature[4] = {};   // the record's first four bytes
    DecodeStage stage = DecodeStage::Nothing;

    bool good() const { return integrityCode == kRecordGood; }
};

// The lowest starting cluster and the highest end cluster (start + count) of all runs decoded with
// it, over the files whose long name does not begin with "$" and whose first 12 name characters
// are not "tracking.log". Sparse fragments occupy no clusters and take no part.
struct ClusterStatistics {
    std::uint32_t lowestCluster = 0xFFFFFFFF;
    std::uint32_t highestCluster = 0;
};

// Decodes the record at the start of the buffer, which holds 1,024 or 4,096 bytes of it; nothing
// past the record's allocated size is read, even when the buffer is longer. The update sequence
// is undone in place, so a buffer is decoded once. Returns info.integrityCode. Allocates nothing.
std::uint32_t decodeFileRecord(std::span<std::uint8_t> record, FileRecordInfo& info);
// The same, also adding the record's runs to the statistics of an analysis.
std::uint32_t decodeFileRecord(std::span<std::uint8_t> record, FileRecordInfo& info,
                               ClusterStatistics& statistics);

}  // namespace quenzar::ntfs
