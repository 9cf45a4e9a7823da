#include "recovery/restore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "disk/sector_access.h"
#include "ntfs/file_record.h"
#include "ntfs/data_streams.h"
#include "ntfs/lznt1.h"
#include "platform/code_page_1251.h"
#include "platform/stdio_file.h"
#include "recovery/analysis_texts.h"
#include "recovery/directory_tree.h"
#include "recovery/folder_names.h"
#include "recovery/safe_names.h"
#include "recovery/volume_records.h"

namespace quenzar::recovery {

namespace {

// A FILE record is read as 4,096 bytes: the larger of the two record sizes.
constexpr std::size_t kRecordReadBytes = 4096;
// The full restore copies in pieces of this size.
constexpr std::size_t kCopyPieceBytes = 1 << 20;
// $DATA attribute flags whose clusters do not hold the file's bytes as they are.
constexpr std::uint16_t kCompressedMask = 0x00FF;
constexpr std::uint16_t kEncrypted = 0x4000;
// The clusters of a compression unit as NTFS writes them, for a compressed stream whose header
// names no unit of its own.
constexpr std::uint32_t kDefaultUnitClusters = 16;


// The path of a name made safe: the Linux build makes UTF-8 of it, the Windows build gives it to
// the wide functions as it is.
std::filesystem::path pathOf(const std::u16string& safe) { return std::filesystem::path(safe); }

// The disk opened once for the whole run, read through the mask rule as every read of a whole
// disk is. Reads keep every sector that can be read (disk::readSalvaging).
class DiskReader {
public:
    explicit DiskReader(const RestoreSource& source) : source_(source), handle_(disk::DiskHandle::forDisk(source.diskNumber)) {
        disk::OpenPhysicalDisk(source.disks, handle_, platform::AccessMode::ReadOnly);
        std::uint64_t volumeSectors = source.volumeSectorCount;
        if (volumeSectors == 0 && handle_.isOpen() && sectorBytes() != 0) {
            const std::uint64_t diskSectors = handle_.device->byteSize() / sectorBytes();
            volumeSectors = diskSectors > source.volumeStartLba ? diskSectors - source.volumeStartLba : 0;
        }
        volumeClusters_ = volumeSectors == 0 || clusterBytes() == 0 ? ~std::uint64_t{0}
                                                                    : volumeSectors * sectorBytes() / clusterBytes();
        const VolumeRead volumeRead = [this](std::uint64_t volumeByte, std::span<std::uint8_t> buffer) {
            return read(source_.volumeStartLba * sectorBytes() + volumeByte, buffer).empty();
        };
        extensions_ = volumeRecordReading(volumeRead, source.mftRuns, source.units);
    }
    DiskReader(const DiskReader&) = delete;
    DiskReader& operator=(const DiskReader&) = delete;

    bool isOpen() const { return handle_.isOpen(); }

    // Reads whole sectors into the buffer; returns the parts that did not arrive (zeros in the
    // buffer), relative to byteOffset.
    std::vector<disk::MissingRange> read(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
        disk::BulkReadReport report = disk::readSalvaging(handle_, byteOffset, buffer);
        if (disk::startsBeyondMaskGap(byteOffset)) disk::ApplySectorMask(source_.masks, buffer, source_.diskNumber);
        return std::move(report.missing);
    }

    // Reads and decodes the FILE record of a table entry into the buffer; false when it did not
    // arrive or is no good record. A record whose attributes continue in extension records is
    // gathered from them: the buffer then holds the gathered image (ntfs/attribute_list.h), and
    // dataRuns() every run of its unnamed $DATA either way.
    bool readRecord(const FileTableEntry& entry, std::vector<std::uint8_t>& buffer, ntfs::FileRecordInfo& info) {
        buffer.assign(kRecordReadBytes, 0);
        dataRuns_.clear();
        const std::vector<disk::MissingRange> missing =
            read(recordDiskByte(entry.recordLba, entry.ownId, source_.units), buffer);
        // The record is the start of the buffer; a sector lost further on belongs to the next one.
        const std::size_t arrived = missing.empty() ? buffer.size() : static_cast<std::size_t>(missing.front().firstByte);
        if (entry.recordLba == 0 || arrived < ntfs::kSmallRecordSize) return false;
        info = ntfs::FileRecordInfo{};
        ntfs::Gathering gathering = ntfs::Gathering::NotNeeded;
        const std::uint32_t code = ntfs::decodeWithExtensions(std::span<std::uint8_t>(buffer.data(), arrived),
                                                              ntfs::kNoOwnNumber, extensions_, info, gathered_,
                                                              dataRuns_, gathering);
        // The buffer takes the image's storage, where residentData points.
        if (gathering != ntfs::Gathering::NotNeeded) buffer.swap(gathered_.image);
        return code == ntfs::kRecordGood;
    }

    // Every run of the unnamed $DATA of the record read last.
    const std::vector<ntfs::DataRun>& dataRuns() const { return dataRuns_; }

