// The name a FILE record gives its file, in UTF-16 as the volume stores it: the decoder keeps a
// code page 1251 form for the table and the screens, but restored files are created under their
// real names.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quenzar::ntfs {

// The long name of the record as decodeFileRecord chooses it: the first $FILE_NAME, or the one
// right after it when that one is not the DOS name (a DOS name first, or a second long name).
// Reads the record's used part only, as decodeFileRecord leaves it (update sequence undone).
// Empty when no $FILE_NAME lies whole in it.
std::u16string recordLongName(std::span<const std::uint8_t> record);

}  // namespace quenzar::ntfs
