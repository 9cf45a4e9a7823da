#include "online/form_validation.h"

namespace quenzar::online {
namespace {

constexpr text::TextPair kNameMessage{
    "Поле \"Ваше имя\" не заполнено или содержит \r\nнедопустимые данные.\r\n\r\n"
    "Разрешаются только цифры, латинские  или \r\nрусские буквы, символы точка,  минус,  под- \r\n"
    "черкивание или символ \"@\".",
    "The field \"Your name\" is blank or contains\r\ninvalid data.\r\n\r\n"
    "They are permitted only  digits,  Latin or\r\nRussian   letters,   symbols  dot, hyphen,\r\n"
    "underscore, or симол \"@\""};
constexpr text::TextPair kEmailMessage{
    "Поле \"E-mail\" не заполнено, содержит ошибочные \r\nданные или имеет неправильный формат. ",
    "The field \"E-mail\" is not filled, contains\r\nincorrect data or has an incorrect format."};
constexpr text::TextPair kDescriptionMessage{
    "Описание возникшей ситуации слишком кроткое.\r\n\r\nИзложите ее более детально.",
    "Description of the situation too meek.\r\n\r\nDescribe it in more detail."};
constexpr text::TextPair kTariffMessage{"Вы не выбрали тарифный план. ", "You have not chosen tariff plan."};

// A Russian letter of code page 1251: А to я, and Ё, ё.
bool isRussianLetter(unsigned char c) { return c >= 0xC0 || c == 0xA8 || c == 0xB8; }

bool isNameCharacter(char ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || isRussianLetter(c) ||
           c == '.' || c == '-' || c == '_' || c == '@';
}

std::optional<FormFailure> checkNameAndEmail(std::string_view name, std::string_view email) {
    if (!isValidName(name)) return FormFailure{FormField::Name, kNameMessage};
    if (!isValidEmail(email)) return FormFailure{FormField::Email, kEmailMessage};
    return std::nullopt;
}

}  // namespace

const text::TextPair kInputErrorTitle{"Ошибка ввода данных.", "Error input data."};

bool isValidName(std::string_view name) {
    if (name.size() < kNameMinChars || name.size() > kNameMaxChars) return false;
    for (char c : name) {
        if (!isNameCharacter(c)) return false;
    }
    return true;
}

// Only the presence of "@" and "." is asked for, anywhere: the laboratory answers by hand and a
// stricter rule would refuse addresses that work.
bool isValidEmail(std::string_view email) {
    return email.size() >= kEmailMinChars && email.size() <= kEmailMaxChars &&
           email.find('@') != std::string_view::npos && email.find('.') != std::string_view::npos;
}

bool isValidDescription(std::string_view description) {
    return description.size() >= kDescriptionMinChars && description.size() <= kDescriptionMaxChars;
}

std::optional<FormFailure> validateConsultation(std::string_view name, std::string_view email,
                                                std::string_view description) {
    if (auto failure = checkNameAndEmail(name, email)) return failure;
    if (!isValidDescription(description)) return FormFailure{FormField::Description, kDescriptionMessage};
    return std::nullopt;
}

std::optional<FormFailure> validateOrder(std::string_view name, std::string_view email, int tariff) {
    if (auto failure = checkNameAndEmail(name, email)) return failure;
    if (tariff < 1 || tariff > kTariffCount) return FormFailure{FormField::Tariff, kTariffMessage};
    return std::nullopt;
}

}  // namespace quenzar::online
