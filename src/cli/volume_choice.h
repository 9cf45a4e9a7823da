// How the commands that take an image find the volume they work on.
#pragma once

#include "disk/inventory.h"

namespace quenzar::cli {

// The drive letter of the N-th NTFS volume (1-based) of disk 0, or 0 when there is none.
char letterOfVolume(const disk::InventoryState& inventory, int volumeNumber);

}  // namespace quenzar::cli
