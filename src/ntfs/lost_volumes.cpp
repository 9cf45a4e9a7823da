#include "ntfs/lost_volumes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "disk/boot_sector.h"
#include "disk/sector_access.h"
#include "ntfs/attribute_list.h"
#include "ntfs/volume_units.h"
#include "ntfs/file_record.h"
#include "ntfs/file_time.h"
#include "ntfs/virtual_disk.h"
#include "ntfs/volume_params.h"
#include "platform/little_endian.h"

namespace quenzar::ntfs {

namespace {

// The sectors before the partition gap are read apart: the sector mask applies from LBA 63 on.
constexpr std::uint64_t kMaskGapLba = 63;

// An NTFS boot sector as the scan takes it: its tag, the end mark and values a volume can have.
struct BootTrace {
    std::uint64_t lba = 0;
    std::uint64_t sectorCount = 0;  // 28h: the volume's sectors less the one of the backup
    std::uint32_t sectorsPerCluster = 0;
    std::uint64_t mftCluster = 0;
    std::uint64_t mirrorCluster = 0;
};

// Only a boot sector of the disk's own sector size places its volume in the disk's LBAs.
std::optional<BootTrace> bootTraceAt(const std::uint8_t* sector, std::uint64_t lba, std::uint32_t sectorBytes) {
    if (std::memcmp(sector + 3, "NTFS    ", 8) != 0 || sector[510] != 0x55 || sector[511] != 0xAA) return std::nullopt;
    const disk::BootSector boot = disk::parseBootSector(std::span<const std::uint8_t, 512>(sector, 512));
    const std::uint32_t spc = boot.sectorsPerCluster;
    if (boot.bytesPerSector != sectorBytes || spc == 0 || (spc & (spc - 1)) != 0) return std::nullopt;
    const std::uint64_t clusters = boot.ntfsSectorCount / spc;
    if (clusters == 0 || boot.mftCluster >= clusters || boot.mftMirrorCluster >= clusters) return std::nullopt;
    return BootTrace{lba, boot.ntfsSectorCount, spc, boot.mftCluster, boot.mftMirrorCluster};
}

// Record 0 of an MFT (or its copy): a FILE record of the current layout with its own number 0,
// named $MFT, or with an attribute list (the name of a large $MFT lies in an extension record).
struct MftTrace {
    std::uint64_t lba = 0;
    std::uint64_t created = 0;
    std::uint32_t firstCluster = 0;
    std::uint32_t sectorsPerCluster = 0;  // from its allocated size and runs; 0 when they continue elsewhere
    std::uint32_t recordBytes = 0;        // the size the record gives itself
};

// `available` bytes lie from `record` on; a record that would reach past them is not taken.
std::optional<MftTrace> mftTraceAt(const std::uint8_t* record, std::size_t available, std::uint64_t lba,
                                   std::uint32_t sectorBytes) {
    if (available < 0x30 || std::memcmp(record, "FILE", 4) != 0 || record[0x04] != 0x30 ||
        platform::le32(record + 0x2C) != 0) {
        return std::nullopt;
    }
    const std::uint32_t recordBytes = fileRecordSizeOf(std::span(record, available));
    if (recordBytes == 0 || recordBytes > available) return std::nullopt;
    std::vector<std::uint8_t> bytes(record, record + recordBytes);
    FileRecordInfo info;
    decodeFileRecord(bytes, info);
    const bool named = info.good() && !info.isFolder && std::strcmp(info.longName, "$MFT") == 0 && info.nonResident;
    if (!named && !(info.hasAttributeList && info.stage >= DecodeStage::Times)) return std::nullopt;
    const std::vector<DataRun> runs = unnamedDataRuns(bytes);
    if (runs.empty() || runs[0].startCluster == kSparseCluster) return std::nullopt;
    MftTrace trace{lba, info.created, runs[0].startCluster, 0, recordBytes};
    std::uint64_t clusters = 0;
    for (const DataRun& run : runs) clusters += run.clusterCount;
    if (named && clusters != 0) {
        const std::uint64_t spc = info.allocatedSize / sectorBytes / clusters;
        if (spc != 0 && spc <= 128 && (spc & (spc - 1)) == 0) trace.sectorsPerCluster = static_cast<std::uint32_t>(spc);
    }
    return trace;
}

// Reads the range once, piece by piece, and notes every trace.
class TraceReader {
public:
    TraceReader(platform::DiskSystem& disks, const disk::InventoryState& inventory, char diskNumber,
                ScanProgress& progress, ScanReport& report)
        : inventory_(inventory), diskNumber_(diskNumber),
          sectorBytes_(std::max<std::uint32_t>(inventory.disk(diskNumber).bytesPerSector, kSmallSectorBytes)),
          progress_(progress), report_(report), handle_(disk::DiskHandle::forDisk(diskNumber)) {
        disk::OpenPhysicalDisk(disks, handle_, platform::AccessMode::ReadOnly);
    }

