// Restoring marked files from the NTFS volume that Windows made with eight deleted files: the
// test restore writes exactly the small one-run files, the full restore all of them, each with
// the published MD5 sum; names from the disk that try to leave the target folder stay inside,
// and namesakes of one run keep their own data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "disk/sector_mask.h"
#include "platform/code_page_1251.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "recovery/restore.h"
#include "recovery/safe_names.h"
#include "support/faulty_disks.h"
#include "support/fixture_manifest.h"
#include "support/run_list_patch.h"
#include "support/temp_folder.h"
#include "support/windows_images.h"

namespace quenzar::recovery {
namespace {

using testsupport::TempFolder;

TEST(SafeNamesTest, ComponentsFromTheDiskNameOneEntryInTheirFolder) {
    const struct {
        const char* name;
        const char* safe;
    } cases[] = {
        {"report.doc", "report.doc"},
        {"", "_"},
        {".", "_"},
        {"..", "__"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"..\\..\\boot.ini", ".._.._boot.ini"},
        {"c:file", "c_file"},
        {"a\x01\x1F\x7F" "b", "a___b"},
        {"what?*<>|\".txt", "what______.txt"},
        {"name. . ", "name____"},
        {"CON", "_CON"},
        {"con.txt", "_con.txt"},
        {"Lpt9.log", "_Lpt9.log"},
        {"COM10", "COM10"},
        {"CONSOLE", "CONSOLE"},
        {"Отчёт.doc", "Отчёт.doc"},
        {"Lost folder              37", "Lost folder              37"},
    };
    for (const auto& c : cases) EXPECT_EQ(safeComponent(c.name), c.safe) << c.name;

    const std::string longName = std::string(300, 'x') + ".jpeg";
    const std::string cut = safeComponent(longName);
    EXPECT_EQ(cut.size(), kSafeNameMaxChars);
    EXPECT_EQ(cut.substr(cut.size() - 5), ".jpeg");

    EXPECT_EQ(numberedName("a.doc", 2), "a (2).doc");
    EXPECT_EQ(numberedName("archive.tar.gz", 3), "archive.tar (3).gz");
    EXPECT_EQ(numberedName("README", 2), "README (2)");
    EXPECT_EQ(numberedName(".profile", 2), ".profile (2)");
    EXPECT_EQ(foldedName("Ёлка.Doc"), "ЁЛКА.DOC");
}

// Real names keep every letter and follow the same rules: nothing that leaves the folder, no
// surrogate without its partner, at most 120 characters and 240 bytes of UTF-8 (a Chinese name
// is cut at 80 characters), the extension kept; namesakes compare without regard to case in
// Latin, Greek and Cyrillic letters.
TEST(SafeNamesTest, RealNamesKeepTheirLettersAndStaySafe) {
    const struct {
        std::u16string name;
        std::u16string safe;
    } cases[] = {
        {u"中文.txt", u"中文.txt"},
        {u"Zażółć gęślą jaźń.txt", u"Zażółć gęślą jaźń.txt"},
        {u"notes \U0001F4DD.txt", u"notes \U0001F4DD.txt"},
        {u"a\xD800" u"b", u"a_b"},
        {u"中/文\\..", u"中_文___"},
        {u"Con.日本", u"_Con.日本"},
        {u"", u"_"},
    };
    for (const auto& c : cases) EXPECT_EQ(safeName(c.name), c.safe);

    // (Texts that code page 1251 cannot hold stay out of the test macros, which make narrow texts
    // of their arguments.)
    const std::u16string chinese = safeName(std::u16string(200, u'\u4E2D') + u".txt");
    const std::u16string chineseCut = std::u16string(78, u'\u4E2D') + u".txt";
    EXPECT_EQ(chinese, chineseCut);
    EXPECT_LE(platform::utf16ToUtf8(chinese).size(), kSafeNameMaxUtf8Bytes);
    // A surrogate pair at the cut is kept whole or left out whole.
    std::u16string emoji;
    for (int i = 0; i < 100; ++i) emoji += u"\U0001F4DD";
    EXPECT_EQ(safeName(emoji).size(), 2u * 60);

    const std::u16string numbered = numberedName(u"ab\u4E2D.txt", 2), numberedWanted = u"ab\u4E2D (2).txt";
    EXPECT_EQ(numbered, numberedWanted);
    const std::u16string folded = foldedName(u"Ελληνικά Żółć ёж straße"), foldedWanted = u"ΕΛΛΗΝΙΚΆ ŻÓŁĆ ЁЖ STRAßE";
    EXPECT_EQ(folded, foldedWanted);
    const std::u16string finalSigma = foldedName(u"σίσυφος"), finalSigmaWanted = u"ΣΊΣΥΦΟΣ";
    EXPECT_EQ(finalSigma, finalSigmaWanted);
}

TEST(RestoreTest, QualifyingEntries) {
    FileTableEntry file;
    file.mark = '1';
    file.sizeLow = kTestRestoreMaxBytes;
    std::memcpy(file.name, "a.doc", 5);
    EXPECT_TRUE(entryQualifies(file, RestoreMode::Test));
    FileTableEntry larger = file;
    larger.sizeLow = kTestRestoreMaxBytes + 1;
    EXPECT_FALSE(entryQualifies(larger, RestoreMode::Test));
    EXPECT_TRUE(entryQualifies(larger, RestoreMode::Full));
    // 4 GiB and 4 GiB + 100 bytes: the low 32 bits alone would call one empty and one small.
    for (const std::uint32_t low : {0u, 100u}) {
        FileTableEntry huge = file;
        huge.sizeLow = low;
        huge.sizeHigh = 1;
        EXPECT_FALSE(entryQualifies(huge, RestoreMode::Test));
        EXPECT_TRUE(entryQualifies(huge, RestoreMode::Full));
    }
    // An empty file exists on the volume: the full restore creates it, the test restore does not.
    FileTableEntry empty = file;
    empty.sizeLow = 0;
    EXPECT_FALSE(entryQualifies(empty, RestoreMode::Test));
    EXPECT_TRUE(entryQualifies(empty, RestoreMode::Full));
    FileTableEntry unmarked = file;
    unmarked.mark = '0';
    FileTableEntry mft = file;
    std::memcpy(mft.name, "$MFTMirr", 8);
    FileTableEntry folder = file;
    folder.folderFlag = kFolderFlag;
    for (const FileTableEntry* entry : {&unmarked, &mft, &folder}) {
        EXPECT_FALSE(entryQualifies(*entry, RestoreMode::Full)) << entry->name;
    }
}

TEST(RestoreTest, FinishedMessageCutsThePathIntoFiveLinesAndReportsFailures) {
    const std::string path(60, 'p');
    RestoreReport report;
    report.diskOpened = true;
    const RestoreMessage done = restoreFinishedMessage(path, report, text::Language::English);
    EXPECT_EQ(done.title, "Extract files completed    ");
    const std::string blanks56(56, ' ');
    EXPECT_EQ(done.text, "Marked files, with деревон directory, stored in folder: \r\n\r\n" + std::string(56, 'p') +
                             "\r\n" + "pppp" + std::string(52, ' ') + "\r\n" + blanks56 + "\r\n" + blanks56 +
                             "\r\n" + blanks56 + "\r\n");
    EXPECT_EQ(restoreFinishedMessage(path, report, text::Language::Russian).title, "Извлечение файлов завершено");

    report.readFailures = 2;
    report.writeFailures = 1;
    const RestoreMessage failed = restoreFinishedMessage(path, report, text::Language::English);
    EXPECT_NE(failed.title, done.title);
    EXPECT_NE(failed.text.find("Not read from the disk: 2, not written: 1."), std::string::npos);
    EXPECT_NE(restoreFinishedMessage(path, report, text::Language::Russian).text.find("Не прочитано с диска: 2"),
              std::string::npos);

    // Every file restored, but the analysis could not read some MFT records: files may be missing.
    RestoreReport unreadMft;
    unreadMft.diskOpened = true;
    unreadMft.unreadableMftRecords = 3;
    const RestoreMessage missing = restoreFinishedMessage(path, unreadMft, text::Language::Russian);
    EXPECT_EQ(missing.title, "Извлечение файлов завершено с ошибками");
    EXPECT_NE(missing.text.find("\r\nЗаписей MFT, не прочитанных при анализе: 3.\r\n"), std::string::npos);
    EXPECT_EQ(missing.text.find("Не прочитано с диска"), std::string::npos);
}

// The volume analysed with every file and the deleted ones, and where it lies on its disk.
struct AnalysedVolume {
    AnalysisResult result;
    char diskNumber = '0';
};

AnalysedVolume analyseImage(platform::DiskSystem& disks, const TempFolder& folder) {
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    char letter = 0;
    AnalysedVolume analysed;
    for (int i = 0; i < disk::kDriveLetterCount && letter == 0; ++i) {
        const disk::LogicalDriveInfo& drive = inventory.drives[static_cast<std::size_t>(i)];
        if (std::string(drive.fileSystemLabel.data(), 6) == "  NTFS") {
            letter = static_cast<char>(disk::kFirstDriveLetter + i);
            analysed.diskNumber = static_cast<char>('0' + drive.diskNumber);
        }
    }
    EXPECT_NE(letter, 0);
    const SearchFilter filter = everyFileFilter();
    GenerationState generations;
    AnalysisProgress progress;
    AnalysisContext context{filter, generations, progress, folder.path()};
    analysed.result = runAnalysis(disks, inventory, letter, context);
    EXPECT_EQ(analysed.result.outcome, AnalysisOutcome::Completed);
    return analysed;
}

// Marks every file whose name does not begin with "$".
void markUserFiles(std::vector<FileTableEntry>& table) {
    for (FileTableEntry& entry : table) {
        if (!entry.isFolder() && entry.name[0] != '$') entry.mark = '1';
    }
}

// Every file below the folder, by its path relative to it, with its MD5 sum.
std::map<std::string, std::string> filesWithMd5(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (!item.is_regular_file()) continue;
        const std::string md5 = testsupport::runCommand("md5sum < '" + item.path().string() + "'");
        files[std::filesystem::relative(item.path(), folder).generic_string()] = md5.substr(0, 32);
    }
    return files;
}

// The published MD5 sums of the deleted files.
constexpr const char* kSing1 = "59b20779f69ff9f0ac5fcd2c38835a79";
constexpr const char* kMult1 = "ffd27bd782bdce67750b6b9ee069d2ef";
constexpr const char* kFrag1 = "7a3bc5b763bef201202108f4ba128149";
constexpr const char* kFrag2 = "0e80ab84ef0087e60dfc67b88a1cf13e";
constexpr const char* kMult2 = "59cf0e9cd107bc1e75afb7374f6e05bb";
constexpr const char* kFrag3 = "21121699487f3fbbdb9a4b3391b6d3e0";
constexpr const char* kSing2 = "c229626f6a71b167ad7e50c4f2fccdb1";
constexpr const char* kRes1 = "9036637712b491904cd0bfbdbe648453";

struct RestoreRun {
    RestoreReport report;
    std::vector<FileTableEntry> table;
};

// Analyses the disks' first NTFS volume, marks the files `chosen` picks and restores them into
// the target as the program does, with the volume's size and the analysis' unreadable records.
RestoreRun restoreChosen(platform::DiskSystem& disks, const TempFolder& folder, const std::filesystem::path& target,
                         RestoreMode mode, const std::function<bool(const FileTableEntry&)>& chosen,
                         text::Language language = text::Language::English,
                         const std::function<void(RestoreProgress&)>& prepare = {}) {
    AnalysedVolume analysed = analyseImage(disks, folder);
    RestoreRun run;
    run.table = analysed.result.tree.table;
    for (FileTableEntry& entry : run.table) {
        if (!entry.isFolder() && chosen(entry)) entry.mark = '1';
    }
    disk::SectorMaskTable masks;
    const RestoreSource source{disks,
                               masks,
                               analysed.diskNumber,
                               analysed.result.units,
                               analysed.result.geometry.volumeStartLba,
                               analysed.result.volumeSectorCount,
                               analysed.result.statistics.unreadableRecords};
    RestoreProgress progress;
    progress.bytesTotal = markedBytes(run.table);
    if (prepare) prepare(progress);
    std::filesystem::create_directories(target);
    run.report = restoreMarkedFiles(source, run.table, target, mode, progress, false, language);
    EXPECT_TRUE(progress.finished.load());
    EXPECT_EQ(progress.entriesDone.load(), run.table.size());
    EXPECT_EQ(progress.bytesRestored.load(), run.report.bytesWritten);
    // Every chosen file is counted once, whatever became of it.
    EXPECT_EQ(run.report.filesChosen,
              static_cast<std::uint64_t>(std::count_if(run.table.begin(), run.table.end(), [&](const FileTableEntry& e) {
                  return !e.isFolder() && chosen(e);
              })));
    EXPECT_EQ(run.report.filesAccounted(), run.report.filesChosen);
    // The progress window's current file is the last one a restore went to copy, under its folder.
    if (!run.report.written.empty()) {
        const auto [currentFolder, currentName] = progress.currentFile();
        EXPECT_FALSE(currentName.empty());
        EXPECT_TRUE(currentFolder.ends_with("/")) << currentFolder;
    }
    return run;
}

RestoreRun restoreImage(const std::string& image, const TempFolder& folder, const std::filesystem::path& target,
                        RestoreMode mode) {
    platform::ImageDiskSystem disks({image});
    return restoreChosen(disks, folder, target, mode, [](const FileTableEntry& entry) { return entry.name[0] != '$'; });
}

TEST(RestoreTest, TestRestoreWritesTheSmallOneRunFilesWithThePublishedSums) {
    TempFolder folder;
    const std::string image = testsupport::unpackWindowsImage(folder, "7-ntfs-undel.dd");
    ASSERT_FALSE(image.empty());
    const std::filesystem::path target = folder.path() / "restored";
    const RestoreRun run = restoreImage(image, folder, target, RestoreMode::Test);

    // frag1-3 lie in several runs and res1.dat inside its record: their folders are made, their
    // data is not copied. sing2.dat's folder record was reused, so it lies in a lost folder, which
    // sits beside the root folder's "Razd1", as in the tree.
    const std::map<std::string, std::string> expected{
        {"Razd1/sing1.dat", kSing1},
        {"Razd1/mult1.dat", kMult1},
        {"Razd1/dir1/mult2.dat", kMult2},
        {"Lost folder              37/sing2.dat", kSing2},
    };
    EXPECT_EQ(filesWithMd5(target), expected);
    EXPECT_TRUE(std::filesystem::is_directory(target / "Razd1/dir1/dir2"));
    // Windows' own tracking.log in "System Volume Information" is the volume's, not chosen.
    EXPECT_FALSE(std::filesystem::exists(target / "Razd1/System Volume Information/tracking.log"));
    EXPECT_EQ(run.report.filesWritten, 4u);
    EXPECT_EQ(run.report.filesNotCopied, 4u);
    EXPECT_EQ(run.report.failures(), 0u);
    EXPECT_EQ(run.report.renamedFiles, 0u);
    EXPECT_TRUE(std::none_of(run.table.begin(), run.table.end(), [](const auto& e) { return e.mark == '1'; }));
}

TEST(RestoreTest, FullRestoreWritesEveryDeletedFileWithThePublishedSums) {
    TempFolder folder;
    const std::string image = testsupport::unpackWindowsImage(folder, "7-ntfs-undel.dd");
    ASSERT_FALSE(image.empty());
    const std::filesystem::path target = folder.path() / "restored";
    const RestoreRun run = restoreImage(image, folder, target, RestoreMode::Full);

    const std::map<std::string, std::string> expected{
        {"Razd1/sing1.dat", kSing1},
        {"Razd1/mult1.dat", kMult1},
        {"Razd1/frag1.dat", kFrag1},
        {"Razd1/frag2.dat", kFrag2},
        {"Razd1/res1.dat", kRes1},
        {"Razd1/dir1/mult2.dat", kMult2},
        {"Razd1/dir1/dir2/frag3.dat", kFrag3},
        {"Lost folder              37/sing2.dat", kSing2},
    };
    EXPECT_EQ(filesWithMd5(target), expected);
    EXPECT_EQ(run.report.filesWritten, expected.size());
    EXPECT_EQ(run.report.failures(), 0u);
}

TEST(RestoreTest, FullRestoreOfFragmentedSparseAndResidentFilesMatchesTheManifest) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& image = manifest.image("mbr.img");
    TempFolder folder;
    platform::ImageDiskSystem disks({image.path(testsupport::fixtureDir())});
    AnalysedVolume analysed = analyseImage(disks, folder);  // the first NTFS volume: partition 0
    std::vector<FileTableEntry> table = analysed.result.tree.table;

