// The virtual-disk dialogs V_BOOT, V_MFT and V_FR: the person picks the physical disk and types
// the LBA of one known sector (the volume's boot sector, the first record of its $MFT, or any
// FILE record of the $MFT's first fragment); the model computes the volume's start, cluster size
// and $MFT, and "RUN RECONSTRUCTION" hands the modelled volume to the analysis (command 2207).
#pragma once

#include "app/app_state.h"
#include "ntfs/virtual_disk.h"

namespace quenzar::app {

// Modal, owned by the main window. The volume parameters live in the state for the whole run, so
// every dialog opens with what the last computation left.
void runVirtualDiskDialog(AppState& state, ntfs::VirtualDiskDialog dialog);

}  // namespace quenzar::app
