// The checks of the consultation and order forms, made in a fixed order before anything is sent;
// the first field that fails is reported with its message in both languages.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "text/language.h"

namespace quenzar::online {

// The longest texts the forms take (code page 1251 characters).
inline constexpr std::size_t kNameMaxChars = 39;
inline constexpr std::size_t kEmailMaxChars = 58;
inline constexpr std::size_t kDescriptionMaxChars = 2998;

inline constexpr std::size_t kNameMinChars = 3;
inline constexpr std::size_t kEmailMinChars = 7;
inline constexpr std::size_t kDescriptionMinChars = 26;

// The tariff rows are numbered 1 to 4; 0 means none was chosen.
inline constexpr int kTariffCount = 4;

enum class FormField { Name, Email, Description, Tariff };

struct FormFailure {
    FormField field;
    text::TextPair message;
    // The form clears the offending edit and gives it the focus; an unchosen tariff is only told.
    bool clearsField() const { return field != FormField::Tariff; }
};

// The title of the message box that shows a failure: "Error input data.".
extern const text::TextPair kInputErrorTitle;

// All texts in code page 1251. A text longer than its field takes is refused like an invalid one:
// the forms cannot hold it, and cutting it would send something the user did not write.
std::optional<FormFailure> validateConsultation(std::string_view name, std::string_view email,
                                                std::string_view description);
std::optional<FormFailure> validateOrder(std::string_view name, std::string_view email, int tariff);

// The single checks, in the order the forms make them.
bool isValidName(std::string_view name);
bool isValidEmail(std::string_view email);
bool isValidDescription(std::string_view description);

}  // namespace quenzar::online
