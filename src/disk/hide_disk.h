// Hiding a disk from Windows and giving it back. Hiding saves LBA 0 to 3 at LBA 58 to 61, then
// marks LBA 0 "QueNzar " with a one-entry table of type EEh (a GPT disk whose table is missing)
// and clears LBA 1 to 3; Windows then keeps the disk but mounts nothing on it. Restoring writes
// the saved copy back to LBA 0 to 3. These are the only writes the program makes to a disk.
#pragma once

#include <optional>
#include <vector>

#include "disk/inventory_records.h"
#include "platform/disk_system.h"
#include "text/language.h"

namespace quenzar::disk {

// Why a disk can or cannot be hidden or restored.
enum class HideCheck {
    Eligible,
    Absent,             // the disk does not answer
    ExcludedDisk,       // it holds the system's folder or the program's folder
    SystemDiskUnknown,  // which disk holds those folders could not be told
    NotFixedDisk,       // removable or unknown media
    NotSmallSectors,    // the disk's logical sectors are not 512 bytes (a 4,096-byte disk)
    Unreadable,         // LBA 0 to 3 (or the saved copy) could not be read whole
    AlreadyHidden,      // LBA 0 carries the mark: hiding again would overwrite the saved original
    NoBootSignature,    // LBA 0 lacks 55AAh
    SavedCopyAreaInUse, // LBA 58 to 61 hold other data, or a partition begins before LBA 62
    NotHidden,          // LBA 0 carries neither form of the mark
    NoHidingTable,      // the first entry is no longer of type EEh
    NoSavedCopy,        // LBA 58 holds no boot record that could be written back
};

// A sentence for people, in both languages, saying why (or that) the disk qualifies.
text::TextPair hideCheckReason(HideCheck check);
// The same sentence in English.
const char* hideCheckText(HideCheck check);

// The disks that must never be hidden.
struct HideExclusions {
    std::vector<char> disks;
    bool unresolved = false;  // a folder's disk could not be told: hide nothing
};

// The disks of the system's folder and of the program's folder: a folder on a drive letter
// through the inventory's letter records (the letter's code AND 1Fh, minus 3, is its index, C =
// 0); any other folder through the system (platform/disk_identity.h).
HideExclusions findHideExclusions(const InventoryState& state, const platform::DiskSystem& disks,
                                  const platform::ProtectedFolders& folders);

// The eligibility checks. Both identify the disk again (which refreshes its sector mask) and read
// its first sectors; neither writes anything.
HideCheck CanHideDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber,
                      const HideExclusions& exclusions);
HideCheck CanRestoreDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber);

// What a hiding or restoring did.
enum class DiskWriteOutcome {
    Done,
    Refused,           // the disk failed a check: nothing was written
    CannotOpen,        // the disk could not be opened for writing: nothing was written
    SavedCopyFailed,   // the copy at LBA 58 did not read back as written; LBA 0 was left alone
    HeadWriteFailed,   // LBA 0 to 3 did not read back as written
};
struct DiskWriteResult {
    DiskWriteOutcome outcome = DiskWriteOutcome::Refused;
    HideCheck check = HideCheck::Eligible;  // the reason when refused
};

// Hides a disk. The disk's own checks of CanHideDisk are made again on the sectors themselves
// (the exclusions are the caller's), so a disk that fails them is never written. The copy is
// written and read back before LBA 0 is touched, so the original first sectors are never lost.
DiskWriteResult HideDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber);

// Writes the saved copy (LBA 58 to 61) back to LBA 0 to 3, after the checks of CanRestoreDisk.
// The copy stays where it is.
DiskWriteResult RestoreDisk(InventoryState& state, platform::DiskSystem& disks, char diskNumber);

}  // namespace quenzar::disk
