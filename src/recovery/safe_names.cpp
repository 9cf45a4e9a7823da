#include "recovery/safe_names.h"

#include <array>
#include <cstring>

#include "platform/code_page_1251.h"

namespace quenzar::recovery {

namespace {

bool isSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool unsafeCharacter(char16_t c) {
    return c < 0x20 || c == 0x7F || (c < 0x80 && std::strchr("/\\:*?\"<>|", static_cast<char>(c)) != nullptr);
}

unsigned char upper(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0) return static_cast<unsigned char>(c - 0x20);
    if (c == 0xB8) return 0xA8;  // ё
    return c;
}

// Upper case of the letters whose names the restore meets most: Latin (with Latin-1 and
// Latin Extended-A), Greek and Cyrillic. Other characters compare as they are.
char16_t upper(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Pairs of capital and small letter; from U+0139 to U+0148 and U+0179 to U+017E the
        // capital comes odd.
        const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c == 0x131 ? u'I' : c;
        const bool small = oddCapitals ? (c % 2 == 0) : (c % 2 == 1);
        return small ? static_cast<char16_t>(c - 1) : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? char16_t{0x3A3} : static_cast<char16_t>(c - 0x20);  // ς is σ
    if (c >= 0x3AC && c <= 0x3AF) {
        constexpr char16_t kTonos[] = {0x386, 0x388, 0x389, 0x38A};
        return kTonos[c - 0x3AC];
    }
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD) return 0x38E;
    if (c == 0x3CE) return 0x38F;
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

// CON, CON.TXT, com1.log ...: Windows opens the device instead of a file of that name.
bool reservedDeviceName(std::u16string_view name) {
    const std::u16string stem = foldedName(name.substr(0, name.find(u'.')));
    constexpr std::array<std::u16string_view, 4> kPlain{u"CON", u"PRN", u"AUX", u"NUL"};
    for (const std::u16string_view device : kPlain) {
        if (stem == device) return true;
    }
    return stem.size() == 4 && (stem.compare(0, 3, u"COM") == 0 || stem.compare(0, 3, u"LPT") == 0) &&
           stem[3] >= u'1' && stem[3] <= u'9';
}

std::size_t utf8Bytes(char16_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : isSurrogate(c) ? 2 : 3; }

// Where the first `maxChars` characters and `maxBytes` UTF-8 bytes of `text` end, a surrogate
// pair counted as one character of four bytes and never split.
std::size_t fittingUnits(std::u16string_view text, std::size_t maxChars, std::size_t maxBytes) {
    std::size_t units = 0, chars = 0, bytes = 0;
    while (units < text.size()) {
        const std::size_t step = isHighSurrogate(text[units]) && units + 1 < text.size() ? 2 : 1;
        const std::size_t size = step == 2 ? 4 : utf8Bytes(text[units]);
        if (chars + 1 > maxChars || bytes + size > maxBytes) break;
        units += step;
        ++chars;
        bytes += size;
    }
    return units;
}

template <typename String>
String numbered(std::basic_string_view<typename String::value_type> name, unsigned number) {
    using Char = typename String::value_type;
    const std::size_t dot = name.rfind(Char('.'));
    const std::size_t split = dot == name.npos || dot == 0 ? name.size() : dot;
    String result(name.substr(0, split));
    result += Char(' ');
    result += Char('(');
    for (const char digit : std::to_string(number)) result += Char(digit);
    result += Char(')');
    result += name.substr(split);
    return result;
}

}  // namespace

std::string foldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(upper(static_cast<unsigned char>(c)));
    return folded;
}

std::u16string foldedName(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& c : folded) c = upper(c);
    return folded;
}

std::u16string safeName(std::u16string_view name) {
    std::u16string safe;
    safe.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (isHighSurrogate(c) && i + 1 < name.size() && isLowSurrogate(name[i + 1])) {
            safe += c;
            safe += name[++i];
        } else {
            safe += unsafeCharacter(c) || isSurrogate(c) ? u'_' : c;
        }
    }

    if (fittingUnits(safe, kSafeNameMaxChars, kSafeNameMaxUtf8Bytes) < safe.size()) {
        // Keep a short extension: it tells what the file is.
        const std::size_t dot = safe.rfind(u'.');
        const std::u16string ext = dot != std::u16string::npos && safe.size() - dot <= 16 ? safe.substr(dot) : u"";
        const std::size_t extBytes = platform::utf16ToUtf8(ext).size();
        const std::size_t stem = fittingUnits(safe, kSafeNameMaxChars - ext.size(), kSafeNameMaxUtf8Bytes - extBytes);
        safe = safe.substr(0, stem) + ext;
    }
    // Trailing dots and blanks: ".", "..", "a." and "a " would all name something else on Windows.
    for (std::size_t i = safe.size(); i-- > 0 && (safe[i] == u'.' || safe[i] == u' ');) safe[i] = u'_';
    if (safe.empty() || reservedDeviceName(safe)) return u"_" + safe;
    return safe;
}

std::string safeComponent(std::string_view name) {
    return platform::utf16ToCp1251(safeName(platform::cp1251ToUtf16(name)));
}

std::u16string numberedName(std::u16string_view name, unsigned number) { return numbered<std::u16string>(name, number); }

std::string numberedName(std::string_view name, unsigned number) { return numbered<std::string>(name, number); }

}  // namespace quenzar::recovery