    std::uint64_t clusterByte(std::uint64_t cluster) const {
        return cluster * clusterBytes() + source_.volumeStartLba * sectorBytes();
    }
    std::uint64_t clusterBytes() const { return source_.units.clusterBytes; }
    // The disk's sectors: what every LBA of the source, and of the damage reports, counts in.
    std::uint64_t sectorBytes() const { return source_.units.sectorBytes; }
    // Clusters of the volume: from its start to its end, or to the end of the disk when its size
    // is not known.
    std::uint64_t volumeClusters() const { return volumeClusters_; }

private:
    const RestoreSource& source_;
    disk::DiskHandle handle_;
    std::uint64_t volumeClusters_ = 0;
    ntfs::RecordReading extensions_;
    ntfs::GatheredRecord gathered_;
    std::vector<ntfs::DataRun> dataRuns_;
};

// Makes each folder of the path in turn below the target. An existing folder is used; a symbolic
// link or a file in the way is not followed. Returns the folder, or an empty path on failure.
std::filesystem::path makeFolders(const std::filesystem::path& target, const std::vector<std::u16string>& components) {
    std::filesystem::path folder = target;
    for (const std::u16string& component : components) {
        folder /= pathOf(safeName(component));
        std::error_code error;
        const auto status = std::filesystem::symlink_status(folder, error);
        if (status.type() == std::filesystem::file_type::not_found) {
            if (!std::filesystem::create_directory(folder, error) && error) return {};
        } else if (status.type() != std::filesystem::file_type::directory) {
            return {};
        }
    }
    return folder;
}

// Compressed or encrypted clusters do not hold the stream's bytes as they are.
bool copiedAsIs(std::uint16_t dataFlags) {
    return (dataFlags & kCompressedMask) == 0 && (dataFlags & kEncrypted) == 0;
}

// A full restore decompresses compressed streams; encrypted ones it cannot read.
bool fullRestoreReads(std::uint16_t dataFlags) { return (dataFlags & kEncrypted) == 0; }

// What one file's data is, as its record tells it, for the mode.
enum class DataPlan { Copy, NotCopied };

DataPlan planData(const ntfs::FileRecordInfo& info, RestoreMode mode) {
    if (mode == RestoreMode::Full) return fullRestoreReads(info.dataFlags) ? DataPlan::Copy : DataPlan::NotCopied;
    if (!copiedAsIs(info.dataFlags)) return DataPlan::NotCopied;
    // The test restore: one run on the disk, read with one transfer.
    if (!info.nonResident || info.fragmentCount != 1 || info.runs[0].startCluster == ntfs::kSparseCluster) {
        return DataPlan::NotCopied;
    }
    return info.realSize <= kTestRestoreMaxBytes ? DataPlan::Copy : DataPlan::NotCopied;
}

// Where one stream's bytes are: in the record (resident) or in runs of clusters.
struct StreamLayout {
    bool nonResident = false;
    std::uint64_t realSize = 0;
    std::uint64_t initialized = 0;  // bytes beyond it read as zeros
    const std::uint8_t* residentData = nullptr;
    std::span<const ntfs::DataRun> runs;
    std::uint32_t unitClusters = 0;  // clusters of a compression unit; 0: the clusters hold the bytes as they are
};

// The compression unit of a stream with these attribute flags and this unit from its header.
std::uint32_t unitClustersOf(std::uint16_t dataFlags, std::uint32_t headerUnit) {
    if ((dataFlags & kCompressedMask) == 0) return 0;
    return headerUnit != 0 ? headerUnit : kDefaultUnitClusters;
}

// The unnamed $DATA with all its runs, also those beyond the decoder's list of 99 and those in
// extension records.
StreamLayout layoutOf(const ntfs::FileRecordInfo& info, std::uint64_t initialized,
                      const std::vector<ntfs::DataRun>& runs, std::uint32_t headerUnit) {
    return {info.nonResident != 0, info.realSize,       initialized, info.residentData,
            runs,                  unitClustersOf(info.dataFlags, headerUnit)};
}

StreamLayout layoutOf(const ntfs::NamedStream& stream) {
    return {stream.nonResident, stream.realSize, stream.initializedSize, stream.residentData.data(), stream.runs,
            unitClustersOf(stream.flags, stream.compressionUnitClusters)};
}

// Whether a stream's runs, as far as its real size needs them, can be copied as they are: each
// run on the disk inside the volume, and no cluster used twice. A run list that fails either
// would copy another partition's data or repeat the file's own, and pass it off as the file.
RunListDamage runListDamage(const StreamLayout& layout, std::uint64_t volumeClusters, std::uint64_t clusterBytes) {
    if (!layout.nonResident) return RunListDamage::None;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;  // first cluster, end cluster
    std::uint64_t fileOffset = 0;
    for (const ntfs::DataRun& run : layout.runs) {
        if (fileOffset >= layout.realSize) break;
        fileOffset += run.clusterCount * clusterBytes;
        if (run.startCluster == ntfs::kSparseCluster) continue;
        const std::uint64_t end = std::uint64_t{run.startCluster} + run.clusterCount;
        if (end > volumeClusters) return RunListDamage::OutsideVolume;
        extents.emplace_back(run.startCluster, end);
    }
    std::sort(extents.begin(), extents.end());
    for (std::size_t i = 1; i < extents.size(); ++i) {
        if (extents[i].first < extents[i - 1].second) return RunListDamage::Overlapping;
    }
    return RunListDamage::None;
}

// Whether some of a stream's bytes are known zeros that are not copied: a sparse run, or the part
// beyond the initialized size.
bool hasHoles(const StreamLayout& layout) {
    if (!layout.nonResident) return false;
    return layout.initialized < layout.realSize ||
           std::any_of(layout.runs.begin(), layout.runs.end(),
                       [](const ntfs::DataRun& run) { return run.startCluster == ntfs::kSparseCluster; });
}

// Adds unreadable sectors to a file's list, joined to the previous ones where they follow them
// both in the file and on the disk.
void noteUnreadable(std::vector<UnreadableSectors>& list, const UnreadableSectors& sectors, std::uint64_t sectorBytes) {
    if (!list.empty()) {
        UnreadableSectors& last = list.back();
        if (last.fileByte + last.sectorCount * sectorBytes == sectors.fileByte &&
            last.lba + last.sectorCount == sectors.lba) {
            last.byteCount += sectors.byteCount;
            last.sectorCount += sectors.sectorCount;
            return;
        }
    }
    list.push_back(sectors);
}

// Writes a stream's data: resident bytes from the record, or its runs in order up to the real
// size. Sparse runs and the part beyond the initialized size are zeros: each is skipped with one
// seek, so the file keeps a hole there (the caller sets its length at the end), and a sparse file
// of terabytes costs neither time nor space.
class FileCopy {
public:
    FileCopy(DiskReader& reader, RestoreProgress& progress) : reader_(reader), progress_(progress) {}

