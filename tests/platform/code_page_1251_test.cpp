#include "platform/code_page_1251.h"

#include <gtest/gtest.h>

namespace quenzar::platform {
namespace {

// Literals in the program's sources are stored as code page 1251 bytes.
TEST(CodePage1251, LiteralsAreStoredAs1251) {
    const std::string text = "Ошибка ввода данных.";
    EXPECT_EQ(static_cast<unsigned char>(text[0]), 0xCE);  // "О"
    EXPECT_EQ(text.size(), 20u);
}

TEST(CodePage1251, ConvertsBothWays) {
    const std::string russian = "Ёлка ё №1 ЖЭЯ";
    EXPECT_EQ(cp1251ToUtf16(russian), u"Ёлка ё №1 ЖЭЯ");
    const std::string utf8 = cp1251ToUtf8(russian);
    EXPECT_EQ(utf8, std::string(reinterpret_cast<const char*>(u8"Ёлка ё №1 ЖЭЯ")));
    EXPECT_EQ(utf8ToCp1251(utf8), russian);
    EXPECT_EQ(cp1251ToUtf16("\x98"), u"\uFFFD");   // the one undefined byte
    // The euro sign is in 1251, a Chinese character is not.
    EXPECT_EQ(utf8ToCp1251("a\xE2\x82\xAC\xE4\xB8\xAD"), "a\x88?");
    EXPECT_EQ(utf8ToCp1251("\xD0"), "?");          // a cut sequence
}

// Names from the disk: 1251 keeps its letters and gets "?" for the others, one for a surrogate
// pair; UTF-8 carries everything but a surrogate without its partner.
TEST(CodePage1251, NamesFromTheDisk) {
    const struct {
        std::u16string utf16;
        std::string cp1251;
        std::u8string utf8;
    } cases[] = {
        {u"Отчёт – итог.txt", "Отчёт – итог.txt", u8"Отчёт – итог.txt"},
        {u"中文.txt", "??.txt", u8"中文.txt"},
        {u"Zażółć", "Za????", u8"Zażółć"},
        {u"a\U0001F4DDb", "a?b", u8"a\U0001F4DDb"},
        {u"a\xDC00" u"b", "a?b", u8"a\uFFFDb"},
        {u"a\xD83D", "a?", u8"a\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf16ToCp1251(c.utf16), c.cp1251);
        EXPECT_EQ(utf16ToUtf8(c.utf16), std::string(c.utf8.begin(), c.utf8.end()));
    }
}

}  // namespace
}  // namespace quenzar::platform
