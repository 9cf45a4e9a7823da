// The sizes a volume's numbers count in: the sectors of its disk (every LBA), its clusters (every
// run of a file) and its FILE records (every record number). A disk of 4,096-byte sectors holds
// volumes of 4,096-byte sectors, and usually of 4,096-byte records; a disk of 512-byte sectors
// mostly 1,024-byte records, but either record size occurs on either disk.
#pragma once

#include <cstdint>

namespace quenzar::ntfs {

inline constexpr std::uint32_t kSmallSectorBytes = 512;

struct VolumeUnits {
    std::uint32_t sectorBytes = kSmallSectorBytes;  // one sector of the disk: what an LBA counts
    std::uint64_t clusterBytes = 0;                 // one cluster of the volume
    std::uint32_t recordBytes = 1024;               // one FILE record of the $MFT

    bool known() const { return sectorBytes != 0 && clusterBytes != 0 && recordBytes != 0; }
    // A whole number of sectors per cluster, as the recovery order keeps it; 0 when a cluster is
    // not a whole number of the disk's sectors.
    std::uint32_t sectorsPerCluster() const {
        return sectorBytes == 0 || clusterBytes % sectorBytes != 0 ? 0
                                                                    : static_cast<std::uint32_t>(clusterBytes / sectorBytes);
    }
};

// The units of a volume whose boot sector gives sectors per cluster in sectors of bootSectorBytes
// (0: the disk's own) and records of recordBytes, on a disk of sectorBytes-byte sectors.
inline VolumeUnits volumeUnitsOf(std::uint32_t sectorBytes, std::uint32_t sectorsPerCluster,
                                 std::uint32_t recordBytes, std::uint32_t bootSectorBytes = 0) {
    VolumeUnits units;
    units.sectorBytes = sectorBytes;
    units.clusterBytes = std::uint64_t{sectorsPerCluster} * (bootSectorBytes != 0 ? bootSectorBytes : sectorBytes);
    units.recordBytes = recordBytes;
    return units;
}

// Whether a size is one NTFS can give a sector or a FILE record: a power of two from 512 to 4,096.
inline bool isNtfsUnitSize(std::uint64_t bytes) {
    return bytes >= 512 && bytes <= 4096 && (bytes & (bytes - 1)) == 0;
}

}  // namespace quenzar::ntfs
