// One kept FILE record of an analysis, as the work file, the tree and the restore use it. In the
// work file each entry takes exactly 128 bytes, integers little-endian, text in code page 1251:
//
//   0   1  mark          "0" when written; the tree window sets and clears it
//   1   3  ext           extension as the decoder gives it, blanks when there is none
//   4   u32 recordLba    absolute LBA, in the disk's own sectors, of the sector the FILE record begins in
//   8   u32 sizeLow      low 32 bits of the real size of $DATA; 0 for folders
//   12  u32 ownId        the record's own MFT record number
//   16  u32 parentId     low 32 bits of the parent folder reference
//   20  16 created       "YYYY.MM.DD hh:mm", UTC
//   36  16 modified
//   52  1  generation    "0".."9"
//   53  1  folderFlag    CFh ("П") folder, 20h file
//   54  1  deletedFlag   20h in use, D3h ("У") deleted
//   55  u32 firstCluster start of the first data run, 0 when there is none
//   59  1  fragments     number of data runs, low 8 bits
//   60  63 name          8-bit name, zero-padded
//   123 1  0             ends the name
//   124 u16 sizeHigh     bits 32-47 of the real size
//   126 2  CR LF
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quenzar::recovery {

inline constexpr std::size_t kFileTableEntryBytes = 128;
inline constexpr std::size_t kEntryNameBytes = 63;
inline constexpr std::size_t kEntryTimeChars = 16;

inline constexpr std::uint8_t kFolderFlag = 0xCF;   // "П"
inline constexpr std::uint8_t kFileFlag = 0x20;
inline constexpr std::uint8_t kDeletedFlag = 0xD3;  // "У"
inline constexpr std::uint8_t kInUseFlag = 0x20;

// The entry's byte offsets in the work file.
namespace entry_offset {
inline constexpr std::size_t kMark = 0;
inline constexpr std::size_t kExt = 1;
inline constexpr std::size_t kRecordLba = 4;
inline constexpr std::size_t kSizeLow = 8;
inline constexpr std::size_t kOwnId = 12;
inline constexpr std::size_t kParentId = 16;
inline constexpr std::size_t kCreated = 20;
inline constexpr std::size_t kModified = 36;
inline constexpr std::size_t kGeneration = 52;
inline constexpr std::size_t kFolderFlag = 53;
inline constexpr std::size_t kDeletedFlag = 54;
inline constexpr std::size_t kFirstCluster = 55;
inline constexpr std::size_t kFragments = 59;
inline constexpr std::size_t kName = 60;
inline constexpr std::size_t kNameEnd = 123;
inline constexpr std::size_t kSizeHigh = 124;
inline constexpr std::size_t kLineEnd = 126;
}  // namespace entry_offset

static_assert(entry_offset::kCreated + kEntryTimeChars == entry_offset::kModified);
static_assert(entry_offset::kModified + kEntryTimeChars == entry_offset::kGeneration);
static_assert(entry_offset::kName + kEntryNameBytes == entry_offset::kNameEnd);
static_assert(entry_offset::kLineEnd + 2 == kFileTableEntryBytes);

using EntryBytes = std::array<std::uint8_t, kFileTableEntryBytes>;
static_assert(sizeof(EntryBytes) == kFileTableEntryBytes);

// The mark of an entry: chosen for restoring in the tree window, or not.
inline constexpr char kMarked = '1';
inline constexpr char kNotMarked = '0';

struct FileTableEntry {
    char mark = kNotMarked;
    char ext[3] = {' ', ' ', ' '};
    std::uint32_t recordLba = 0;
    std::uint32_t sizeLow = 0;
    std::uint32_t ownId = 0;
    std::uint32_t parentId = 0;
    char created[kEntryTimeChars] = {};
    char modified[kEntryTimeChars] = {};
    char generation = '0';
    std::uint8_t folderFlag = kFileFlag;
    std::uint8_t deletedFlag = kInUseFlag;
    std::uint32_t firstCluster = 0;
    std::uint8_t fragments = 0;
    char name[kEntryNameBytes] = {};
    std::uint16_t sizeHigh = 0;

    bool isFolder() const { return folderFlag == kFolderFlag; }
    bool isDeleted() const { return deletedFlag == kDeletedFlag; }
    std::uint64_t size() const { return (std::uint64_t{sizeHigh} << 32) | sizeLow; }
};

// The 128 bytes of an entry in the work file.
EntryBytes encodeEntry(const FileTableEntry& entry);
// The same bytes written in place (the fields cover all 128 bytes).
void encodeEntryInto(const FileTableEntry& entry, std::span<std::uint8_t, kFileTableEntryBytes> bytes);
// The entry of 128 bytes of the work file; bytes 123 and 126-127 carry nothing.
FileTableEntry decodeEntry(std::span<const std::uint8_t, kFileTableEntryBytes> bytes);

}  // namespace quenzar::recovery