    bool isOpen() const { return handle_.isOpen(); }

    void read(std::uint64_t fromLba, std::uint64_t toLba, std::size_t pieceBytes) {
        const std::uint64_t pieceSectors = std::max<std::uint64_t>(2, pieceBytes / sectorBytes_);
        std::uint64_t lba = fromLba;
        while (lba < toLba) {
            if (progress_.stopRequested.load(std::memory_order_relaxed)) {
                report_.stopped = true;
                return;
            }
            std::uint64_t end = std::min(toLba, lba + pieceSectors);
            if (lba < kMaskGapLba) end = std::min(end, kMaskGapLba);
            readPiece(lba, end, toLba);
            report_.sectorsRead += end - lba;
            progress_.sectorsDone.store(report_.sectorsRead, std::memory_order_relaxed);
            lba = end;
        }
    }

    std::vector<BootTrace> boots;
    std::vector<MftTrace> mfts;

private:
    // Sectors lba to end - 1, and as many more behind them as the largest record needs (a record
    // begins in the piece but may end after it), kept apart.
    void readPiece(std::uint64_t lba, std::uint64_t end, std::uint64_t rangeEnd) {
        const std::uint64_t behind = (kLargeRecordSize + sectorBytes_ - 1) / sectorBytes_ - 1;
        const std::uint64_t sectors = end - lba + std::min(behind, rangeEnd - end);
        // No clearing first: whatever does not arrive the read leaves as zeros.
        buffer_.resize(static_cast<std::size_t>(sectors * sectorBytes_));
        const disk::BulkReadReport read = disk::readSalvaging(handle_, lba * sectorBytes_, buffer_);
        for (const disk::MissingRange& gap : read.missing) {
            const std::uint64_t first = gap.firstByte / sectorBytes_;
            const std::uint64_t last = std::min((gap.firstByte + gap.byteCount + sectorBytes_ - 1) / sectorBytes_,
                                                end - lba);
            if (last > first) report_.unreadableSectors += last - first;
        }
        if (disk::startsBeyondMaskGap(lba * sectorBytes_)) disk::ApplySectorMask(inventory_.masks, buffer_, diskNumber_);
        for (std::uint64_t i = 0; i < end - lba; ++i) {
            const std::size_t at = static_cast<std::size_t>(i * sectorBytes_);
            const std::uint8_t* sector = buffer_.data() + at;
            if (sector[3] == 'N') {
                if (const auto boot = bootTraceAt(sector, lba + i, sectorBytes_)) boots.push_back(*boot);
            } else if (sector[0] == 'F') {
                if (const auto mft = mftTraceAt(sector, buffer_.size() - at, lba + i, sectorBytes_)) mfts.push_back(*mft);
            }
        }
    }