    // Returns false with readFailed set when the runs end before the real size (a run list cut
    // short), with stopped set when a stop was asked for between two pieces, with
    // damagedCompressionAt set where compressed data does not decompress. Sectors that cannot be
    // read are written as zeros and added to `unreadable`.
    bool copy(const StreamLayout& info, std::ofstream& out, bool& readFailed, bool& stopped,
              std::optional<std::uint64_t>& damagedCompressionAt, std::vector<UnreadableSectors>& unreadable) {
        readFailed = false;
        stopped = false;
        damagedCompressionAt.reset();
        if (info.nonResident && info.unitClusters != 0) {
            return copyCompressed(info, out, readFailed, stopped, damagedCompressionAt, unreadable);
        }
        if (!info.nonResident) {
            if (info.residentData == nullptr && info.realSize != 0) return readFailed = true, false;
            out.write(reinterpret_cast<const char*>(info.residentData), static_cast<std::streamsize>(info.realSize));
            progress_.bytesRestored += info.realSize;
            return out.good();
        }
        std::uint64_t fileOffset = 0;
        for (std::size_t r = 0; r < info.runs.size() && fileOffset < info.realSize; ++r) {
            const ntfs::DataRun& run = info.runs[r];
            const std::uint64_t runStart = fileOffset;
            const std::uint64_t runEnd = std::min<std::uint64_t>(info.realSize, runStart + run.clusterCount * reader_.clusterBytes());
            const std::uint64_t dataEnd =
                run.startCluster == ntfs::kSparseCluster ? runStart : std::clamp(info.initialized, runStart, runEnd);
            while (fileOffset < dataEnd) {
                if (progress_.stopRequested.load(std::memory_order_relaxed)) return stopped = true, false;
                const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(dataEnd - fileOffset, kCopyPieceBytes));
                // Whole sectors are read; only the file's bytes are written.
                const std::uint64_t sectorBytes = reader_.sectorBytes();
                buffer_.assign(static_cast<std::size_t>((piece + sectorBytes - 1) / sectorBytes * sectorBytes), 0);
                const std::uint64_t diskByte = reader_.clusterByte(run.startCluster) + (fileOffset - runStart);
                for (const disk::MissingRange& gap : reader_.read(diskByte, buffer_)) {
                    noteUnreadable(unreadable,
                                   {fileOffset + gap.firstByte, std::min<std::uint64_t>(gap.byteCount, piece - gap.firstByte),
                                    (diskByte + gap.firstByte) / sectorBytes, (gap.byteCount + sectorBytes - 1) / sectorBytes},
                                   sectorBytes);
                }
                out.write(reinterpret_cast<const char*>(buffer_.data()), static_cast<std::streamsize>(piece));
                if (!out.good()) return false;
                progress_.bytesRestored += piece;
                fileOffset += piece;
            }
            if (fileOffset < runEnd) {
                out.seekp(static_cast<std::streamoff>(runEnd));
                if (!out.good()) return false;
                progress_.bytesRestored += runEnd - fileOffset;
                fileOffset = runEnd;
            }
        }
        if (fileOffset != info.realSize) return readFailed = true, false;
        return true;
    }

private:
    // A compressed stream, unit by unit (ntfs/lznt1.h): a unit without clusters stays a hole, a
    // unit whose clusters are all on the disk is copied as it is, any other is decompressed from
    // the clusters it has. Data that does not decompress ends the file before its unit.
    bool copyCompressed(const StreamLayout& info, std::ofstream& out, bool& readFailed, bool& stopped,
                        std::optional<std::uint64_t>& damagedCompressionAt, std::vector<UnreadableSectors>& unreadable) {
        const std::uint64_t clusterBytes = reader_.clusterBytes();
        const std::uint64_t unitBytes = std::uint64_t{info.unitClusters} * clusterBytes;
        std::vector<std::uint8_t> unit(static_cast<std::size_t>(unitBytes));
        std::size_t run = 0;
        std::uint64_t usedOfRun = 0;  // clusters of runs[run] already taken
        for (std::uint64_t unitStart = 0; unitStart < info.realSize; unitStart += unitBytes) {
            if (progress_.stopRequested.load(std::memory_order_relaxed)) return stopped = true, false;
            const std::uint64_t unitEnd = std::min(info.realSize, unitStart + unitBytes);
            // The unit's clusters, in order: its clusters on the disk come first.
            buffer_.assign(static_cast<std::size_t>(unitBytes), 0);
            std::uint64_t taken = 0;
            std::uint64_t onDisk = 0;
            while (taken < info.unitClusters && run < info.runs.size()) {
                const ntfs::DataRun& piece = info.runs[run];
                const std::uint64_t count = std::min<std::uint64_t>(info.unitClusters - taken, piece.clusterCount - usedOfRun);
                if (piece.startCluster != ntfs::kSparseCluster) {
                    const std::uint64_t diskByte = reader_.clusterByte(piece.startCluster + usedOfRun);
                    const auto target = std::span<std::uint8_t>(buffer_).subspan(static_cast<std::size_t>(onDisk * clusterBytes),
                                                                                  static_cast<std::size_t>(count * clusterBytes));
                    const std::uint64_t sectorBytes = reader_.sectorBytes();
                    for (const disk::MissingRange& gap : reader_.read(diskByte, target)) {
                        noteUnreadable(unreadable,
                                       {unitStart, 0, (diskByte + gap.firstByte) / sectorBytes,
                                        (gap.byteCount + sectorBytes - 1) / sectorBytes},
                                       sectorBytes);
                    }
                    onDisk += count;
                }
                taken += count;
                usedOfRun += count;
                if (usedOfRun == piece.clusterCount) ++run, usedOfRun = 0;
            }
            if (taken * clusterBytes < unitEnd - unitStart) return readFailed = true, false;
            if (onDisk == 0) {  // a hole: the caller's length and the sparse file keep it
                out.seekp(static_cast<std::streamoff>(unitEnd));
                if (!out.good()) return false;
                progress_.bytesRestored += unitEnd - unitStart;
                continue;
            }
            std::uint8_t* data = buffer_.data();
            if (onDisk < info.unitClusters) {
                const ntfs::Lznt1Result result = ntfs::decompressLznt1(
                    std::span<const std::uint8_t>(buffer_).first(static_cast<std::size_t>(onDisk * clusterBytes)), unit);
                if (!result.good) {
                    damagedCompressionAt = unitStart;
                    return false;
                }
                std::fill(unit.begin() + static_cast<std::ptrdiff_t>(result.produced), unit.end(), 0);
                data = unit.data();
            }
            // Bytes beyond the initialized size read as zeros whatever the clusters hold.
            const std::uint64_t length = unitEnd - unitStart;
            const std::uint64_t initialized = std::clamp(info.initialized, unitStart, unitEnd) - unitStart;
            if (initialized < length) std::fill_n(data + initialized, length - initialized, 0);
            out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
            if (!out.good()) return false;
            progress_.bytesRestored += length;
        }
        return true;
    }

