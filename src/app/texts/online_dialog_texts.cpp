#include "app/texts/online_dialog_texts.h"

#include "resources/online_dialog_ids.h"

namespace quenzar::app::texts {
namespace {

constexpr ControlText kConsultationTexts[] = {
    {IDC_HELP_NAME_LABEL, {"Ваше имя", "Your name"}},
    {IDC_HELP_EMAIL_LABEL, {"E-mail", "E-mail"}},
    {IDC_HELP_DESCRIPTION_LABEL,
     {"ОПИШИТЕ ВАШУ ПРОБЛЕМУ КАК МОЖНО ПОДРОБНЕЙ", "DESCRIBE YOUR PROBLEM AS DETAILED AS POSSIBLE"}},
    // The button reads the same in both languages.
    {IDC_HELP_SEND, {"ЗАПРОСИТЬ КОНСУЛЬТАЦИЮ", "ЗАПРОСИТЬ КОНСУЛЬТАЦИЮ"}},
};

// The notes line up their words with blanks, as the fixed-pitch font shows them.
constexpr ControlText kOrderTexts[] = {
    {IDC_ORDER_NAME_LABEL, {"Ваше имя", "Your name"}},
    {IDC_ORDER_EMAIL_LABEL, {"E-mail", "E-mail"}},
    {IDC_ORDER_PARAMETERS, {"ПАРАМЕТРЫ ЗАКАЗА НА ВОССТАНОВЛЕНИЕ ", "PARAMETERS OF ORDER FOR RECOVERY "}},
    {IDC_ORDER_TARIFF_HEADING,
     {"Тарифный план заказа                        USD      РУБ",
      "Tariff plan order                           USD      RUB"}},
    {IDC_ORDER_NOTE, {"ПРИМЕЧАНИЕ.", "NOTE."}},
    {IDC_ORDER_NOTE_1,
     {"1. Консультации  оплачиваются  дополнительно  из  расчета ",
      "1. Consultations are paid additionally based on the cost of "}},
    {IDC_ORDER_NOTE_1_END, {"   стоимости одного часа $10 или 600 руб.", "   one hour equal to $10 or 600 RUB."}},
    {IDC_ORDER_NOTE_2,
     {"2. Тариф \"Экстра\" требует  предварительного  согласования ",
      "2. The rate of \"Emergency\" requires the  prior  consent  of "}},
    {IDC_ORDER_NOTE_2_END,
     {"   технической возможности его выполнения.", "   the technical capabilities of its execution."}},
    {IDC_ORDER_NOTE_3,
     {"3. Рабочие часы - интервал с 8 до 22 часов по центрально- ",
      "3. Working hours is the interval from 8 to 22 hours Central "}},
    {IDC_ORDER_NOTE_3_END, {"   европейскому времени (CET).", "   Time (CET)."}},
    {IDC_ORDER_SEND, {"ОТПРАВИТЬ ЗАКАЗ", "SEND ORDER"}},
};

constexpr text::TextPair kOrderTitle{"ЗАКАЗ НА ВОССТАНОВЛЕНИЕ ДАННЫХ С HDx", "SENDING ORDER DATA RECOVERY FROM HDx"};
static_assert(kOrderTitle.russian.size() == 36 && kOrderTitle.english.size() == 36);

const DialogTexts kConsultationDialog{{"ЗАПРОС БЕСПЛАТНОЙ КОНСУЛЬТАЦИИ", "REQUEST A FREE CONSULTATION"},
                                      kConsultationTexts};
const DialogTexts kOrderDialog{kOrderTitle, kOrderTexts};

}  // namespace

const DialogTexts& consultationDialogTexts() { return kConsultationDialog; }
const DialogTexts& orderDialogTexts() { return kOrderDialog; }

std::string orderDialogTitle(char diskNumber, text::Language language) {
    std::string title(kOrderTitle.in(language));
    title[35] = diskNumber;
    return title;
}

}  // namespace quenzar::app::texts
