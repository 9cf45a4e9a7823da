// Names that come from the disk made fit to be created in the restore's target folder. A name is
// one path component in code page 1251; whatever it holds, the result names exactly one entry
// directly in the folder it is created in, on Linux and on Windows alike.
#pragma once

#include <string>
#include <string_view>

namespace quenzar::recovery {

// The longest component kept, in bytes of code page 1251. A Cyrillic letter takes two bytes in
// UTF-8 and file systems allow 255, so longer names are cut before their extension.
inline constexpr std::size_t kSafeNameMaxChars = 120;

// Replaces what could leave the folder or that Windows refuses: "/", "\", ":", control
// characters, the characters * ? " < > |, names of dots only ("." and ".."), trailing dots and
// blanks (Windows drops them, so two names would meet), empty names and the reserved device
// names (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension).
std::string safeComponent(std::string_view name);

// The name with " (N)" put before its extension, for a second file of one name in a folder.
std::string numberedName(std::string_view name, unsigned number);

// Upper case of code page 1251 text, for comparing names as Windows does (without regard to case).
std::string foldedName(std::string_view name);

}  // namespace quenzar::recovery
