// The texts of the two forms of the online services: HELP, the free consultation, and ORDER, the
// recovery order (its tariff rows come from the order rules, online/order_file.h), and of the box
// that tells when the order file could not be kept.
#pragma once

#include <string>

#include "app/texts/dialog_texts.h"

namespace quenzar::app::texts {

const DialogTexts& consultationDialogTexts();
const DialogTexts& orderDialogTexts();

// "SENDING ORDER DATA RECOVERY FROM HDx" with the number of the disk being recovered for the x.
std::string orderDialogTitle(char diskNumber, text::Language language);

// The order is sent all the same: the file is only the copy to hand over another way.
inline constexpr BoxText kOrderFileNotWritten{
    {"ФАЙЛ ЗАКАЗА НЕ ЗАПИСАН", "THE ORDER FILE WAS NOT WRITTEN"},
    {"Файл QuenzarSalvage.bin не удалось записать в текущую папку. \r\nЗаказ будет отправлен без его копии на диске.",
     "The file QuenzarSalvage.bin could not be written in the current folder. \r\n"
     "The order is sent without a copy of it on the disk."}};

}  // namespace quenzar::app::texts
