// The header of an attribute in a FILE record, read at its named offsets (relative to the
// attribute's start). The common part is 10h bytes; a resident attribute's header goes on to 18h,
// a non-resident one's to 40h. Every reader checks first how much of the header lies inside the
// record and reads only the parts that do, through these functions.
#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <span>

#include "platform/little_endian.h"

namespace quenzar::ntfs {

inline constexpr std::uint32_t kDataAttributeType = 0x80;
inline constexpr std::uint32_t kAttributeEndMarker = 0xFFFFFFFF;

inline constexpr std::size_t kAttributeCommonBytes = 0x10;
inline constexpr std::size_t kResidentHeaderBytes = 0x18;
// A non-resident header up to the real size; the initialized size follows at 38h.
inline constexpr std::size_t kNonResidentSizesBytes = 0x38;
inline constexpr std::size_t kNonResidentHeaderBytes = 0x40;

// The common part.
struct AttributeHeader {
    std::uint32_t type = 0;        // 00h
    std::uint32_t length = 0;      // 04h  the whole attribute, header included
    bool nonResident = false;      // 08h  1: the content lies in clusters of its own
    std::uint8_t nameChars = 0;    // 09h  UTF-16 characters of the attribute's name
    std::uint16_t nameOffset = 0;  // 0Ah
    std::uint16_t flags = 0;       // 0Ch  compressed, encrypted, sparse
};

// The resident form: where the content lies inside the attribute.
struct ResidentContent {
    std::uint32_t byteCount = 0;  // 10h
    std::uint16_t offset = 0;     // 14h  from the attribute's start
};

// The non-resident form.
struct NonResidentSizes {
    std::uint64_t firstVcn = 0;         // 10h  0 for the attribute's first part
    std::uint16_t runListOffset = 0;    // 20h  from the attribute's start
    std::uint64_t allocatedSize = 0;    // 28h
    std::uint64_t realSize = 0;         // 30h
};

// The type and the length alone, for walks that check only the first 8 bytes before stepping on.
inline std::uint32_t readAttributeType(const std::uint8_t* attribute) { return platform::le32(attribute + 0x00); }
inline std::uint32_t readAttributeLength(const std::uint8_t* attribute) { return platform::le32(attribute + 0x04); }

// The first kAttributeCommonBytes of `attribute` must lie in the record.
inline AttributeHeader readAttributeHeader(const std::uint8_t* attribute) {
    AttributeHeader header;
    header.type = readAttributeType(attribute);
    header.length = readAttributeLength(attribute);
    // Only the value 1 means non-resident; any other value is read as resident.
    header.nonResident = attribute[0x08] == 1;
    header.nameChars = attribute[0x09];
    header.nameOffset = platform::le16(attribute + 0x0A);
    header.flags = platform::le16(attribute + 0x0C);
    return header;
}

// The first kResidentHeaderBytes must lie in the record.
inline ResidentContent readResidentContent(const std::uint8_t* attribute) {
    return {platform::le32(attribute + 0x10), platform::le16(attribute + 0x14)};
}

// The first kNonResidentSizesBytes must lie in the record.
inline NonResidentSizes readNonResidentSizes(const std::uint8_t* attribute) {
    return {platform::le64(attribute + 0x10), platform::le16(attribute + 0x20), platform::le64(attribute + 0x28),
            platform::le64(attribute + 0x30)};
}

// The first kNonResidentHeaderBytes must lie in the record.
inline std::uint64_t readInitializedSize(const std::uint8_t* attribute) { return platform::le64(attribute + 0x38); }

// Hands each attribute of the record's used part to `visit` (its offset and its header, the
// attribute's length checked to lie within that part) until the end marker, an attribute that does
// not fit, or `visit` returning false. The record is as decodeFileRecord leaves it (update
// sequence undone).
template <typename Visit>
void forEachAttribute(std::span<const std::uint8_t> record, Visit&& visit) {
    if (record.size() < 0x20) return;
    const std::size_t end = std::min<std::size_t>(record.size(), platform::le32(&record[0x18]));
    std::size_t offset = platform::le16(&record[0x14]);
    while (offset + kAttributeCommonBytes <= end) {
        const AttributeHeader header = readAttributeHeader(&record[offset]);
        if (header.type == kAttributeEndMarker || header.length < kAttributeCommonBytes || header.length > end - offset) {
            return;
        }
        if (!visit(offset, header)) return;
        offset += header.length;
    }
}

}  // namespace quenzar::ntfs
