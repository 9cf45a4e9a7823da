// Building the disk inventory: every disk "0".."7" identified and probed for partitions, the
// drive letters scanned and matched to partitions, the text screen written.
#pragma once

#include "disk/inventory_records.h"
#include "platform/disk_system.h"

namespace quenzar::disk {

// Identification of one disk: connection type, media label, geometry, capacity and its text,
// serial number, firmware and model, and its sector mask (LBA 57). A disk that cannot be opened
// or gives no geometry is absent: its capacity text keeps "." as second character.
void IdentifyDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber);

// Identification plus partition discovery of one disk.
void ProbeDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber);

// The whole inventory: ProbeDisk for disks 0 to 7, drive letters for the volumes of disks whose
// letters come from the inventory (images, Linux partitions), ScanLogicalDrives, MatchPartitions
// for disks 0 to 7, then the screen and the disks' summary lines. Nothing is written to a disk.
void BuildDiskInventory(InventoryState& state, platform::DiskSystem& disks);

}  // namespace quenzar::disk
