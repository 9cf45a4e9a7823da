#include "recovery/analysis.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "disk/sector_access.h"
#include "ntfs/folder_index.h"
#include "platform/code_page_1251.h"
#include "recovery/file_table_extraction.h"
#include "recovery/folder_names.h"
#include "recovery/mft_reader.h"
#include "recovery/volume_records.h"
#include "recovery/work_file.h"

namespace quenzar::recovery {

namespace {

// The table is reserved up front for at most this many entries (256 MiB); beyond, it grows.
constexpr std::uint64_t kTableReserveMaxEntries = 2'000'000;

AnalysisResult finish(AnalysisContext& context, AnalysisResult&& result) {
    context.progress.stage.store(AnalysisStage::Finished);
    context.progress.finished.store(true);
    return std::move(result);
}

void startProgress(AnalysisProgress& progress) {
    progress.finished.store(false);
    progress.position.store(0);
    progress.maximum.store(0);
    progress.statistics.publish(FileStatistics{});
    progress.stage.store(AnalysisStage::Reading);
}

bool isNtfsDrive(const disk::LogicalDriveInfo& drive) {
    return drive.fileSystem() == disk::FileSystem::Ntfs && drive.sectorsPerCluster != 0;
}

// Reads of a volume through its own handle.
VolumeRead volumeReader(disk::DiskHandle& volume) {
    return [&volume](std::uint64_t volumeByte, std::span<std::uint8_t> buffer) {
        disk::SeekToByte(volume, volumeByte);
        return disk::readRetrying(volume, buffer) == buffer.size();
    };
}

// Reads of a volume that starts at bootLba through the handle of its whole disk, unmasked as
// every disk read beyond the partition gap.
VolumeRead diskVolumeReader(disk::DiskHandle& handle, const disk::SectorMaskTable& masks, char diskNumber,
                            std::uint64_t bootByte) {
    return [&handle, &masks, diskNumber, bootByte](std::uint64_t volumeByte, std::span<std::uint8_t> buffer) {
        const std::uint64_t diskByte = bootByte + volumeByte;
        disk::SeekToByte(handle, diskByte);
        const bool arrived = disk::readRetrying(handle, buffer) == buffer.size();
        if (disk::startsBeyondMaskGap(diskByte)) disk::ApplySectorMask(masks, buffer, diskNumber);
        return arrived;
    };
}

// The size of the volume's FILE records: what the $MFT's own record says of itself when it is a
// FILE record of a size NTFS writes, else what the boot sector says, else 1,024 bytes.
std::uint32_t recordBytesOf(std::span<const std::uint8_t> mftRecord, std::uint32_t bootRecordBytes) {
    if (const std::uint32_t own = ntfs::fileRecordSizeOf(mftRecord); own != 0 && own <= mftRecord.size()) return own;
    if (bootRecordBytes == ntfs::kSmallRecordSize || bootRecordBytes == ntfs::kLargeRecordSize) return bootRecordBytes;
    return ntfs::kSmallRecordSize;
}

// The checks of the $MFT's own record, read as `bytes` (arrivedBytes of them, the largest record
// size); Completed when the analysis may go on with `runs`. The record's size goes into the
// units. A record whose runs continue in extension records gets them from there, read through
// `read`; only when that fails is it refused for its attribute list.
AnalysisOutcome checkMftRecord(std::size_t bytesArrived, std::span<std::uint8_t> bytes, const VolumeRead& read,
                               std::uint32_t bootRecordBytes, VolumeUnits& units, ntfs::FileRecordInfo& record,
                               std::vector<MftRun>& runs) {
    units.recordBytes = recordBytesOf(bytes, bootRecordBytes);
    bytes = bytes.first(units.recordBytes);
    if (bytesArrived < bytes.size()) return AnalysisOutcome::MftRecordUnreadable;
    const std::vector<std::uint8_t> asRead(bytes.begin(), bytes.end());
    ntfs::decodeFileRecord(bytes, record);
    if (record.hasAttributeList) {
        std::vector<ntfs::DataRun> dataRuns;
        if (!gatherMftRuns(read, asRead, units, record, dataRuns)) return AnalysisOutcome::AttributeListInMft;
        runs = buildMftRuns(dataRuns, units);
        return AnalysisOutcome::Completed;
    }
    if (!record.good() || record.isFolder || !record.nonResident) return AnalysisOutcome::MftRecordUnreadable;
    runs = buildMftRuns(record, units);
    return AnalysisOutcome::Completed;
}

// Sets the records the analysis reads: those the $MFT's real size claims (the part of its
// allocation beyond it was never written as records), but no more than its allocated size, its
// runs and the volume of volumeBytes hold. Returns the runs cut to those records.
std::vector<MftRun> boundRecordCount(std::vector<MftRun> runs, const ntfs::FileRecordInfo& mftRecord,
                                     std::uint64_t volumeBytes, AnalysisResult& result) {
    result.claimedRecordCount = mftRecord.realSize / result.units.recordBytes;
    result.recordLimit = readableRecordLimit(runs, mftRecord.allocatedSize, volumeBytes, result.units.recordBytes);
    result.recordCount = std::min(result.claimedRecordCount, result.recordLimit);
    return runsWithin(runs, result.recordLimit);
}

// Reads the $MFT's own record at a byte of the volume (tried again when it fails) and checks it.
AnalysisOutcome readMftRecord(disk::DiskHandle& volume, std::uint64_t byteOffset, std::uint32_t bootRecordBytes,
                              VolumeUnits& units, std::span<std::uint8_t, kMaxRecordBytes> bytes,
                              ntfs::FileRecordInfo& record, std::vector<MftRun>& runs) {
    disk::SeekToByte(volume, byteOffset);
    const std::size_t arrived = disk::readRetrying(volume, bytes);
    record = ntfs::FileRecordInfo{};
    return checkMftRecord(arrived, bytes, volumeReader(volume), bootRecordBytes, units, record, runs);
}

// Thrown by the extraction when the table outgrows the analysis' memory limit.
struct TableLimitReached {};
// Thrown by the extraction when the window asked the analysis to stop.
struct StopRequested {};

// Names the records the MFT read could not read from the indexes of the table's folders. An index
// entry keeps a copy of the $FILE_NAME of the file it names and lies in that file's folder, so a
// file whose record no longer reads is still named by its folder's path and the entry's name.
// Each folder's index is read once, the folders in use first: the index of a deleted folder may
// name a record that has been reused since, so it only names what no folder in use names. A long
// name wins over its DOS twin. Only folders of the generations the records were met in are read,
// and the reading stops once every record has its long name from a folder in use.
void nameUnreadableRecords(const std::vector<FileTableEntry>& table, const VolumeRead& read,
                           const std::vector<MftRun>& runs, const VolumeUnits& units,
                           std::uint64_t volumeStartLba, std::uint64_t volumeSectors,
                           const std::atomic<bool>& stopRequested, std::vector<UnreadableRecord>& unreadable) {
    auto keyOf = [](char generation, std::uint64_t number) {
        return std::uint64_t{static_cast<std::uint8_t>(generation)} << 56 | (number & 0x00FF'FFFF'FFFF'FFFF);
    };
    std::unordered_map<std::uint64_t, std::size_t> wanted;
    std::unordered_set<char> generations;
    for (std::size_t i = 0; i < unreadable.size(); ++i) {
        wanted.emplace(keyOf(unreadable[i].generation, unreadable[i].number), i);
        generations.insert(unreadable[i].generation);
    }

    // How each record has been named so far.
    struct Naming {
        bool found = false;
        bool inUseFolder = false;
        bool dosName = false;
        std::size_t folder = 0;  // the table index of the folder whose index names it
        std::u16string name;
    };
    std::vector<Naming> namings(unreadable.size());
    std::size_t settled = 0;  // named with a long name by a folder in use: nothing better can come
    std::size_t named = 0;

    // Records again by the LBA the table keeps for them, read through the analysis' own reads.
    auto readRecordAt = [&](const FileTableEntry& entry, std::vector<std::uint8_t>& buffer, ntfs::FileRecordInfo& info) {
        buffer.assign(units.recordBytes, 0);
        info = ntfs::FileRecordInfo{};
        const std::uint64_t diskByte = recordDiskByte(entry.recordLba, entry.ownId, units);
        const std::uint64_t volumeByte = volumeStartLba * units.sectorBytes;
        if (entry.recordLba < volumeStartLba || !read(diskByte - volumeByte, buffer)) return false;
        return ntfs::decodeFileRecord(buffer, info) == ntfs::kRecordGood;
    };
    ntfs::FolderIndexReading reading;
    reading.volume = read;
    reading.clusterBytes = units.clusterBytes;
    reading.volumeClusters = units.clusterBytes == 0 ? 0 : volumeSectors * units.sectorBytes / units.clusterBytes;
    reading.record = volumeRecordReading(read, runs, units).record;

    std::vector<std::uint8_t> buffer;
    ntfs::FileRecordInfo info;
    for (const bool inUsePass : {true, false}) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (settled == unreadable.size() || (!inUsePass && named == unreadable.size())) break;
            const FileTableEntry& folder = table[i];
            if (!folder.isFolder() || folder.isDeleted() == inUsePass || isLostFolder(folder) ||
                !generations.contains(folder.generation)) {
                continue;
            }
            if (stopRequested.load(std::memory_order_relaxed)) throw StopRequested{};
            readRecordAt(folder, buffer, info);
            if (info.stage < ntfs::DecodeStage::Flags || !info.isFolder) continue;
            ntfs::readFolderIndex(buffer, folder.ownId, reading, [&](const ntfs::FolderIndexEntry& entry) {
                // An entry in a folder's index names that folder as its parent; the root folder's
                // index also names the root itself.
                if (entry.parentRecord != folder.ownId || entry.recordNumber == folder.ownId) return;
                const auto found = wanted.find(keyOf(folder.generation, entry.recordNumber));
                if (found == wanted.end()) return;
                Naming& naming = namings[found->second];
                const bool better =
                    !naming.found || (naming.dosName && !entry.isDosName() && naming.inUseFolder == inUsePass);
                if (!better) return;
                if (!naming.found) ++named;
                naming = {true, inUsePass, entry.isDosName(), i, entry.name};
                if (inUsePass && !naming.dosName) ++settled;
            });
        }
    }