    DiskReader& reader_;
    RestoreProgress& progress_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

bool entryQualifies(const FileTableEntry& entry, RestoreMode mode) {
    // The whole 48-bit size counts: a file of exactly 4 GiB is not empty, and one of 4 GiB and
    // 100 bytes is not small.
    if (entry.folderFlag != kFileFlag || entry.mark != kMarked) return false;
    if (std::strncmp(entry.name, "$MFT", 4) == 0) return false;
    return mode == RestoreMode::Full || (entry.size() != 0 && entry.size() <= kTestRestoreMaxBytes);
}

std::uint64_t markedBytes(const std::vector<FileTableEntry>& table) {
    std::uint64_t total = 0;
    for (const FileTableEntry& entry : table) {
        if (!entry.isFolder() && entry.mark == kMarked) total += entry.size();
    }
    return total;
}

namespace {

// What became of one stream written as a file.
enum class StreamOutcome {
    Written,
    WrittenWithUnreadableSectors,
    WrittenUpToDamagedCompression,  // the file ends where its compressed data stops decompressing
    DamagedRuns,
    NotRead,
    NotWritten,
    Stopped
};

// A folder below the target that files are written into.
struct OutputFolder {
    std::filesystem::path path;
    std::u16string foldedPrefix;  // its components as Windows compares them, each followed by "/"
    std::string shownPrefix;   // its components as written, each followed by "/", code page 1251
};

// One restore run: the open disk, the folders made so far, the names written and the report.
class RestoreRun {
public:
    RestoreRun(const RestoreSource& source, std::vector<FileTableEntry>& table, const std::filesystem::path& target,
               RestoreMode mode, RestoreProgress& progress, bool withNamedStreams)
        : target_(target), mode_(mode), withNamedStreams_(withNamedStreams), reader_(source),
          folderNames_(table,
                       [this](const FileTableEntry& entry, std::vector<std::uint8_t>& buffer, ntfs::FileRecordInfo& info) {
                           return reader_.readRecord(entry, buffer, info);
                       }),
          fileCopy_(reader_, progress), progress_(progress) {
        report_.diskOpened = reader_.isOpen();
        report_.unreadableMftRecords = source.unreadableMftRecords;
        report_.unreadableRecords = source.unreadableRecords;
    }

