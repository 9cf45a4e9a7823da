#include "ntfs/virtual_disk.h"

#include "ntfs/attribute_list.h"
#include "ntfs/volume_units.h"

#include <algorithm>
#include <cstring>

#include "disk/boot_sector.h"
#include "disk/sector_access.h"
#include "text/number_texts.h"

namespace quenzar::ntfs {
namespace {

using text::Language;
using text::TextPair;

// The diagnostic lines of the FILE record dialog, English and Russian.
struct DiagnosticTexts {
    std::string_view recordIncorrect, recordCorrect, folder, outdated, resident, calculatedMft,
        clusterWord, mftMissing, bootAddress;
};

constexpr DiagnosticTexts kEnglishDiagnostics{
    "The FILE Record is not correct",
    "The FILE Record is correct",
    "This record FILE Record is about folder",
    "Outdated FS, there is no own number of FILE Record",
    "This record FILE Record is about memory resident file",
    "Calculated the address of beginning of MFT              in cluster   sectors ",
    "in cluster",
    "The current site is missing the beginning of the table MFT",
    "Billing address of the beginning of the boot sector (BOOT)              ",
};

constexpr DiagnosticTexts kRussianDiagnostics{
    "Запись FILE Record не корректна",
    "Запись FILE Record корректна",
    "Эта запись FILE Record описывет папку",
    "Устаревшая ФС, отсутствует собственный номер FILE Record",
    "Данная запись FILE Record описывет резидентный файл",
    "Расчитанный адрес начала MFT              в кластере   секторов ",
    "в кластере",
    "На расчетном месте отсутствует начало таблицы MFT",
    "Расчетный адрес начала загрузочного сектора (BOOT)              ",
};

const DiagnosticTexts& diagnosticTexts(Language language) {
    return language == Language::English ? kEnglishDiagnostics : kRussianDiagnostics;
}

// Line 2 of the FILE record dialog: the $MFT's LBA in the 14 blanks after "MFT" (right-aligned in
// 13 characters, so a blank stays before the next word) and the cluster size in the three blanks
// after the cluster word.
std::string calculatedMftLine(Language language, std::uint64_t mftLba, std::uint64_t sectorsPerCluster) {
    const DiagnosticTexts& texts = diagnosticTexts(language);
    std::string line(texts.calculatedMft);
    const std::size_t lbaGap = line.find("MFT") + 3;
    text::decimal13(mftLba, line.data() + lbaGap);

    // One blank before the number when it leaves one; a number wider than the gap shows as stars,
    // never as a cut number.
    constexpr std::size_t kClusterGap = 3;
    const std::size_t clusterGap = line.find(texts.clusterWord) + texts.clusterWord.size();
    std::string digits = std::to_string(sectorsPerCluster);
    if (digits.size() > kClusterGap) digits.assign(kClusterGap, '*');
    const std::size_t at = clusterGap + (digits.size() < kClusterGap ? 1 : 0);
    line.replace(at, digits.size(), digits);
    return line;
}

// Line 4: the boot sector's LBA in the last 13 characters of the trailing blanks.
std::string bootAddressLine(Language language, std::uint64_t bootLba) {
    std::string line(diagnosticTexts(language).bootAddress);
    text::decimal13(bootLba, line.data() + line.size() - 13);
    return line;
}

using ReadBuffer = std::array<std::uint8_t, kVirtualDiskReadBytes>;

// An LBA past the disk's end reads nothing (zeros) rather than a sector its byte offset would wrap to.
void readSector(const SectorReader& read, const NtfsVolumeParams& params, std::uint64_t lba, ReadBuffer& buffer) {
    buffer.fill(0);
    if (lba < params.totalSectors) read(lba * params.bytesPerSector, buffer);
}

// Reads and decodes the FILE record at an LBA.
void readRecord(const SectorReader& read, const NtfsVolumeParams& params, std::uint64_t lba, ReadBuffer& buffer,
                FileRecordInfo& info) {
    readSector(read, params, lba, buffer);
    info = FileRecordInfo{};
    decodeFileRecord(buffer, info);
}

bool isNamedMft(const FileRecordInfo& info) {
    return info.good() && std::strcmp(info.longName, "$MFT") == 0;
}

// The $MFT's own record as the dialogs read it: decoded, with every run of its $DATA.
struct MftRecord {
    FileRecordInfo info;
    std::vector<DataRun> runs;
    std::uint32_t recordBytes = kSmallRecordSize;  // the size of the volume's FILE records
};

// Reads and decodes the $MFT's own record at mftLba; its size (1,024 or 4,096 bytes) is the one its
// header gives. When its attributes continue in extension records (a large, fragmented volume),
// they are gathered: the extension records of the $MFT lie among its first records, in its first
// fragment right behind it, one record size apart; a long attribute list lies in clusters of the
// volume that starts at bootLba with sectorsPerCluster (0: not known, such a list is not followed).
MftRecord readMftRecord(const SectorReader& read, const NtfsVolumeParams& params, std::uint64_t mftLba,
                        std::uint64_t bootLba, std::uint32_t sectorsPerCluster) {
    ReadBuffer buffer;
    readSector(read, params, mftLba, buffer);
    const std::uint32_t recordBytes = fileRecordSizeOf(buffer) != 0 ? fileRecordSizeOf(buffer) : kSmallRecordSize;
    RecordReading reading;
    reading.record = [&](std::uint64_t number, std::vector<std::uint8_t>& bytes) {
        bytes.assign(recordBytes, 0);
        const std::uint64_t byte = mftLba * params.bytesPerSector + number * recordBytes;
        if (byte / params.bytesPerSector < params.totalSectors) read(byte, bytes);
        FileRecordInfo header;
        decodeFileRecord(bytes, header);
        return header.stage >= DecodeStage::Flags && header.ownNumber == number;
    };
    if (sectorsPerCluster != 0) {
        const VolumeBytesReader volume = [&](std::uint64_t volumeByte, std::span<std::uint8_t> bytes) {
            const std::uint64_t byte = bootLba * params.bytesPerSector + volumeByte;
            return byte / params.bytesPerSector < params.totalSectors && read(byte, bytes) == bytes.size();
        };
        reading.clusters = [volume, clusterBytes = std::uint64_t{sectorsPerCluster} * params.bytesPerSector](
                               std::span<const DataRun> runs, std::uint64_t byteCount, std::vector<std::uint8_t>& bytes) {
            return readRunBytes(volume, clusterBytes, runs, byteCount, bytes);
        };
    }
    MftRecord record;
    record.recordBytes = recordBytes;
    GatheredRecord gathered;
    Gathering gathering = Gathering::NotNeeded;
    decodeWithExtensions(std::span(buffer).first(recordBytes), 0, reading, record.info, gathered, record.runs, gathering);
    if (gathering == Gathering::Incomplete) {
        // Not a good $MFT for the dialogs; its own runs still place its first fragment.
        record.info.integrityCode = kNoFileNameAfterStandardInfo;
        record.runs = unnamedDataRuns(std::span(buffer).first(recordBytes));
    }
    return record;
}

std::uint64_t totalClusters(const std::vector<DataRun>& runs) {
    std::uint64_t total = 0;
    for (const DataRun& run : runs) total += run.clusterCount;
    return total;
}

std::uint64_t totalClusters(const FileRecordInfo& info) {
    std::uint64_t total = 0;
    for (const DataRun& run : info.runs) {
        if (run.clusterCount == 0) break;
        total += run.clusterCount;
    }
    return total;
}

// The typed LBA, limited to the disk's last sector.
std::uint64_t limitedLba(std::string_view text, const NtfsVolumeParams& params) {
    return std::min(text::parseLbaText(text), params.totalSectors - 1);
}

// After a successful NTFS computation. The record numbering of the $MFT table, the record lookup
// and the FILE record arithmetic follow the disk's sectors of 512 to 4,096 bytes; a disk that
// reports another size can be shown but not reconstructed or looked into.
DialogButtons ntfsButtons(const NtfsVolumeParams& params) {
    const bool modelled = isNtfsUnitSize(params.bytesPerSector);
    return DialogButtons{true, modelled, modelled, modelled};
}

VirtualDiskOutcome& withResult(VirtualDiskOutcome& outcome, ResultWord word, Language language) {
    outcome.result = word;
    outcome.resultText = std::string(resultWordText(word, language));
    return outcome;
}

}  // namespace

SectorReader diskSectorReader(platform::DiskSystem& disks, const disk::SectorMaskTable& masks, char diskNumber) {
    return [&disks, &masks, diskNumber](std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
        return disk::readDiskBytes(disks, masks, diskNumber, byteOffset, buffer);
    };
}

std::string_view dialogTitle(VirtualDiskDialog dialog, Language language) {
    switch (dialog) {
        case VirtualDiskDialog::FromBootSector:
            return TextPair{"Моделирование дерева каталогов по адресу BOOT сектора.",
                            "Modeling directory tree at the address of BOOT sector."}.in(language);
        case VirtualDiskDialog::FromMftPosition:
            return TextPair{"Моделирование дерево каталогов по адресу начала $MFT",
                            "Modeling the directory tree beginning at address $MFT"}.in(language);
        case VirtualDiskDialog::FromFileRecord:
            return TextPair{"Моделирование дерево каталогов по адресу FILE Record",
                            "Modeling the directory tree from FILE Record"}.in(language);
    }
    return {};
}

std::string_view treeWindowTitle(VirtualDiskDialog dialog, Language language) {
    switch (dialog) {
        case VirtualDiskDialog::FromBootSector:
            return TextPair{"Моделирование дерева каталогов по адресу BOOT сектора.",
                            "Modeling directory tree at the address of BOOT sector."}.in(language);
        case VirtualDiskDialog::FromMftPosition:
            return TextPair{"Моделирование дерево каталогов по адресу начала MFT.",
                            "Modeling tree to the address of the beginning of MFT."}.in(language);
        case VirtualDiskDialog::FromFileRecord:
            return TextPair{"Дерево каталогов виртуального диска смоделированного по адресу любой записи "
                        "таблицы MFT из ее первого фрагмента. ",
                            "The directory tree of the virtual disk is modeled on the address of any entry in "
                        "the MFT from her first fragment. "}.in(language);
    }
    return {};
}

std::string_view resultWordText(ResultWord word, Language language) {
    switch (word) {
        case ResultWord::None: return "";
        case ResultWord::Mft: return "MFT";
        case ResultWord::NoMft: return TextPair{"Отсутствует $MFT",
                            "There is no $MFT"}.in(language);
        case ResultWord::Fat32: return "FAT-32";
        case ResultWord::Fat16: return "FAT-16";
        case ResultWord::NotFileRecord: return TextPair{"Это не FILE Record",
                            "It is not a FILE Record"}.in(language);
        case ResultWord::Folder: return TextPair{"Это папка",
                            "This is the folder"}.in(language);
        case ResultWord::OutdatedFileSystem:
            return TextPair{"Устаревшая файловая система",
                            "Outdated file system"}.in(language);
        case ResultWord::ResidentFile: return TextPair{"Это резидентный файл",
                            "Memory-residente file"}.in(language);
    }
    return "";
}

std::string fieldText(const FieldValue& value) {
    return value ? text::formatLbaText(*value) : std::string();
}

VirtualDiskOutcome computeFromBootSector(NtfsVolumeParams& params, std::string_view bootLbaText,
                                         const SectorReader& read, Language language) {
    VirtualDiskOutcome outcome;
    params.entryMode = 'L';
    if (!params.hasDisk()) return outcome;

    params.bootLba = limitedLba(bootLbaText, params);
    params.bootChs = chsOf(params.bootLba, params);
    outcome.fields.bootLba = params.bootLba;

    ReadBuffer sector;
    readSector(read, params, params.bootLba, sector);
    const disk::BootSector boot = disk::parseBootSector(std::span(sector).first<512>());
    params.mftFound = 'N';

    if (disk::startsWith(boot.oemName, "NT")) {
        // NTFS keeps the $MFT's cluster in 64 bits; the parameters hold 32. A cluster number that
        // does not fit is not cut to some other cluster: the $MFT counts as not found.
        const std::uint64_t mftCluster = boot.mftCluster;
        // Clusters count the boot sector's sectors; the parameters count the disk's, which differ
        // only on a volume copied from a disk of another sector size.
        const std::uint64_t clusterBytes = std::uint64_t{boot.sectorsPerCluster} * boot.bytesPerSector;
        params.sectorsPerCluster =
            isNtfsUnitSize(boot.bytesPerSector) && boot.bytesPerSector != params.bytesPerSector &&
                    params.bytesPerSector != 0 && clusterBytes % params.bytesPerSector == 0
                ? static_cast<std::uint32_t>(clusterBytes / params.bytesPerSector)
                : boot.sectorsPerCluster;
        params.mftCluster = static_cast<std::uint32_t>(mftCluster);
        params.mftLba = std::uint64_t{params.sectorsPerCluster} * params.mftCluster + params.bootLba;
        params.mftChs = chsOf(params.mftLba, params);
        outcome.radio = FileSystemRadio::Ntfs;
        outcome.fields.sectorsPerCluster = params.sectorsPerCluster;
        outcome.fields.mftCluster = params.mftCluster;
        outcome.fields.mftLba = params.mftLba;
        outcome.buttons = ntfsButtons(params);
        withResult(outcome, ResultWord::Mft, language);

        bool found = false;
        if (mftCluster <= 0xFFFFFFFF && params.mftLba < params.totalSectors) {
            const MftRecord mft = readMftRecord(read, params, params.mftLba, params.bootLba, params.sectorsPerCluster);
            found = isNamedMft(mft.info);
            if (found) params.recordBytes = mft.recordBytes;
        }
        if (found) {
            params.mftFound = 'Y';
            params.fsType = disk::FileSystem::Ntfs;
        } else {
            withResult(outcome, ResultWord::NoMft, language);
            outcome.buttons.run = false;
        }
        return outcome;
    }

    // FAT-32 is asked before FAT-16 here, by the first two letters of each type text.
    const bool fat32 = disk::startsWith(boot.fat32Type, "FA");
    const bool fat16 = !fat32 && disk::startsWith(boot.fat16Type, "FA");
    if (fat32 || fat16) {
        outcome.buttons = DialogButtons{true, true, false, false};
        if (fat32) {
            params.fat32 = FatVolumeValues{boot.sectorsPerCluster, boot.reservedSectors, boot.fat32SectorsPerFat,
                                           boot.fat32RootCluster};
            params.fsType = disk::FileSystem::Fat32;
            outcome.radio = FileSystemRadio::Fat32;
            outcome.fields.fat32SectorsPerCluster = params.fat32.sectorsPerCluster;
            outcome.fields.fat32ReservedSectors = params.fat32.reservedSectors;
            outcome.fields.fat32SectorsPerFat = params.fat32.sectorsPerFat;
            outcome.fields.fat32RootCluster = params.fat32.root;
            withResult(outcome, ResultWord::Fat32, language);
        } else {
            params.fat16 = FatVolumeValues{boot.sectorsPerCluster, boot.reservedSectors, boot.fat16SectorsPerFat,
                                           boot.rootEntryCount};
            params.fsType = disk::FileSystem::Fat16;
            outcome.radio = FileSystemRadio::Fat16;
            outcome.fields.fat16SectorsPerCluster = params.fat16.sectorsPerCluster;
            outcome.fields.fat16ReservedSectors = params.fat16.reservedSectors;
            outcome.fields.fat16SectorsPerFat = params.fat16.sectorsPerFat;
            outcome.fields.fat16RootEntries = params.fat16.root;
            withResult(outcome, ResultWord::Fat16, language);
        }
    }
    return outcome;
}

VirtualDiskOutcome computeFromMftPosition(NtfsVolumeParams& params, std::string_view mftLbaText,
                                          const SectorReader& read, Language language) {
    VirtualDiskOutcome outcome;
    params.entryMode = 'l';
    if (!params.hasDisk()) return outcome;

    // The field is read like the other LBA fields, in 64 bits: a 32-bit reading would wrap a
    // position beyond 2 TiB round to another sector.
    params.mftLba = limitedLba(mftLbaText, params);
    params.mftChs = chsOf(params.mftLba, params);
    outcome.fields.mftLba = params.mftLba;

    MftRecord record = readMftRecord(read, params, params.mftLba, 0, 0);
    if (!isNamedMft(record.info) && record.info.hasAttributeList && !record.runs.empty()) {
        // A long attribute list lies in clusters, which need the cluster size the whole run list
        // gives: each cluster size in turn is tried, and the one whose list gives runs that add
        // up to it is taken.
        for (std::uint32_t candidate = 1; candidate <= 128; candidate *= 2) {
            const std::uint64_t offset = std::uint64_t{record.runs[0].startCluster} * candidate;
            if (offset > params.mftLba) break;
            MftRecord tried = readMftRecord(read, params, params.mftLba, params.mftLba - offset, candidate);
            const std::uint64_t clusters = totalClusters(tried.runs);
            if (isNamedMft(tried.info) && clusters != 0 &&
                tried.info.allocatedSize / params.bytesPerSector / clusters == candidate) {
                record = std::move(tried);
                break;
            }
        }
    }
    const FileRecordInfo& info = record.info;
    if (!isNamedMft(info)) return outcome;

    // A $MFT without clusters (resident or empty $DATA) gives no cluster size, and a first run
    // that would place the volume before LBA 0 cannot belong to this position: both count as no
    // $MFT here.
    const std::uint64_t clusters = totalClusters(record.runs);
    if (clusters == 0 || params.bytesPerSector == 0) return outcome;
    const std::uint64_t sectorsPerCluster = info.allocatedSize / params.bytesPerSector / clusters;
    const std::uint64_t mftSectorOffset = std::uint64_t{info.runs[0].startCluster} * sectorsPerCluster;
    if (sectorsPerCluster == 0 || sectorsPerCluster > 0xFFFFFFFF || mftSectorOffset > params.mftLba) {
        return outcome;
    }

    params.sectorsPerCluster = static_cast<std::uint32_t>(sectorsPerCluster);
    params.recordBytes = record.recordBytes;
    params.mftCluster = info.runs[0].startCluster;
    params.bootLba = params.mftLba - mftSectorOffset;
    params.bootChs = chsOf(params.bootLba, params);
    outcome.fields.bootLba = params.bootLba;
    outcome.fields.sectorsPerCluster = params.sectorsPerCluster;
    outcome.fields.mftCluster = params.mftCluster;
    outcome.buttons = ntfsButtons(params);
    return withResult(outcome, ResultWord::Mft, language);
}

VirtualDiskOutcome computeFromFileRecord(NtfsVolumeParams& params, std::uint64_t& storedRecordLba,
                                         std::string_view recordLbaText, const SectorReader& read,
                                         Language language) {
    VirtualDiskOutcome outcome;
    if (!params.hasDisk()) return outcome;
    const DiagnosticTexts& texts = diagnosticTexts(language);
    auto& lines = outcome.diagnostics;

    const std::uint64_t recordLba = limitedLba(recordLbaText, params);
    storedRecordLba = recordLba;
    outcome.fields.recordLba = recordLba;

    ReadBuffer buffer;
    FileRecordInfo info;
    readRecord(read, params, recordLba, buffer, info);
    if (!info.good()) {
        lines[0] = texts.recordIncorrect;
        return withResult(outcome, ResultWord::NotFileRecord, language);
    }
    if (info.isFolder) {
        lines[1] = texts.folder;
        return withResult(outcome, ResultWord::Folder, language);
    }
    lines[0] = texts.recordCorrect;
    if (info.ownNumber == kNoOwnNumber) {
        lines[1] = texts.outdated;
        return withResult(outcome, ResultWord::OutdatedFileSystem, language);
    }
    if (!info.nonResident) {
        lines[1] = texts.resident;
        return withResult(outcome, ResultWord::ResidentFile, language);
    }

    // An empty non-resident $DATA has no clusters to measure the cluster size by.
    const std::uint64_t clusters = totalClusters(info);
    if (clusters == 0 || params.bytesPerSector == 0) return outcome;
    const std::uint64_t sectorsPerCluster = info.allocatedSize / clusters / params.bytesPerSector;
    if (sectorsPerCluster == 0 || sectorsPerCluster > 0xFFFFFFFF) return outcome;
    params.sectorsPerCluster = static_cast<std::uint32_t>(sectorsPerCluster);
    outcome.fields.sectorsPerCluster = sectorsPerCluster;

    // A record number larger than its position allows cannot lie in the first fragment: there is
    // no $MFT start to look at before LBA 0. The record's own size places the records before it.
    const std::uint64_t recordBytes = fileRecordSizeOf(buffer) != 0 ? fileRecordSizeOf(buffer) : kSmallRecordSize;
    const std::uint64_t recordSectors = std::uint64_t{info.ownNumber} * recordBytes / params.bytesPerSector;
    if (recordSectors > recordLba || std::uint64_t{info.ownNumber} * recordBytes % params.bytesPerSector != 0) {
        lines[2] = texts.mftMissing;
        return outcome;
    }
    params.mftLba = recordLba - recordSectors;
    params.mftChs = chsOf(params.mftLba, params);
    outcome.fields.mftLba = params.mftLba;
    lines[1] = calculatedMftLine(language, params.mftLba, sectorsPerCluster);

    // An $MFT whose long attribute list lies in clusters is read again once its first run gives
    // the volume's start.
    MftRecord mft = readMftRecord(read, params, params.mftLba, 0, 0);
    if (!isNamedMft(mft.info) && mft.info.hasAttributeList && !mft.runs.empty() &&
        std::uint64_t{mft.runs[0].startCluster} * sectorsPerCluster <= params.mftLba) {
        mft = readMftRecord(read, params, params.mftLba, params.mftLba - mft.runs[0].startCluster * sectorsPerCluster,
                            params.sectorsPerCluster);
    }
    info = mft.info;
    if (!info.good()) {
        lines[2] = texts.mftMissing;
        return outcome;
    }
    if (!isNamedMft(info)) return withResult(outcome, ResultWord::NotFileRecord, language);
    params.recordBytes = mft.recordBytes;

    const std::uint64_t mftSectorOffset = std::uint64_t{info.runs[0].startCluster} * sectorsPerCluster;
    if (mftSectorOffset > params.mftLba) return withResult(outcome, ResultWord::NoMft, language);
    params.mftCluster = info.runs[0].startCluster;
    params.bootLba = params.mftLba - mftSectorOffset;
    params.bootChs = chsOf(params.bootLba, params);
    outcome.fields.mftCluster = params.mftCluster;
    outcome.fields.bootLba = params.bootLba;
    lines[3] = bootAddressLine(language, params.bootLba);
    outcome.buttons = ntfsButtons(params);
    return withResult(outcome, ResultWord::Mft, language);
}

VirtualDiskOutcome computeFromInput(VirtualDiskDialog dialog, NtfsVolumeParams& params, std::uint64_t& storedRecordLba,
                                    std::string_view lbaText, const SectorReader& read, Language language) {
    switch (dialog) {
        case VirtualDiskDialog::FromBootSector: return computeFromBootSector(params, lbaText, read, language);
        case VirtualDiskDialog::FromMftPosition: return computeFromMftPosition(params, lbaText, read, language);
        case VirtualDiskDialog::FromFileRecord:
            return computeFromFileRecord(params, storedRecordLba, lbaText, read, language);
    }
    return {};
}

VirtualDiskOutcome recomputeFromStoredInput(VirtualDiskDialog dialog, NtfsVolumeParams& params,
                                            std::uint64_t& storedRecordLba, const SectorReader& read,
                                            Language language) {
    const std::uint64_t storedLba = dialog == VirtualDiskDialog::FromBootSector    ? params.bootLba
                                    : dialog == VirtualDiskDialog::FromMftPosition ? params.mftLba
                                                                                   : storedRecordLba;
    return computeFromInput(dialog, params, storedRecordLba, text::formatLbaText(storedLba), read, language);
}

FileSystemRadio radioOfFileSystem(disk::FileSystem fsType) {
    if (fsType == disk::FileSystem::Ntfs) return FileSystemRadio::Ntfs;
    if (fsType == disk::FileSystem::Fat32) return FileSystemRadio::Fat32;
    return FileSystemRadio::Fat16;
}

ReconstructionStart startReconstruction(NtfsVolumeParams& params, MftRunTable& table, const SectorReader& read) {
    ReconstructionStart start;
    if (!params.hasDisk() || params.bytesPerSector == 0) return start;

    const std::uint64_t mftLba = std::uint64_t{params.mftCluster} * params.sectorsPerCluster + params.bootLba;
    const MftRecord record = readMftRecord(read, params, mftLba, params.bootLba, params.sectorsPerCluster);
    const FileRecordInfo& info = record.info;
    start.integrityCode = info.integrityCode;
    if (!isNamedMft(info) || info.allocatedSize < kSmallRecordSize) return start;

    // The table holds the first 100 runs; an analysis of an $MFT whose runs continue in extension
    // records reads them all from there again.
    MftRunTable built;
    buildMftRunTable(built, record.runs, params.sectorsPerCluster, params.bootLba, params.bytesPerSector,
                     record.recordBytes);
    if (built.rowCount == 0) return start;

    table = built;
    params.recordBytes = record.recordBytes;
    params.mftRecordLimit =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(info.allocatedSize / record.recordBytes - 1, 0xFFFFFFFF));
    start.ready = true;
    return start;
}

}  // namespace quenzar::ntfs
