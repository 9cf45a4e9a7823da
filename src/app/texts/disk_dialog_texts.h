// The texts of HD_OFF in its two modes, and of the boxes that follow its OK: the restart question
// and the refusal when the disk was not changed.
#pragma once

#include "app/texts/dialog_texts.h"

namespace quenzar::app {

// HD_OFF hides a disk from Windows (2002) or gives a hidden one back (2003).
enum class HideDialogMode { Hide, Restore };

}  // namespace quenzar::app

namespace quenzar::app::texts {

const DialogTexts& hideDiskDialogTexts(HideDialogMode mode);

inline constexpr BoxText kRestartQuestion{
    {"ТРЕБУЕТСЯ ПЕРЕЗАГРУЗКА СИСТЕМЫ ", "A SYSTEM REBOOT IS REQUIRED "},
    {"Для вступления в силу выполненных изменений, \r\nнадо выполнить перезагрузку системы. \r\n\r\n      "
     "Сделать перезагрузку сейчас? ",
     "For the entry into force of the changes made, \r\nyou must perform a system reset. \r\n\r\n               "
     "To reboot now?"}};

// A hiding or restoring that did not change the disk says so instead of offering a restart that
// would change nothing.
inline constexpr BoxText kDiskNotChanged{
    {"ДИСК НЕ ИЗМЕНЕН", "THE DISK WAS NOT CHANGED"},
    {"Первые секторы диска не удалось прочитать, проверить или записать. \r\nНа диске ничего не изменено.",
     "The first sectors of the disk could not be read, checked or written. \r\nNothing on the disk was changed."}};

}  // namespace quenzar::app::texts