    RestoreReport& report() { return report_; }

    // Restores one qualifying entry: its folders, then its data and, when asked, its named streams.
    void restoreEntry(const FileTableEntry& entry) {
        ++report_.filesQualified;
        if (!report_.diskOpened) {
            ++report_.readFailures;
            return;
        }
        // The root folder of generation N is "RazdN" under the target; a lost folder its own name.
        const FolderChain chain = folderNames_.chain(entry);
        std::vector<std::u16string> components;
        if (chain.underRoot) components.push_back(u"Razd" + std::u16string(1, static_cast<char16_t>(entry.generation)));
        components.insert(components.end(), chain.names.begin(), chain.names.end());
        OutputFolder folder{makeFolders(target_, components), {}, {}};
        ntfs::FileRecordInfo info;
        if (!reader_.readRecord(entry, recordBuffer_, info)) {
            ++report_.readFailures;
        } else if (folder.path.empty()) {
            ++report_.writeFailures;
        } else if (planData(info, mode_) == DataPlan::NotCopied) {
            ++report_.filesNotCopied;
        } else {
            for (const std::u16string& component : components) {
                const std::u16string safe = safeName(component);
                folder.foldedPrefix += foldedName(safe) + u"/";
                folder.shownPrefix += platform::utf16ToCp1251(safe) + "/";
            }
            const std::u16string name = recordName(recordBuffer_, info);
            progress_.setCurrentFile(folder.shownPrefix, platform::utf16ToCp1251(name));
            const std::uint64_t initialized = ntfs::initializedDataSize(recordBuffer_, info.realSize);
            switch (writeStream(folder, name,
                                layoutOf(info, initialized, reader_.dataRuns(), ntfs::compressionUnitClusters(recordBuffer_)))) {
                case StreamOutcome::WrittenWithUnreadableSectors:
                    ++report_.filesWithUnreadableSectors;
                    ++report_.filesWritten;
                    break;
                case StreamOutcome::WrittenUpToDamagedCompression:
                    ++report_.filesWithDamagedCompression;
                    [[fallthrough]];
                case StreamOutcome::Written:
                    ++report_.filesWritten;
                    break;
                case StreamOutcome::DamagedRuns:
                    ++report_.damagedRunLists;
                    break;
                case StreamOutcome::NotRead:
                    ++report_.readFailures;
                    break;
                case StreamOutcome::NotWritten:
                    ++report_.writeFailures;
                    break;
                case StreamOutcome::Stopped:
                    ++report_.filesNotReached;
                    return;
            }
            if (withNamedStreams_ && mode_ == RestoreMode::Full) writeNamedStreams(folder, name);
        }
    }

private:
    // Each named stream as a file of its own beside the file: "a.doc:extra" becomes "a.doc_extra",
    // which any target file system can hold.
    void writeNamedStreams(const OutputFolder& folder, const std::u16string& name) {
        for (const ntfs::NamedStream& stream : ntfs::findNamedStreams(recordBuffer_)) {
            ++report_.streamsFound;
            if (!fullRestoreReads(stream.flags)) {
                ++report_.streamsNotCopied;
                continue;
            }
            const StreamOutcome outcome =
                writeStream(folder, name + u":" + platform::cp1251ToUtf16(stream.name), layoutOf(stream));
            if (outcome == StreamOutcome::Stopped) {
                report_.stopped = true;
                return;
            }
            const bool written = outcome == StreamOutcome::Written ||
                                 outcome == StreamOutcome::WrittenWithUnreadableSectors ||
                                 outcome == StreamOutcome::WrittenUpToDamagedCompression;
            ++(written ? report_.streamsWritten : report_.streamFailures);
        }
    }