    // The folders above each entry's folder by their names on the disk, as the restore names them.
    FolderNames folderNames(table, readRecordAt);
    for (std::size_t k = 0; k < unreadable.size(); ++k) {
        const Naming& naming = namings[k];
        if (!naming.found) continue;
        FileTableEntry file;
        file.generation = table[naming.folder].generation;
        file.parentId = table[naming.folder].ownId;
        std::u16string path;
        for (const std::u16string& name : folderNames.chain(file).names) path += name + u'/';
        path += naming.name;
        std::string text = platform::utf16ToCp1251(path);
        // The path goes into text files and onto terminals one line a record.
        for (char& c : text) {
            if (static_cast<std::uint8_t>(c) < 0x20) c = '?';
        }
        unreadable[k].path = std::move(text);
    }
}

// Both kinds of analysis from here on: the MFT read piece by piece and each piece decoded at
// once, the file table kept in memory (128 bytes a kept record), the tree built on it, and the
// work file written once from the tree. The work file is created before the long read starts, so
// a folder that cannot take it is reported at once.
void extractAndBuildTree(disk::DiskHandle& handle, const MftSource& source, const std::vector<MftRun>& runs,
                         std::uint64_t volumeStartLba, const VolumeRead& read, AnalysisContext& context,
                         AnalysisResult& result) {
    const VolumeUnits& units = result.units;
    AnalysisProgress& progress = context.progress;
    result.workFile = (context.workFolder.empty() ? std::filesystem::path(".") : context.workFolder) / kWorkFileName;
    WorkFileWriter workFile;
    const bool opened = workFile.open(result.workFile);
    result.workFileIdentity = workFile.identity();
    if (!opened) {
        result.outcome = AnalysisOutcome::WorkFileFailed;
        result.workFileProblem = workFile.problem();
        return;
    }
    const std::uint64_t maxEntries = context.tableMemoryLimit / kFileTableEntryBytes;
    std::vector<FileTableEntry> table;
    // At most one entry per record; a large MFT of which the filter may keep little is not
    // reserved for whole.
    table.reserve(static_cast<std::size_t>(std::min({result.recordCount, maxEntries, kTableReserveMaxEntries})));

    progress.maximum.store(result.recordCount);
    progress.stage.store(AnalysisStage::Extraction);
    // The window's counters and the stop request are looked at once a piece: often enough for a
    // display that ticks every two seconds, seldom enough to cost nothing.
    const std::size_t pieceBytes = std::max<std::size_t>(context.mftPieceBytes / units.recordBytes, 1) * units.recordBytes;
    const std::uint64_t publishEveryRecords = pieceBytes / units.recordBytes;
    FileTableExtraction extraction(context.filter, context.generations, runs, units, volumeStartLba, table,
                                   result.statistics);
    try {
        readMftRecords(
            handle, source, runs, units.recordBytes, result.recordCount,
            [&](std::uint64_t index, std::span<std::uint8_t> record) {
                if (record.empty()) {
                    UnreadableRecord unreadable;
                    unreadable.number = index;
                    unreadable.generation = context.generations.generation;
                    if (!recordLbaOf(runs, units, volumeStartLba, index, unreadable.lba)) unreadable.lba = 0;
                    result.unreadableRecords.push_back(std::move(unreadable));
                }
                extraction.take(index, record);
                if (table.size() > maxEntries) throw TableLimitReached{};
                progress.position.store(index + 1, std::memory_order_relaxed);
                if ((index + 1) % publishEveryRecords == 0) {
                    progress.statistics.publish(result.statistics);
                    if (progress.stopRequested.load(std::memory_order_relaxed)) throw StopRequested{};
                }
            },
            pieceBytes);
        // The files whose attributes continue in extension records, once all of these are known;
        // a long attribute list is read from its clusters.
        extraction.finish([&](std::span<const ntfs::DataRun> listRuns, std::uint64_t byteCount,
                              std::vector<std::uint8_t>& bytes) {
            return ntfs::readRunBytes(read, units.clusterBytes, listRuns, byteCount, bytes);
        });
        // Only a volume with records that did not read pays for reading the folders' indexes.
        if (!result.unreadableRecords.empty()) {
            nameUnreadableRecords(table, read, runs, units, volumeStartLba, result.volumeSectorCount,
                                  progress.stopRequested, result.unreadableRecords);
        }
        if (table.size() > maxEntries) throw TableLimitReached{};
        disk::ClosePhysicalDisk(handle);
        progress.statistics.publish(result.statistics);
        if (progress.stopRequested.load()) throw StopRequested{};
        result.entriesWritten = table.size();

        if (result.statistics.matchedFiles() == 0) {
            // No tree: the work file keeps the table as extracted.
            for (const FileTableEntry& entry : table) workFile.append(entry);
            result.outcome = workFile.close() ? AnalysisOutcome::NoFileMatched : AnalysisOutcome::WorkFileFailed;
            result.workFileProblem = workFile.problem();
            return;
        }

        progress.maximum.store(result.statistics.matchedFiles() + 20);
        progress.position.store(0);
        progress.stage.store(AnalysisStage::Tree);
        result.tree = buildTree(std::move(table));
        if (result.tree.table.size() > maxEntries) throw TableLimitReached{};
    } catch (const TableLimitReached&) {
        result.outcome = AnalysisOutcome::TableTooLarge;
    } catch (const std::bad_alloc&) {
        result.outcome = AnalysisOutcome::TableTooLarge;
    } catch (const StopRequested&) {
        result.outcome = AnalysisOutcome::Stopped;
    }
    if (result.outcome == AnalysisOutcome::TableTooLarge || result.outcome == AnalysisOutcome::Stopped) {
        // Nothing half made is left: no tree, no work file.
        result.tree = DirectoryTree{};
        result.entriesWritten = 0;
        workFile.close();
        removeWorkFile(result);
        return;
    }
    if (!saveWorkFile(result.tree, workFile)) result.outcome = AnalysisOutcome::WorkFileFailed;
    result.workFileProblem = workFile.problem();
    progress.position.store(progress.maximum.load());
}

}  // namespace

