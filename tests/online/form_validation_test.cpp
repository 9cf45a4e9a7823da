// The form checks: their order, their limits and the field each failure names.
#include <gtest/gtest.h>

#include <string>

#include "online/form_validation.h"

namespace quenzar::online {
namespace {

struct FormCase {
    const char* what;
    std::string name, email, description;
    int tariff;
    std::optional<FormField> consultation;  // the field the consultation refuses, if any
    std::optional<FormField> order;         // the field the order refuses, if any
};

const std::string kDescription26 = "abcdefghijklmnopqrstuvwxyz";

TEST(FormValidation, RefusesTheFirstFailingFieldInOrder) {
    // Texts are code page 1251: "Ёж" and "Иван" are Russian letters there.
    const FormCase cases[] = {
        {"valid", "Ivan", "a@b.com", kDescription26, 1, {}, {}},
        {"two-character name", "Iv", "a@b.com", kDescription26, 1, FormField::Name, FormField::Name},
        {"two letters and a dot", "Iv.", "a@b.com", kDescription26, 1, {}, {}},
        {"Russian letters, Ё, digits, - _ @", "Ёж_Иван-2@", "a@b.com", kDescription26, 1, {}, {}},
        {"blank in the name", "Ivan Petrov", "a@b.com", kDescription26, 1, FormField::Name, FormField::Name},
        {"39-character name", std::string(39, 'n'), "a@b.com", kDescription26, 1, {}, {}},
        {"40-character name", std::string(40, 'n'), "a@b.com", kDescription26, 1, FormField::Name, FormField::Name},
        {"name checked before e-mail", "I", "x", "", 0, FormField::Name, FormField::Name},
        {"six-character e-mail", "Ivan", "a@b.cd", kDescription26, 1, FormField::Email, FormField::Email},
        {"dot only before the @", "Ivan", "a.b@cde", kDescription26, 1, {}, {}},
        {"no @", "Ivan", "ab.cdef", kDescription26, 1, FormField::Email, FormField::Email},
        {"no dot", "Ivan", "ab@cdef", kDescription26, 1, FormField::Email, FormField::Email},
        {"58-character e-mail", "Ivan", "a@b." + std::string(54, 'c'), kDescription26, 1, {}, {}},
        {"59-character e-mail", "Ivan", "a@b." + std::string(55, 'c'), kDescription26, 1, FormField::Email,
         FormField::Email},
        {"e-mail checked before the rest", "Ivan", "a@b", "", 0, FormField::Email, FormField::Email},
        {"25-character description", "Ivan", "a@b.com", kDescription26.substr(1), 1, FormField::Description, {}},
        {"2,999-character description", "Ivan", "a@b.com", std::string(2999, 'd'), 1, FormField::Description, {}},
        {"no tariff", "Ivan", "a@b.com", kDescription26, 0, {}, FormField::Tariff},
        {"tariff 4", "Ivan", "a@b.com", kDescription26, 4, {}, {}},
        {"tariff 5", "Ivan", "a@b.com", kDescription26, 5, {}, FormField::Tariff},
    };
    for (const FormCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto fieldOf = [](const std::optional<FormFailure>& failure) {
            return failure ? std::optional(failure->field) : std::nullopt;
        };
        EXPECT_EQ(fieldOf(validateConsultation(c.name, c.email, c.description)), c.consultation);
        EXPECT_EQ(fieldOf(validateOrder(c.name, c.email, c.tariff)), c.order);
    }
}

TEST(FormValidation, MessagesInBothLanguages) {
    const auto name = validateOrder("x", "", 0);
    ASSERT_TRUE(name);
    EXPECT_TRUE(name->clearsField());
    EXPECT_EQ(name->message.english,
              "The field \"Your name\" is blank or contains\r\ninvalid data.\r\n\r\nThey are permitted only  digits,  "
              "Latin or\r\nRussian   letters,   symbols  dot, hyphen,\r\nunderscore, or симол \"@\"");
    EXPECT_EQ(name->message.russian.substr(0, 22), "Поле \"Ваше имя\" не зап");

    const auto tariff = validateOrder("Ivan", "a@b.com", 0);
    ASSERT_TRUE(tariff);
    EXPECT_FALSE(tariff->clearsField());
    EXPECT_EQ(tariff->message.english, "You have not chosen tariff plan.");
    EXPECT_EQ(tariff->message.russian, "Вы не выбрали тарифный план. ");

    const auto description = validateConsultation("Ivan", "a@b.com", "short");
    ASSERT_TRUE(description);
    EXPECT_EQ(description->message.english, "Description of the situation too meek.\r\n\r\nDescribe it in more detail.");
    EXPECT_EQ(kInputErrorTitle.english, "Error input data.");
    EXPECT_EQ(kInputErrorTitle.russian, "Ошибка ввода данных.");
}

}  // namespace
}  // namespace quenzar::online
