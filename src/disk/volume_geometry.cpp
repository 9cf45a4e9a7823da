#include "disk/volume_geometry.h"

namespace quenzar::disk {

VolumeGeometry volumeGeometryOf(const BootSector& boot, FileSystem fileSystem) {
    VolumeGeometry geometry;
    if (fileSystem != FileSystem::Unknown) geometry.bytesPerSector = boot.bytesPerSector;
    switch (fileSystem) {
        case FileSystem::Ntfs:
            geometry.sectorsPerCluster = boot.sectorsPerCluster;
            geometry.mftCluster = boot.mftCluster;
            geometry.mftMirrorCluster = boot.mftMirrorCluster;
            geometry.mftRecordBytes = boot.ntfsRecordBytes();
            break;
        case FileSystem::Fat16:
            geometry.sectorsPerCluster = boot.sectorsPerCluster;
            geometry.reservedSectors = boot.reservedSectors;
            geometry.sectorsPerFat = boot.fat16SectorsPerFat;
            geometry.rootCluster = 2;
            geometry.rootEntries = boot.rootEntryCount;
            break;
        case FileSystem::Fat32:
            geometry.sectorsPerCluster = boot.sectorsPerCluster;
            geometry.reservedSectors = boot.reservedSectors;
            geometry.sectorsPerFat = boot.fat32SectorsPerFat;
            geometry.rootCluster = boot.fat32RootCluster;
            break;
        case FileSystem::Unknown:
            break;
    }
    return geometry;
}

}  // namespace quenzar::disk
