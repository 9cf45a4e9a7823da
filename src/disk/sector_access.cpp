#include "disk/sector_access.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <string>

namespace quenzar::disk {

namespace {

// The device the handle names, as the bad-sector maps know it: its path, and where the handle's
// byte 0 lies on it. A volume that is a range of a disk is that disk, so what a volume read
// found bad a read of the whole disk does not ask for again, and the other way round.
void attachBadSectorMap(const platform::DiskSystem& disks, DiskHandle& handle) {
    std::string devicePath;
    std::uint64_t base = 0;
    if (handle.driveLetter == 0) {
        devicePath = disks.diskPath(handle.diskNumber);
    } else if (const auto volume = disks.volumes().find(handle.driveLetter); volume != disks.volumes().end()) {
        if (!volume->second.devicePath.empty()) {
            devicePath = volume->second.devicePath;
        } else {
            devicePath = disks.diskPath(volume->second.diskNumber);
            base = volume->second.startByte;
        }
    } else {
        // A letter the system's own volume device stands for.
        devicePath = std::string("volume ") + handle.driveLetter + ':';
    }
    handle.badSectors = devicePath.empty() ? nullptr : badSectorMapOf(disks, devicePath);
    handle.badSectorBase = base;
}

std::atomic<int> readRetriesSetting{kDefaultReadRetries};

}  // namespace

void setReadRetries(int retries) { readRetriesSetting.store(std::clamp(retries, 0, kMaxReadRetries)); }

int readRetries() { return readRetriesSetting.load(); }

bool OpenPhysicalDisk(platform::DiskSystem& disks, DiskHandle& handle, platform::AccessMode mode) {
    handle.device = handle.driveLetter != 0 ? disks.openVolume(handle.driveLetter, mode)
                                            : disks.openDisk(handle.diskNumber, mode);
    handle.position = 0;
    if (handle.isOpen()) attachBadSectorMap(disks, handle);
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
    const std::uint64_t deviceStart = handle.badSectorBase + start;
    // Known bad sectors are not read again: the read ends before the first of them.
    std::size_t wanted = buffer.size();
    if (handle.badSectors != nullptr && handle.isOpen()) {
        const std::uint64_t firstBad = handle.badSectors->firstBadIn(deviceStart, deviceStart + buffer.size());
        if (firstBad < deviceStart + buffer.size()) {
            wanted = static_cast<std::size_t>(firstBad - deviceStart) / kSystemSectorSize * kSystemSectorSize;
        }
    }
    const std::span<std::uint8_t> part = buffer.first(wanted);
    std::size_t arrived = 0;
    if (!part.empty() || !handle.isOpen()) {
        arrived = ReadSectors(handle, part);
        for (int retry = 0; retry < readRetries() && arrived < part.size() && handle.isOpen(); ++retry) {
            SeekToByte(handle, start);
            arrived = ReadSectors(handle, part);
        }
    }
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(part.size()), buffer.end(), std::uint8_t{0});
    // A single sector of the device that never arrived is bad; of a longer read it is not known
    // which sector failed, and beyond the device's end nothing is bad.
    if (handle.badSectors != nullptr && handle.isOpen() && arrived < part.size() && part.size() == buffer.size() &&
        buffer.size() <= kSystemSectorSize && start + buffer.size() <= handle.device->byteSize()) {
        handle.badSectors->add(deviceStart, deviceStart + buffer.size());
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
    handle.badSectors.reset();
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

constexpr std::uint64_t kSectorBytes = kSystemSectorSize;
// A piece that fails is read again in groups of this many sectors, one sector of a 4K disk: a bad
// sector then costs its group's reads, and every good group around it one read.
constexpr std::uint64_t kGroupSectors = 8;
// Bad sectors in a row that make a bad area, after which the read jumps ahead.
constexpr std::uint64_t kBadAreaSectors = 4;
// The first jump over a bad area; each later one is as long as the area found so far.
constexpr std::uint64_t kFirstJumpSectors = 8;
constexpr std::uint64_t kNoArea = ~std::uint64_t{0};

// Adds a part that did not arrive; parts come in order of their first byte and may overlap.
void addMissing(BulkReadReport& report, std::uint64_t firstByte, std::uint64_t byteCount) {
    if (!report.missing.empty()) {
        MissingRange& last = report.missing.back();
        if (last.firstByte + last.byteCount >= firstByte) {
            last.byteCount = std::max(last.firstByte + last.byteCount, firstByte + byteCount) - last.firstByte;
            return;
        }
    }
    report.missing.push_back({firstByte, byteCount});
}

// Sectors [first, end) of a salvaging read, counted from its start.
struct Stretch {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
};

// One salvaging read (readSalvaging): the sectors of its buffer, read forward piece by piece, then
// the edges of the bad areas it jumped over. What never arrives is gathered as lost stretches.
class SalvagingRead {
public:
    SalvagingRead(DiskHandle& handle, std::uint64_t byteOffset, std::span<std::uint8_t> buffer, std::size_t readable,
                  std::size_t pieceBytes)
        : handle_(handle),
          byteOffset_(byteOffset),
          buffer_(buffer),
          readable_(readable),
          sectorCount_((readable + kSectorBytes - 1) / kSectorBytes),
          pieceSectors_(std::max<std::uint64_t>(1, pieceBytes / kSectorBytes)),
          retries_(readRetries()),
          bad_(handle.badSectors != nullptr ? *handle.badSectors : ownMap_),
          deviceStart_(handle.badSectorBase + byteOffset) {
        // A read that begins right after known bad sectors begins inside a bad area (the next
        // piece of a file that crosses one): its first bad sector may jump at once.
        const std::uint64_t areaStart = bad_.badStartBefore(deviceStart_);
        if (areaStart < deviceStart_) {
            areaFirst_ = -static_cast<std::int64_t>((deviceStart_ - areaStart + kSectorBytes - 1) / kSectorBytes);
            areaEnd_ = 0;
        }
    }

    void run() {
        for (std::uint64_t first = 0; first < sectorCount_; first += pieceSectors_) {
            readStretch(first, std::min(sectorCount_, first + pieceSectors_));
        }
        for (const Stretch& jumped : jumped_) readEdges(jumped);
    }

    // Zeros wherever nothing arrived (sectors never asked for hold what the caller left there),
    // and the report of it, in order.
    void report(BulkReadReport& report) {
        std::sort(lost_.begin(), lost_.end(), [](const Stretch& a, const Stretch& b) { return a.first < b.first; });
        for (const Stretch& stretch : lost_) {
            const std::uint64_t firstByte = byteOf(stretch.first);
            const std::uint64_t endByte = byteOf(stretch.end);
            std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(firstByte),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(endByte), std::uint8_t{0});
            addMissing(report, firstByte, endByte - firstByte);
        }
    }

private:
    std::uint64_t byteOf(std::uint64_t sector) const { return std::min<std::uint64_t>(sector * kSectorBytes, readable_); }
    std::uint64_t deviceByte(std::uint64_t sector) const { return deviceStart_ + byteOf(sector); }

    // The first sector of [first, end) that the map holds (wholly or in part), or end.
    std::uint64_t nextKnownBad(std::uint64_t first, std::uint64_t end) const {
        const std::uint64_t bad = bad_.firstBadIn(deviceByte(first), deviceByte(end));
        return bad >= deviceByte(end) ? end : (bad - deviceStart_) / kSectorBytes;
    }
    bool knownBad(std::uint64_t sector) const { return nextKnownBad(sector, sector + 1) == sector; }
    // The end of the known bad sectors from `sector` on (at least the sector itself).
    std::uint64_t knownBadEnd(std::uint64_t sector) const {
        const std::uint64_t end = (bad_.badEndFrom(deviceByte(sector)) - deviceStart_ + kSectorBytes - 1) / kSectorBytes;
        return std::clamp(end, sector + 1, sectorCount_);
    }

    // Where the group of 8 sectors (aligned on the device) that holds the sector begins and ends.
    std::uint64_t groupFirst(std::uint64_t sector) const {
        const std::uint64_t within = (deviceStart_ / kSectorBytes + sector) % kGroupSectors;
        return sector >= within ? sector - within : 0;
    }
    std::uint64_t groupEnd(std::uint64_t sector) const {
        return sector + kGroupSectors - (deviceStart_ / kSectorBytes + sector) % kGroupSectors;
    }

    // One read of [first, end); returns how many whole sectors arrived from `first` on.
    std::uint64_t readOnce(std::uint64_t first, std::uint64_t end) {
        const std::uint64_t firstByte = byteOf(first);
        const std::size_t byteCount = static_cast<std::size_t>(byteOf(end) - firstByte);
        SeekToByte(handle_, byteOffset_ + firstByte);
        const std::size_t arrived = ReadSectors(handle_, buffer_.subspan(static_cast<std::size_t>(firstByte), byteCount));
        return arrived == byteCount ? end - first : arrived / kSectorBytes;
    }

    // A single sector, read up to `attempts` times.
    bool readSector(std::uint64_t sector, int attempts) {
        for (int attempt = 0; attempt < attempts; ++attempt) {
            if (readOnce(sector, sector + 1) == 1) return true;
        }
        return false;
    }

    void lose(std::uint64_t first, std::uint64_t end) { lost_.push_back({first, end}); }
    void giveUp(std::uint64_t first, std::uint64_t end) {
        lose(first, end);
        bad_.add(deviceByte(first), deviceByte(end));
    }

    // Lost sectors that follow the last ones lengthen the bad area; others begin a new one.
    void extendArea(std::uint64_t first, std::uint64_t end) {
        if (first != areaEnd_) areaFirst_ = static_cast<std::int64_t>(first);
        areaEnd_ = end;
    }
    std::uint64_t areaLength() const { return static_cast<std::uint64_t>(static_cast<std::int64_t>(areaEnd_) - areaFirst_); }

    void foundBad(std::uint64_t sector) {
        giveUp(sector, sector + 1);
        extendArea(sector, sector + 1);
    }

    // Past a few bad sectors in a row, on from the sector after them as far as the area is long;
    // the sectors jumped over count as the area's until its edges are read.
    void jumpAhead(std::uint64_t from) {
        if (areaLength() < kBadAreaSectors || from >= sectorCount_) return;
        const std::uint64_t to = std::min(sectorCount_, from + std::max(kFirstJumpSectors, areaLength()));
        jumped_.push_back({from, to});
        jumpEnd_ = to;
        areaEnd_ = to;
    }

    // Reads sectors [first, end) of one piece, or of a part of one that failed.
    void readStretch(std::uint64_t first, std::uint64_t end) {
        while (first < end) {
            if (first < jumpEnd_) {  // jumped over: its edges are read at the end
                first = std::min(end, jumpEnd_);
                continue;
            }
            std::uint64_t stop = nextKnownBad(first, end);
            if (stop == first) {
                const std::uint64_t knownEnd = std::min(end, knownBadEnd(first));
                lose(first, knownEnd);
                extendArea(first, knownEnd);
                first = knownEnd;
                continue;
            }
            // Next to lost sectors one sector at a time: a bad area costs one failed read a sector.
            if (first == areaEnd_) stop = first + 1;
            const std::uint64_t count = readOnce(first, stop);
            const bool failedAlone = count == 0 && stop - first == 1;
            first += count;
            if (first == stop) continue;
            if (count == 0 && !failedAlone) {
                split(first, stop);
                first = stop;
                continue;
            }
            // A single sector that failed, or the one a longer read stopped short at: it counts as
            // bad once 1 + retries reads of it alone have failed.
            if (!readSector(first, failedAlone ? retries_ : 1 + retries_)) {
                foundBad(first);
                jumpAhead(first + 1);
            }
            ++first;
        }
    }

    // A part of which nothing arrived: in groups of 8 sectors, and a group in halves.
    void split(std::uint64_t first, std::uint64_t end) {
        if (end - first > kGroupSectors) {
            for (std::uint64_t group = first; group < end;) {
                const std::uint64_t next = std::min(end, groupEnd(group));
                readStretch(group, next);
                group = next;
            }
        } else {
            const std::uint64_t middle = first + (end - first) / 2;
            readStretch(first, middle);
            readStretch(middle, end);
        }
    }

    // Sectors jumped over: from their end back toward their start, then from their start on, each
    // up to the first bad sector; what lies between is given up. Every jump is read back on its
    // own, so good sectors between two bad ones a jump landed on are kept too.
    void readEdges(Stretch jumped) {
        jumped.end = readEdgeDown(jumped.first, jumped.end);
        jumped.first = readEdgeUp(jumped.first, jumped.end);
        if (jumped.first < jumped.end) giveUp(jumped.first, jumped.end);
    }

    // From `end` down. Beyond a jump that landed on good sectors whole groups are tried first;
    // next to a bad sector, one sector first. Returns where the edge stopped (the sectors from
    // there on are read or found bad).
    std::uint64_t readEdgeDown(std::uint64_t first, std::uint64_t end) {
        // A failed group is read one sector at a time.
        std::uint64_t singlesDownTo = end < sectorCount_ && knownBad(end) ? end - 1 : end;
        while (first < end) {
            if (knownBad(end - 1)) return end;
            if (end <= singlesDownTo) {
                const std::uint64_t groupStart = std::max(first, groupFirst(end - 1));
                if (nextKnownBad(groupStart, end) == end && readOnce(groupStart, end) == end - groupStart) {
                    end = groupStart;
                } else {
                    singlesDownTo = groupStart;
                }
                continue;
            }
            if (!readSector(end - 1, 1 + retries_)) {
                foundBad(end - 1);
                return end - 1;
            }
            --end;
        }
        return end;
    }

    // From `first` up, beginning next to a bad sector: one sector, then whole groups.
    std::uint64_t readEdgeUp(std::uint64_t first, std::uint64_t end) {
        std::uint64_t singlesUpTo = first + 1;
        while (first < end) {
            if (knownBad(first)) return first;
            if (first >= singlesUpTo) {
                const std::uint64_t groupStop = std::min(end, groupEnd(first));
                if (nextKnownBad(first, groupStop) == groupStop && readOnce(first, groupStop) == groupStop - first) {
                    first = groupStop;
                } else {
                    singlesUpTo = groupStop;
                }
                continue;
            }
            if (!readSector(first, 1 + retries_)) {
                foundBad(first);
                return first + 1;
            }
            ++first;
        }
        return first;
    }

    DiskHandle& handle_;
    const std::uint64_t byteOffset_;
    const std::span<std::uint8_t> buffer_;
    const std::size_t readable_;
    const std::uint64_t sectorCount_;
    const std::uint64_t pieceSectors_;
    const int retries_;
    BadSectorMap ownMap_;  // for a handle without a map: what this read finds
    BadSectorMap& bad_;
    const std::uint64_t deviceStart_;  // the device's byte of the read's first byte

    std::vector<Stretch> lost_;
    // The bad area being passed: its first sector (before the read when it began in one) and the
    // end of what is lost of it so far.
    std::int64_t areaFirst_ = 0;
    std::uint64_t areaEnd_ = kNoArea;
    // The sectors jumped over, each jump on its own, and the end of the last one.
    std::vector<Stretch> jumped_;
    std::uint64_t jumpEnd_ = 0;
};

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
    SalvagingRead read(handle, byteOffset, buffer, readable, pieceMaxBytes);
    read.run();
    read.report(report);
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
