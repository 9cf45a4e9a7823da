// The texts of a dialog as one table: its caption and every control that shows a text, each in
// both languages. A dialog applies its table when it opens (app/dialog_support.h); the template
// holds the Russian texts only so that a dialog is readable before that. Portable: no
// operating-system header.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "text/language.h"

namespace quenzar::app::texts {

struct ControlText {
    int controlId;
    text::TextPair text;
};

// A message box: its title and its text.
struct BoxText {
    text::TextPair title;
    text::TextPair text;
};

struct DialogTexts {
    text::TextPair caption;
    std::span<const ControlText> controls;
};

// One table of the controls a group of dialogs shares followed by those of one dialog.
template <std::size_t Shared, std::size_t Own>
constexpr std::array<ControlText, Shared + Own> joinTexts(const ControlText (&shared)[Shared],
                                                          const ControlText (&own)[Own]) {
    std::array<ControlText, Shared + Own> all{};
    std::size_t at = 0;
    for (const ControlText& text : shared) all[at++] = text;
    for (const ControlText& text : own) all[at++] = text;
    return all;
}

}  // namespace quenzar::app::texts
