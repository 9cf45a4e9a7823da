#include "ntfs/volume_params.h"

namespace quenzar::ntfs {

ChsAddress chsOf(std::uint64_t lba, const NtfsVolumeParams& params) {
    if (params.sectorsPerTrack == 0 || params.heads == 0) return ChsAddress{};
    const std::uint64_t track = lba / params.sectorsPerTrack;
    return ChsAddress{static_cast<std::uint32_t>(track / params.heads),
                      static_cast<std::uint32_t>(track % params.heads),
                      static_cast<std::uint32_t>(lba % params.sectorsPerTrack + 1)};
}

void chooseDisk(NtfsVolumeParams& params, char diskDigit, const disk::PhysicalDiskInfo& disk) {
    params.diskDigit = diskDigit;
    params.cylinders = static_cast<std::uint32_t>(disk.cylinders);
    params.heads = disk.tracksPerCylinder;
    params.sectorsPerTrack = disk.sectorsPerTrack;
    params.bytesPerSector = disk.bytesPerSector;
    params.totalSectors = disk.totalSectors;
}

}  // namespace quenzar::ntfs
