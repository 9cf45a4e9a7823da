// Restoring marked files from the NTFS volume that Windows made with eight deleted files: the
// test restore writes exactly the small one-run files, the full restore all of them, each with
// the published MD5 sum; names from the disk that try to leave the target folder stay inside,
// and namesakes of one run keep their own data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "disk/sector_mask.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "recovery/restore.h"
#include "recovery/safe_names.h"
#include "support/fixture_manifest.h"
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
    FileTableEntry unmarked = file;
    unmarked.mark = '0';
    FileTableEntry empty = file;
    empty.sizeLow = 0;
    FileTableEntry mft = file;
    std::memcpy(mft.name, "$MFTMirr", 8);
    FileTableEntry folder = file;
    folder.folderFlag = kFolderFlag;
    for (const FileTableEntry* entry : {&unmarked, &empty, &mft, &folder}) {
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
    SearchFilter filter;
    filter.allExtensions = 1;
    filter.noSystemFiles = 0;
    filter.searchDeleted = 1;
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
// tracking.log (in use, 20,480 bytes in one run) as icat of The Sleuth Kit reads it.
constexpr const char* kTrackingLog = "822a0fc574ef4aad6cf407c24a718674";

struct RestoreRun {
    RestoreReport report;
    std::vector<FileTableEntry> table;
};

RestoreRun restoreImage(const std::string& image, const TempFolder& folder, const std::filesystem::path& target,
                        RestoreMode mode) {
    platform::ImageDiskSystem disks({image});
    AnalysedVolume analysed = analyseImage(disks, folder);
    RestoreRun run;
    run.table = analysed.result.tree.table;
    markUserFiles(run.table);
    disk::SectorMaskTable masks;
    const RestoreSource source{disks, masks, analysed.diskNumber, analysed.result.geometry.sectorsPerCluster,
                               analysed.result.geometry.volumeStartLba};
    RestoreProgress progress;
    progress.bytesTotal = markedBytes(run.table);
    std::filesystem::create_directories(target);
    run.report = restoreMarkedFiles(source, run.table, target, mode, progress);
    EXPECT_TRUE(progress.finished.load());
    EXPECT_EQ(progress.entriesDone.load(), run.table.size());
    EXPECT_EQ(progress.bytesRestored.load(), run.report.bytesWritten);
    // The progress window's current file is the last one a restore went to copy, under its folder.
    if (!run.report.written.empty()) {
        const auto [currentFolder, currentName] = progress.currentFile();
        EXPECT_FALSE(currentName.empty());
        EXPECT_TRUE(currentFolder.ends_with("/")) << currentFolder;
    }
    return run;
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
        {"Razd1/System Volume Information/tracking.log", kTrackingLog},
    };
    EXPECT_EQ(filesWithMd5(target), expected);
    EXPECT_TRUE(std::filesystem::is_directory(target / "Razd1/dir1/dir2"));
    EXPECT_EQ(run.report.filesWritten, 5u);
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
        {"Razd1/System Volume Information/tracking.log", kTrackingLog},
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
    const RestoreSource source{disks, masks, analysed.diskNumber, analysed.result.geometry.sectorsPerCluster,
                               analysed.result.geometry.volumeStartLba};
    RestoreProgress progress;
    const std::filesystem::path target = folder.path() / "restored";
    std::filesystem::create_directories(target);
    const RestoreReport report = restoreMarkedFiles(source, table, target, RestoreMode::Full, progress);
    EXPECT_EQ(report.failures(), 0u);
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
        {"Razd1/System Volume Information/tracking.log", kTrackingLog},
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
    const RestoreSource source{noDisks, masks, '0', analysed.result.geometry.sectorsPerCluster,
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

}  // namespace
}  // namespace quenzar::recovery
