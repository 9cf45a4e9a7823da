#include "disk/sector_access.h"

#include <algorithm>
#include <array>

namespace quenzar::disk {

bool OpenPhysicalDisk(platform::DiskSystem& disks, DiskHandle& handle, platform::AccessMode mode) {
    handle.device = handle.driveLetter != 0 ? disks.openVolume(handle.driveLetter, mode)
                                            : disks.openDisk(handle.diskNumber, mode);
    handle.position = 0;
    return handle.isOpen();
}

void SeekToLba(DiskHandle& handle, std::uint64_t lba, std::uint32_t sectorSize) {
    handle.position = lba * sectorSize;
}

void SeekToByte(DiskHandle& handle, std::uint64_t byteOffset) { handle.position = byteOffset; }

std::size_t ReadSectors(DiskHandle& handle, std::span<std::uint8_t> buffer) {
    if (!handle.isOpen()) {
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        return 0;
    }
    const platform::TransferResult result = handle.device->readAt(handle.position, buffer);
    // Everything beyond what arrived becomes zeros, whatever a failed transfer left there; the
    // bytes that arrived were overwritten anyway, so the buffer is never cleared twice (bulk reads
    // of 32 MiB would pay for it on every piece).
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(result.byteCount), buffer.end(), std::uint8_t{0});
    handle.position += result.byteCount;
    return result.byteCount;
}

std::size_t WriteSectors(DiskHandle& handle, std::span<const std::uint8_t> data) {
    if (!handle.isOpen()) return 0;
    const platform::TransferResult result = handle.device->writeAt(handle.position, data);
    handle.position += result.byteCount;
    return result.byteCount;
}

void ClosePhysicalDisk(DiskHandle& handle) {
    handle.device.reset();
    handle.position = 0;
}

std::size_t readDiskBytes(platform::DiskSystem& disks, const SectorMaskTable& masks, char diskNumber,
                          std::uint64_t byteOffset, std::span<std::uint8_t> buffer, Unmask unmask) {
    DiskHandle handle = DiskHandle::forDisk(diskNumber);
    OpenPhysicalDisk(disks, handle);
    SeekToByte(handle, byteOffset);
    const std::size_t arrived = ReadSectors(handle, buffer);
    if (unmask == Unmask::ByGapRule && startsBeyondMaskGap(byteOffset)) {
        ApplySectorMask(masks, buffer, diskNumber);
    }
    return arrived;
}

std::size_t readVolumeBytes(platform::DiskSystem& disks, char driveLetter, std::uint64_t byteOffset,
                            std::span<std::uint8_t> buffer) {
    DiskHandle handle = DiskHandle::forVolume(driveLetter);
    OpenPhysicalDisk(disks, handle);
    SeekToByte(handle, byteOffset);
    return ReadSectors(handle, buffer);
}

BulkReadReport readBulk(DiskHandle& handle, std::uint64_t byteOffset, std::span<std::uint8_t> buffer,
                        std::size_t pieceMaxBytes) {
    BulkReadReport report;
    pieceMaxBytes = std::max<std::size_t>(1, std::min(pieceMaxBytes, kBulkPieceMaxBytes));
    for (std::size_t done = 0; done < buffer.size();) {
        const std::size_t pieceBytes = std::min(pieceMaxBytes, buffer.size() - done);
        SeekToByte(handle, byteOffset + done);
        const std::size_t arrived = ReadSectors(handle, buffer.subspan(done, pieceBytes));
        report.bytesArrived += arrived;
        if (arrived < pieceBytes) {
            const std::uint64_t gapStart = done + arrived;
            const std::uint64_t gapBytes = pieceBytes - arrived;
            if (!report.missing.empty() &&
                report.missing.back().firstByte + report.missing.back().byteCount == gapStart) {
                report.missing.back().byteCount += gapBytes;
            } else {
                report.missing.push_back({gapStart, gapBytes});
            }
        }
        done += pieceBytes;
    }
    return report;
}

}  // namespace quenzar::disk

namespace quenzar::disk {

bool loadSectorMask(platform::DiskSystem& disks, SectorMaskTable& masks, char diskNumber) {
    std::array<std::uint8_t, kSectorMaskSize> lba57{};
    readDiskBytes(disks, masks, diskNumber, kSectorMaskByteOffset, lba57, Unmask::Never);
    masks.store(diskNumber, lba57);
    return masks.hasMask(diskNumber);
}

}  // namespace quenzar::disk
