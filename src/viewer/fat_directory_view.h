// The FAT directory presentation of the sector viewer: the 16 directory entries of a sector, one
// line each, short entries with their fields and long-name entries with their piece of the name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quenzar::viewer {

inline constexpr std::string_view kFatDirectoryHeading =
    "       The Name   Extension    Type         Length       Date  Time        Cluster  A R S H D V 7 6 ";

// One line: 96 characters and LF CR.
inline constexpr std::size_t kFatDirectoryLineChars = 98;

// The line of one 32-byte directory entry (attribute 0Fh: a long-name entry).
std::string fatDirectoryLine(std::span<const std::uint8_t, 32> entry);

// All 16 lines of a sector.
std::string fatDirectoryText(std::span<const std::uint8_t, 512> sector);

// The name characters of a long-name entry group into single bytes: Cyrillic to code page 1251,
// characters below 100h as themselves (0 as a blank); the first other character ends the group
// and leaves the rest of it blank. Writes exactly `count` characters.
void convertLongNameGroup(const std::uint8_t* utf16, std::size_t count, char* dest);

}  // namespace quenzar::viewer