    // Files in several runs, with sparse runs (4 GiB and more, mostly holes) and inside their
    // records, in use and deleted.
    std::map<std::string, std::string> expected;
    for (FileTableEntry& entry : table) {
        const testsupport::EntryFacts* facts = image.entryByRecord(0, entry.ownId);
        if (entry.isFolder() || facts == nullptr || !facts->isFile()) continue;
        if (facts->size != 0 && (facts->runCount > 1 || facts->sparse || facts->resident)) {
            entry.mark = '1';
            expected[std::string("Razd") + entry.generation + "/" + facts->path] = facts->md5;
        }
    }
    ASSERT_GE(expected.size(), 5u);
    EXPECT_TRUE(expected.count("Razd0/Media/fragmented-deleted.bin"));
    // Exactly 4 GiB: the low 32 bits of its size are 0, yet it is no empty file.
    EXPECT_TRUE(expected.count("Razd0/Media/sparse-exact-4GiB.img"));

    disk::SectorMaskTable masks;
    const RestoreSource source{disks,
                               masks,
                               analysed.diskNumber,
                               analysed.result.units,
                               analysed.result.geometry.volumeStartLba,
                               analysed.result.volumeSectorCount};
    RestoreProgress progress;
    const std::filesystem::path target = folder.path() / "restored";
    std::filesystem::create_directories(target);
    const RestoreReport report = restoreMarkedFiles(source, table, target, RestoreMode::Full, progress);
    EXPECT_TRUE(report.complete());
    EXPECT_EQ(filesWithMd5(target), expected);
}

