#include "ntfs/lznt1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quenzar::ntfs {
namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string text(const std::vector<std::uint8_t>& out, std::size_t from, std::size_t count) {
    return std::string(out.begin() + static_cast<std::ptrdiff_t>(from),
                       out.begin() + static_cast<std::ptrdiff_t>(from + count));
}

// Chunks annotated by hand: header (size - 1, signature 3, bit 15 compressed), flag bytes, items.
TEST(Lznt1, ChunksDecompressIntoTheirPlaces) {
    // "abc" and a copy token at position 3: 12 bits of length, distance 3 ((3 - 1) << 12), length
    // 9 (9 - 3): the copy overlaps what it writes.
    const auto abc = bytes({0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x06, 0x20});
    std::vector<std::uint8_t> out(12);
    Lznt1Result result = decompressLznt1(abc, out);
    EXPECT_TRUE(result.good);
    EXPECT_EQ(text(out, 0, 12), "abcabcabcabc");

    // A short chunk is zeros to its end: the next chunk starts 4,096 bytes on. Then a stored
    // chunk (bit 15 clear) of 4,096 bytes, then the closing header.
    const std::vector<std::uint8_t> stored(kLznt1ChunkBytes, 'S');
    const auto data = bytes({0x03, 0xB0, 0x00, 'x', 'y', 'z'}) + bytes({0xFF, 0x3F}) + stored + bytes({0, 0});
    out.assign(3 * kLznt1ChunkBytes + 100, 0xEE);
    result = decompressLznt1(data, out);
    EXPECT_TRUE(result.good);
    EXPECT_EQ(result.produced, 2 * kLznt1ChunkBytes);
    EXPECT_EQ(text(out, 0, 4), std::string("xyz") + '\0');
    EXPECT_EQ(out[kLznt1ChunkBytes - 1], 0);
    EXPECT_EQ(text(out, kLznt1ChunkBytes, 3), "SSS");
    EXPECT_EQ(out[2 * kLznt1ChunkBytes], 0xEE);  // nothing past the data

    // The output ends the decoding: nothing is written past it.
    out.assign(5, 0);
    result = decompressLznt1(abc, out);
    EXPECT_EQ(text(out, 0, 3), "abc");
}

TEST(Lznt1, FaultsEndTheDataWithoutReadingOrWritingPastIt) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> data;
    };
    const Case cases[] = {
        {"a copy from before the chunk's start", bytes({0x02, 0xB0, 0x01, 0x00, 0x00})},
        {"a copy longer than the room left", bytes({0x03, 0xB0, 0x02, 'a', 0xFF, 0x0F})},
        {"a chunk past the input", bytes({0x10, 0xB0, 0x00, 'a'})},
        {"a token cut off", bytes({0x01, 0xB0, 0x01, 0x00})},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> out(64);
        const Lznt1Result result = decompressLznt1(c.data, out);
        EXPECT_FALSE(result.good) << c.what;
        EXPECT_LE(result.produced, out.size()) << c.what;
    }
}

}  // namespace
}  // namespace quenzar::ntfs
