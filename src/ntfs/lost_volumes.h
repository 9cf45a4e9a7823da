// Finding lost NTFS volumes: a disk is read once, in large sequential pieces, and every trace of
// an NTFS volume it holds is noted: boot sectors (a volume's first sector, and its copy in the
// volume's last sector, which survives when the first is overwritten) and record 0 of an MFT (a
// FILE record named $MFT, with its own number 0; also its copy in the $MFTMirr). The traces that
// agree — a boot sector whose cluster size and $MFT cluster place a record 0 that gives the same
// cluster size and start — make one candidate volume. Each formatting of an area leaves a record 0
// of its own, told apart by its creation time and cluster size, so an older formatting of the same
// start shows as a candidate of its own.
//
// Each candidate says which starting point of a virtual disk it feeds: the three computations of
// the virtual-disk dialogs (from the boot sector, from the $MFT, from a FILE record) are run on
// its sectors, and a starting point counts only when it gives the candidate's start and cluster
// size back. Volumes that the partition table still describes are marked with their entry.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/inventory_records.h"
#include "platform/disk_system.h"
#include "text/language.h"

namespace quenzar::ntfs {

// Shared with whoever shows the progress; each value is read whole.
struct ScanProgress {
    std::atomic<std::uint64_t> sectorsDone{0};
    std::atomic<std::uint64_t> sectorsTotal{0};
    // Set to end the scan at the next piece: the candidates of what was read are still given.
    std::atomic<bool> stopRequested{false};
};

struct VolumeCandidate {
    std::uint64_t startLba = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint64_t mftCluster = 0;
    std::uint64_t sectorCount = 0;        // from a boot sector: its sector count + 1 (the backup); 0 unknown
    std::uint64_t mftMirrorCluster = 0;   // from a boot sector or the $MFTMirr's record; 0 unknown
    std::optional<std::uint64_t> bootLba;        // the boot sector at the start
    std::optional<std::uint64_t> backupBootLba;  // its copy in the volume's last sector
    std::optional<std::uint64_t> mftLba;         // record 0 of the MFT where the volume places it
    std::optional<std::uint64_t> mirrorLba;      // its copy in the $MFTMirr
    // A boot sector places record 0 where another formatting's record (or none) lies now.
    bool mftOverwritten = false;
    std::uint64_t mftCreated = 0;  // FILETIME of record 0 (or its copy); 0 when neither was seen
    // The starting points of a virtual disk that give this volume back, with the LBA to give.
    std::optional<std::uint64_t> feedsBoot;
    std::optional<std::uint64_t> feedsMft;
    std::optional<std::uint64_t> feedsRecord;
    // The table's entry (1-based, in inventory order) that starts here and holds the volume; 0 none.
    int partitionNumber = 0;
};

struct ScanReport {
    std::uint64_t firstLba = 0;
    std::uint64_t sectorsRead = 0;        // sectors of the range looked at
    std::uint64_t unreadableSectors = 0;  // skipped: no read of them succeeded
    std::uint64_t bootSectorsFound = 0;
    std::uint64_t mftRecordsFound = 0;
    bool stopped = false;
    std::vector<VolumeCandidate> candidates;  // by start, then by creation time
};

// The starting point of a virtual disk that opens a candidate in a dialog: the boot sector's when
// it gives the volume back, else the $MFT's; nothing when neither does.
enum class OpeningPoint { None, BootSector, Mft };
OpeningPoint openingPointOf(const VolumeCandidate& candidate);

// A candidate as one line of fixed-width columns under volumeLineHeading(): start LBA, cluster
// size in sectors, the $MFT's LBA, the creation time of record 0, the point that opens it, and the
// partition-table entry that describes it. Code page 1251.
std::string volumeLine(const VolumeCandidate& candidate, text::Language language);
text::TextPair volumeLineHeading();

// The scan is read in pieces of this size.
inline constexpr std::size_t kScanPieceBytes = 8u << 20;

// Scans the sectors fromLba to toLba - 1 (toLba 0: to the disk's end) of a disk of the inventory
// (identified, with its sector mask and its partitions). Reads only.
ScanReport scanForVolumes(platform::DiskSystem& disks, const disk::InventoryState& inventory, char diskNumber,
                          std::uint64_t fromLba, std::uint64_t toLba, ScanProgress& progress,
                          std::size_t pieceBytes = kScanPieceBytes);

}  // namespace quenzar::ntfs