// Replaces the first occurrence of a UTF-16 name in the FILE record of a copy of the image.
void renameInRecord(const std::string& image, std::uint32_t recordLba, const std::u16string& from,
                    const std::u16string& to) {
    ASSERT_EQ(from.size(), to.size());
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    std::vector<char> record(1024);
    file.seekg(static_cast<std::streamoff>(recordLba) * 512);
    file.read(record.data(), static_cast<std::streamsize>(record.size()));
    const std::string needle(reinterpret_cast<const char*>(from.data()), from.size() * 2);
    const auto found = std::search(record.begin(), record.end(), needle.begin(), needle.end());
    ASSERT_NE(found, record.end());
    std::memcpy(&*found, to.data(), to.size() * 2);
    file.seekp(static_cast<std::streamoff>(recordLba) * 512);
    file.write(record.data(), static_cast<std::streamsize>(record.size()));
    ASSERT_TRUE(file.good());
}

TEST(RestoreTest, HostileNamesStayInsideTheTargetAndNamesakesKeepTheirData) {
    TempFolder folder;
    const std::string image = testsupport::unpackWindowsImage(folder, "7-ntfs-undel.dd");
    ASSERT_FALSE(image.empty());
    std::map<std::uint32_t, std::uint32_t> recordLba;
    {
        platform::ImageDiskSystem disks({image});
        for (const FileTableEntry& entry : analyseImage(disks, folder).result.tree.table) {
            recordLba.emplace(entry.ownId, entry.recordLba);
        }
    }
    // The names change on the disk only, after the analysis: the restore reads them again.
    renameInRecord(image, recordLba.at(31), u"sing1.dat", u"../../x/y");
    renameInRecord(image, recordLba.at(30), u"frag2.dat", u"CON\\a:b.c");
    renameInRecord(image, recordLba.at(29), u"frag1.dat", u"MULT1.dat");
    renameInRecord(image, recordLba.at(33), u"dir1", u"../.");
    renameInRecord(image, recordLba.at(36), u"mult2.dat", u"..\u0001\u0002\u0003\u0004\u0005..");

    const std::filesystem::path target = folder.path() / "restored";
    // A link left in the target under a name the restore writes is not followed.
    std::filesystem::create_directories(target / "Razd1");
    std::filesystem::create_symlink(folder.path() / "outside.dat", target / "Razd1" / "res1.dat");
    const auto before = std::distance(std::filesystem::directory_iterator(folder.path()), {});
    const RestoreRun run = restoreImage(image, folder, target, RestoreMode::Full);

    const std::map<std::string, std::string> files = filesWithMd5(target);
    const std::map<std::string, std::string> expected{
        {"Razd1/.._.._x_y", kSing1},
        {"Razd1/MULT1.dat", kFrag1},
        {"Razd1/mult1 (2).dat", kMult1},
        {"Razd1/CON_a_b.c", kFrag2},
        {"Razd1/res1 (2).dat", kRes1},
        {"Razd1/..__/.._______", kMult2},
        {"Razd1/..__/dir2/frag3.dat", kFrag3},
        {"Lost folder              37/sing2.dat", kSing2},
    };
    EXPECT_EQ(files, expected);
    EXPECT_EQ(run.report.renamedFiles, 2u);
    // Nothing appeared beside the target folder (the work file of the analysis is rewritten).
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), before);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "x"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "outside.dat"));
}

