// The time text of the FILE record view and the file table: a FILETIME (100-nanosecond steps
// since 1601-01-01, UTC) as calendar time without any time-zone shift.
#pragma once

#include <cstdint>

namespace quenzar::ntfs {

// Writes 16 characters "YYYY.MM.DD hh:mm", no terminating zero. A time past the year 9999 does
// not fit four year digits: the field is filled with "*" instead of showing a cut date.
void fileTimeText(std::uint64_t fileTime, char* dest);

}  // namespace quenzar::ntfs
