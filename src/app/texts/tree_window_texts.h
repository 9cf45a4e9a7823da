// The texts of the tree window PROS, of its progress dialogs WAITP and WAITR, and of the boxes of
// the test restore.
#pragma once

#include "app/texts/dialog_texts.h"

namespace quenzar::app::texts {

// PROS; its caption is the analysis' own title, set apart.
const DialogTexts& treeWindowTexts();
// WAITP and WAITR; their captions are the operation's stage texts below.
const DialogTexts& treeProgressTexts();
const DialogTexts& restoreProgressTexts();

// The operations behind WAITP and WAITR, shown as their titles.
inline constexpr text::TextPair kFillingStage{"СОЗДАНИЕ ФАЙЛА ДЕРЕВА КАТАЛОГОВ   ", "CREATE A FILE DIRECTORY TREE      "};
inline constexpr text::TextPair kMarkingStage{"УСТАНОВКА ПРИЗНАКА ВЫБОРА.", "INSTALLATION OF THE FEATURE SELECTION."};
inline constexpr text::TextPair kClearingStage{"СНЯТИЕ ПРИЗНАКА ВЫБОРА.", "REMOVING THE FEATURE SELECTION."};
inline constexpr text::TextPair kRestoreStage{"ВОССТАНОВЛЕНИЕ ОТМЕЧЕННЫХ ФАЙЛОВ.", "RESTORE MARKED FILES."};

// The test restore's question, its refusals and the folder chooser.
extern const BoxText kRestoreQuestion;
extern const BoxText kNothingMarked;
extern const BoxText kTargetOnSource;
extern const BoxText kTargetChooser;  // the chooser's window title and its instruction

}  // namespace quenzar::app::texts
