#include "online/online_dialog_texts.h"

#include <array>

namespace quenzar::online {
namespace {

constexpr std::array kConsultationTexts{
    ControlText{3151, {"Ваше имя", "Your name"}},
    ControlText{3153, {"E-mail", "E-mail"}},
    ControlText{3155, {"ОПИШИТЕ ВАШУ ПРОБЛЕМУ КАК МОЖНО ПОДРОБНЕЙ", "DESCRIBE YOUR PROBLEM AS DETAILED AS POSSIBLE"}},
    // The button reads the same in both languages.
    ControlText{3150, {"ЗАПРОСИТЬ КОНСУЛЬТАЦИЮ", "ЗАПРОСИТЬ КОНСУЛЬТАЦИЮ"}},
};

constexpr std::array kOrderTexts{
    ControlText{3058, {"Ваше имя", "Your name"}},
    ControlText{3059, {"E-mail", "E-mail"}},
    ControlText{3060, {"ПАРАМЕТРЫ ЗАКАЗА НА ВОССТАНОВЛЕНИЕ ", "PARAMETERS OF ORDER FOR RECOVERY "}},
    ControlText{3061, {"Тарифный план заказа                        USD      РУБ",
                       "Tariff plan order                           USD      RUB"}},
    ControlText{3066, {"ПРИМЕЧАНИЕ.", "NOTE."}},
    ControlText{3071, {"1. Консультации  оплачиваются  дополнительно  из  расчета ",
                       "1. Consultations are paid additionally based on the cost of "}},
    ControlText{3072, {"   стоимости одного часа $10 или 600 руб.", "   one hour equal to $10 or 600 RUB."}},
    ControlText{3067, {"2. Тариф \"Экстра\" требует  предварительного  согласования ",
                       "2. The rate of \"Emergency\" requires the  prior  consent  of "}},
    ControlText{3068, {"   технической возможности его выполнения.", "   the technical capabilities of its execution."}},
    ControlText{3069, {"3. Рабочие часы - интервал с 8 до 22 часов по центрально- ",
                       "3. Working hours is the interval from 8 to 22 hours Central "}},
    ControlText{3070, {"   европейскому времени (CET).", "   Time (CET)."}},
    ControlText{3050, {"ОТПРАВИТЬ ЗАКАЗ", "SEND ORDER"}},
};

constexpr text::TextPair kOrderTitle{"ЗАКАЗ НА ВОССТАНОВЛЕНИЕ ДАННЫХ С HDx", "SENDING ORDER DATA RECOVERY FROM HDx"};
static_assert(kOrderTitle.russian.size() == 36 && kOrderTitle.english.size() == 36);

}  // namespace

const text::TextPair kConsultationTitle{"ЗАПРОС БЕСПЛАТНОЙ КОНСУЛЬТАЦИИ", "REQUEST A FREE CONSULTATION"};

std::span<const ControlText> consultationFormTexts() { return kConsultationTexts; }

std::span<const ControlText> orderFormTexts() { return kOrderTexts; }

std::string orderFormTitle(char diskNumber, text::Language language) {
    std::string title(kOrderTitle.in(language));
    title[35] = diskNumber;
    return title;
}

}  // namespace quenzar::online
