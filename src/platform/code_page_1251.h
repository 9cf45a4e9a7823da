// Conversions of the program's texts, kept in code page 1251, to the encodings of the outside
// world: UTF-16 for the wide Windows functions, UTF-8 for terminals and Linux file names.
#pragma once

#include <string>
#include <string_view>

namespace quenzar::platform {

std::u16string cp1251ToUtf16(std::string_view text);
std::string cp1251ToUtf8(std::string_view text);
// The same, appended to `out`; returns the number of characters appended.
std::size_t appendCp1251AsUtf8(std::string& out, std::string_view text);

// The code page 1251 byte of one character, or `missing` when 1251 has none for it.
char cp1251FromCodePoint(char32_t code, char missing = '?');

// The reverse, for text typed by the user; characters 1251 lacks become "?".
std::string utf8ToCp1251(std::string_view text);

// UTF-16 text from the disk (a file name) in code page 1251: characters 1251 lacks become "?",
// a surrogate pair one "?".
std::string utf16ToCp1251(std::u16string_view text);

// UTF-16 text from the disk as UTF-8; a surrogate that has no partner becomes U+FFFD, since
// UTF-8 cannot carry it.
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace quenzar::platform
