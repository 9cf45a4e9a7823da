#include "cli/terminal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/code_page_1251.h"

namespace quenzar::cli {

text::Language languageOfEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return std::strncmp(value, "ru", 2) == 0 ? text::Language::Russian : text::Language::English;
        }
    }
    return text::Language::English;
}

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

std::string terminalText(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        lines += text[i];
    }
    return platform::cp1251ToUtf8(lines);
}

namespace {

// The length of the UTF-8 character that starts at text[i], 0 when none does (a stray
// continuation byte, a cut or overlong sequence, a surrogate, a value past U+10FFFF).
std::size_t utf8CharacterBytes(std::string_view text, std::size_t i, char32_t& code) {
    const auto lead = static_cast<unsigned char>(text[i]);
    code = lead;
    if (lead < 0x80) return 1;
    const std::size_t length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    // The least value each length may carry: a longer form of a smaller one (an "overlong" ESC,
    // C0 9B) would slip a control character past a check of the bytes.
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const char32_t least = kLeast[length];
    code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::size_t appendTerminalSafe(std::string& out, std::string_view utf8, LineBreaks lineBreaks) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++characters) {
        char32_t code = 0;
        const std::size_t length = utf8CharacterBytes(utf8, i, code);
        if (length == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD
            ++i;
            continue;
        }
        const bool lineBreak = lineBreaks == LineBreaks::Kept && (code == '\n' || code == '\t');
        if ((code < 0x20 && !lineBreak) || (code >= 0x7F && code <= 0x9F)) {
            out += '?';
        } else {
            out.append(utf8, i, length);
        }
        i += length;
    }
    return characters;
}

std::string terminalSafe(std::string_view utf8, LineBreaks lineBreaks) {
    std::string out;
    out.reserve(utf8.size());
    appendTerminalSafe(out, utf8, lineBreaks);
    return out;
}

}  // namespace quenzar::cli
