// V_SCAN, the search for lost volumes: the person picks a physical disk and starts the search;
// the disk is read once on a worker while a bar shows how far it has come, and the NTFS volumes
// its sectors prove are listed. Opening one fills the virtual-disk parameters with its numbers,
// for V_BOOT (or V_MFT when only its $MFT gives it back) to show and reconstruct.
#pragma once

#include <optional>

#include "app/app_state.h"
#include "ntfs/virtual_disk.h"

namespace quenzar::app {

// Modal, owned by the main window. Returns the virtual-disk dialog to open next, with the volume
// parameters already set for it; nothing when the dialog was closed without opening a volume.
std::optional<ntfs::VirtualDiskDialog> runLostVolumesDialog(AppState& state);

}  // namespace quenzar::app
