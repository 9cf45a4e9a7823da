#include "cli/command_texts.h"

#include "cli/terminal.h"

namespace quenzar::cli {

std::string textIn(text::Language language, const text::TextPair& text) { return terminalText(text.in(language)); }

}  // namespace quenzar::cli
