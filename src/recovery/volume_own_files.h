// The volume's own files, told by what they are: the records of the NTFS metadata (0 to 15, but
// the root folder), the
// files under $Extend (record 11: $ObjId, $Quota, $Reparse, $UsnJrnl, the transaction logs under
// $RmMetadata), and the two files Windows keeps in "System Volume Information" under exact names
// (MountPointManagerRemoteDatabase, tracking.log). A person's own file is never left out for the
// first letters of its name: "Mountain.jpg" and "$Logo.jpg" are files like any other.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "ntfs/file_record.h"

namespace quenzar::recovery {

// Records below this number belong to the NTFS metadata ($MFT, $MFTMirr, $LogFile, ... $Extend,
// and the reserved records 12 to 15).
inline constexpr std::uint32_t kFirstNonMetadataRecord = 16;
inline constexpr std::uint32_t kExtendRecord = 11;
inline constexpr std::uint32_t kRootRecord = 5;

// Whether a record number is one of the NTFS metadata records.
inline bool isMetadataRecord(std::uint32_t recordNumber) { return recordNumber < kFirstNonMetadataRecord; }

// Decides record by record, in MFT order, which records are the volume's own. It remembers the
// folders under $Extend and the "System Volume Information" folders it has met, so the files in
// them are known as such; a folder's record comes before the records of the files made in it
// (NTFS hands out the lowest free record), which is the order the MFT is read in.
class VolumeOwnFiles {
public:
    // `recordNumber` is the record's own number (its index for the older layout).
    bool isOwn(const ntfs::FileRecordInfo& record, std::uint32_t recordNumber);

private:
    std::unordered_set<std::uint32_t> extendFolders_{kExtendRecord};
    std::unordered_set<std::uint32_t> systemVolumeInformation_;
};

}  // namespace quenzar::recovery
