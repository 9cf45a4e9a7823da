#include "ntfs/data_streams.h"

#include <algorithm>

#include "ntfs/attribute_header.h"
#include "ntfs/data_runs.h"
#include "platform/code_page_1251.h"
#include "platform/little_endian.h"

namespace quenzar::ntfs {

namespace {

using platform::le16;
using platform::le32;


std::string streamName(const std::uint8_t* utf16, std::size_t charCount) {
    std::string name;
    name.reserve(charCount);
    for (std::size_t i = 0; i < charCount; ++i) {
        name += platform::cp1251FromCodePoint(char32_t{le16(utf16 + 2 * i)});
    }
    return name;
}

// The compression unit of a non-resident attribute whose header lies in the record. NTFS writes
// compressed streams in units of 16 clusters (a shift of 4) and reads no larger ones; a larger
// shift is damage, and taken at its word it would size a buffer of up to 2^16 clusters for every
// unit of a small file. Such a header names no unit, and the stream is read in the units NTFS
// writes.
std::uint32_t unitClustersOf(const std::uint8_t* attribute, const AttributeHeader& header) {
    constexpr std::uint16_t kCompressed = 0x0001;
    constexpr std::uint8_t kLargestUnitShift = 4;
    const std::uint8_t shift = attribute[0x22];
    if (!header.nonResident || (header.flags & kCompressed) == 0 || shift == 0 || shift > kLargestUnitShift) return 0;
    return std::uint32_t{1} << shift;
}

}  // namespace

std::uint32_t compressionUnitClusters(std::span<const std::uint8_t> record) {
    std::uint32_t clusters = 0;
    forEachAttribute(record, [&](std::size_t offset, const AttributeHeader& header) {
        if (header.type != kDataAttributeType || header.nameChars != 0) return true;
        if (header.length >= kNonResidentHeaderBytes) clusters = unitClustersOf(&record[offset], header);
        return false;
    });
    return clusters;
}

std::uint64_t initializedDataSize(std::span<const std::uint8_t> record, std::uint64_t realSize) {
    std::uint64_t initialized = realSize;
    forEachAttribute(record, [&](std::size_t offset, const AttributeHeader& header) {
        const bool unnamedNonResident = header.nonResident && header.nameChars == 0;
        if (header.type != kDataAttributeType || !unnamedNonResident || header.length < kNonResidentHeaderBytes) {
            return true;
        }
        initialized = std::min(realSize, readInitializedSize(&record[offset]));
        return false;
    });
    return initialized;
}

std::vector<NamedStream> findNamedStreams(std::span<const std::uint8_t> record) {
    std::vector<NamedStream> streams;
    forEachAttribute(record, [&](std::size_t offset, const AttributeHeader& header) {
        const std::uint8_t* attribute = &record[offset];
        const std::uint32_t length = header.length;
        const std::size_t headerBytes = header.nonResident ? kNonResidentHeaderBytes : kResidentHeaderBytes;
        // The name and the header must lie inside the attribute.
        if (header.type != kDataAttributeType || header.nameChars == 0 || length < headerBytes ||
            header.nameOffset + 2u * header.nameChars > length) {
            return true;
        }
        NamedStream stream;
        stream.name = streamName(attribute + header.nameOffset, header.nameChars);
        stream.nonResident = header.nonResident;
        stream.flags = header.flags;
        if (!header.nonResident) {
            const ResidentContent content = readResidentContent(attribute);
            if (content.offset <= length && content.byteCount <= length - content.offset) {
                stream.residentData.assign(attribute + content.offset, attribute + content.offset + content.byteCount);
                stream.realSize = stream.initializedSize = content.byteCount;
                streams.push_back(std::move(stream));
            }
        } else if (const NonResidentSizes sizes = readNonResidentSizes(attribute); sizes.firstVcn == 0) {
            stream.realSize = sizes.realSize;
            stream.initializedSize = std::min(stream.realSize, readInitializedSize(attribute));
            stream.compressionUnitClusters = unitClustersOf(attribute, header);
            DataRun runs[kRunListEntries] = {};
            // The run list is read inside this attribute only.
            const std::size_t runListOffset = offset + sizes.runListOffset;
            if (decodeRunList(record.first(offset + length), runListOffset, runs).integrityCode == kRecordGood) {
                for (std::size_t r = 0; r < kRunListMaxFragments && runs[r].clusterCount != 0; ++r) {
                    stream.runs.push_back(runs[r]);
                }
                streams.push_back(std::move(stream));
            }
        }
        return true;
    });
    return streams;
}

}  // namespace quenzar::ntfs
