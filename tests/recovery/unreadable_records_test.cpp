// FILE records that do not read: the analysis keeps each one's number and LBA and names it by the
// entry its folder's index still holds, with the folder's path as The Sleuth Kit gives it; the
// restore's list of damaged files and salvage analyze name them too. A volume that reads whole
// costs no read of any folder's index.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "disk/sector_mask.h"
#include "platform/code_page_1251.h"
#include "recovery/analysis.h"
#include "recovery/restore.h"
#include "support/faulty_disks.h"
#include "support/fixture_manifest.h"
#include "support/image_volume.h"
#include "support/run_list_patch.h"
#include "support/temp_folder.h"

namespace quenzar::recovery {
namespace {

using testsupport::TempFolder;

AnalysisResult analyseEveryFile(platform::DiskSystem& disks, const TempFolder& folder) {
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    const SearchFilter filter = everyFileFilter();
    GenerationState generations;
    AnalysisProgress progress;
    AnalysisContext context{filter, generations, progress, folder.path()};
    AnalysisResult result = runAnalysis(disks, inventory, 'D', context);
    EXPECT_EQ(result.outcome, AnalysisOutcome::Completed);
    EXPECT_EQ(result.unreadableRecords.size(), result.statistics.unreadableRecords);
    return result;
}

// The first cluster of a folder's $INDEX_ALLOCATION, as istat gives it.
std::uint64_t firstIndexCluster(const testsupport::ImageFacts& image, std::uint64_t folder) {
    const std::string facts = testsupport::runCommand("istat -o " + std::to_string(image.partition(0)->startLba) + " '" +
                                                      image.path(testsupport::fixtureDir()) + "' " + std::to_string(folder));
    const std::size_t allocation = facts.find("$INDEX_ALLOCATION");
    EXPECT_NE(allocation, std::string::npos) << facts;
    return allocation == std::string::npos ? 0 : std::stoull(facts.substr(facts.find('\n', allocation) + 1));
}

// The files and folders whose records will not read, and whether an index still names them.
struct Lost {
    std::string path;  // UTF-8, as fls gives it
    bool named;
    std::uint64_t badSector;  // which of the record's two sectors fails
};

std::vector<UnreadableRecord> expectedRecords(const testsupport::ImageFacts& image, const std::vector<Lost>& lost,
                                              testsupport::FaultyDisks& disks) {
    const auto lbas = testsupport::recordLbas(image.path(testsupport::fixtureDir()));
    std::vector<UnreadableRecord> expected;
    for (const Lost& file : lost) {
        const testsupport::EntryFacts* facts = image.entry(0, file.path);
        EXPECT_NE(facts, nullptr) << file.path;
        if (facts == nullptr) continue;
        UnreadableRecord record;
        record.number = facts->record;
        record.lba = lbas.at(static_cast<std::uint32_t>(facts->record));
        if (file.named) record.path = platform::utf8ToCp1251(file.path);
        disks.failSectors(record.lba + file.badSector);
        expected.push_back(record);
    }
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    return expected;
}

void expectRecords(const std::vector<UnreadableRecord>& found, const std::vector<UnreadableRecord>& expected) {
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].number, expected[i].number);
        EXPECT_EQ(found[i].lba, expected[i].lba) << found[i].number;
        EXPECT_EQ(platform::cp1251ToUtf8(found[i].path), platform::cp1251ToUtf8(expected[i].path)) << found[i].number;
    }
}

