#include "recovery/volume_own_files.h"

#include <cstring>

namespace quenzar::recovery {

namespace {

bool named(const ntfs::FileRecordInfo& record, const char* name) { return std::strcmp(record.longName, name) == 0; }

}  // namespace

bool VolumeOwnFiles::isOwn(const ntfs::FileRecordInfo& record, std::uint32_t recordNumber) {
    // The root folder is record 5: the tree hangs from it.
    if (isMetadataRecord(recordNumber)) return !(recordNumber == kRootRecord && record.isFolder);
    if (extendFolders_.count(record.parentNumber) != 0) {
        if (record.isFolder) extendFolders_.insert(recordNumber);
        return true;
    }
    if (record.isFolder) {
        if (record.parentNumber == kRootRecord && named(record, "System Volume Information")) {
            systemVolumeInformation_.insert(recordNumber);
        }
        return false;
    }
    return systemVolumeInformation_.count(record.parentNumber) != 0 &&
           (named(record, "MountPointManagerRemoteDatabase") || named(record, "tracking.log"));
}

}  // namespace quenzar::recovery
