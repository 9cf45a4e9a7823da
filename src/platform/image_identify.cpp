// Disk images as the identification sees them: fixed disks of the sector size they hold (or the
// one the person gave), identify data from IMAGE.identify when the user put one beside the image,
// drive letters from the inventory.
#include "platform/disk_system.h"

namespace quenzar::platform {

DeviceIdentity identifyImageFile(const std::string& path, std::uint32_t givenSectorSize) {
    const auto image = openFileDevice(path, AccessMode::ReadOnly);
    if (!image) return {};
    const SectorSizeFinding sectorSize = imageSectorSize(*image, givenSectorSize);
    DeviceIdentity identity = fixedDiskIdentity(image->byteSize(), sectorSize.bytesPerSector);
    identity.sectorSizeSource = sectorSize.source;
    identity.letters = LetterSource::ImageWindows;

    // A file of any other length is not identify data of this image; it is left alone.
    if (const auto file = openFileDevice(path + ".identify", AccessMode::ReadOnly);
        file && file->byteSize() == sizeof(IdentifyBlock)) {
        IdentifyBlock block{};
        if (file->readAt(0, block).complete) {
            identity.identifyData = block;
            identity.route = ConnectionRoute::InternalAta;
        }
    }
    return identity;
}

DeviceIdentity ImageDiskSystem::identify(char name) const {
    const std::string path = diskPath(name);
    if (path.empty()) return {};  // drive letters, and disk numbers without an image
    return identifyImageFile(path, givenSectorSize_);
}

}  // namespace quenzar::platform
