// Texts at the boundary to the wide Win32 functions.
//
// The program keeps its texts as code page 1251 bytes; on screen they go through the wide (UTF-16)
// functions, so Cyrillic shows correctly whatever the system's own code page is.
#pragma once

#include <string>
#include <string_view>

namespace quenzar::app {

// Code page 1251 bytes as UTF-16, for the wide Win32 functions.
std::wstring wideFrom1251(std::string_view text);

// UTF-16 from the system (a folder name) as code page 1251 bytes; characters that 1251 lacks
// become "?".
std::string text1251FromWide(std::wstring_view text);

}  // namespace quenzar::app
