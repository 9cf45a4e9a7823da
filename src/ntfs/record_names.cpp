#include "ntfs/record_names.h"

#include <optional>

#include "ntfs/attribute_header.h"
#include "platform/little_endian.h"

namespace quenzar::ntfs {

namespace {

constexpr std::uint32_t kFileNameAttributeType = 0x30;
// In the $FILE_NAME content: the name's length in characters, its name space, the name.
constexpr std::size_t kNameLengthAt = 0x40;
constexpr std::size_t kNameSpaceAt = 0x41;
constexpr std::size_t kNameAt = 0x42;
constexpr std::uint8_t kDosNameSpace = 2;

struct FileName {
    std::u16string name;
    std::uint8_t nameSpace = 0;
};

// The $FILE_NAME at `offset`, when its content and its whole name lie inside the attribute.
std::optional<FileName> readFileName(std::span<const std::uint8_t> record, std::size_t offset,
                                     const AttributeHeader& header) {
    if (header.nonResident || header.length < kResidentHeaderBytes) return std::nullopt;
    const std::uint8_t* attribute = &record[offset];
    const ResidentContent content = readResidentContent(attribute);
    if (content.offset > header.length || content.byteCount > header.length - content.offset ||
        content.byteCount < kNameAt) {
        return std::nullopt;
    }
    const std::uint8_t* fileName = attribute + content.offset;
    const std::size_t chars = fileName[kNameLengthAt];
    if (kNameAt + 2 * chars > content.byteCount) return std::nullopt;
    FileName result;
    result.nameSpace = fileName[kNameSpaceAt];
    result.name.reserve(chars);
    for (std::size_t i = 0; i < chars; ++i) {
        result.name += static_cast<char16_t>(platform::le16(fileName + kNameAt + 2 * i));
    }
    return result;
}

}  // namespace

std::u16string recordLongName(std::span<const std::uint8_t> record) {
    std::optional<FileName> first;
    std::optional<FileName> second;
    bool firstSeen = false;
    forEachAttribute(record, [&](std::size_t offset, const AttributeHeader& header) {
        if (!firstSeen) {
            if (header.type != kFileNameAttributeType) return true;
            firstSeen = true;
            first = readFileName(record, offset, header);
            return true;
        }
        // Only the attribute right after the first name can be its second name.
        if (header.type == kFileNameAttributeType) second = readFileName(record, offset, header);
        return false;
    });
    if (second && second->nameSpace != kDosNameSpace) return std::move(second->name);
    return first ? std::move(first->name) : std::u16string();
}

}  // namespace quenzar::ntfs