TEST(RestoreTest, UnreadableDiskIsReportedNotCompleted) {
    TempFolder folder;
    const std::string image = testsupport::unpackWindowsImage(folder, "7-ntfs-undel.dd");
    ASSERT_FALSE(image.empty());
    platform::ImageDiskSystem disks({image});
    AnalysedVolume analysed = analyseImage(disks, folder);
    std::vector<FileTableEntry> table = analysed.result.tree.table;
    markUserFiles(table);
    // The disk is gone when the restore starts (a removed USB disk).
    platform::ImageDiskSystem noDisks({(folder.path() / "missing.img").string()});
    disk::SectorMaskTable masks;
    const RestoreSource source{noDisks, masks, '0', analysed.result.units,
                               analysed.result.geometry.volumeStartLba};
    RestoreProgress progress;
    const std::filesystem::path target = folder.path() / "restored";
    std::filesystem::create_directories(target);
    const RestoreReport report = restoreMarkedFiles(source, table, target, RestoreMode::Test, progress);
    EXPECT_FALSE(report.diskOpened);
    EXPECT_EQ(report.filesWritten, 0u);
    EXPECT_EQ(report.readFailures, report.filesQualified);
    EXPECT_NE(restoreFinishedMessage(target.string(), report, text::Language::English).title,
              "Extract files completed    ");
}

