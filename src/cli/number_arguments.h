// Numbers and disk names given on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quenzar::cli {

// A plain decimal number without sign or blanks, at most 64 bits.
std::optional<std::uint64_t> parseUnsigned(const std::string& text);

// A disk number "0".."7".
std::optional<char> parseDiskNumber(const std::string& text);

}  // namespace quenzar::cli
