#include "recovery/safe_names.h"

#include <array>
#include <cstring>

namespace quenzar::recovery {

namespace {

bool unsafeCharacter(unsigned char c) {
    return c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr;
}

unsigned char upper(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0) return static_cast<unsigned char>(c - 0x20);
    if (c == 0xB8) return 0xA8;  // ё
    return c;
}

// CON, CON.TXT, com1.log ...: Windows opens the device instead of a file of that name.
bool reservedDeviceName(std::string_view name) {
    const std::string stem = foldedName(name.substr(0, name.find('.')));
    constexpr std::array<const char*, 4> kPlain{"CON", "PRN", "AUX", "NUL"};
    for (const char* device : kPlain) {
        if (stem == device) return true;
    }
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string foldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(upper(static_cast<unsigned char>(c)));
    return folded;
}

std::string safeComponent(std::string_view name) {
    std::string safe;
    safe.reserve(name.size());
    for (const char c : name) safe += unsafeCharacter(static_cast<unsigned char>(c)) ? '_' : c;

    if (safe.size() > kSafeNameMaxChars) {
        // Keep a short extension: it tells what the file is.
        const std::size_t dot = safe.rfind('.');
        const std::size_t extChars = dot != std::string::npos && safe.size() - dot <= 16 ? safe.size() - dot : 0;
        safe = safe.substr(0, kSafeNameMaxChars - extChars) + safe.substr(safe.size() - extChars);
    }
    // Trailing dots and blanks: ".", "..", "a." and "a " would all name something else on Windows.
    for (std::size_t i = safe.size(); i-- > 0 && (safe[i] == '.' || safe[i] == ' ');) safe[i] = '_';
    if (safe.empty()) safe = "_";
    if (reservedDeviceName(safe)) safe.insert(safe.begin(), '_');
    return safe;
}

std::string numberedName(std::string_view name, unsigned number) {
    const std::size_t dot = name.rfind('.');
    const std::size_t split = dot == std::string_view::npos || dot == 0 ? name.size() : dot;
    return std::string(name.substr(0, split)) + " (" + std::to_string(number) + ")" + std::string(name.substr(split));
}

}  // namespace quenzar::recovery