// Where a byte of a file lies on its disk, by the run list of its manifest entry.
std::uint64_t lbaOfFileByte(const testsupport::EntryFacts& file, const testsupport::PartitionFacts& volume,
                            std::uint64_t fileByte) {
    std::uint64_t runStart = 0;
    for (const testsupport::RunFacts& run : file.runs) {
        const std::uint64_t runBytes = run.length * volume.clusterSize;
        if (fileByte < runStart + runBytes) return volume.startLba + (run.lcn * volume.clusterSize + fileByte - runStart) / 512;
        runStart += runBytes;
    }
    ADD_FAILURE() << file.path << " has no byte " << fileByte;
    return 0;
}

std::string contentsOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every restored file below the target (the list of damaged files left out), with its contents.
std::map<std::string, std::string> restoredContents(const std::filesystem::path& target) {
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(target)) {
        if (item.is_regular_file() && item.path().parent_path() != target) {
            files[std::filesystem::relative(item.path(), target).generic_string()] = contentsOf(item.path());
        }
    }
    return files;
}

const DamagedFile* damagedFile(const RestoreReport& report, const std::string& path) {
    for (const DamagedFile& file : report.damaged) {
        if (file.path == path) return &file;
    }
    return nullptr;
}

// The restore on a failing disk, whichever way its layer reports a failed read: a transient
// error costs nothing, a bad sector costs that sector only, which the restored file holds as
// zeros; the file is counted as restored with unreadable sectors and listed with where they lie,
// in the file and on the disk. An MFT record that the analysis could not read is counted too.
TEST(RestoreTest, UnreadableSectorsAreZerosInTheRestoredFileAndListed) {
    using testsupport::EntryFacts;
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("mbr.img");
    const testsupport::PartitionFacts& volume = *facts.partition(0);
    const std::string image = facts.path(testsupport::fixtureDir());
    const EntryFacts& fragmented = *facts.entry(0, "Media/fragmented.bin");  // runs of 64 KiB, 64 KiB, 32 KiB ...
    const EntryFacts& budget = *facts.entry(0, "Documents/Reports/2023/Q2/budget-64512.xls");
    const EntryFacts& oldBudget = *facts.entry(0, "Documents/Reports/2023/Q2/old-budget-64512.xls");
    const EntryFacts& readme = *facts.entry(0, "Documents/readme.txt");  // its FILE record will not read
    const std::uint32_t readmeRecordLba = testsupport::recordLbas(image).at(static_cast<std::uint32_t>(readme.record));

    struct Sectors {
        const EntryFacts* file;
        std::uint64_t fileByte, count;
    };
    // Two bad sectors at the end of fragmented.bin's first run and one in its third; one in
    // budget-64512.xls. Transient errors at the start of fragmented.bin's second run and at the
    // start of old-budget-64512.xls.
    const Sectors bad[] = {{&fragmented, 65536 - 1024, 2}, {&fragmented, 131072 + 2560, 1}, {&budget, 3584, 1}};
    const Sectors transient[] = {{&fragmented, 65536, 1}, {&oldBudget, 0, 1}};

    for (const auto shape : {testsupport::FaultyDisks::Shape::PrefixArrives, testsupport::FaultyDisks::Shape::NothingArrives}) {
        for (const RestoreMode mode : {RestoreMode::Test, RestoreMode::Full}) {
            SCOPED_TRACE(std::string(mode == RestoreMode::Test ? "test restore" : "full restore") +
                         (shape == testsupport::FaultyDisks::Shape::PrefixArrives ? ", short reads" : ", failed reads"));
            testsupport::FaultyDisks disks({image}, shape);
            for (const Sectors& sectors : bad) disks.failSectors(lbaOfFileByte(*sectors.file, volume, sectors.fileByte), sectors.count);
            for (const Sectors& sectors : transient) disks.failOnce(lbaOfFileByte(*sectors.file, volume, sectors.fileByte));
            disks.failSectors(readmeRecordLba + 1);
            TempFolder folder;
            const std::filesystem::path target = folder.path() / "restored";
            const RestoreRun run = restoreChosen(disks, folder, target, mode, [&](const FileTableEntry& entry) {
                return entry.ownId == fragmented.record || entry.ownId == budget.record || entry.ownId == oldBudget.record;
            });
            const RestoreReport& report = run.report;

            // The Sleuth Kit's bytes of each file, with zeros where its sectors are bad; a test
            // restore leaves out the fragmented file.
            std::map<std::string, std::string> expected;
            for (const EntryFacts* file : {&fragmented, &budget, &oldBudget}) {
                if (mode == RestoreMode::Test && file == &fragmented) continue;
                std::string data = testsupport::runCommand("icat -o " + std::to_string(volume.startLba) + " '" + image +
                                                           "' " + std::to_string(file->record));
                ASSERT_EQ(data.size(), file->size);
                for (const Sectors& sectors : bad) {
                    if (sectors.file == file) std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(sectors.fileByte), sectors.count * 512, '\0');
                }
                expected["Razd0/" + file->path] = data;
            }
            EXPECT_TRUE(restoredContents(target) == expected);
            EXPECT_EQ(report.filesWritten, expected.size());
            EXPECT_EQ(report.failures(), 0u);
            EXPECT_EQ(report.filesWithUnreadableSectors, mode == RestoreMode::Full ? 2u : 1u);
            EXPECT_EQ(report.unreadableSectors, mode == RestoreMode::Full ? 4u : 1u);
            EXPECT_EQ(report.unreadableMftRecords, 1u);
            EXPECT_FALSE(report.complete());

            // Where the zeros lie in each file and on the disk, two sectors at the end of a run
            // apart from the one in the next run but one.
            const DamagedFile* damagedBudget = damagedFile(report, "Razd0/" + budget.path);
            ASSERT_NE(damagedBudget, nullptr);
            EXPECT_EQ(damagedBudget->unreadable, (std::vector<UnreadableSectors>{{3584, 512, lbaOfFileByte(budget, volume, 3584), 1}}));
            if (mode == RestoreMode::Full) {
                const DamagedFile* damagedFragmented = damagedFile(report, "Razd0/" + fragmented.path);
                ASSERT_NE(damagedFragmented, nullptr);
                EXPECT_EQ(damagedFragmented->unreadable,
                          (std::vector<UnreadableSectors>{{64512, 1024, lbaOfFileByte(fragmented, volume, 64512), 2},
                                                          {133632, 512, lbaOfFileByte(fragmented, volume, 133632), 1}}));
            }

            // The list beside the restored folders, and the final message, which points to it.
            EXPECT_EQ(report.damageList, target / kDamageListFileName);
            EXPECT_EQ(contentsOf(report.damageList), damageListText(report, text::Language::English));
            const std::string message = restoreFinishedMessage(target.string(), report, text::Language::English).text;
            EXPECT_NE(message.find(mode == RestoreMode::Full ? "With unreadable sectors (written as zeros): 2, sectors: 4."
                                                             : "With unreadable sectors (written as zeros): 1, sectors: 1."),
                      std::string::npos)
                << message;
            EXPECT_NE(message.find("MFT records not read during the analysis: 1."), std::string::npos) << message;
            EXPECT_NE(message.find("These files are listed in QuenzarSalvage-damaged.txt."), std::string::npos) << message;
        }
    }
}