void LiveStatistics::publish(const FileStatistics& statistics) {
    foldersInUse.store(statistics.foldersInUse, std::memory_order_relaxed);
    foldersDeleted.store(statistics.foldersDeleted, std::memory_order_relaxed);
    filesInUse.store(statistics.filesInUse, std::memory_order_relaxed);
    bytesInUse.store(statistics.bytesInUse, std::memory_order_relaxed);
    filesDeleted.store(statistics.filesDeleted, std::memory_order_relaxed);
    bytesDeleted.store(statistics.bytesDeleted, std::memory_order_relaxed);
    matchedInUse.store(statistics.matchedInUse, std::memory_order_relaxed);
    matchedBytesInUse.store(statistics.matchedBytesInUse, std::memory_order_relaxed);
    matchedDeleted.store(statistics.matchedDeleted, std::memory_order_relaxed);
    matchedBytesDeleted.store(statistics.matchedBytesDeleted, std::memory_order_relaxed);
}

FileStatistics LiveStatistics::snapshot() const {
    FileStatistics statistics;
    statistics.foldersInUse = foldersInUse.load(std::memory_order_relaxed);
    statistics.foldersDeleted = foldersDeleted.load(std::memory_order_relaxed);
    statistics.filesInUse = filesInUse.load(std::memory_order_relaxed);
    statistics.bytesInUse = bytesInUse.load(std::memory_order_relaxed);
    statistics.filesDeleted = filesDeleted.load(std::memory_order_relaxed);
    statistics.bytesDeleted = bytesDeleted.load(std::memory_order_relaxed);
    statistics.matchedInUse = matchedInUse.load(std::memory_order_relaxed);
    statistics.matchedBytesInUse = matchedBytesInUse.load(std::memory_order_relaxed);
    statistics.matchedDeleted = matchedDeleted.load(std::memory_order_relaxed);
    statistics.matchedBytesDeleted = matchedBytesDeleted.load(std::memory_order_relaxed);
    return statistics;
}

