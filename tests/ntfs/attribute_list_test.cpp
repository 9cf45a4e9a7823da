#include "ntfs/attribute_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quenzar::ntfs {
namespace {

// One list entry: type, length, name, first VCN, record reference (sequence in the high 16
// bits), attribute id. A length given is written into the entry whatever it holds.
std::vector<std::uint8_t> entry(std::uint32_t type, std::uint64_t firstVcn, std::uint64_t reference, std::uint16_t id,
                                std::u16string name = {}, std::size_t length = 0) {
    const std::size_t needed = (0x1A + 2 * name.size() + 7) / 8 * 8;
    std::vector<std::uint8_t> bytes(std::max(needed, length), 0);
    auto put = [&](std::size_t at, std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(0x00, type, 4);
    put(0x04, length != 0 ? length : bytes.size(), 2);
    bytes[0x06] = static_cast<std::uint8_t>(name.size());
    bytes[0x07] = 0x1A;
    put(0x08, firstVcn, 8);
    put(0x10, reference, 8);
    put(0x18, id, 2);
    for (std::size_t i = 0; i < name.size(); ++i) put(0x1A + 2 * i, name[i], 2);
    return bytes;
}

std::vector<std::uint8_t> joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(AttributeList, EntriesUpToTheFirstThatDoesNotFit) {
    const std::uint64_t sequence = std::uint64_t{3} << 48;
    const std::vector<std::uint8_t> list =
        joined({entry(0x10, 0, 65, 0), entry(0x30, 0, sequence | 520, 4), entry(0x80, 0, 65, 2),
                entry(0x80, 1000, sequence | 554, 0), entry(0x80, 0, 700, 7, u"extra")});
    const std::vector<AttributeListEntry> entries = parseAttributeList(list);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[1].type, 0x30u);
    EXPECT_EQ(entries[1].recordNumber, 520u);  // the sequence number is not part of it
    EXPECT_EQ(entries[1].attributeId, 4u);
    EXPECT_EQ(entries[3].firstVcn, 1000u);
    EXPECT_EQ(entries[4].name, u"extra");

    std::vector<std::uint8_t> cut = joined({entry(0x10, 0, 65, 0), entry(0x30, 0, 66, 1)});
    cut.resize(cut.size() - 8);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> list;
        std::size_t entries;
    };
    const Case cases[] = {
        {"a length shorter than an entry", joined({entry(0x10, 0, 65, 0), entry(0x30, 0, 66, 1, {}, 0x10)}), 1},
        {"a length beyond the content", cut, 1},
        {"a name beyond its entry", entry(0x80, 0, 65, 2, u"long name", 0x20), 0},
        {"content shorter than one entry", std::vector<std::uint8_t>(0x19, 0), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(parseAttributeList(c.list).size(), c.entries) << c.what;
}

}  // namespace
}  // namespace quenzar::ntfs
