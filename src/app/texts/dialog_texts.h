// The texts of a dialog as one table: its caption and every control that shows a text, each in
// both languages. A dialog applies its table when it opens (app/dialog_support.h); the template
// holds the Russian texts only so that a dialog is readable before that. Portable: no
// operating-system header.
#pragma once

#include <span>

#include "text/language.h"

namespace quenzar::app::texts {

struct ControlText {
    int controlId;
    text::TextPair text;
};

struct DialogTexts {
    text::TextPair caption;
    std::span<const ControlText> controls;
};

}  // namespace quenzar::app::texts
