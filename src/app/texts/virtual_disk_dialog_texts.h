// The texts of the virtual-disk dialogs V_BOOT, V_MFT and V_FR. Their window titles, result words
// and diagnostic lines come from the virtual-disk model (ntfs/virtual_disk.h), so the table's
// caption is left empty and the dialog sets its title from there.
#pragma once

#include "app/texts/dialog_texts.h"
#include "ntfs/virtual_disk.h"

namespace quenzar::app::texts {

const DialogTexts& virtualDiskDialogTexts(ntfs::VirtualDiskDialog dialog);

}  // namespace quenzar::app::texts
