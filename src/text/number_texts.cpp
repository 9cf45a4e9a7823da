#include "text/number_texts.h"

#include <algorithm>
#include <cstdio>

namespace quenzar::text {
namespace {

// Unsigned (character - "0") arithmetic, as the dialogs always read their digits.
std::uint32_t digitsValue(std::string_view digits) {
    std::uint32_t value = 0;
    for (const char c : digits) {
        value = value * 10 + (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) - '0');
    }
    return value;
}

}  // namespace

void hexByte(std::uint8_t value, char* dest) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    dest[0] = kDigits[value >> 4];
    dest[1] = kDigits[value & 0x0F];
}

void decimal5(std::uint16_t value, char* dest) {
    for (int i = 4; i >= 0; --i) {
        dest[i] = (value != 0 || i == 4) ? static_cast<char>('0' + value % 10) : ' ';
        value = static_cast<std::uint16_t>(value / 10);
    }
}

void decimal13(std::uint64_t value, char* dest) {
    if (value > kDecimal13Max) {
        std::fill(dest, dest + 13, '*');
        return;
    }
    // Four digits of the billions as "%4u", then the remainder as nine digits, then every zero
    // before the first significant digit becomes a blank.
    char text[14];
    std::snprintf(text, sizeof text, "%4u%09u", static_cast<unsigned>(value / 1'000'000'000),
                  static_cast<unsigned>(value % 1'000'000'000));
    for (int i = 0; i < 12; ++i) {
        if (text[i] == ' ') continue;
        if (text[i] != '0') break;
        text[i] = ' ';
    }
    std::copy(text, text + 13, dest);
}

std::uint32_t parseDecimal(const char* text) { return digitsValue(text); }

std::uint64_t parseLbaText(std::string_view text) {
    text = text.substr(0, std::min<std::size_t>(text.size(), 13));
    if (const std::size_t end = text.find('\0'); end != std::string_view::npos) text = text.substr(0, end);
    std::string aligned(13 - text.size(), '0');
    aligned += text;
    const std::string_view digits(aligned);
    return std::uint64_t{digitsValue(digits.substr(0, 4))} * 1'000'000'000 + digitsValue(digits.substr(4));
}

std::string formatLbaText(std::uint64_t value) { return std::to_string(value); }

}  // namespace quenzar::text
