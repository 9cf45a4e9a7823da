// Fixed-width number fields shared by every screen: the viewer, the position panels, the NTFS
// views and the virtual-disk dialogs. Each writer overwrites exactly its width in a text template
// and writes no terminating zero.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quenzar::text {

// Two upper-case hex digits, high nibble first.
void hexByte(std::uint8_t value, char* dest);

// Five characters, right-aligned; leading zeros are blanks and the last digit always shows.
void decimal5(std::uint16_t value, char* dest);

// The largest value decimal13 can show.
inline constexpr std::uint64_t kDecimal13Max = 9'999'999'999'999;

// Thirteen characters, right-aligned; leading zeros are blanks and the last digit always shows.
// A value above kDecimal13Max cannot fit: the field is filled with "*" instead of showing a cut
// number.
void decimal13(std::uint64_t value, char* dest);

// Reads decimal digits up to the terminating zero as value x 10 + (character - "0") in unsigned
// 32-bit arithmetic. Characters are not checked: dialog fields only accept digits.
std::uint32_t parseDecimal(const char* text);

// The LBA fields of the dialogs: a text of up to 13 digits, read as the value of the first four
// of its 13 right-aligned digits x 1,000,000,000 plus the value of the last nine. Missing leading
// digits count as zeros; characters past the 13th are ignored; characters are not checked.
std::uint64_t parseLbaText(std::string_view text);

// An LBA as plain decimal digits, no leading zeros or blanks; it fits the dialogs' 16-character
// field for every LBA a 64-bit byte offset can reach.
std::string formatLbaText(std::uint64_t value);

}  // namespace quenzar::text
