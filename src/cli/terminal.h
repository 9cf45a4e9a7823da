// What the command-line commands share about the terminal: its language, its encoding and what
// it must never be sent.
#pragma once

#include <cstddef>
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

// Text from outside the program, in UTF-8, made safe to print: a name or path the person gave or
// the disk holds, a server's answer. A terminal takes control characters as commands (an escape
// sequence in a file name could recolour, retitle or clear the screen, or move the cursor to
// forge lines), so every control character is shown as "?": C0 (00h-1Fh), DEL (7Fh) and C1
// (U+0080-U+009F, which some terminals take as the 8-bit forms of the escape sequences). A byte
// that is not part of a UTF-8 character shows as U+FFFD, the replacement character, as UTF-8
// decoders show it. Everything else, Cyrillic included, stays as it is.
enum class LineBreaks {
    Shown,  // a name: a line feed or a tab in it is a control character like the others
    Kept,   // a text of several lines: LF and tab stay
};
std::string terminalSafe(std::string_view utf8, LineBreaks lineBreaks = LineBreaks::Shown);

// The same, appended to `out`; returns the number of characters appended (for columns).
std::size_t appendTerminalSafe(std::string& out, std::string_view utf8, LineBreaks lineBreaks = LineBreaks::Shown);

}  // namespace quenzar::cli
