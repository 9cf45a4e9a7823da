#include "text/number_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace quenzar::text {
namespace {

// Writes into the middle of a guarded field so that a writer that overruns its width shows.
template <typename Writer>
std::string field(std::size_t width, Writer write) {
    std::string text(width + 2, '|');
    write(text.data() + 1);
    EXPECT_EQ(text.front(), '|');
    EXPECT_EQ(text.back(), '|') << "wrote past its width";
    return text.substr(1, width);
}

TEST(NumberTexts, HexByte) {
    const std::pair<std::uint8_t, const char*> cases[] = {{0x00, "00"}, {0x0F, "0F"}, {0xA5, "A5"}, {0xFF, "FF"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(field(2, [&](char* d) { hexByte(value, d); }), text);
    }
}

TEST(NumberTexts, Decimal5) {
    const std::pair<std::uint16_t, const char*> cases[] = {
        {0, "    0"}, {7, "    7"}, {10, "   10"}, {9999, " 9999"}, {10000, "10000"}, {65535, "65535"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(field(5, [&](char* d) { decimal5(value, d); }), text) << value;
    }
}

TEST(NumberTexts, Decimal13) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "            0"},
        {5, "            5"},
        {999'999'999, "    999999999"},
        {1'000'000'000, "   1000000000"},        // zeros after the first digit stay
        {1'000'000'007, "   1000000007"},
        {1'234'567'890'123, "1234567890123"},
        {kDecimal13Max, "9999999999999"},
        {kDecimal13Max + 1, "*************"},    // does not fit: no cut number
        {UINT64_MAX, "*************"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(field(13, [&](char* d) { decimal13(value, d); }), text) << value;
    }
}

TEST(NumberTexts, ParseDecimal) {
    EXPECT_EQ(parseDecimal(""), 0u);
    EXPECT_EQ(parseDecimal("0"), 0u);
    EXPECT_EQ(parseDecimal("0063"), 63u);
    EXPECT_EQ(parseDecimal("4294967295"), 4294967295u);
    EXPECT_EQ(parseDecimal("4294967296"), 0u);  // 32-bit arithmetic wraps
}

TEST(NumberTexts, LbaTextRoundTrip) {
    const std::pair<const char*, std::uint64_t> reads[] = {
        {"", 0},
        {"0", 0},
        {"63", 63},
        {"999999999", 999'999'999},
        {"1000000000", 1'000'000'000},
        {"8388608", 8'388'608},                // first LBA beyond 4 GiB at 512 bytes
        {"4294967296", 4'294'967'296},         // beyond 32 bits
        {"9999999999999", kDecimal13Max},
        {"12345678901234", 1'234'567'890'123}, // only 13 characters are read
    };
    for (const auto& [text, value] : reads) EXPECT_EQ(parseLbaText(text), value) << text;

    for (std::uint64_t value : {0ull, 63ull, 4'294'967'296ull, 1'234'567'890'123ull}) {
        const std::string text = formatLbaText(value);
        EXPECT_LE(text.size(), 15u);  // fits the 16-character field with its terminating zero
        EXPECT_EQ(parseLbaText(text), value);
    }
    EXPECT_EQ(formatLbaText(4'294'967'296ull), "4294967296");
}

}  // namespace
}  // namespace quenzar::text
