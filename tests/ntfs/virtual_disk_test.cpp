// The three virtual-disk computations and the reconstruction start, on disks held in memory with
// the worked figures of a volume at LBA 63 with 8 sectors per cluster and its $MFT at cluster
// 786,432 (LBA 6,291,519).
#include <gtest/gtest.h>

#include "ntfs/virtual_disk.h"
#include "ntfs/virtual_disk_test_support.h"

namespace quenzar::ntfs {
namespace {

using text::Language;
using testing::Bytes;
using testing::MemoryDisk;
using testing::fileRecord;
using testing::mftRecord;
using testing::paramsForDisk;
using testing::put16;
using testing::put32;
using testing::put64;

constexpr std::uint64_t kDiskSectors = 20'000'000;
constexpr std::uint64_t kBootLba = 63;
constexpr std::uint64_t kMftLba = 6'291'519;
constexpr std::uint32_t kMftCluster = 786'432;
constexpr std::uint64_t kMftAllocated = 104'857'600;  // 25,600 clusters of 4 KB

Bytes ntfsBootSector(const char* oem = "NTFS    ", std::uint8_t sectorsPerCluster = 8,
                     std::uint64_t mftCluster = kMftCluster) {
    Bytes b(512, 0);
    std::copy(oem, oem + 8, b.begin() + 3);
    put16(b, 0x0B, 512);
    b[0x0D] = sectorsPerCluster;
    put64(b, 0x30, mftCluster);
    put16(b, 0x1FE, 0xAA55);
    return b;
}

// A disk holding the worked volume: its boot sector, and its $MFT record unless told otherwise.
MemoryDisk workedDisk(bool withMft = true, std::uint32_t bytesPerSector = 512) {
    MemoryDisk disk;
    Bytes boot = ntfsBootSector();
    put16(boot, 0x0B, static_cast<std::uint16_t>(bytesPerSector));  // the volume's sectors are the disk's
    disk.put(kBootLba * bytesPerSector, boot);
    if (withMft) disk.put(kMftLba * bytesPerSector, mftRecord(kMftAllocated, {{25'600, kMftCluster}}));
    return disk;
}

constexpr DialogButtons kAllEnabled{true, true, true, true};
constexpr DialogButtons kOnlySector{true, false, false, false};

TEST(VirtualDiskParams, StartValuesAndChs) {
    const NtfsVolumeParams start;
    EXPECT_EQ(start.entryMode, 'l');
    EXPECT_EQ(start.bootLba, 63u);
    EXPECT_EQ(start.bootChs, (ChsAddress{0, 1, 1}));
    EXPECT_EQ(start.fsType, disk::FileSystem::Ntfs);
    EXPECT_EQ(start.diskDigit, '?');
    EXPECT_EQ(start.mftFound, 'N');
    EXPECT_EQ(start.mftLba, 0u);
    EXPECT_EQ(start.sectorsPerCluster, 0u);
    EXPECT_EQ(start.mftRecordLimit, 0u);

    const NtfsVolumeParams params = paramsForDisk(kDiskSectors);
    EXPECT_EQ(chsOf(63, params), (ChsAddress{0, 1, 1}));
    EXPECT_EQ(chsOf(0, params), (ChsAddress{0, 0, 1}));
    EXPECT_EQ(chsOf(16065, params), (ChsAddress{1, 0, 1}));  // one cylinder: 255 x 63 sectors
    EXPECT_EQ(chsOf(kMftLba, params), (ChsAddress{391, 160, 25}));
    EXPECT_EQ(chsOf(5, NtfsVolumeParams{}), ChsAddress{});  // no geometry yet: no division by zero
}

TEST(VirtualDiskFromBootSector, FindsTheMftOfTheWorkedVolume) {
    const MemoryDisk disk = workedDisk();
    // Only bytes 3 and 4 of the OEM identifier decide NTFS.
    for (const char* oem : {"NTFS    ", "NTxyz123"}) {
        MemoryDisk variant = disk;
        variant.put(kBootLba * 512, ntfsBootSector(oem));
        NtfsVolumeParams params = paramsForDisk(kDiskSectors);
        const VirtualDiskOutcome out = computeFromBootSector(params, "63", variant.reader(), Language::English);
        SCOPED_TRACE(oem);
        EXPECT_EQ(out.result, ResultWord::Mft);
        EXPECT_EQ(out.resultText, "MFT");
        EXPECT_EQ(out.radio, FileSystemRadio::Ntfs);
        EXPECT_EQ(out.buttons, kAllEnabled);
        EXPECT_EQ(out.fields.bootLba, 63u);
        EXPECT_EQ(out.fields.sectorsPerCluster, 8u);
        EXPECT_EQ(out.fields.mftCluster, kMftCluster);
        EXPECT_EQ(out.fields.mftLba, kMftLba);
        EXPECT_FALSE(out.fields.fat32SectorsPerCluster || out.fields.fat16RootEntries);
        EXPECT_EQ(params.entryMode, 'L');
        EXPECT_EQ(params.mftFound, 'Y');
        EXPECT_EQ(params.fsType, disk::FileSystem::Ntfs);
        EXPECT_EQ(params.mftLba, kMftLba);
        EXPECT_EQ(params.bootChs, (ChsAddress{0, 1, 1}));
        EXPECT_EQ(params.mftChs, (ChsAddress{391, 160, 25}));
    }
}

TEST(VirtualDiskFromBootSector, WithoutItsMftTheReconstructionStaysOff) {
    const MemoryDisk disk = workedDisk(/*withMft=*/false);
    for (const Language language : {Language::English, Language::Russian}) {
        NtfsVolumeParams params = paramsForDisk(kDiskSectors);
        params.mftFound = 'Y';
        const VirtualDiskOutcome out = computeFromBootSector(params, "63", disk.reader(), language);
        EXPECT_EQ(out.result, ResultWord::NoMft);
        EXPECT_EQ(out.resultText, language == Language::English ? "There is no $MFT" : "Отсутствует $MFT");
        EXPECT_EQ(out.buttons, (DialogButtons{true, true, true, false}));
        EXPECT_EQ(out.fields.mftLba, kMftLba);
        EXPECT_EQ(params.mftFound, 'N');
    }
}

TEST(VirtualDiskFromBootSector, OnFourKilobyteSectorsFindsTheMftAndReconstructs) {
    const MemoryDisk disk = workedDisk(true, 4096);
    NtfsVolumeParams params = paramsForDisk(kDiskSectors, 4096);
    const VirtualDiskOutcome out = computeFromBootSector(params, "63", disk.reader(), Language::English);
    EXPECT_EQ(out.result, ResultWord::Mft);
    EXPECT_EQ(params.mftFound, 'Y');
    EXPECT_EQ(out.buttons, kAllEnabled);
    // A disk that reports a sector size NTFS never has is shown, not reconstructed.
    NtfsVolumeParams odd = paramsForDisk(kDiskSectors, 520);
    EXPECT_EQ(computeFromBootSector(odd, "63", disk.reader(), Language::English).buttons.run, false);
}

TEST(VirtualDiskFromBootSector, FatBootSectorsFillTheirOwnFields) {
    Bytes fat32(512, 0);
    fat32[0x0D] = 8;
    put16(fat32, 0x0E, 32);
    put32(fat32, 0x24, 630);
    put32(fat32, 0x2C, 2);
    std::copy_n("FAT32   ", 8, fat32.begin() + 0x52);
    Bytes fat16(512, 0);
    fat16[0x0D] = 2;
    put16(fat16, 0x0E, 1);
    put16(fat16, 0x11, 512);
    put16(fat16, 0x16, 64);
    std::copy_n("FAT16   ", 8, fat16.begin() + 0x36);

    MemoryDisk disk;
    disk.put(100 * 512, fat32);
    disk.put(200 * 512, fat16);
    NtfsVolumeParams params = paramsForDisk(kDiskSectors);
    params.mftFound = 'Y';

    VirtualDiskOutcome out = computeFromBootSector(params, "100", disk.reader(), Language::Russian);
    EXPECT_EQ(out.result, ResultWord::Fat32);
    EXPECT_EQ(out.resultText, "FAT-32");
    EXPECT_EQ(out.radio, FileSystemRadio::Fat32);
    EXPECT_EQ(out.buttons, (DialogButtons{true, true, false, false}));
    EXPECT_EQ(out.fields.fat32SectorsPerCluster, 8u);
    EXPECT_EQ(out.fields.fat32ReservedSectors, 32u);
    EXPECT_EQ(out.fields.fat32SectorsPerFat, 630u);
    EXPECT_EQ(out.fields.fat32RootCluster, 2u);
    EXPECT_FALSE(out.fields.sectorsPerCluster || out.fields.mftCluster || out.fields.mftLba);
    EXPECT_FALSE(out.fields.fat16SectorsPerCluster);
    EXPECT_EQ(params.fsType, disk::FileSystem::Fat32);
    EXPECT_EQ(params.mftFound, 'N');

    out = computeFromBootSector(params, "200", disk.reader(), Language::English);
    EXPECT_EQ(out.result, ResultWord::Fat16);
    EXPECT_EQ(out.radio, FileSystemRadio::Fat16);
    EXPECT_EQ(out.fields.fat16SectorsPerCluster, 2u);
    EXPECT_EQ(out.fields.fat16ReservedSectors, 1u);
    EXPECT_EQ(out.fields.fat16SectorsPerFat, 64u);
    EXPECT_EQ(out.fields.fat16RootEntries, 512u);
    EXPECT_FALSE(out.fields.fat32SectorsPerCluster || out.fields.mftLba);
    EXPECT_EQ(params.fsType, disk::FileSystem::Fat16);
    EXPECT_EQ(params.fat32.sectorsPerFat, 630u);  // kept from before

    // Neither: everything computed is emptied, the typed LBA stays.
    out = computeFromBootSector(params, "300", disk.reader(), Language::English);
    EXPECT_EQ(out.result, ResultWord::None);
    EXPECT_EQ(out.resultText, "");
    EXPECT_EQ(out.radio, FileSystemRadio::None);
    EXPECT_EQ(out.buttons, kOnlySector);
    EXPECT_EQ(out.fields.bootLba, 300u);
    EXPECT_FALSE(out.fields.fat16SectorsPerCluster || out.fields.mftLba || out.fields.sectorsPerCluster);
}

TEST(VirtualDiskFromBootSector, LimitsTheLbaToTheDiskAndWaitsForADisk) {
    const MemoryDisk disk = workedDisk();
    NtfsVolumeParams params = paramsForDisk(1000);
    VirtualDiskOutcome out = computeFromBootSector(params, "9999999999999", disk.reader(), Language::English);
    EXPECT_EQ(out.fields.bootLba, 999u);
    EXPECT_EQ(params.bootLba, 999u);

    NtfsVolumeParams noDisk;
    out = computeFromBootSector(noDisk, "63", disk.reader(), Language::English);
    EXPECT_FALSE(out.fields.bootLba);
    EXPECT_EQ(out.buttons, kOnlySector);
}

TEST(VirtualDiskFromBootSector, AnMftClusterBeyond32BitsIsNotCutToAnotherCluster) {
    MemoryDisk disk = workedDisk();
    // The low 32 bits point at the real $MFT; the whole number does not.
    disk.put(kBootLba * 512, ntfsBootSector("NTFS    ", 8, 0x1'0000'0000ull + kMftCluster));
    NtfsVolumeParams params = paramsForDisk(kDiskSectors);
    const VirtualDiskOutcome out = computeFromBootSector(params, "63", disk.reader(), Language::English);
    EXPECT_EQ(out.result, ResultWord::NoMft);
    EXPECT_FALSE(out.buttons.run);
    EXPECT_EQ(params.mftFound, 'N');
}

TEST(VirtualDiskFromMftPosition, WorkedFigures) {
    // The runs total 25,600 clusters whether in one run or two.
    for (const auto& runs : {std::vector<std::pair<std::uint64_t, std::uint64_t>>{{25'600, kMftCluster}},
                             std::vector<std::pair<std::uint64_t, std::uint64_t>>{{25'000, kMftCluster},
                                                                                  {600, 2'000'000}}}) {
        MemoryDisk disk;
        disk.put(kMftLba * 512, mftRecord(kMftAllocated, runs));
        NtfsVolumeParams params = paramsForDisk(kDiskSectors);
        params.entryMode = 'L';
        const VirtualDiskOutcome out = computeFromMftPosition(params, "6291519", disk.reader(), Language::English);
        EXPECT_EQ(out.result, ResultWord::Mft);
        EXPECT_EQ(out.buttons, kAllEnabled);
        EXPECT_EQ(out.fields.bootLba, 63u);
        EXPECT_EQ(out.fields.sectorsPerCluster, 8u);
        EXPECT_EQ(out.fields.mftCluster, kMftCluster);
        EXPECT_EQ(out.fields.mftLba, kMftLba);
        EXPECT_EQ(params.bootLba, 63u);
        EXPECT_EQ(params.bootChs, (ChsAddress{0, 1, 1}));
        EXPECT_EQ(params.entryMode, 'l');
        EXPECT_EQ(params.mftFound, 'N');  // only the boot-sector computation sets it
    }
}

TEST(VirtualDiskFromMftPosition, FailuresEmptyTheOutputs) {
    MemoryDisk disk;
    disk.put(1000 * 512, fileRecord(40, 16384, {{4, 5000}}));               // a FILE record, not $MFT
    disk.put(2000 * 512, mftRecord(kMftAllocated, {{25'600, kMftCluster}}));  // would start before LBA 0
    disk.put(3000 * 512, testing::RecordBuilder::file(u"$MFT").ownNumber(0).residentData("x").build());
    for (const char* lba : {"500", "1000", "2000", "3000"}) {
        NtfsVolumeParams params = paramsForDisk(kDiskSectors);
        const VirtualDiskOutcome out = computeFromMftPosition(params, lba, disk.reader(), Language::English);
        SCOPED_TRACE(lba);
        EXPECT_EQ(out.result, ResultWord::None);
        EXPECT_EQ(out.buttons, kOnlySector);
        EXPECT_FALSE(out.fields.bootLba || out.fields.sectorsPerCluster || out.fields.mftCluster);
        EXPECT_TRUE(out.fields.mftLba);
    }
}

// A $MFT beyond LBA 2^32 (a volume beyond 2 TiB): typed, found and reconstructed at its real place.
TEST(VirtualDiskFromMftPosition, VolumesBeyondTwoTebibytesKeepTheirSectors) {
    constexpr std::uint64_t bootLba = 0x1'2345'6000ull;
    constexpr std::uint64_t mftLba = bootLba + 8ull * kMftCluster;
    MemoryDisk disk;
    disk.put(mftLba * 512, mftRecord(kMftAllocated, {{25'600, kMftCluster}}));
    NtfsVolumeParams params = paramsForDisk(0x2'0000'0000ull);
    const VirtualDiskOutcome out =
        computeFromMftPosition(params, std::to_string(mftLba), disk.reader(), Language::English);
    EXPECT_EQ(out.result, ResultWord::Mft);
    EXPECT_EQ(out.fields.bootLba, bootLba);

    MftRunTable table;
    ASSERT_TRUE(startReconstruction(params, table, disk.reader()).ready);
    ASSERT_EQ(table.rowCount, 1u);
    EXPECT_EQ(table.rows[0], (MftRunRow{0, 102'399, mftLba}));
}

struct FileRecordCase {
    const char* name;
    Language language;
    std::uint64_t recordLba;
    ResultWord result;
    std::array<std::string, kDiagnosticLineCount> lines;
    bool run;
};

// The worked disk, with a record number 40 at LBA 6,291,599 and further records that stop the
// computation at each of its steps.
MemoryDisk fileRecordDisk() {
    MemoryDisk disk = workedDisk();
    disk.put(6'291'599ull * 512, fileRecord(40, 16384, {{4, 900'000}}));
    disk.put(100'000 * 512, Bytes(1024, 0x5A));                                              // no record
    disk.put(100'010 * 512, testing::RecordBuilder::file(u"Docs").flags(0x0003).build());   // a folder
    disk.put(100'020 * 512, testing::RecordBuilder::file(u"a.txt").residentData("hello").build());
    disk.put(100'030 * 512, fileRecord(30'000, 16384, {{4, 900'000}}));  // later fragment: zeros below
    disk.put(100'200 * 512, fileRecord(50, 16384, {{4, 900'000}}));      // points at another record
    disk.put(100'100 * 512, fileRecord(0, 16384, {{4, 900'000}}));
    disk.put(100'050 * 512, fileRecord(60'000, 16384, {{4, 900'000}}));  // number beyond its position
    return disk;
}

TEST(VirtualDiskFromFileRecord, DiagnosticLinesStepByStep) {
    const std::string calculatedEn = "Calculated the address of beginning of MFT      6291519 in cluster 8 sectors ";
    const std::string calculatedRu = "Расчитанный адрес начала MFT      6291519 в кластере 8 секторов ";
    const std::string bootEn = "Billing address of the beginning of the boot sector (BOOT)            63";
    const std::string bootRu = "Расчетный адрес начала загрузочного сектора (BOOT)            63";
    const std::string correctEn = "The FILE Record is correct";
    const std::string missingEn = "The current site is missing the beginning of the table MFT";
    const FileRecordCase cases[] = {
        {"worked figures", Language::English, 6'291'599, ResultWord::Mft, {correctEn, calculatedEn, "", bootEn, "", ""}, true},
        {"worked figures ru", Language::Russian, 6'291'599, ResultWord::Mft,
         {"Запись FILE Record корректна", calculatedRu, "", bootRu, "", ""}, true},
        {"no record", Language::English, 100'000, ResultWord::NotFileRecord, {"The FILE Record is not correct"}, false},
        {"no record ru", Language::Russian, 100'000, ResultWord::NotFileRecord, {"Запись FILE Record не корректна"}, false},
        {"folder", Language::English, 100'010, ResultWord::Folder, {"", "This record FILE Record is about folder"}, false},
        {"folder ru", Language::Russian, 100'010, ResultWord::Folder, {"", "Эта запись FILE Record описывет папку"}, false},
        {"resident", Language::English, 100'020, ResultWord::ResidentFile,
         {correctEn, "This record FILE Record is about memory resident file"}, false},
        {"resident ru", Language::Russian, 100'020, ResultWord::ResidentFile,
         {"Запись FILE Record корректна", "Данная запись FILE Record описывет резидентный файл"}, false},
        {"later fragment, nothing there", Language::English, 100'030, ResultWord::None,
         {correctEn, "Calculated the address of beginning of MFT        40030 in cluster 8 sectors ", missingEn}, false},
        {"later fragment ru", Language::Russian, 100'030, ResultWord::None,
         {"Запись FILE Record корректна", "Расчитанный адрес начала MFT        40030 в кластере 8 секторов ",
          "На расчетном месте отсутствует начало таблицы MFT"}, false},
        {"later fragment, another record there", Language::English, 100'200, ResultWord::NotFileRecord,
         {correctEn, "Calculated the address of beginning of MFT       100100 in cluster 8 sectors "}, false},
        {"number beyond its position", Language::English, 100'050, ResultWord::None, {correctEn, "", missingEn}, false},
    };
    const MemoryDisk disk = fileRecordDisk();
    for (const FileRecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        NtfsVolumeParams params = paramsForDisk(kDiskSectors);
        std::uint64_t stored = 0;
        const VirtualDiskOutcome out =
            computeFromFileRecord(params, stored, std::to_string(c.recordLba), disk.reader(), c.language);
        EXPECT_EQ(out.result, c.result);
        EXPECT_EQ(out.resultText, resultWordText(c.result, c.language));
        EXPECT_EQ(out.diagnostics, c.lines);
        EXPECT_EQ(out.buttons.run, c.run);
        EXPECT_EQ(stored, c.recordLba);
        EXPECT_EQ(out.fields.recordLba, c.recordLba);
    }
}

TEST(VirtualDiskFromFileRecord, WorkedFiguresFillTheVolume) {
    const MemoryDisk disk = fileRecordDisk();
    NtfsVolumeParams params = paramsForDisk(kDiskSectors);
    std::uint64_t stored = 0;
    const VirtualDiskOutcome out = computeFromFileRecord(params, stored, "6291599", disk.reader(), Language::English);
    EXPECT_EQ(out.buttons, kAllEnabled);
    EXPECT_EQ(out.fields.mftLba, kMftLba);
    EXPECT_EQ(out.fields.bootLba, 63u);
    EXPECT_EQ(out.fields.sectorsPerCluster, 8u);
    EXPECT_EQ(out.fields.mftCluster, kMftCluster);
    EXPECT_EQ(params.mftLba, kMftLba);
    EXPECT_EQ(params.bootLba, 63u);
    EXPECT_EQ(params.mftChs, (ChsAddress{391, 160, 25}));
}

TEST(VirtualDiskFromFileRecord, OlderLayoutHasNoOwnNumber) {
    // The same record with the update sequence array at 2Ah, where the older layout keeps it.
    Bytes record = fileRecord(40, 16384, {{4, 900'000}});
    const Bytes array(record.begin() + 0x30, record.begin() + 0x36);
    std::copy(array.begin(), array.end(), record.begin() + 0x2A);
    put16(record, 0x04, 0x2A);
    MemoryDisk disk;
    disk.put(5000 * 512, record);
    NtfsVolumeParams params = paramsForDisk(kDiskSectors);
    std::uint64_t stored = 0;
    const VirtualDiskOutcome out = computeFromFileRecord(params, stored, "5000", disk.reader(), Language::Russian);
    EXPECT_EQ(out.result, ResultWord::OutdatedFileSystem);
    EXPECT_EQ(out.resultText, "Устаревшая файловая система");
    EXPECT_EQ(out.diagnostics[0], "Запись FILE Record корректна");
    EXPECT_EQ(out.diagnostics[1], "Устаревшая ФС, отсутствует собственный номер FILE Record");
}

TEST(VirtualDiskReconstruction, BuildsTheRunTableAndTheRecordLimit) {
    MemoryDisk disk;
    disk.put(kMftLba * 512, mftRecord(kMftAllocated + 4'096'000, {{25'600, kMftCluster}, {1'000, 2'000'000}}));
    NtfsVolumeParams params = paramsForDisk(kDiskSectors);
    params.bootLba = 63;
    params.sectorsPerCluster = 8;
    params.mftCluster = kMftCluster;
    MftRunTable table;
    const ReconstructionStart start = startReconstruction(params, table, disk.reader());
    ASSERT_TRUE(start.ready);
    EXPECT_EQ(params.mftRecordLimit, 106'399u);  // the last record index
    ASSERT_EQ(table.rowCount, 2u);
    EXPECT_EQ(table.rows[0], (MftRunRow{0, 102'399, 6'291'519}));
    EXPECT_EQ(table.rows[1], (MftRunRow{102'400, 106'399, 16'000'063}));

    // Nothing readable there: the table and limit stay, the analysis must not start.
    params.mftCluster = 1000;
    const ReconstructionStart refused = startReconstruction(params, table, disk.reader());
    EXPECT_FALSE(refused.ready);
    EXPECT_EQ(refused.integrityCode, kNoFileSignature);
    EXPECT_EQ(table.rowCount, 2u);
    EXPECT_EQ(params.mftRecordLimit, 106'399u);
}

TEST(VirtualDiskReopening, ChoosingADiskRepeatsTheComputationFromTheStoredInput) {
    MemoryDisk disk = fileRecordDisk();
    const SectorReader read = disk.reader();
    NtfsVolumeParams params = paramsForDisk(kDiskSectors);
    std::uint64_t storedRecordLba = 6'291'599;
    // From the start values: the boot sector at LBA 63.
    VirtualDiskOutcome out = recomputeFromStoredInput(VirtualDiskDialog::FromBootSector, params, storedRecordLba,
                                                      read, Language::English);
    EXPECT_EQ(out.result, ResultWord::Mft);
    EXPECT_EQ(params.mftLba, kMftLba);
    out = recomputeFromStoredInput(VirtualDiskDialog::FromMftPosition, params, storedRecordLba, read,
                                   Language::English);
    EXPECT_EQ(out.fields.bootLba, 63u);
    out = recomputeFromStoredInput(VirtualDiskDialog::FromFileRecord, params, storedRecordLba, read,
                                   Language::English);
    EXPECT_EQ(out.diagnostics[3], "Billing address of the beginning of the boot sector (BOOT)            63");

    EXPECT_EQ(radioOfFileSystem(disk::FileSystem::Ntfs), FileSystemRadio::Ntfs);
    EXPECT_EQ(radioOfFileSystem(disk::FileSystem::Fat32), FileSystemRadio::Fat32);
    EXPECT_EQ(radioOfFileSystem(disk::FileSystem::Fat16), FileSystemRadio::Fat16);
}

TEST(VirtualDiskTexts, TitlesAndFields) {
    EXPECT_EQ(dialogTitle(VirtualDiskDialog::FromMftPosition, Language::English),
              "Modeling the directory tree beginning at address $MFT");
    EXPECT_EQ(treeWindowTitle(VirtualDiskDialog::FromFileRecord, Language::Russian),
              "Дерево каталогов виртуального диска смоделированного по адресу любой записи таблицы MFT из ее "
              "первого фрагмента. ");
    EXPECT_EQ(fieldText(std::nullopt), "");
    EXPECT_EQ(fieldText(FieldValue{0}), "0");
    EXPECT_EQ(fieldText(FieldValue{9'999'999'999'999ull}), "9999999999999");
}

}  // namespace
}  // namespace quenzar::ntfs