bool removeWorkFile(const AnalysisResult& result) {
    return platform::removeCreatedFile(result.workFile, result.workFileIdentity);
}

std::vector<FileTableEntry> extractedTable(const AnalysisResult& result) {
    std::vector<FileTableEntry> entries;
    if (result.outcome != AnalysisOutcome::Completed) {
        if (!result.workFile.empty()) readWorkFile(result.workFile, entries);
        return entries;
    }
    entries.assign(result.tree.table.begin(),
                   result.tree.table.begin() + static_cast<std::ptrdiff_t>(result.entriesWritten));
    for (FileTableEntry& entry : entries) {
        if (entry.isFolder()) entry.sizeLow = 0;
    }
    return entries;
}

AnalysisResult runAnalysis(platform::DiskSystem& disks, const disk::InventoryState& inventory, char driveLetter,
                           AnalysisContext& context) {
    AnalysisResult result;
    startProgress(context.progress);

    if (driveLetter < disk::kFirstDriveLetter || driveLetter >= disk::kFirstDriveLetter + disk::kDriveLetterCount ||
        !isNtfsDrive(inventory.drive(driveLetter))) {
        result.outcome = AnalysisOutcome::DriveNotNtfs;
        return finish(context, std::move(result));
    }
    const disk::LogicalDriveInfo& drive = inventory.drive(driveLetter);
    const std::uint64_t volumeStartLba = drive.startLba;
    // LBAs count the disk's sectors; clusters count the boot sector's, which are the same but on
    // a volume copied from a disk of another sector size.
    const std::uint32_t diskSectorBytes =
        drive.diskNumber < disk::kInventoryDiskCount && inventory.disks[drive.diskNumber].bytesPerSector != 0
            ? inventory.disks[drive.diskNumber].bytesPerSector
            : disk::kSystemSectorSize;
    result.units = ntfs::volumeUnitsOf(diskSectorBytes, drive.sectorsPerCluster, drive.mftRecordBytes,
                                       ntfs::isNtfsUnitSize(drive.bytesPerSector) ? drive.bytesPerSector : 0);

    disk::DiskHandle volume = disk::DiskHandle::forVolume(driveLetter);
    if (!disk::OpenPhysicalDisk(disks, volume, platform::AccessMode::ReadOnly)) {
        result.outcome = AnalysisOutcome::VolumeNotOpened;
        return finish(context, std::move(result));
    }

    // Record 0, the $MFT's own record, at the MFT's first cluster. When it cannot be read or is
    // damaged, its copy in the $MFTMirr (whose cluster the boot sector gives) describes the same
    // runs: NTFS keeps the first records of the MFT twice for this.
    std::array<std::uint8_t, kMaxRecordBytes> mftBytes{};
    ntfs::FileRecordInfo mftRecord;
    std::vector<MftRun> mftRuns;
    const std::uint64_t clusterBytes = result.units.clusterBytes;
    result.outcome = readMftRecord(volume, drive.mftCluster * clusterBytes, drive.mftRecordBytes, result.units, mftBytes,
                                   mftRecord, mftRuns);
    if (result.outcome == AnalysisOutcome::MftRecordUnreadable && drive.mftMirrorCluster != 0) {
        result.outcome = readMftRecord(volume, drive.mftMirrorCluster * clusterBytes, drive.mftRecordBytes, result.units,
                                       mftBytes, mftRecord, mftRuns);
    }
    if (result.outcome != AnalysisOutcome::Completed) return finish(context, std::move(result));
    const std::vector<MftRun> runs =
        boundRecordCount(std::move(mftRuns), mftRecord, volume.device->byteSize(), result);
    if (!makeAnalysisGeometry(runs, result.recordLimit * result.units.recordBytes, result.units, volumeStartLba,
                              result.geometry)) {
        result.outcome = AnalysisOutcome::BeyondLbaLimit;
        return finish(context, std::move(result));
    }

    result.volumeSectorCount = drive.endLba - drive.startLba;
    result.mftRuns = runs;
    extractAndBuildTree(volume, MftSource{}, runs, volumeStartLba, volumeReader(volume), context, result);
    return finish(context, std::move(result));
}

