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

}  // namespace
}  // namespace quenzar::platform
