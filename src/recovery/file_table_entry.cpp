#include "recovery/file_table_entry.h"

#include <cstring>

namespace quenzar::recovery {

namespace {

void putU32(std::span<std::uint8_t, kFileTableEntryBytes> bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t getU32(std::span<const std::uint8_t, kFileTableEntryBytes> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{bytes[offset + i]} << (8 * i);
    return value;
}

}  // namespace

EntryBytes encodeEntry(const FileTableEntry& entry) {
    EntryBytes bytes{};
    encodeEntryInto(entry, bytes);
    return bytes;
}

void encodeEntryInto(const FileTableEntry& entry, std::span<std::uint8_t, kFileTableEntryBytes> bytes) {
    namespace at = entry_offset;
    bytes[at::kMark] = static_cast<std::uint8_t>(entry.mark);
    std::memcpy(&bytes[at::kExt], entry.ext, 3);
    putU32(bytes, at::kRecordLba, entry.recordLba);
    putU32(bytes, at::kSizeLow, entry.sizeLow);
    putU32(bytes, at::kOwnId, entry.ownId);
    putU32(bytes, at::kParentId, entry.parentId);
    std::memcpy(&bytes[at::kCreated], entry.created, kEntryTimeChars);
    std::memcpy(&bytes[at::kModified], entry.modified, kEntryTimeChars);
    bytes[at::kGeneration] = static_cast<std::uint8_t>(entry.generation);
    bytes[at::kFolderFlag] = entry.folderFlag;
    bytes[at::kDeletedFlag] = entry.deletedFlag;
    putU32(bytes, at::kFirstCluster, entry.firstCluster);
    bytes[at::kFragments] = entry.fragments;
    std::memcpy(&bytes[at::kName], entry.name, kEntryNameBytes);
    bytes[at::kNameEnd] = 0;
    bytes[at::kSizeHigh] = static_cast<std::uint8_t>(entry.sizeHigh);
    bytes[at::kSizeHigh + 1] = static_cast<std::uint8_t>(entry.sizeHigh >> 8);
    bytes[at::kLineEnd] = 0x0D;
    bytes[at::kLineEnd + 1] = 0x0A;
}

FileTableEntry decodeEntry(std::span<const std::uint8_t, kFileTableEntryBytes> bytes) {
    namespace at = entry_offset;
    FileTableEntry entry;
    entry.mark = static_cast<char>(bytes[at::kMark]);
    std::memcpy(entry.ext, &bytes[at::kExt], 3);
    entry.recordLba = getU32(bytes, at::kRecordLba);
    entry.sizeLow = getU32(bytes, at::kSizeLow);
    entry.ownId = getU32(bytes, at::kOwnId);
    entry.parentId = getU32(bytes, at::kParentId);
    std::memcpy(entry.created, &bytes[at::kCreated], kEntryTimeChars);
    std::memcpy(entry.modified, &bytes[at::kModified], kEntryTimeChars);
    entry.generation = static_cast<char>(bytes[at::kGeneration]);
    entry.folderFlag = bytes[at::kFolderFlag];
    entry.deletedFlag = bytes[at::kDeletedFlag];
    entry.firstCluster = getU32(bytes, at::kFirstCluster);
    entry.fragments = bytes[at::kFragments];
    std::memcpy(entry.name, &bytes[at::kName], kEntryNameBytes);
    entry.sizeHigh = static_cast<std::uint16_t>(bytes[at::kSizeHigh] | (bytes[at::kSizeHigh + 1] << 8));
    return entry;
}

}  // namespace quenzar::recovery
