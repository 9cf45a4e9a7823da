// How the commands that take a volume find it: a lettered NTFS volume of the inventory, the N-th
// NTFS volume of an image, or a virtual disk modelled from one known sector on a disk number or an
// image (--boot, --mft, --record), for a volume that no partition entry describes any more.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "cli/shared_options.h"
#include "disk/inventory.h"
#include "recovery/analysis.h"

namespace quenzar::cli {

// The drive letter of the N-th NTFS volume (1-based) of disk 0, or 0 when there is none.
char letterOfVolume(const disk::InventoryState& inventory, int volumeNumber);

// The volume a command works on, once found.
struct ChosenVolume {
    VolumeSource source;
    disk::InventoryState inventory;
    char letter = 0;  // the volume's drive letter; 'V' for a virtual disk
    std::optional<recovery::VirtualDiskVolume> virtualVolume;

    platform::DiskSystem& disks() const { return *source.disks; }
    // The disk that holds the volume.
    char diskNumber() const;
    // Whether a folder the command writes into lies on what is read: the volume, or for a virtual
    // disk the whole disk it lies on. The refusal is printed (refuseFolderOnSource).
    bool refusesFolder(const std::filesystem::path& folder, std::string_view command, text::Language language) const;
    // The analysis of the volume in its mode (a logical drive or a virtual disk); runs on the
    // calling thread.
    recovery::AnalysisResult analyse(recovery::AnalysisContext& context) const;
};

// Names, on standard error, the sectors the partition discovery of each disk could not read,
// with the scan that finds the volumes without them (`scanTarget`: what to scan, the disk's
// number when empty).
void printUnreadableSectors(const disk::InventoryState& inventory, const std::string& who, const std::string& scanTarget,
                            text::Language language);

// Finds the volume named by `target` and the shared options. Nothing, with the reason printed on
// standard error, when there is none: the image is missing, the known sector starts no NTFS
// volume, or the image has no NTFS volume of that number.
bool chooseVolume(platform::DiskSystem& disks, const std::string& target, const SharedOptions& options,
                  std::string_view command, ChosenVolume& volume);

}  // namespace quenzar::cli
