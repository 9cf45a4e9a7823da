#include "ntfs/data_streams.h"

#include <algorithm>
#include <functional>

#include "ntfs/data_runs.h"
#include "platform/code_page_1251.h"
#include "platform/little_endian.h"

namespace quenzar::ntfs {

namespace {

using platform::le16;
using platform::le32;
using platform::le64;

constexpr std::uint32_t kDataType = 0x80;
constexpr std::uint32_t kEndMarker = 0xFFFFFFFF;
constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kResidentHeaderBytes = 0x18;
constexpr std::size_t kNonResidentHeaderBytes = 0x40;

std::string streamName(const std::uint8_t* utf16, std::size_t charCount) {
    std::string name;
    name.reserve(charCount);
    for (std::size_t i = 0; i < charCount; ++i) {
        name += platform::cp1251FromCodePoint(char32_t{le16(utf16 + 2 * i)});
    }
    return name;
}

// Hands each attribute of the record's used part to `visit` (its offset and its length, both
// checked to lie within that part) until the end marker, an attribute that does not fit, or
// `visit` returning false.
void forEachAttribute(std::span<const std::uint8_t> record,
                      const std::function<bool(std::size_t offset, std::uint32_t length)>& visit) {
    if (record.size() < 0x20) return;
    const std::size_t end = std::min<std::size_t>(record.size(), le32(&record[0x18]));
    std::size_t offset = le16(&record[0x14]);
    while (offset + kHeaderBytes <= end) {
        const std::uint32_t type = le32(&record[offset]);
        const std::uint32_t length = le32(&record[offset + 4]);
        if (type == kEndMarker || length < kHeaderBytes || length > end - offset) return;
        if (!visit(offset, length)) return;
        offset += length;
    }
}

}  // namespace

std::uint64_t initializedDataSize(std::span<const std::uint8_t> record, std::uint64_t realSize) {
    std::uint64_t initialized = realSize;
    forEachAttribute(record, [&](std::size_t offset, std::uint32_t length) {
        const std::uint8_t* header = &record[offset];
        const bool unnamedNonResident = header[8] != 0 && header[9] == 0;
        if (le32(header) != kDataType || !unnamedNonResident || length < kNonResidentHeaderBytes) return true;
        initialized = std::min(realSize, le64(header + 0x38));
        return false;
    });
    return initialized;
}

std::vector<NamedStream> findNamedStreams(std::span<const std::uint8_t> record) {
    std::vector<NamedStream> streams;
    forEachAttribute(record, [&](std::size_t offset, std::uint32_t length) {
        const std::uint8_t* header = &record[offset];
        const std::size_t nameChars = header[9];
        const std::size_t nameOffset = le16(header + 10);
        const bool nonResident = header[8] != 0;
        const std::size_t headerBytes = nonResident ? kNonResidentHeaderBytes : kResidentHeaderBytes;
        // The name and the header must lie inside the attribute.
        if (le32(header) != kDataType || nameChars == 0 || length < headerBytes ||
            nameOffset + 2 * nameChars > length) {
            return true;
        }
        NamedStream stream;
        stream.name = streamName(header + nameOffset, nameChars);
        stream.nonResident = nonResident;
        stream.flags = le16(header + 12);
        if (!nonResident) {
            const std::uint32_t contentBytes = le32(header + 0x10);
            const std::size_t contentOffset = le16(header + 0x14);
            if (contentOffset <= length && contentBytes <= length - contentOffset) {
                stream.residentData.assign(header + contentOffset, header + contentOffset + contentBytes);
                stream.realSize = stream.initializedSize = contentBytes;
                streams.push_back(std::move(stream));
            }
        } else if (le64(header + 0x10) == 0) {
            stream.realSize = le64(header + 0x30);
            stream.initializedSize = std::min(stream.realSize, le64(header + 0x38));
            DataRun runs[kRunListEntries] = {};
            // The run list is read inside this attribute only.
            const std::size_t runListOffset = offset + le16(header + 0x20);
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