std::string contentsOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Files in the root folder's INDX block, in a folder of INDX blocks under their long name (not
// their DOS twin) and beyond the table's 63 characters, in a folder whose index lies in its record,
// seven levels deep, in Cyrillic, and a folder; a deleted file, which no index names any more,
// keeps its number only. The restore lists them all, also when no file it copied is damaged.
TEST(UnreadableRecordsTest, AnalysisNamesThemFromTheirFoldersIndexesAndTheRestoreListsThem) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& mbr = manifest.image("mbr.img");
    const std::string image = mbr.path(testsupport::fixtureDir());
    const std::uint64_t rootIndexLba =
        mbr.partition(0)->startLba + firstIndexCluster(mbr, 5) * mbr.partition(0)->sectorsPerCluster();

    // A volume that reads whole: no index is read.
    {
        testsupport::FaultyDisks disks({image});
        bool rootIndexRead = false;
        disks.whenRead(rootIndexLba, [&] { rootIndexRead = true; });
        TempFolder folder;
        EXPECT_TRUE(analyseEveryFile(disks, folder).unreadableRecords.empty());
        EXPECT_FALSE(rootIndexRead);
    }

    testsupport::FaultyDisks disks({image});
    bool rootIndexRead = false;
    disks.whenRead(rootIndexLba, [&] { rootIndexRead = true; });
    const std::vector<UnreadableRecord> expected = expectedRecords(
        mbr,
        {{"Mountain.txt", true, 0},
         {"Documents/This file name is deliberately longer than sixty-three characters to test it.txt", true, 1},
         {"Documents/Reports/2023/Q1/a+b.txt", true, 1},
         {"Documents/Reports/2023/Q1/Details/Level5/Level6/deep-leaf.txt", true, 0},
         {testsupport::utf8(u8"Документы/Ёлка новогодняя.txt"), true, 1},
         {"Mountains", true, 0},
         {"Documents/Reports/2023/Q2/old-budget-64512.xls", false, 1}},
        disks);
    TempFolder folder;
    const AnalysisResult result = analyseEveryFile(disks, folder);
    expectRecords(result.unreadableRecords, expected);
    EXPECT_TRUE(rootIndexRead);

    // A restore of one file that reads whole: the list beside it names the records all the same.
    std::vector<FileTableEntry> table = result.tree.table;
    const std::uint64_t chosen = mbr.entry(0, "Temp/readme.txt")->record;
    for (FileTableEntry& entry : table) {
        if (!entry.isFolder() && entry.ownId == chosen) entry.mark = kMarked;
    }
    disk::SectorMaskTable masks;
    const RestoreSource source{disks,
                               masks,
                               '0',
                               result.units,
                               result.geometry.volumeStartLba,
                               result.volumeSectorCount,
                               result.statistics.unreadableRecords,
                               result.mftRuns,
                               result.unreadableRecords};
    const std::filesystem::path target = folder.path() / "restored";
    std::filesystem::create_directories(target);
    RestoreProgress progress;
    const RestoreReport report = restoreMarkedFiles(source, table, target, RestoreMode::Full, progress);
    EXPECT_EQ(report.filesWritten, 1u);
    EXPECT_TRUE(report.damaged.empty());
    ASSERT_EQ(report.damageList, target / kDamageListFileName);
    const std::string list = contentsOf(report.damageList);
    EXPECT_EQ(list, damageListText(report, text::Language::English));
    for (const UnreadableRecord& record : expected) {
        EXPECT_NE(list.find("\r\n" + unreadableRecordText(record, text::Language::English) + "\r\n"), std::string::npos)
            << list;
    }
    EXPECT_NE(list.find("\r\nFILE record " + std::to_string(expected.back().number) + " (LBA " +
                        std::to_string(expected.back().lba) + ") could not be read\r\n"),
              std::string::npos)
        << list;
    const std::string message = restoreFinishedMessage(target.string(), report, text::Language::English).text;
    EXPECT_NE(message.find("These files are listed in QuenzarSalvage-damaged.txt."), std::string::npos) << message;
}

// Folders whose index continues beyond their own record: Crowded's INDX blocks in two parts, one
// of them in an extension record, More's index root in an extension record; and a file of 61
// names, named by the first folder in MFT order whose index holds one of them.
TEST(UnreadableRecordsTest, IndexesInExtensionRecordsNameThemToo) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& lists = manifest.image("lists.img");
    const std::string image = lists.path(testsupport::fixtureDir());
    // The first name fls lists in each crowded folder (the manifest lists none of their files).
    auto firstListed = [&](const char* folder, std::uint64_t record) {
        std::istringstream out(testsupport::runCommand("fls -u '" + image + "' " + std::to_string(record)));
        std::string line;
        std::getline(out, line);
        const std::size_t space = line.find(' ');
        UnreadableRecord file;
        file.number = std::stoull(line.substr(space + 1));
        file.path = std::string(folder) + "/" + line.substr(line.find('\t') + 1);
        return file;
    };
    std::vector<UnreadableRecord> expected{firstListed("Crowded", 66), firstListed("More", 1583)};
    const testsupport::EntryFacts& linked = *lists.entry(0, "Linked/original.txt");
    expected.push_back({linked.record, 0, '0', "Linked/original.txt"});
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.number < b.number; });

    testsupport::FaultyDisks disks({image});
    const auto lbas = testsupport::recordLbas(image);
    for (UnreadableRecord& record : expected) {
        record.lba = lbas.at(static_cast<std::uint32_t>(record.number));
        disks.failSectors(record.lba);
    }
    TempFolder folder;
    expectRecords(analyseEveryFile(disks, folder).unreadableRecords, expected);
}

