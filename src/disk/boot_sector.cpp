#include "disk/boot_sector.h"

#include <algorithm>

#include "platform/little_endian.h"

namespace quenzar::disk {
namespace {

BootText textAt(std::span<const std::uint8_t, 512> sector, std::size_t offset) {
    BootText text{};
    std::transform(sector.begin() + static_cast<std::ptrdiff_t>(offset),
                   sector.begin() + static_cast<std::ptrdiff_t>(offset + text.size()), text.begin(),
                   [](std::uint8_t byte) { return static_cast<char>(byte); });
    return text;
}

}  // namespace

BootSector parseBootSector(std::span<const std::uint8_t, 512> sector) {
    using platform::le16;
    using platform::le32;
    using platform::le64;
    const std::uint8_t* p = sector.data();
    BootSector boot;
    boot.oemName = textAt(sector, 0x03);
    boot.bytesPerSector = le16(p + 0x0B);
    boot.sectorsPerCluster = p[0x0D];
    boot.reservedSectors = le16(p + 0x0E);
    boot.rootEntryCount = le16(p + 0x11);
    boot.smallSectorCount = le16(p + 0x13);
    boot.fat16SectorsPerFat = le16(p + 0x16);
    boot.largeSectorCount = le32(p + 0x20);
    boot.fat32SectorsPerFat = le32(p + 0x24);
    boot.ntfsSectorCount = le64(p + 0x28);
    boot.fat32RootCluster = le32(p + 0x2C);
    boot.mftCluster = le64(p + 0x30);
    boot.mftMirrorCluster = le64(p + 0x38);
    boot.clustersPerRecord = static_cast<std::int8_t>(p[0x40]);
    boot.fat16Type = textAt(sector, 0x36);
    boot.fat32Type = textAt(sector, 0x52);
    return boot;
}

std::uint32_t BootSector::ntfsRecordBytes() const {
    std::uint64_t bytes = 0;
    if (clustersPerRecord < 0 && clustersPerRecord >= -31) {
        bytes = std::uint64_t{1} << -clustersPerRecord;
    } else if (clustersPerRecord > 0) {
        bytes = std::uint64_t{static_cast<std::uint8_t>(clustersPerRecord)} * sectorsPerCluster * bytesPerSector;
    }
    // Records are 1,024 or 4,096 bytes in practice; nothing NTFS writes has records beyond 64 KiB.
    return bytes >= 512 && bytes <= 65536 && (bytes & (bytes - 1)) == 0 ? static_cast<std::uint32_t>(bytes) : 0;
}

}  // namespace quenzar::disk