    // The name a stream is written under: its name made safe, numbered when a namesake was written
    // earlier in this run (names compared as Windows compares them) or when a folder or a link of
    // that name is in the way. A plain file left by an earlier run is replaced.
    std::u16string freeName(const OutputFolder& folder, const std::u16string& wantedName) {
        const std::u16string name = safeName(wantedName);
        std::u16string chosen = name;
        for (unsigned n = 2;; ++n) {
            std::error_code error;
            const auto type = std::filesystem::symlink_status(folder.path / pathOf(chosen), error).type();
            const bool inWay =
                type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular;
            if (!inWay && !writtenNames_.count(folder.foldedPrefix + foldedName(chosen))) break;
            chosen = numberedName(name, n);
        }
        if (chosen != name) ++report_.renamedFiles;
        writtenNames_.insert(folder.foldedPrefix + foldedName(chosen));
        return chosen;
    }

    // Writes one stream of a file; the caller counts the outcome. A damaged run list is not
    // copied at all; sectors that do not read are zeros in the file, which counts as written. Both
    // go on the list of damaged files.
    StreamOutcome writeStream(const OutputFolder& folder, const std::u16string& wantedName, const StreamLayout& layout) {
        const RunListDamage damage = runListDamage(layout, reader_.volumeClusters(), reader_.clusterBytes());
        if (damage != RunListDamage::None) {
            report_.damaged.push_back({folder.shownPrefix + platform::utf16ToCp1251(safeName(wantedName)), damage, {}});
            return StreamOutcome::DamagedRuns;
        }
        const std::u16string name = freeName(folder, wantedName);
        const std::filesystem::path file = folder.path / pathOf(name);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        bool readFailed = false;
        bool stopped = false;
        const bool opened = out.is_open();
        // Before anything is written: a file the system does not know as sparse gets its holes
        // filled with zeros. Where it cannot be (a FAT volume), the zeros are written instead.
        if (opened && hasHoles(layout)) platform::markSparse(file);
        std::vector<UnreadableSectors> unreadable;
        std::optional<std::uint64_t> damagedCompressionAt;
        const std::uint64_t bytesBefore = progress_.bytesRestored.load();
        bool copied = opened && fileCopy_.copy(layout, out, readFailed, stopped, damagedCompressionAt, unreadable);
        out.close();
        // Compressed data that stops decompressing ends the file there: what came before it is
        // the file's own, what would follow cannot be known.
        const std::uint64_t length = damagedCompressionAt.value_or(layout.realSize);
        copied = (copied || damagedCompressionAt.has_value()) && !out.fail();
        // Zeros skipped at the end still belong to the file.
        copied = copied && platform::setFileLength(file, length);
        if (copied) {
            report_.bytesWritten += length;
            report_.written.push_back(file);
            if (unreadable.empty() && !damagedCompressionAt) return StreamOutcome::Written;
            DamagedFile damaged{folder.shownPrefix + platform::utf16ToCp1251(name), RunListDamage::None,
                                std::move(unreadable), damagedCompressionAt};
            report_.unreadableSectors += damaged.unreadableSectorCount();
            report_.damaged.push_back(std::move(damaged));
            return damagedCompressionAt ? StreamOutcome::WrittenUpToDamagedCompression
                                        : StreamOutcome::WrittenWithUnreadableSectors;
        }
        // No half-written file is left that could pass for a restored one, nor counted as restored.
        std::error_code error;
        if (opened) std::filesystem::remove(file, error);
        progress_.bytesRestored -= progress_.bytesRestored.load() - bytesBefore;
        if (stopped) return StreamOutcome::Stopped;
        return readFailed ? StreamOutcome::NotRead : StreamOutcome::NotWritten;
    }

