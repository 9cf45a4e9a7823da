#include "disk/bad_sector_map.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace quenzar::disk {
namespace {

using Range = BadSectorMap::Range;

// Ranges that overlap, touch or hold one another become one; apart ones stay apart.
TEST(BadSectorMap, RangesMergeWhenTheyOverlapOrTouch) {
    const struct {
        const char* what;
        std::vector<Range> added;
        std::vector<Range> kept;
    } cases[] = {
        {"apart, added out of order", {{1024, 1536}, {0, 512}}, {{0, 512}, {1024, 1536}}},
        {"touching on either side", {{512, 1024}, {0, 512}, {1024, 1536}}, {{0, 1536}}},
        {"overlapping", {{0, 1024}, {512, 2048}}, {{0, 2048}}},
        {"one inside another", {{0, 4096}, {512, 1024}}, {{0, 4096}}},
        {"one bridging several", {{0, 512}, {1024, 1536}, {2048, 2560}, {256, 2048}}, {{0, 2560}}},
        {"empty", {{512, 512}}, {}},
    };
    for (const auto& c : cases) {
        BadSectorMap map;
        for (const Range& range : c.added) map.add(range.firstByte, range.endByte);
        EXPECT_EQ(map.ranges(), c.kept) << c.what;
    }
}

TEST(BadSectorMap, QueriesFindTheBadBytesAroundAPlace) {
    BadSectorMap map;
    map.add(1024, 2048);
    map.add(4096, 4608);
    // The first bad byte of a range.
    EXPECT_EQ(map.firstBadIn(0, 1024), 1024u);  // ends where the bad range begins: none
    EXPECT_EQ(map.firstBadIn(0, 1025), 1024u);
    EXPECT_EQ(map.firstBadIn(1500, 1600), 1500u);
    EXPECT_EQ(map.firstBadIn(2048, 4000), 4000u);
    EXPECT_EQ(map.firstBadIn(2048, 8192), 4096u);
    // Where a bad range ends, from a byte in it.
    EXPECT_EQ(map.badEndFrom(1024), 2048u);
    EXPECT_EQ(map.badEndFrom(2047), 2048u);
    EXPECT_EQ(map.badEndFrom(2048), 2048u);
    EXPECT_EQ(map.badEndFrom(100), 100u);
    // Where the bad range just before a byte begins.
    EXPECT_EQ(map.badStartBefore(2048), 1024u);
    EXPECT_EQ(map.badStartBefore(1500), 1024u);
    EXPECT_EQ(map.badStartBefore(1024), 1024u);
    EXPECT_EQ(map.badStartBefore(2049), 2049u);
    EXPECT_EQ(map.badStartBefore(0), 0u);
}

// The maps belong to a disk system and a device; several threads may add to and ask one map.
TEST(BadSectorMap, EachDiskSystemAndDeviceHasItsOwnMap) {
    platform::ImageDiskSystem first({"a.img"});
    platform::ImageDiskSystem second({"a.img"});
    const std::shared_ptr<BadSectorMap> map = badSectorMapOf(first, "a.img");
    EXPECT_EQ(badSectorMapOf(first, "a.img"), map);
    EXPECT_NE(badSectorMapOf(first, "b.img"), map);
    EXPECT_NE(badSectorMapOf(second, "a.img"), map);

    std::vector<std::thread> threads;
    for (std::uint64_t t = 0; t < 4; ++t) {
        threads.emplace_back([&map, t] {
            for (std::uint64_t sector = t; sector < 4000; sector += 4) {
                map->add(sector * 512, sector * 512 + 512);
                map->firstBadIn(0, 4000 * 512);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(map->ranges(), (std::vector<Range>{{0, 4000 * 512}}));

    forgetBadSectors(first);
    EXPECT_TRUE(badSectorMapOf(first, "a.img")->ranges().empty());
    forgetBadSectors(first);
    forgetBadSectors(second);
}

}  // namespace
}  // namespace quenzar::disk