TEST(UnreadableRecordsTest, DamageListNamesThemInBothLanguages) {
    RestoreReport report;
    report.unreadableRecords = {{1234, 567890, '0', "Documents/report.doc"},
                                {1240, 0, '0', "Документы/Ёлка.txt"},
                                {1300, 568022, '0', ""}};
    EXPECT_EQ(damageListText(report, text::Language::English),
              "FILE RECORDS NOT READ BY THE ANALYSIS: their files are missing from the tree and were not restored.\r\n"
              "\r\n"
              "FILE record 1234 (LBA 567890) could not be read: Documents/report.doc\r\n"
              "FILE record 1240 could not be read: Документы/Ёлка.txt\r\n"
              "FILE record 1300 (LBA 568022) could not be read\r\n");
    EXPECT_EQ(damageListText(report, text::Language::Russian),
              "ЗАПИСИ FILE, НЕ ПРОЧИТАННЫЕ ПРИ АНАЛИЗЕ: их файлов нет в дереве, они не восстановлены.\r\n"
              "\r\n"
              "Запись FILE 1234 (LBA 567890) не прочитана: Documents/report.doc\r\n"
              "Запись FILE 1240 не прочитана: Документы/Ёлка.txt\r\n"
              "Запись FILE 1300 (LBA 568022) не прочитана\r\n");

    // After the damaged files, set apart by an empty line.
    report.damaged.push_back({"Razd0/a.doc", RunListDamage::OutsideVolume, {}});
    const std::string both = damageListText(report, text::Language::English);
    EXPECT_TRUE(both.starts_with("FILES NOT RESTORED WHOLE.")) << both;
    EXPECT_NE(both.find("\r\nRazd0/a.doc\r\n   not written: a fragment lies outside the volume\r\n\r\n"
                        "FILE RECORDS NOT READ BY THE ANALYSIS: "),
              std::string::npos)
        << both;
    report.unreadableRecords.clear();
    EXPECT_EQ(both.find("FILE RECORDS"), damageListText(report, text::Language::English).size() + 2);
}

// The command line on a copy of mbr.img whose $MFT lost the cluster of Documents/readme.txt's
// record: salvage analyze names the record, in its statistics and beside a JSON listing (failing
// then as before), and salvage restore prints and lists it.
TEST(UnreadableRecordsTest, CommandLineNamesThem) {
    TempFolder folder;
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& mbr = manifest.image("mbr.img");
    const std::uint64_t readme = mbr.entry(0, "Documents/readme.txt")->record;
    const std::string image = testsupport::copyWithMftHole(folder, mbr, readme);
    const std::string line = "FILE record " + std::to_string(readme) + " could not be read: Documents/readme.txt\n";
    const std::string work = " --work-dir '" + folder.path().string() + "'";

    int exitCode = -1;
    std::string out = testsupport::runSalvage("analyze '" + image + "' --all-files --lang en" + work, &exitCode);
    EXPECT_NE(out.find("(unreadable 1, "), std::string::npos) << out;
    EXPECT_NE(out.find(")\n" + line), std::string::npos) << out;
    out = testsupport::runSalvage("analyze '" + image + "' --all-files --lang ru" + work, &exitCode);
    EXPECT_NE(out.find(testsupport::utf8(u8"Запись FILE ") + std::to_string(readme) +
                       testsupport::utf8(u8" не прочитана: Documents/readme.txt\n")),
              std::string::npos)
        << out;
    out = testsupport::runSalvage("analyze '" + image + "' --all-files --json --lang en" + work, &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(out.find(line), std::string::npos) << out;

    const std::filesystem::path target = folder.path() / "restored";
    out = testsupport::runSalvage("restore '" + image + "' --to '" + target.string() + "' --path Mountain.txt --lang en" +
                                      work,
                                  &exitCode);
    EXPECT_EQ(exitCode, 1) << out;
    EXPECT_NE(out.find(line), std::string::npos) << out;
    const std::string list = contentsOf(target / kDamageListFileName);
    EXPECT_NE(list.find("FILE record " + std::to_string(readme) + " could not be read: Documents/readme.txt\r\n"),
              std::string::npos)
        << list;
}

}  // namespace
}  // namespace quenzar::recovery
