// What the command-line commands share about the terminal: its language and its encoding.
#pragma once

#include <string>
#include <string_view>

#include "text/language.h"
#include "disk/inventory_records.h"

namespace quenzar::cli {

// Russian when the user's locale is Russian (LC_ALL, LC_MESSAGES or LANG begins with "ru"), as
// the desktop program chooses at start; English otherwise.
text::Language languageOfEnvironment();

// Whether standard error goes to a terminal (not to a file or a pipe).
bool stderrIsTerminal();

// The program's texts are code page 1251 with CR LF line ends; a terminal wants UTF-8 and LF.
std::string terminalText(std::string_view text);

}  // namespace quenzar::cli