// The list of damaged files, line by line, in both languages.
// A stop asked for in the middle of a file (Ctrl+C at the terminal): the file being copied is
// removed, no later file is begun, the files before it stay whole, and every chosen file is
// counted, the stopped one and those after it as not reached.
TEST(RestoreTest, StopInTheMiddleOfAFileLeavesNoPartOfIt) {
    using testsupport::EntryFacts;
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("mbr.img");
    const testsupport::PartitionFacts& volume = *facts.partition(0);
    const EntryFacts& before = *facts.entry(0, "Documents/readme.txt");
    const EntryFacts& stopped = *facts.entry(0, "Media/fragmented.bin");  // runs of 64 KiB, 64 KiB, 32 KiB ...
    const EntryFacts& after = *facts.entry(0, "Temp/filler.bin");
    ASSERT_LT(before.record, stopped.record);
    ASSERT_LT(stopped.record, after.record);
    ASSERT_GT(stopped.runs.size(), 2u);

    testsupport::FaultyDisks disks({facts.path(testsupport::fixtureDir())});
    RestoreProgress* running = nullptr;
    // The stop comes while the second run is read: the first run is in the file by then.
    disks.whenRead(lbaOfFileByte(stopped, volume, stopped.runs[0].length * volume.clusterSize),
                   [&] { running->stopRequested = true; });
    TempFolder folder;
    const std::filesystem::path target = folder.path() / "restored";
    const RestoreRun run = restoreChosen(
        disks, folder, target, RestoreMode::Full,
        [&](const FileTableEntry& entry) {
            return entry.ownId == before.record || entry.ownId == stopped.record || entry.ownId == after.record;
        },
        text::Language::English, [&](RestoreProgress& progress) { running = &progress; });
    const RestoreReport& report = run.report;
    EXPECT_TRUE(report.stopped);
    EXPECT_FALSE(report.complete());
    EXPECT_EQ(report.filesWritten, 1u);
    EXPECT_EQ(report.filesNotReached, 2u);
    EXPECT_EQ(report.failures(), 0u);
    const std::map<std::string, std::string> expected{{"Razd0/" + before.path, contentsOf(target / "Razd0" / before.path)}};
    EXPECT_EQ(restoredContents(target), expected);
    EXPECT_EQ(expected.begin()->second.size(), before.size);
    EXPECT_NE(restoreFinishedMessage(target.string(), report, text::Language::English)
                  .text.find("The restore was stopped; files not restored: 2."),
              std::string::npos);
}