    const disk::InventoryState& inventory_;
    char diskNumber_;
    std::uint32_t sectorBytes_;
    ScanProgress& progress_;
    ScanReport& report_;
    disk::DiskHandle handle_;
    std::vector<std::uint8_t> buffer_;
};

// Whether a record 0 seen at an LBA belongs to a volume of this cluster size whose $MFT starts at
// that cluster.
bool mftFits(const MftTrace& trace, std::uint32_t sectorsPerCluster, std::uint64_t mftCluster) {
    return trace.firstCluster == mftCluster &&
           (trace.sectorsPerCluster == 0 || trace.sectorsPerCluster == sectorsPerCluster);
}

// The candidates being gathered, one per start, cluster size and $MFT cluster.
class Candidates {
public:
    VolumeCandidate& at(std::uint64_t start, std::uint32_t spc, std::uint64_t mftCluster) {
        auto [place, added] = byKey_.try_emplace(Key{start, spc, mftCluster});
        if (added) {
            place->second.startLba = start;
            place->second.sectorsPerCluster = spc;
            place->second.mftCluster = mftCluster;
        }
        return place->second;
    }
    bool has(std::uint64_t start, std::uint32_t spc, std::uint64_t mftCluster) const {
        return byKey_.count(Key{start, spc, mftCluster}) != 0;
    }
    std::vector<VolumeCandidate> list() const {
        std::vector<VolumeCandidate> out;
        for (const auto& [key, candidate] : byKey_) out.push_back(candidate);
        std::stable_sort(out.begin(), out.end(), [](const VolumeCandidate& a, const VolumeCandidate& b) {
            return a.startLba != b.startLba ? a.startLba < b.startLba : a.mftCreated > b.mftCreated;
        });
        return out;
    }

private:
    struct Key {
        std::uint64_t start;
        std::uint32_t spc;
        std::uint64_t mftCluster;
        auto operator<=>(const Key&) const = default;
    };
    std::map<Key, VolumeCandidate> byKey_;
};

// Runs the three virtual-disk computations on the candidate's sectors: a starting point feeds the
// candidate when it gives its start and cluster size back.
void findStartingPoints(VolumeCandidate& candidate, const disk::PhysicalDiskInfo& info, char diskNumber,
                        const SectorReader& read) {
    const auto matches = [&](const VirtualDiskOutcome& outcome, const NtfsVolumeParams& params) {
        return outcome.buttons.run && params.bootLba == candidate.startLba &&
               params.sectorsPerCluster == candidate.sectorsPerCluster && params.mftCluster == candidate.mftCluster;
    };
    const text::Language language = text::Language::English;
    std::uint64_t storedRecordLba = 0;
    if (candidate.bootLba) {
        NtfsVolumeParams params;
        chooseDisk(params, diskNumber, info);
        if (matches(computeFromBootSector(params, std::to_string(*candidate.bootLba), read, language), params)) {
            candidate.feedsBoot = *candidate.bootLba;
        }
    }
    if (candidate.mftLba) {
        NtfsVolumeParams params;
        chooseDisk(params, diskNumber, info);
        if (matches(computeFromMftPosition(params, std::to_string(*candidate.mftLba), read, language), params)) {
            candidate.feedsMft = *candidate.mftLba;
        }
        chooseDisk(params, diskNumber, info);
        if (matches(computeFromFileRecord(params, storedRecordLba, std::to_string(*candidate.mftLba), read, language),
                    params)) {
            candidate.feedsRecord = *candidate.mftLba;
        }
    }
}

}  // namespace

ScanReport scanForVolumes(platform::DiskSystem& disks, const disk::InventoryState& inventory, char diskNumber,
                          std::uint64_t fromLba, std::uint64_t toLba, ScanProgress& progress, std::size_t pieceBytes) {
    ScanReport report;
    const disk::PhysicalDiskInfo& info = inventory.disk(diskNumber);
    if (toLba == 0 || toLba > info.totalSectors) toLba = info.totalSectors;
    fromLba = std::min(fromLba, toLba);
    report.firstLba = fromLba;
    progress.sectorsTotal.store(toLba - fromLba);
    progress.sectorsDone.store(0);

    TraceReader reader(disks, inventory, diskNumber, progress, report);
    if (!reader.isOpen()) {
        report.unreadableSectors = toLba - fromLba;
        return report;
    }
    reader.read(fromLba, toLba, pieceBytes);
    report.bootSectorsFound = reader.boots.size();
    report.mftRecordsFound = reader.mfts.size();

    std::map<std::uint64_t, const MftTrace*> mftAt;
    for (const MftTrace& trace : reader.mfts) mftAt[trace.lba] = &trace;
    std::set<std::uint64_t> explained;  // LBAs of the record 0 traces that belong to a boot sector's volume
    const auto fitting = [&](std::uint64_t lba, std::uint32_t spc, std::uint64_t mftCluster) -> const MftTrace* {
        const auto found = mftAt.find(lba);
        return found != mftAt.end() && mftFits(*found->second, spc, mftCluster) ? found->second : nullptr;
    };

    // Boot sectors: the sector may be the volume's first or its copy in the last; the one whose
    // $MFT or $MFTMirr holds a fitting record 0 is taken.
    Candidates candidates;
    for (const BootTrace& boot : reader.boots) {
        bool placed = false;
        for (const bool backup : {false, true}) {
            if (backup && boot.lba < boot.sectorCount) continue;
            const std::uint64_t start = backup ? boot.lba - boot.sectorCount : boot.lba;
            const std::uint64_t mftLba = start + boot.mftCluster * boot.sectorsPerCluster;
            const std::uint64_t mirrorLba = start + boot.mirrorCluster * boot.sectorsPerCluster;
            const MftTrace* mft = fitting(mftLba, boot.sectorsPerCluster, boot.mftCluster);
            const MftTrace* mirror = fitting(mirrorLba, boot.sectorsPerCluster, boot.mftCluster);
            if (mft == nullptr && mirror == nullptr) continue;
            VolumeCandidate& candidate = candidates.at(start, boot.sectorsPerCluster, boot.mftCluster);
            (backup ? candidate.backupBootLba : candidate.bootLba) = boot.lba;
            candidate.sectorCount = boot.sectorCount + 1;
            candidate.mftMirrorCluster = boot.mirrorCluster;
            if (mft != nullptr) {
                candidate.mftLba = mftLba;
                candidate.mftCreated = mft->created;
                explained.insert(mftLba);
            } else {
                candidate.mftOverwritten = true;
            }
            if (mirror != nullptr) {
                candidate.mirrorLba = mirrorLba;
                if (mft == nullptr) candidate.mftCreated = mirror->created;
                explained.insert(mirrorLba);
            }
            placed = true;
        }
        // A boot sector without a fitting record 0 anywhere is still a volume's first sector.
        if (!placed) {
            VolumeCandidate& candidate = candidates.at(boot.lba, boot.sectorsPerCluster, boot.mftCluster);
            candidate.bootLba = boot.lba;
            candidate.sectorCount = boot.sectorCount + 1;
            candidate.mftMirrorCluster = boot.mirrorCluster;
            candidate.mftOverwritten = true;
        }
    }

    // Records 0 no boot sector accounts for: the volume comes from the record itself, as from the
    // $MFT's position; a record at the place another one's $MFTMirr names is that one's copy.
    const SectorReader read = diskSectorReader(disks, inventory.masks, diskNumber);
    struct FromRecord {
        const MftTrace* trace;
        VolumeCandidate volume;
    };
    std::vector<FromRecord> fromRecords;
    std::set<std::uint64_t> mirrors;
    for (const MftTrace& trace : reader.mfts) {
        if (explained.count(trace.lba)) continue;
        NtfsVolumeParams params;
        chooseDisk(params, diskNumber, info);
        if (!computeFromMftPosition(params, std::to_string(trace.lba), read, text::Language::English).buttons.run) continue;
        VolumeCandidate volume;
        volume.startLba = params.bootLba;
        volume.sectorsPerCluster = params.sectorsPerCluster;
        volume.mftCluster = params.mftCluster;
        volume.mftLba = trace.lba;
        volume.mftCreated = trace.created;
        // Record 1, the $MFTMirr's own, names where the copy lies.
        std::vector<std::uint8_t> record(kVirtualDiskReadBytes);
        const std::uint64_t sectorBytes = std::max<std::uint32_t>(info.bytesPerSector, kSmallSectorBytes);
        read(trace.lba * sectorBytes + trace.recordBytes, record);
        record.resize(trace.recordBytes);
        FileRecordInfo mirror;
        if (decodeFileRecord(record, mirror) == kRecordGood && std::strcmp(mirror.longName, "$MFTMirr") == 0 &&
            mirror.fragmentCount != 0) {
            volume.mftMirrorCluster = mirror.runs[0].startCluster;
            const std::uint64_t mirrorLba = volume.startLba + volume.mftMirrorCluster * volume.sectorsPerCluster;
            if (fitting(mirrorLba, volume.sectorsPerCluster, volume.mftCluster) != nullptr && mirrorLba != trace.lba) {
                volume.mirrorLba = mirrorLba;
                mirrors.insert(mirrorLba);
            }
        }
        fromRecords.push_back({&trace, volume});
    }
    for (const FromRecord& found : fromRecords) {
        if (mirrors.count(found.trace->lba)) continue;
        const VolumeCandidate& volume = found.volume;
        if (candidates.has(volume.startLba, volume.sectorsPerCluster, volume.mftCluster)) continue;
        candidates.at(volume.startLba, volume.sectorsPerCluster, volume.mftCluster) = volume;
    }

    report.candidates = candidates.list();
    for (VolumeCandidate& candidate : report.candidates) {
        findStartingPoints(candidate, info, diskNumber, read);
        for (std::size_t i = 0; i < info.partitions.size(); ++i) {
            const disk::PartitionEntry& entry = info.partitions[i];
            // An older formatting of a larger volume at the same start is not the one the entry
            // describes.
            const bool fits = candidate.sectorCount == 0 || entry.sectorCount == 0 ||
                              candidate.sectorCount <= entry.sectorCount;
            if (entry.exists() && !entry.isWholeDiskVolume() && entry.firstSector() == candidate.startLba && fits) {
                candidate.partitionNumber = static_cast<int>(i) + 1;
            }
        }
    }
    return report;
}

OpeningPoint openingPointOf(const VolumeCandidate& candidate) {
    if (candidate.feedsBoot) return OpeningPoint::BootSector;
    if (candidate.feedsMft) return OpeningPoint::Mft;
    return OpeningPoint::None;
}

text::TextPair volumeLineHeading() {
    return {"Начало LBA   Кластер     LBA $MFT  Создана $MFT      Открыть   Раздел",
            "Start LBA    Cluster     $MFT LBA  $MFT created      Opens     Entry"};
}

std::string volumeLine(const VolumeCandidate& candidate, text::Language language) {
    const bool russian = text::isRussian(language);
    char created[17] = "                ";
    if (candidate.mftCreated != 0) ntfs::fileTimeText(candidate.mftCreated, created);
    const char* opens = "-";
    switch (openingPointOf(candidate)) {
        case OpeningPoint::BootSector: opens = "BOOT"; break;
        case OpeningPoint::Mft: opens = "$MFT"; break;
        case OpeningPoint::None: opens = russian ? "нет" : "none"; break;
    }
    const std::uint64_t mft = candidate.mftLba.value_or(candidate.mirrorLba.value_or(0));
    const std::string mftText = candidate.mftLba ? std::to_string(mft) : (russian ? "затерта" : "overwritten");
    const std::string entry = candidate.partitionNumber != 0 ? std::to_string(candidate.partitionNumber) : "-";
    char line[160];
    std::snprintf(line, sizeof line, "%-12llu %7u %12s  %-16s  %-8s  %s",
                  static_cast<unsigned long long>(candidate.startLba), candidate.sectorsPerCluster, mftText.c_str(),
                  created, opens, entry.c_str());
    return line;
}

}  // namespace quenzar::ntfs
