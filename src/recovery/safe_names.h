// Names that come from the disk made fit to be created in the restore's target folder. A name is
// one path component, in UTF-16 as the volume stores it (or in code page 1251 as the table keeps
// it); whatever it holds, the result names exactly one entry directly in the folder it is created
// in, on Linux (as UTF-8) and on Windows (through the wide functions) alike.
#pragma once

#include <string>
#include <string_view>

namespace quenzar::recovery {

// The longest component kept: 120 characters, and no more than 240 bytes in UTF-8. File systems
// allow 255 bytes, so a Cyrillic name keeps its 120 letters, a Chinese one 80; the room left
// takes a " (N)" of a namesake. Longer names are cut before their extension.
inline constexpr std::size_t kSafeNameMaxChars = 120;
inline constexpr std::size_t kSafeNameMaxUtf8Bytes = 240;

// Replaces what could leave the folder or that Windows refuses: "/", "\", ":", control
// characters, the characters * ? " < > |, a surrogate without its partner (no UTF-8 can carry
// it), names of dots only ("." and ".."), trailing dots and blanks (Windows drops them, so two
// names would meet), empty names and the reserved device names (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, with or without an extension).
std::u16string safeName(std::u16string_view name);
// The same for a name of the table, in code page 1251.
std::string safeComponent(std::string_view name);

// The name with " (N)" put before its extension, for a second file of one name in a folder.
std::u16string numberedName(std::u16string_view name, unsigned number);
std::string numberedName(std::string_view name, unsigned number);

// Upper case, for comparing names as Windows does (without regard to case): of code page 1251
// text, and of UTF-16 names in the Latin, Greek and Cyrillic letters.
std::string foldedName(std::string_view name);
std::u16string foldedName(std::u16string_view name);

}  // namespace quenzar::recovery