TEST(RestoreTest, DamageListNamesEachFileWithWhereItsSectorsLie) {
    RestoreReport report;
    report.damaged.push_back({"Razd0/Docs/a.doc", RunListDamage::None, {{0, 1024, 4096, 2}, {70000, 100, 9000, 1}}});
    report.damaged.push_back({"Razd0/b.bin", RunListDamage::OutsideVolume, {}});
    report.damaged.push_back({"Lost folder              37/c.bin", RunListDamage::Overlapping, {}});
    EXPECT_EQ(damageListText(report, text::Language::English),
              "FILES NOT RESTORED WHOLE. Unreadable sectors are written into the files as zeros; files with a damaged "
              "list of fragments are not written.\r\n"
              "\r\nRazd0/Docs/a.doc\r\n"
              "   unreadable sectors: 3\r\n"
              "   file bytes              0 -          1023   LBA          4096 -          4097\r\n"
              "   file bytes          70000 -         70099   LBA          9000 -          9000\r\n"
              "\r\nRazd0/b.bin\r\n"
              "   not written: a fragment lies outside the volume\r\n"
              "\r\nLost folder              37/c.bin\r\n"
              "   not written: fragments overlap each other\r\n");
    const std::string russian = damageListText(report, text::Language::Russian);
    EXPECT_EQ(russian.substr(0, 39), "ФАЙЛЫ, ВОССТАНОВЛЕННЫЕ НЕ ПОЛНОСТЬЮ. Не");
    EXPECT_NE(russian.find("   байты файла         70000 -         70099   LBA          9000 -          9000\r\n"),
              std::string::npos);
    EXPECT_NE(russian.find("   не записан: фрагменты перекрывают друг друга\r\n"), std::string::npos);
    EXPECT_EQ(damageListText(RestoreReport{}, text::Language::English), "");
}

