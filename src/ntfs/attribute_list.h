// Files whose attributes do not fit one FILE record: the base record then holds an
// $ATTRIBUTE_LIST (20h) that names, for every attribute of the file, the record it lies in, and
// the attributes themselves lie in the base record and in extension records (whose header at 20h
// names the base record). This happens to folders of thousands of files, to heavily fragmented
// files, to files with many hard links, and to the $MFT of a large, fragmented volume.
//
// The attributes that the decoder reads are gathered from all those records into one record
// image, in the order one record would hold them: $STANDARD_INFORMATION, the first $FILE_NAME
// (with its DOS or long twin), the unnamed $DATA with the runs of all its extents, the named
// $DATA streams that lie whole in one record. decodeFileRecord reads that image by its own rules,
// so a file described by several records is named, sized and placed like any other.
//
// List entry layout (offsets in the entry):
//   00h  4  attribute type
//   04h  2  entry length
//   06h  1  name length in UTF-16 characters
//   07h  1  name offset
//   08h  8  first VCN of the attribute's part
//   10h  8  record holding it: record number (low 48 bits), sequence (high 16)
//   18h  2  attribute id
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "ntfs/file_record.h"

namespace quenzar::ntfs {

inline constexpr std::uint32_t kAttributeListType = 0x20;

struct AttributeListEntry {
    std::uint32_t type = 0;
    std::uint64_t firstVcn = 0;
    std::uint64_t recordNumber = 0;
    std::uint16_t attributeId = 0;
    std::u16string name;
};

// The entries of a list's content, up to the first one that does not fit it.
std::vector<AttributeListEntry> parseAttributeList(std::span<const std::uint8_t> content);

// The base record an extension record belongs to (header 20h, low 48 bits). The record must be at
// least 30h bytes long.
std::uint64_t baseRecordOf(std::span<const std::uint8_t> record);
// Whether the record is an extension record: its base reference is not zero (an extension of the
// $MFT, record 0, is told by the sequence number in the reference's high 16 bits).
bool isExtensionRecord(std::span<const std::uint8_t> record);

// Whether the attribute after $STANDARD_INFORMATION is an attribute list, read in a record as it
// lies on the disk (both attributes lie in its first sector, before any update sequence word).
bool followsAttributeList(std::span<const std::uint8_t> record);

// The attribute id of an attribute (its header at 0Eh).
std::uint16_t attributeIdAt(const std::uint8_t* attribute);

// Every run of the record's unnamed non-resident $DATA part (the first one in the record), without
// the 99 runs' capacity of the decoder's list. Empty when there is none or its list is broken.
std::vector<DataRun> unnamedDataRuns(std::span<const std::uint8_t> record);

// Reads bytes of the volume at a byte offset from its first sector into the buffer; false when
// some of them did not arrive.
using VolumeBytesReader = std::function<bool(std::uint64_t volumeByte, std::span<std::uint8_t> buffer)>;

// Reads the clusters of a non-resident attribute's runs: byteCount bytes, sparse runs as zeros.
bool readRunBytes(const VolumeBytesReader& read, std::uint64_t clusterBytes, std::span<const DataRun> runs,
                  std::uint64_t byteCount, std::vector<std::uint8_t>& bytes);

// How the records of the volume are had while a file's attributes are gathered.
struct RecordReading {
    // The record of that number with its update sequence undone (decodeFileRecord got past its
    // header); false when it cannot be had.
    std::function<bool(std::uint64_t recordNumber, std::vector<std::uint8_t>& bytes)> record;
    // The first byteCount bytes of a non-resident attribute with these runs (a long list lies in
    // clusters of its own); false when they cannot be read. Empty: such lists are not followed.
    std::function<bool(std::span<const DataRun> runs, std::uint64_t byteCount, std::vector<std::uint8_t>& bytes)>
        clusters;
};

enum class Gathering {
    NotNeeded,   // no attribute list, or one that names only the base record itself
    Complete,    // every record the list names was had and holds what the list says
    Incomplete,  // some part was missing: the image holds what was found
};

struct GatheredRecord {
    std::vector<std::uint8_t> image;  // kLargeRecordSize bytes, update sequence in place
    std::vector<DataRun> dataRuns;    // every run of the unnamed $DATA, all its extents in VCN order
};

// Gathers the attributes of the base record (as decodeFileRecord left it) whose number is
// baseNumber. An extension record counts only when its header names that base record.
Gathering gatherAttributes(std::span<const std::uint8_t> base, std::uint64_t baseNumber, const RecordReading& reading,
                           GatheredRecord& gathered);

// Decodes a record whose attributes may lie in several records (its number: its own number, or
// recordNumber for the older layout, which carries none): the record alone when it needs
// nothing else, otherwise the gathered image (kept in `gathered`, which residentData then points
// into). hasAttributeList stays set for a gathered record. `allRuns` receives every run of the
// unnamed $DATA. Returns the integrity code and, through `gathering`, what was gathered. The runs
// decoded count in `statistics` when it is given.
std::uint32_t decodeWithExtensions(std::span<std::uint8_t> record, std::uint64_t recordNumber,
                                   const RecordReading& reading, FileRecordInfo& info, GatheredRecord& gathered,
                                   std::vector<DataRun>& allRuns, Gathering& gathering,
                                   ClusterStatistics* statistics = nullptr);

}  // namespace quenzar::ntfs
