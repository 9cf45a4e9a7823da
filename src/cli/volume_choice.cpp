#include "cli/volume_choice.h"

#include <cstring>

namespace quenzar::cli {

char letterOfVolume(const disk::InventoryState& inventory, int volumeNumber) {
    int seen = 0;
    for (int i = 0; i < disk::kDriveLetterCount; ++i) {
        const disk::LogicalDriveInfo& drive = inventory.drives[static_cast<std::size_t>(i)];
        if (drive.diskNumber == 0 && drive.fileSystem() == disk::FileSystem::Ntfs &&
            ++seen == volumeNumber) {
            return static_cast<char>(disk::kFirstDriveLetter + i);
        }
    }
    return 0;
}

}  // namespace quenzar::cli