// Run lists changed on a copy of the disk after the analysis, as a damaged volume shows them: a
// file's only run moved to the volume's last clusters, so that it reaches into the next
// partition, and a run moved onto the clusters of the run before it. Neither file is written as
// if it were good: both are counted and listed, and the other files are restored.
TEST(RestoreTest, RunsOutsideTheVolumeOrOverlappingAreNotWritten) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("mbr.img");
    const testsupport::EntryFacts& fragmented = *facts.entry(0, "Media/fragmented.bin");
    const testsupport::EntryFacts& budget = *facts.entry(0, "Documents/Reports/2023/Q2/budget-64512.xls");
    const testsupport::EntryFacts& oldBudget = *facts.entry(0, "Documents/Reports/2023/Q2/old-budget-64512.xls");
    TempFolder folder;
    const std::string image = testsupport::copyWithDamagedRunLists(folder, facts);

    for (const RestoreMode mode : {RestoreMode::Test, RestoreMode::Full}) {
        SCOPED_TRACE(mode == RestoreMode::Test ? "test restore" : "full restore");
        platform::ImageDiskSystem disks({image});
        const std::filesystem::path target = folder.path() / (mode == RestoreMode::Test ? "tested" : "full");
        const RestoreRun run = restoreChosen(disks, folder, target, mode, [&](const FileTableEntry& entry) {
            return entry.ownId == fragmented.record || entry.ownId == budget.record || entry.ownId == oldBudget.record;
        });
        const RestoreReport& report = run.report;
        EXPECT_EQ(filesWithMd5(target), (std::map<std::string, std::string>{
                                            {"QuenzarSalvage-damaged.txt", filesWithMd5(target).at("QuenzarSalvage-damaged.txt")},
                                            {"Razd0/" + oldBudget.path, oldBudget.md5}}));
        EXPECT_EQ(report.filesWritten, 1u);
        EXPECT_EQ(report.damagedRunLists, mode == RestoreMode::Full ? 2u : 1u);
        EXPECT_EQ(report.failures(), 0u);
        EXPECT_FALSE(report.complete());
        const DamagedFile* outside = damagedFile(report, "Razd0/" + budget.path);
        ASSERT_NE(outside, nullptr);
        EXPECT_EQ(outside->runListDamage, RunListDamage::OutsideVolume);
        if (mode == RestoreMode::Full) {
            const DamagedFile* overlapping = damagedFile(report, "Razd0/" + fragmented.path);
            ASSERT_NE(overlapping, nullptr);
            EXPECT_EQ(overlapping->runListDamage, RunListDamage::Overlapping);
        }
        EXPECT_EQ(contentsOf(report.damageList), damageListText(report, text::Language::English));
        EXPECT_NE(restoreFinishedMessage(target.string(), report, text::Language::English)
                      .text.find(mode == RestoreMode::Full ? "Not written for a damaged list of fragments: 2."
                                                           : "Not written for a damaged list of fragments: 1."),
                  std::string::npos);
    }
}

// A sparse file of 4 TiB made by ntfs-3g, whose data are three islands of 4 KiB: restored in a
// moment as a file of 4 TiB that keeps its holes and takes no more space than its islands.
TEST(RestoreTest, SparseFileOfFourTebibytesKeepsItsHoles) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("sparse.img");
    const testsupport::EntryFacts& huge = *facts.entry(0, "huge-sparse.bin");
    const testsupport::EntryFacts& notes = *facts.entry(0, "notes.txt");
    TempFolder folder;
    platform::ImageDiskSystem disks({facts.path(testsupport::fixtureDir())});
    const std::filesystem::path target = folder.path() / "restored";
    const RestoreRun run = restoreChosen(disks, folder, target, RestoreMode::Full, [](const FileTableEntry&) { return true; });
    EXPECT_TRUE(run.report.complete());
    EXPECT_EQ(run.report.filesWritten, 2u);
    EXPECT_EQ(run.report.bytesWritten, huge.size + notes.size);
    EXPECT_EQ(testsupport::runCommand("md5sum < '" + (target / "Razd0" / "notes.txt").string() + "'").substr(0, 32), notes.md5);

    const std::filesystem::path restored = target / "Razd0" / "huge-sparse.bin";
    ASSERT_EQ(std::filesystem::file_size(restored), huge.size);
    std::ifstream in(restored, std::ios::binary);
    std::uint64_t islandBytes = 0;
    // islands=OFFSET:LENGTH:MD5,...
    std::istringstream islands(huge.fields.at("islands"));
    for (std::string island; std::getline(islands, island, ',');) {
        const std::uint64_t offset = std::stoull(island.substr(0, island.find(':')));
        const std::uint64_t length = std::stoull(island.substr(island.find(':') + 1));
        std::string data(length, '\0');
        in.seekg(static_cast<std::streamoff>(offset));
        in.read(data.data(), static_cast<std::streamsize>(length));
        std::ofstream(folder.file("island"), std::ios::binary).write(data.data(), static_cast<std::streamsize>(length));
        const std::string md5 = testsupport::runCommand("md5sum < '" + folder.file("island") + "'").substr(0, 32);
        EXPECT_EQ(md5, island.substr(island.rfind(':') + 1)) << offset;
        islandBytes += length;
    }
    EXPECT_EQ(islandBytes, 3u * 4096);
    struct stat info {};
    ASSERT_EQ(::stat(restored.c_str(), &info), 0);
    EXPECT_LE(static_cast<std::uint64_t>(info.st_blocks) * 512, 1u << 20);
}

}  // namespace
}  // namespace quenzar::recovery
