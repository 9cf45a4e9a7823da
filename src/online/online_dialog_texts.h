// The texts of the two forms of the online services, for the windows that show them: the
// consultation form HELP and the order form ORDER. Code page 1251, both languages.
#pragma once

#include <span>
#include <string>

#include "text/language.h"

namespace quenzar::online {

// A control of a form and its text.
struct ControlText {
    int controlId;
    text::TextPair text;
};

extern const text::TextPair kConsultationTitle;  // "REQUEST A FREE CONSULTATION"

// Labels 3151, 3153, 3155 and button 3150 of HELP.
std::span<const ControlText> consultationFormTexts();

// Labels 3058 to 3061, the notes 3066 to 3072 and button 3050 of ORDER (the tariff buttons 3053
// to 3056 show tariffRow of the disk's group).
std::span<const ControlText> orderFormTexts();

// "SENDING ORDER DATA RECOVERY FROM HDx" with the disk's number in place of the x.
std::string orderFormTitle(char diskNumber, text::Language language);

}  // namespace quenzar::online
