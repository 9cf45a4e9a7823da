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

std::size_t readRetrying(DiskHandle& handle, std::span<std::uint8_t> buffer) {
    const std::uint64_t start = handle.position;
    std::size_t arrived = ReadSectors(handle, buffer);
    for (int attempt = 1; attempt < kReadAttempts && arrived < buffer.size() && handle.isOpen(); ++attempt) {
        SeekToByte(handle, start);
        arrived = ReadSectors(handle, buffer);
    }
    return arrived;
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
    const std::size_t arrived = readRetrying(handle, buffer);
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
    return readRetrying(handle, buffer);
}

namespace {

void addMissing(BulkReadReport& report, std::uint64_t firstByte, std::uint64_t byteCount) {
    if (!report.missing.empty() &&
        report.missing.back().firstByte + report.missing.back().byteCount == firstByte) {
        report.missing.back().byteCount += byteCount;
    } else {
        report.missing.push_back({firstByte, byteCount});
    }
}

// A part of more than one sector that failed is split at once: trying it again would cost as
// much as reading its halves. Single sectors get every attempt.
int attemptsFor(std::size_t byteCount) { return byteCount <= kSystemSectorSize ? kReadAttempts : 1; }

// Reads buffer[begin, end) from byteOffset + begin: tried `attempts` times while nothing arrives;
// what arrives of it is kept and the rest read anew; a part of which nothing arrives is read
// again in halves, down to single sectors, which are reported when they never arrive.
void salvageRange(DiskHandle& handle, std::uint64_t byteOffset, std::span<std::uint8_t> buffer, std::size_t begin,
                  std::size_t end, int attempts, BulkReadReport& report) {
    while (begin < end) {
        const std::span<std::uint8_t> part = buffer.subspan(begin, end - begin);
        std::size_t arrived = 0;
        for (int attempt = 0; attempt < attempts && arrived < kSystemSectorSize && arrived < part.size(); ++attempt) {
            SeekToByte(handle, byteOffset + begin);
            arrived = ReadSectors(handle, part);
        }
        if (arrived == part.size()) return;
        const std::size_t wholeSectors = arrived / kSystemSectorSize * kSystemSectorSize;
        if (wholeSectors > 0) {
            begin += wholeSectors;
            continue;
        }
        const std::size_t sectorCount = (part.size() + kSystemSectorSize - 1) / kSystemSectorSize;
        if (sectorCount == 1) {
            addMissing(report, begin, part.size());
            return;
        }
        const std::size_t middle = begin + sectorCount / 2 * kSystemSectorSize;
        salvageRange(handle, byteOffset, buffer, begin, middle, attemptsFor(middle - begin), report);
        salvageRange(handle, byteOffset, buffer, middle, end, attemptsFor(end - middle), report);
        return;
    }
}

}  // namespace

BulkReadReport readSalvaging(DiskHandle& handle, std::uint64_t byteOffset, std::span<std::uint8_t> buffer,
                             std::size_t pieceMaxBytes) {
    BulkReadReport report;
    if (!handle.isOpen()) {
        // Nothing can arrive: no sector is tried one by one.
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        if (!buffer.empty()) report.missing.push_back({0, buffer.size()});
        return report;
    }
    pieceMaxBytes = std::max<std::size_t>(kSystemSectorSize, std::min(pieceMaxBytes, kBulkPieceMaxBytes));
    // What lies beyond the end of the device cannot arrive, however often it is asked for.
    std::size_t readable = buffer.size();
    if (const std::uint64_t deviceBytes = handle.device->byteSize(); deviceBytes != 0) {
        readable = deviceBytes <= byteOffset ? 0
                                             : static_cast<std::size_t>(std::min<std::uint64_t>(readable, deviceBytes - byteOffset));
    }
    for (std::size_t done = 0; done < readable;) {
        const std::size_t pieceBytes = std::min(pieceMaxBytes, readable - done);
        salvageRange(handle, byteOffset, buffer, done, done + pieceBytes, kReadAttempts, report);
        done += pieceBytes;
    }
    if (readable < buffer.size()) {
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(readable), buffer.end(), std::uint8_t{0});
        addMissing(report, readable, buffer.size() - readable);
    }
    std::uint64_t missingBytes = 0;
    for (const MissingRange& gap : report.missing) missingBytes += gap.byteCount;
    report.bytesArrived = buffer.size() - missingBytes;
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
