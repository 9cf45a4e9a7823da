// Drive letters: which letters exist and what lies behind them, and which partition each is.
#pragma once

#include "disk/inventory_records.h"
#include "platform/disk_system.h"

namespace quenzar::disk {

// Gives letters, from D upward in inventory order, to the volumes of disks whose letters come
// from the inventory rather than from the system: every listed partition of a disk image, and
// every listed partition of a Linux disk that the kernel has a partition device for, whose first
// sector (as it lies on the disk) holds NTFS or FAT. A hidden disk gets no letters, as Windows
// sees no partition on it; nor does a partition whose file system only shows once unmasked.
// Does nothing when every disk's letters are the system's own (Windows).
void assignInventoryDriveLetters(InventoryState& state, platform::DiskSystem& disks);

// The 24 letter records C to Z: identity, first sector of the volume, disk number 255 for
// letters that are no removable or fixed drive.
void ScanLogicalDrives(InventoryState& state, platform::DiskSystem& disks);

// Gives each partition of one disk its drive letter (serial number or drive code as candidate,
// then the boot sector compared with byte 65 left out) or marks it disabled, and fills the
// letter records and the disk's screen cells.
void MatchPartitions(InventoryState& state, char diskNumber);

}  // namespace quenzar::disk