AnalysisResult runAnalysis(platform::DiskSystem& disks, const disk::SectorMaskTable& masks,
                           const VirtualDiskVolume& volume, AnalysisContext& context) {
    AnalysisResult result;
    startProgress(context.progress);

    disk::DiskHandle handle = disk::DiskHandle::forDisk(volume.diskNumber);
    if (volume.sectorsPerCluster == 0 || !disk::OpenPhysicalDisk(disks, handle, platform::AccessMode::ReadOnly)) {
        result.outcome = AnalysisOutcome::VolumeNotOpened;
        return finish(context, std::move(result));
    }

    const std::uint32_t sectorBytes = volume.sectorBytes != 0 ? volume.sectorBytes : disk::kSystemSectorSize;
    result.units = ntfs::volumeUnitsOf(sectorBytes, volume.sectorsPerCluster, volume.recordBytes);

    // The $MFT's own record at the first row of the run table, unmasked as every disk read
    // beyond the partition gap.
    std::array<std::uint8_t, kMaxRecordBytes> mftBytes{};
    const std::uint64_t mftByte = volume.runTable.rows[0].startLba * sectorBytes;
    disk::SeekToByte(handle, mftByte);
    const std::size_t arrived = volume.runTable.rowCount == 0 ? 0 : disk::readRetrying(handle, mftBytes);
    if (disk::startsBeyondMaskGap(mftByte)) disk::ApplySectorMask(masks, mftBytes, volume.diskNumber);
    ntfs::FileRecordInfo mftRecord;
    const VolumeRead read = diskVolumeReader(handle, masks, volume.diskNumber, volume.bootLba * sectorBytes);
    std::vector<MftRun> gatheredRuns;
    result.outcome =
        checkMftRecord(arrived, mftBytes, read, volume.recordBytes, result.units, mftRecord, gatheredRuns);

    // The rows of the table, relative to the volume's first sector as the runs of a drive are. An
    // $MFT whose runs continue in extension records has them all from there instead: the table
    // holds only those of its own record.
    std::vector<MftRun> tableRuns;
    if (mftRecord.hasAttributeList) tableRuns = std::move(gatheredRuns);
    for (std::size_t i = 0; i < volume.runTable.rowCount && !mftRecord.hasAttributeList; ++i) {
        const ntfs::MftRunRow& row = volume.runTable.rows[i];
        if (row.startLba < volume.bootLba) {
            result.outcome = AnalysisOutcome::MftRecordUnreadable;  // a table that does not fit the volume
            break;
        }
        tableRuns.push_back({row.firstRecord, row.lastRecord, (row.startLba - volume.bootLba) * sectorBytes, false});
    }
    if (result.outcome != AnalysisOutcome::Completed) return finish(context, std::move(result));
    // The volume reaches at most to the disk's end.
    const std::uint64_t diskBytes = handle.device->byteSize();
    const std::uint64_t bootByte = volume.bootLba * sectorBytes;
    const std::vector<MftRun> runs =
        boundRecordCount(std::move(tableRuns), mftRecord, diskBytes > bootByte ? diskBytes - bootByte : 0, result);
    if (!makeAnalysisGeometry(runs, result.recordLimit * result.units.recordBytes, result.units, volume.bootLba,
                              result.geometry)) {
        result.outcome = AnalysisOutcome::BeyondLbaLimit;
        return finish(context, std::move(result));
    }

    const MftSource source{bootByte, &masks, volume.diskNumber};
    result.mftRuns = runs;
    extractAndBuildTree(handle, source, runs, volume.bootLba, read, context, result);
    return finish(context, std::move(result));
}

}  // namespace quenzar::recovery
