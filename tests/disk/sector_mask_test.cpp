#include "disk/sector_mask.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace quenzar::disk {
namespace {

SectorMaskTable::Mask patternMask(std::uint8_t seed) {
    SectorMaskTable::Mask mask;
    for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = static_cast<std::uint8_t>(seed + i * 7 + 1);
    return mask;
}

TEST(SectorMask, GapRuleStartsAtSector63) {
    struct Case { std::uint64_t start; bool unmasked; };
    const Case cases[] = {
        {0, false},
        {29'184, false},                  // LBA 57 itself
        {32'255, false},                  // last byte of the gap
        {32'256, true},                   // LBA 63
        {0x1'0000'0000ull, true},         // high half set, low half zero
        {0x1'0000'0000ull + 512, true},
    };
    for (const Case& c : cases) EXPECT_EQ(startsBeyondMaskGap(c.start), c.unmasked) << c.start;
}

TEST(SectorMask, SlotsExistForDisksZeroToEightOnly) {
    SectorMaskTable masks;
    const auto mask = patternMask(3);
    for (char disk : {'0', '5', '8'}) {
        masks.store(disk, mask);
        EXPECT_TRUE(masks.hasMask(disk)) << disk;
    }
    for (char disk : {'9', '/', 'A', '\0'}) {
        masks.store(disk, mask);
        EXPECT_FALSE(masks.hasMask(disk)) << int(disk);
    }
}

TEST(SectorMask, BlocksAreUnmaskedBlockByBlock) {
    SectorMaskTable masks;
    const auto mask = patternMask(11);
    masks.store('2', mask);

    // Four blocks: data, all zeros, equal to the mask, data again.
    std::vector<std::uint8_t> original(4 * 512);
    std::iota(original.begin(), original.end(), std::uint8_t{0});
    std::fill(original.begin() + 512, original.begin() + 1024, std::uint8_t{0});
    std::copy(mask.begin(), mask.end(), original.begin() + 1024);

    std::vector<std::uint8_t> buffer = original;
    ApplySectorMask(masks, buffer, '2');
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const std::size_t block = i / 512;
        const std::uint8_t expected = block == 1   ? 0                                     // zero block stays zero
                                      : block == 2 ? 0                                     // mask ^ mask
                                                   : std::uint8_t(original[i] ^ mask[i % 512]);
        ASSERT_EQ(buffer[i], expected) << "byte " << i;
    }
}

TEST(SectorMask, BuffersThatAreNeverTouched) {
    SectorMaskTable masks;
    auto mask = patternMask(5);
    masks.store('1', mask);

    std::vector<std::uint8_t> small(511, 0x5A);  // shorter than one block
    ApplySectorMask(masks, small, '1');
    EXPECT_EQ(small, std::vector<std::uint8_t>(511, 0x5A));

    std::vector<std::uint8_t> otherDisk(1024, 0x5A);  // disk 0 has no mask
    ApplySectorMask(masks, otherDisk, '0');
    EXPECT_EQ(otherDisk, std::vector<std::uint8_t>(1024, 0x5A));

    // A mask sector whose first 32-bit word is zero means "no mask", whatever follows it.
    mask[0] = mask[1] = mask[2] = mask[3] = 0;
    masks.store('1', mask);
    std::vector<std::uint8_t> buffer(1024, 0x5A);
    ApplySectorMask(masks, buffer, '1');
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(1024, 0x5A));
}

TEST(SectorMask, TrailingPartialBlockIsLeftAsRead) {
    SectorMaskTable masks;
    const auto mask = patternMask(9);
    masks.store('0', mask);
    std::vector<std::uint8_t> buffer(512 + 100, 0xFF);
    ApplySectorMask(masks, buffer, '0');
    for (std::size_t i = 0; i < 512; ++i) ASSERT_EQ(buffer[i], std::uint8_t(0xFF ^ mask[i]));
    for (std::size_t i = 512; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xFF);
}

}  // namespace
}  // namespace quenzar::disk
