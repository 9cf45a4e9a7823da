// HD_OFF: the person picks a disk and the program hides it from Windows (its first sectors saved
// at LBA 58 and replaced by a table Windows mounts nothing from) or gives a hidden disk back;
// then it offers the restart that makes the change count.
#pragma once

#include "app/app_state.h"
#include "app/texts/disk_dialog_texts.h"

namespace quenzar::app {

// Modal, owned by the main window. Only disks that pass the mode's checks can be chosen; the disks
// of the Windows folder and of the program's folder are never hidden.
void runHideDiskDialog(AppState& state, HideDialogMode mode);

}  // namespace quenzar::app
