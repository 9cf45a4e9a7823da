// The two languages of the program and its paired texts.
//
// Every text a person sees exists in Russian (code page 1251) and in English. The program keeps
// the pair together and picks one at the point of use, so a screen, a dialog, a listing and a
// message box all choose the same way. Portable: no operating-system header.
#pragma once

#include <string_view>

namespace quenzar::text {

// The character values are those the program has always shown and stored for its language:
// "R" Russian, "E" English.
enum class Language : char { Russian = 'R', English = 'E' };

inline constexpr bool isRussian(Language language) { return language == Language::Russian; }

// One text in both languages, Russian first.
struct TextPair {
    std::string_view russian;
    std::string_view english;

    constexpr std::string_view in(Language language) const {
        return language == Language::Russian ? russian : english;
    }
};

}  // namespace quenzar::text
