#include "platform/code_page_1251.h"

#include <array>
#include <cstdint>

namespace quenzar::platform {
namespace {

// UTF-16 values of the bytes 80h..FFh; the one byte 1251 leaves undefined (98h) maps to U+FFFD.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,};

char16_t toUtf16(unsigned char byte) { return byte < 0x80 ? byte : kUpperHalf[byte - 0x80]; }

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

char cp1251FromCodePoint(char32_t code, char missing) {
    if (code < 0x80) return static_cast<char>(code);
    for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
        if (kUpperHalf[i] == code && code != 0xFFFD) return static_cast<char>(0x80 + i);
    }
    return missing;
}

std::u16string cp1251ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char c : text) out += toUtf16(static_cast<unsigned char>(c));
    return out;
}

std::string cp1251ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    appendCp1251AsUtf8(out, text);
    return out;
}

std::size_t appendCp1251AsUtf8(std::string& out, std::string_view text) {
    for (const char c : text) appendUtf8(out, toUtf16(static_cast<unsigned char>(c)));
    return text.size();
}

std::string utf8ToCp1251(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
            out += '?';  // a stray or cut byte
            ++i;
            continue;
        }
        char32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out += cp1251FromCodePoint(code);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

namespace {

// The code point at text[i], a surrogate pair taken whole; `units` receives how many units it took.
char32_t codePointAt(std::u16string_view text, std::size_t i, std::size_t& units) {
    const char16_t unit = text[i];
    units = 1;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        units = 2;
        return 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00);
    }
    return unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFD} : char32_t{unit};
}

}  // namespace

std::string utf16ToCp1251(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0, units = 0; i < text.size(); i += units) out += cp1251FromCodePoint(codePointAt(text, i, units));
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0, units = 0; i < text.size(); i += units) appendUtf8(out, codePointAt(text, i, units));
    return out;
}

}  // namespace quenzar::platform