    const std::filesystem::path& target_;
    RestoreMode mode_;
    bool withNamedStreams_;
    RestoreReport report_;
    DiskReader reader_;
    FolderNames folderNames_;
    FileCopy fileCopy_;
    RestoreProgress& progress_;
    // Every file written in this run, by folder and name as Windows compares them.
    std::unordered_set<std::u16string> writtenNames_;
    std::vector<std::uint8_t> recordBuffer_;
};

// Writes the list of damaged files into the target folder under its fixed name, or, when a
// folder or a link of that name is in the way, under a numbered one. Returns the file written,
// or an empty path.
std::filesystem::path writeDamageList(const std::filesystem::path& target, const std::string& text) {
    for (unsigned n = 1;; ++n) {
        const std::string name = n == 1 ? kDamageListFileName : numberedName(kDamageListFileName, n);
        const std::filesystem::path file = target / pathOf(platform::cp1251ToUtf16(name));
        std::error_code error;
        const auto type = std::filesystem::symlink_status(file, error).type();
        if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular) continue;
        platform::StdioFile out = platform::openStdioFile(file, "wb");
        if (!out) return {};
        const bool written = std::fwrite(text.data(), 1, text.size(), out.get()) == text.size();
        if (std::fclose(out.release()) != 0 || !written) return {};
        return file;
    }
}

}  // namespace

class SourceRecords::Reader : public DiskReader {
public:
    using DiskReader::DiskReader;
};

SourceRecords::SourceRecords(const RestoreSource& source) : reader_(std::make_unique<Reader>(source)) {}
SourceRecords::~SourceRecords() = default;

bool SourceRecords::isOpen() const { return reader_->isOpen(); }

bool SourceRecords::read(const FileTableEntry& entry, std::vector<std::uint8_t>& buffer, ntfs::FileRecordInfo& info) {
    return reader_->readRecord(entry, buffer, info);
}

void RestoreProgress::setCurrentFile(const std::string& folder, const std::string& name) {
    const std::lock_guard<std::mutex> lock(currentMutex_);
    currentFolder_ = folder;
    currentName_ = name;
}

std::pair<std::string, std::string> RestoreProgress::currentFile() const {
    const std::lock_guard<std::mutex> lock(currentMutex_);
    return {currentFolder_, currentName_};
}

std::uint64_t DamagedFile::unreadableSectorCount() const {
    std::uint64_t count = 0;
    for (const UnreadableSectors& sectors : unreadable) count += sectors.sectorCount;
    return count;
}

RestoreReport restoreMarkedFiles(const RestoreSource& source, std::vector<FileTableEntry>& table,
                                 const std::filesystem::path& targetFolder, RestoreMode mode,
                                 RestoreProgress& progress, bool withNamedStreams, text::Language language) {
    progress.entriesTotal = table.size();
    progress.entriesDone = 0;
    progress.bytesRestored = 0;
    RestoreRun run(source, table, targetFolder, mode, progress, withNamedStreams);
    RestoreReport& report = run.report();
    auto chosen = [](const FileTableEntry& entry) { return entry.folderFlag == kFileFlag && entry.mark == kMarked; };
    progress.filesDone = 0;
    progress.filesTotal = static_cast<std::uint64_t>(std::count_if(table.begin(), table.end(), chosen));
    for (FileTableEntry& entry : table) {
        if (chosen(entry)) {
            ++report.filesChosen;
            // A chosen file the mode does not take is counted too: every chosen file has its place
            // in the final counts, also those a stop leaves.
            if (progress.stopRequested.load()) {
                ++report.filesNotReached;
            } else if (entryQualifies(entry, mode)) {
                run.restoreEntry(entry);
            } else {
                ++report.filesNotCopied;
            }
            ++progress.filesDone;
        }
        entry.mark = kMarkCleared;
        ++progress.entriesDone;
    }
    report.stopped = report.stopped || report.filesNotReached != 0;
    if (!report.damaged.empty() || !report.unreadableRecords.empty()) {
        report.damageList = writeDamageList(targetFolder, damageListText(report, language));
        report.damageListFailed = report.damageList.empty();
    }
    progress.finished = true;
    return std::move(report);
}

namespace {

// The part of the list that names the FILE records the analysis could not read: their files are
// missing from the tree, so nothing of them was restored. Empty when every record was read.
std::string unreadableRecordsText(const RestoreReport& report, text::Language language) {
    if (report.unreadableRecords.empty()) return {};
    std::string text = text::isRussian(language)
                           ? "ЗАПИСИ FILE, НЕ ПРОЧИТАННЫЕ ПРИ АНАЛИЗЕ: их файлов нет в дереве, они не восстановлены.\r\n\r\n"
                           : "FILE RECORDS NOT READ BY THE ANALYSIS: their files are missing from the tree and were not "
                             "restored.\r\n\r\n";
    for (const UnreadableRecord& record : report.unreadableRecords) text += unreadableRecordText(record, language) + "\r\n";
    return text;
}

}  // namespace

std::string damageListText(const RestoreReport& report, text::Language language) {
    if (report.damaged.empty()) return unreadableRecordsText(report, language);
    const bool russian = text::isRussian(language);
    std::string text = russian ? "ФАЙЛЫ, ВОССТАНОВЛЕННЫЕ НЕ ПОЛНОСТЬЮ. Нечитаемые секторы записаны в файлы нулями; "
                                 "файлы с поврежденным списком фрагментов не записаны.\r\n"
                               : "FILES NOT RESTORED WHOLE. Unreadable sectors are written into the files as zeros; "
                                 "files with a damaged list of fragments are not written.\r\n";
    char line[200];
    for (const DamagedFile& file : report.damaged) {
        text += "\r\n" + file.path + "\r\n";
        switch (file.runListDamage) {
            case RunListDamage::OutsideVolume:
                text += russian ? "   не записан: фрагмент лежит за пределами тома\r\n"
                                : "   not written: a fragment lies outside the volume\r\n";
                continue;
            case RunListDamage::Overlapping:
                text += russian ? "   не записан: фрагменты перекрывают друг друга\r\n"
                                : "   not written: fragments overlap each other\r\n";
                continue;
            case RunListDamage::None:
                break;
        }
        if (file.compressionDamagedAt) {
            std::snprintf(line, sizeof line,
                          russian ? "   сжатые данные повреждены с байта файла %llu: файл обрывается на нём\r\n"
                                  : "   compressed data damaged from file byte %llu: the file ends there\r\n",
                          static_cast<unsigned long long>(*file.compressionDamagedAt));
            text += line;
            if (file.unreadable.empty()) continue;
        }
        std::snprintf(line, sizeof line, russian ? "   нечитаемых секторов: %llu\r\n" : "   unreadable sectors: %llu\r\n",
                      static_cast<unsigned long long>(file.unreadableSectorCount()));
        text += line;
        for (const UnreadableSectors& sectors : file.unreadable) {
            std::snprintf(line, sizeof line,
                          russian ? "   байты файла %13llu - %13llu   LBA %13llu - %13llu\r\n"
                                  : "   file bytes  %13llu - %13llu   LBA %13llu - %13llu\r\n",
                          static_cast<unsigned long long>(sectors.fileByte),
                          static_cast<unsigned long long>(sectors.fileByte + sectors.byteCount - 1),
                          static_cast<unsigned long long>(sectors.lba),
                          static_cast<unsigned long long>(sectors.lba + sectors.sectorCount - 1));
            text += line;
        }
    }
    if (!report.unreadableRecords.empty()) text += "\r\n" + unreadableRecordsText(report, language);
    return text;
}

RestoreMessage restoreFinishedMessage(const std::string& targetPath, const RestoreReport& report,
                                      text::Language language) {
    const bool russian = text::isRussian(language);
    RestoreMessage message;
    message.title = russian ? "Извлечение файлов завершено" : "Extract files completed    ";
    message.text = russian ? "Отмеченные файлы, с деревон каталогов, записаны в папку:\r\n\r\n"
                           : "Marked files, with деревон directory, stored in folder: \r\n\r\n";
    constexpr std::size_t kLineChars = 56;
    for (std::size_t line = 0; line < 5; ++line) {
        std::string part = line * kLineChars < targetPath.size() ? targetPath.substr(line * kLineChars, kLineChars) : "";
        part.resize(kLineChars, ' ');
        message.text += part + "\r\n";
    }
    if (!report.complete()) {
        message.title = russian ? "Извлечение файлов завершено с ошибками" : "Extract files completed with errors";
        message.text += "\r\n";
        char line[300];
        auto add = [&](const char* ru, const char* en, auto... values) {
            std::snprintf(line, sizeof line, russian ? ru : en, static_cast<unsigned long long>(values)...);
            message.text += line;
        };
        if (!report.diskOpened) {
            message.text += russian ? "Не удалось открыть исходный диск для чтения.\r\n"
                                    : "The source disk could not be opened for reading.\r\n";
        } else if (report.failures() != 0) {
            add("Не прочитано с диска: %llu, не записано: %llu.\r\n", "Not read from the disk: %llu, not written: %llu.\r\n",
                report.readFailures, report.writeFailures);
        }
        if (report.filesWithUnreadableSectors != 0) {
            add("С нечитаемыми секторами (записаны нулями): %llu, секторов: %llu.\r\n",
                "With unreadable sectors (written as zeros): %llu, sectors: %llu.\r\n", report.filesWithUnreadableSectors,
                report.unreadableSectors);
        }
        if (report.filesWithDamagedCompression != 0) {
            add("Сжатые данные повреждены, файлы обрываются на них: %llu.\r\n",
                "Compressed data damaged, files end where it begins: %llu.\r\n", report.filesWithDamagedCompression);
        }
        if (report.damagedRunLists != 0) {
            add("Не записано из-за поврежденного списка фрагментов: %llu.\r\n",
                "Not written for a damaged list of fragments: %llu.\r\n", report.damagedRunLists);
        }
        if (report.unreadableMftRecords != 0) {
            add("Записей MFT, не прочитанных при анализе: %llu.\r\n", "MFT records not read during the analysis: %llu.\r\n",
                report.unreadableMftRecords);
        }
        if (report.streamFailures != 0) {
            add("Именованных потоков не восстановлено: %llu.\r\n", "Named streams not restored: %llu.\r\n",
                report.streamFailures);
        }
        if (report.stopped) {
            add("Восстановление прервано, не восстановлено файлов: %llu.\r\n",
                "The restore was stopped; files not restored: %llu.\r\n", report.filesNotReached);
        }
        if (report.damageListFailed) {
            message.text += russian ? "Список поврежденных файлов не удалось записать.\r\n"
                                    : "The list of the damaged files could not be written.\r\n";
        }
        if (!report.damageList.empty()) {
            const std::u8string name = report.damageList.filename().u8string();
            message.text += (russian ? "Список этих файлов: " : "These files are listed in ") +
                            platform::utf8ToCp1251(std::string(name.begin(), name.end())) + ".\r\n";
        }
    }
    return message;
}

}  // namespace quenzar::recovery
