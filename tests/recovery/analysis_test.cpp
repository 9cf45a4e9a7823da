// The analysis of a volume on copies of a fixture image with records changed on purpose: volume
// generations, the refusal of an ATTRIBUTE_LIST in the $MFT's own record, unreadable sectors,
// no matching file; and the run arithmetic of a $MFT in several pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "ntfs/record_builder.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "recovery/generations.h"
#include "recovery/mft_runs.h"
#include "recovery/work_file.h"
#include "disk/sector_access.h"
#include "ntfs/mft_run_table.h"
#include "support/faulty_disks.h"
#include "support/fixture_manifest.h"
#include "support/run_list_patch.h"
#include "support/temp_folder.h"

namespace quenzar::recovery {
namespace {

using ntfs::testing::Bytes;
using ntfs::testing::RecordBuilder;
using testsupport::TempFolder;

// lba0-ntfs.img: one NTFS volume from LBA 0, 512-byte clusters, the MFT in one run.
constexpr std::uint64_t kMftFirstLba = 32;

std::string copyOfLba0Image(const TempFolder& folder) {
    const auto copy = folder.path() / "lba0-copy.img";
    std::filesystem::copy_file(testsupport::fixtureDir() / "lba0-ntfs.img", copy);
    return copy.string();
}

void writeRecord(const std::string& image, std::uint64_t recordIndex, const Bytes& record) {
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>((kMftFirstLba + 2 * recordIndex) * 512));
    file.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
    ASSERT_TRUE(file.good());
}

// The $MFT's own $DATA of lba0-ntfs.img: 138 clusters from cluster 32, 70,656 bytes.
constexpr std::uint64_t kMftBytes = 70656;
const Bytes kMftRuns{0x12, 0x8A, 0x00, 0x20};

struct Analysed {
    AnalysisResult result;
    std::vector<FileTableEntry> entries;
    const FileTableEntry* entry(std::uint32_t ownId) const {
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.ownId == ownId; });
        return found == entries.end() ? nullptr : &*found;
    }
    // By position: an earlier formatting's $MFT record carries the own number 0 as well.
    const FileTableEntry* entryAt(std::uint64_t recordIndex) const {
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&](const auto& e) { return e.recordLba == kMftFirstLba + 2 * recordIndex; });
        return found == entries.end() ? nullptr : &*found;
    }
};

Analysed analyse(platform::DiskSystem& disks, const SearchFilter& filter, const TempFolder& folder,
                 GenerationState& generations) {
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    AnalysisProgress progress;
    AnalysisContext context{filter, generations, progress, folder.path()};
    Analysed analysed;
    analysed.result = runAnalysis(disks, inventory, 'D', context);
    EXPECT_TRUE(progress.finished.load());
    EXPECT_EQ(analysed.result.statistics.recordsProcessed, analysed.result.recordCount);
    analysed.entries = extractedTable(analysed.result);
    return analysed;
}

RecordBuilder mftRecord(std::uint64_t created, std::uint32_t ownNumber = 0) {
    RecordBuilder builder;
    builder.ownNumber(ownNumber).standardInformation(created, 0x06).fileName(u"$MFT", ntfs::testing::kWin32AndDos);
    return builder;
}

TEST(AnalysisTest, SecondMftRecordOpensANewGeneration) {
    TempFolder folder;
    const std::string image = copyOfLba0Image(folder);
    constexpr std::uint64_t kFirstTime = 0x01D0000000000000ull;
    // Records 40 to 44 are free in the fixture; they get the leftovers of an earlier formatting.
    writeRecord(image, 40, mftRecord(kFirstTime).nonResidentData(kMftBytes, kMftBytes, kMftRuns).build());
    writeRecord(image, 41, RecordBuilder().ownNumber(41).flags(0x0003).standardInformation()
                               .fileName(u"Old", ntfs::testing::kWin32AndDos).build());
    writeRecord(image, 42, RecordBuilder().ownNumber(42).standardInformation()
                               .fileName(u"old.doc", ntfs::testing::kWin32AndDos, 0x0001000000000029ull)
                               .residentData("old text").build());
    // The same creation time again, and a "$MFT" that is not record 0: neither opens one.
    writeRecord(image, 43, mftRecord(kFirstTime).nonResidentData(kMftBytes, kMftBytes, kMftRuns).build());
    writeRecord(image, 44, mftRecord(kFirstTime + 1, 44).nonResidentData(kMftBytes, kMftBytes, kMftRuns).build());

    platform::ImageDiskSystem disks({image});
    GenerationState generations;
    const Analysed first = analyse(disks, everyFileFilter(), folder, generations);
    ASSERT_EQ(first.result.outcome, AnalysisOutcome::Completed);
    // The volume's own $MFT has a creation time of zero: at a program start it opens none.
    for (std::uint32_t record : {0u, 5u}) {
        ASSERT_NE(first.entryAt(record), nullptr) << record;
        EXPECT_EQ(first.entryAt(record)->generation, '0') << record;
    }
    for (std::uint32_t record : {40u, 41u, 42u, 43u, 44u, 64u, 66u}) {
        ASSERT_NE(first.entryAt(record), nullptr) << record;
        EXPECT_EQ(first.entryAt(record)->generation, '1') << record;
    }
    EXPECT_EQ(first.entryAt(40)->ownId, 0u);
    EXPECT_EQ(first.entry(42)->parentId, 41u);
    EXPECT_TRUE(first.entry(41)->isFolder());
    EXPECT_EQ(generations.generation, '1');
    EXPECT_EQ(generations.lastMftCreated, kFirstTime);
    // The volume's own files are left out of the counts of files in use: hello.txt, Ёжик.txt,
    // manual.txt and old.doc are counted.
    EXPECT_EQ(first.result.statistics.filesInUse, 4u);

    // A second analysis in the same run goes on counting: record 0's time differs from the one
    // remembered now.
    const Analysed second = analyse(disks, everyFileFilter(), folder, generations);
    EXPECT_EQ(second.entryAt(0)->generation, '2');
    EXPECT_EQ(second.entryAt(41)->generation, '3');
}

TEST(AnalysisTest, GenerationRule) {
    GenerationState state;
    ntfs::FileRecordInfo mft;
    mft.ownNumber = 0;
    mft.created = 0;
    EXPECT_FALSE(noteMftRecord(state, mft));  // a zero time at a program start opens none
    mft.created = 100;
    EXPECT_TRUE(noteMftRecord(state, mft));
    EXPECT_FALSE(noteMftRecord(state, mft));
    mft.ownNumber = ntfs::kNoOwnNumber;  // the older layout carries no own number
    mft.created = 200;
    EXPECT_TRUE(noteMftRecord(state, mft));
    EXPECT_EQ(state.generation, '2');
    mft.ownNumber = 7;
    mft.created = 300;
    EXPECT_FALSE(noteMftRecord(state, mft));
    mft.ownNumber = 0;
    for (int i = 0; i < 12; ++i) {
        mft.created = 1000 + static_cast<std::uint64_t>(i);
        noteMftRecord(state, mft);
    }
    EXPECT_EQ(state.generation, '9');  // it stays at "9" once there
}

TEST(AnalysisTest, AttributeListInMftRecordIsRefusedBeforeAnythingIsWritten) {
    TempFolder folder;
    const std::string image = copyOfLba0Image(folder);
    RecordBuilder builder;
    builder.ownNumber(0).standardInformation(0, 0x06).resident(0x20, Bytes(32, 0))
        .fileName(u"$MFT", ntfs::testing::kWin32AndDos).nonResidentData(kMftBytes, kMftBytes, kMftRuns);
    writeRecord(image, 0, builder.build());

    platform::ImageDiskSystem disks({image});
    GenerationState generations;
    const Analysed analysed = analyse(disks, everyFileFilter(), folder, generations);
    EXPECT_EQ(analysed.result.outcome, AnalysisOutcome::AttributeListInMft);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / kWorkFileName));

    const MessageText english = analysisMessage(AnalysisOutcome::AttributeListInMft, text::Language::English);
    EXPECT_EQ(english.title, "By browsing the directory tree of the disc is impossible!");
    EXPECT_EQ(english.text,
              "In the main table entries $MFT found attribute\r\n\r\n                          ATTRIBUTE_LIST $20."
              "\r\n\r\nThis is rarely met by a variety of formation of the\r\ntable MFT, in this version of the "
              "program processing\r\nsuch structures has not been implemented.");
    const MessageText russian = analysisMessage(AnalysisOutcome::AttributeListInMft, text::Language::Russian);
    EXPECT_EQ(russian.title, "Просмотр дерева каталогов этого диска невозможен!");
    EXPECT_NE(russian.text.find("ATTRIBUTE_LIST $20."), std::string_view::npos);
}

TEST(AnalysisTest, NoMatchingFileIsReportedWithTheTableWritten) {
    platform::ImageDiskSystem disks({(testsupport::fixtureDir() / "lba0-ntfs.img").string()});
    TempFolder folder;
    GenerationState generations;
    const Analysed analysed = analyse(disks, SearchFilter{}, folder, generations);  // only .txt files there
    EXPECT_EQ(analysed.result.outcome, AnalysisOutcome::NoFileMatched);
    const FileStatistics& s = analysed.result.statistics;
    EXPECT_EQ(s.filesInUse, 3u);  // the volume's own files ($MFT, $MFTMirr, ...) are not counted
    EXPECT_EQ(s.filesDeleted, 1u);
    EXPECT_EQ(s.matchedFiles(), 0u);
    // Folders never pass through the filter; the $MFT record always matches and is not counted.
    ASSERT_NE(analysed.entry(66), nullptr);
    EXPECT_NE(analysed.entry(0), nullptr);
    EXPECT_EQ(analysed.entry(64), nullptr);

    const MessageText english = analysisMessage(AnalysisOutcome::NoFileMatched, text::Language::English);
    EXPECT_EQ(english.title, "Error search for files");
    EXPECT_EQ(english.text, "On the disk is not detected a single file \r\nthat satisfy the search criteria. ");
    const MessageText russian = analysisMessage(AnalysisOutcome::NoFileMatched, text::Language::Russian);
    EXPECT_EQ(russian.title, "Ошибка поиска файлов");
    EXPECT_EQ(russian.text, "На диске не обнаружено ни одного файла,\r\nудовлетворяющего критериям поиска.");
    EXPECT_EQ(stageText(AnalysisStage::Extraction, text::Language::English), "EXTRACTION OF INFORMATION FROM MTF");
    EXPECT_EQ(stageText(AnalysisStage::Reading, text::Language::Russian), "ЧТЕНИЕ ТАБЛИЦЫ MTF В ПАМЯТЬ       ");
}

TEST(AnalysisTest, BadSectorCostsOneRecordOnly) {
    const std::string image = (testsupport::fixtureDir() / "lba0-ntfs.img").string();
    TempFolder cleanFolder;
    platform::ImageDiskSystem clean({image});
    GenerationState cleanGenerations;
    const Analysed expected = analyse(clean, everyFileFilter(), cleanFolder, cleanGenerations);
    ASSERT_EQ(expected.result.outcome, AnalysisOutcome::Completed);

    // The second sector of record 65 (Ёжик.txt), whether the layer delivers the sectors before
    // it or nothing of a read that touches it; and a transient error in record 66, which costs
    // nothing.
    for (const auto shape : {testsupport::FaultyDisks::Shape::PrefixArrives, testsupport::FaultyDisks::Shape::NothingArrives}) {
        testsupport::FaultyDisks faulty({image}, shape);
        faulty.failSectors(kMftFirstLba + 2 * 65 + 1);
        faulty.failOnce(kMftFirstLba + 2 * 66);
        TempFolder folder;
        GenerationState generations;
        const Analysed analysed = analyse(faulty, everyFileFilter(), folder, generations);
        ASSERT_EQ(analysed.result.outcome, AnalysisOutcome::Completed);
        EXPECT_EQ(analysed.result.statistics.unreadableRecords, 1u);
        EXPECT_EQ(analysed.result.statistics.recordsProcessed, expected.result.recordCount);
        EXPECT_EQ(analysed.entry(65), nullptr);
        EXPECT_NE(analysed.entry(66), nullptr);
        ASSERT_EQ(analysed.entries.size() + 1, expected.entries.size());
        for (const FileTableEntry& entry : analysed.entries) {
            const FileTableEntry* same = expected.entry(entry.ownId);
            ASSERT_NE(same, nullptr);
            EXPECT_EQ(encodeEntry(entry), encodeEntry(*same));
        }
        // Halving finds the sector in a few reads, not one read per sector of the piece.
        EXPECT_LT(faulty.reads(), 60u);
    }
}

// The $MFT's own record: a transient error is read through, a bad sector in it is made good by
// its copy in the $MFTMirr (whose cluster the boot sector gives), and only when both are
// unreadable is the analysis refused, before anything is written.
TEST(AnalysisTest, MftRecordIsReadAgainThenTakenFromTheMirror) {
    const std::string image = (testsupport::fixtureDir() / "lba0-ntfs.img").string();
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::PartitionFacts& volume = *manifest.image("lba0-ntfs.img").partition(0);
    ASSERT_EQ(volume.mftCluster * volume.sectorsPerCluster(), kMftFirstLba);
    const std::uint64_t mirrorLba = volume.mftMirrorCluster * volume.sectorsPerCluster();

    TempFolder cleanFolder;
    platform::ImageDiskSystem clean({image});
    GenerationState cleanGenerations;
    const Analysed expected = analyse(clean, everyFileFilter(), cleanFolder, cleanGenerations);

    const struct {
        const char* what;
        int mftTimes;     // failed reads of record 0's second sector
        bool mirrorBad;
        AnalysisOutcome outcome;
        std::uint64_t unreadableRecords;
    } cases[] = {
        {"one transient error, the mirror bad", 1, true, AnalysisOutcome::Completed, 0},
        {"a bad sector", testsupport::FaultyDisks::kAlways, false, AnalysisOutcome::Completed, 1},
        {"a bad sector, the mirror's too", testsupport::FaultyDisks::kAlways, true, AnalysisOutcome::MftRecordUnreadable, 0},
    };
    for (const auto& c : cases) {
        testsupport::FaultyDisks faulty({image});
        faulty.failSectors(kMftFirstLba + 1, 1, c.mftTimes);
        if (c.mirrorBad) faulty.failSectors(mirrorLba);
        TempFolder folder;
        GenerationState generations;
        const Analysed analysed = analyse(faulty, everyFileFilter(), folder, generations);
        EXPECT_EQ(analysed.result.outcome, c.outcome) << c.what;
        EXPECT_EQ(analysed.result.statistics.unreadableRecords, c.unreadableRecords) << c.what;
        if (c.outcome != AnalysisOutcome::Completed) {
            EXPECT_FALSE(std::filesystem::exists(folder.path() / kWorkFileName)) << c.what;
            continue;
        }
        // Every file and folder is found; only the $MFT's own entry is missing with its record.
        EXPECT_EQ(analysed.entries.size() + c.unreadableRecords, expected.entries.size()) << c.what;
        for (std::uint32_t record : {64u, 65u, 66u}) EXPECT_NE(analysed.entry(record), nullptr) << c.what;
    }
}

// The same on a volume of 4,096-byte sectors and records, whose record 0 is one whole sector and
// whose $MFTMirr lies in the middle of the volume: the copy's place and size follow the volume's
// units.
TEST(AnalysisTest, MftRecordOfFourKilobytesIsTakenFromTheMirror) {
    const std::string image = (testsupport::fixtureDir() / "ntfs4k.img").string();
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::PartitionFacts& volume = *manifest.image("ntfs4k.img").partition(0);
    ASSERT_EQ(volume.mftRecordSize, 4096u);
    // The fault is placed in 512-byte sectors: record 0's last one, and one in its copy.
    const std::uint64_t recordLast = (volume.mftCluster * volume.clusterSize + 4095) / 512;
    const std::uint64_t mirrorSector = volume.mftMirrorCluster * volume.clusterSize / 512 + 3;

    TempFolder cleanFolder;
    platform::ImageDiskSystem clean({image});
    GenerationState cleanGenerations;
    const Analysed expected = analyse(clean, everyFileFilter(), cleanFolder, cleanGenerations);
    ASSERT_EQ(expected.result.outcome, AnalysisOutcome::Completed);
    EXPECT_EQ(expected.result.units.sectorBytes, 4096u);
    EXPECT_EQ(expected.result.units.recordBytes, 4096u);

    for (const bool mirrorBad : {false, true}) {
        SCOPED_TRACE(mirrorBad ? "the mirror bad too" : "the mirror good");
        testsupport::FaultyDisks faulty({image});
        faulty.failSectors(recordLast);
        if (mirrorBad) faulty.failSectors(mirrorSector);
        TempFolder folder;
        GenerationState generations;
        const Analysed analysed = analyse(faulty, everyFileFilter(), folder, generations);
        if (mirrorBad) {
            EXPECT_EQ(analysed.result.outcome, AnalysisOutcome::MftRecordUnreadable);
            continue;
        }
        EXPECT_EQ(analysed.result.outcome, AnalysisOutcome::Completed);
        EXPECT_EQ(analysed.result.statistics.unreadableRecords, 1u);
        EXPECT_EQ(analysed.entries.size() + 1, expected.entries.size());
    }
}

// A table beyond the memory the analysis may take ends it with a message, leaving neither a tree
// nor a work file; the limit counts the lost folders of the tree as well.
TEST(AnalysisTest, TableBeyondTheMemoryLimitIsRefused) {
    // A copy whose folder Mountains lost its record: peak.txt makes a lost folder.
    TempFolder copy;
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    platform::ImageDiskSystem disks({testsupport::copyWithLostFolder(copy, manifest.image("mbr.img"))});
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    auto analyseWithin = [&](std::uint64_t entries, const TempFolder& folder) {
        const SearchFilter filter = everyFileFilter();
        GenerationState generations;
        AnalysisProgress progress;
        AnalysisContext context{filter, generations, progress, folder.path(), entries * kFileTableEntryBytes};
        AnalysisResult result = runAnalysis(disks, inventory, 'D', context);
        EXPECT_TRUE(progress.finished.load());
        return result;
    };
    TempFolder unlimited;
    const AnalysisResult whole = analyseWithin(1'000'000, unlimited);
    ASSERT_EQ(whole.outcome, AnalysisOutcome::Completed);
    const std::uint64_t extracted = whole.entriesWritten;
    const std::uint64_t withLost = whole.tree.table.size();
    ASSERT_GT(withLost, extracted);  // the volume has orphans, so the tree adds lost folders

    for (const std::uint64_t limit : {extracted - 1, withLost - 1}) {
        TempFolder folder;
        const AnalysisResult refused = analyseWithin(limit, folder);
        EXPECT_EQ(refused.outcome, AnalysisOutcome::TableTooLarge) << limit;
        EXPECT_TRUE(refused.tree.table.empty());
        EXPECT_FALSE(std::filesystem::exists(folder.path() / kWorkFileName)) << limit;
    }
    TempFolder enough;
    EXPECT_EQ(analyseWithin(withLost, enough).outcome, AnalysisOutcome::Completed);

    const MessageText english = analysisMessage(AnalysisOutcome::TableTooLarge, text::Language::English);
    EXPECT_EQ(english.title, "By browsing the directory tree of the disc is impossible!");
    EXPECT_EQ(english.text.substr(0, 51), "The file table of this disk does not fit in memory.");
    EXPECT_FALSE(analysisMessage(AnalysisOutcome::TableTooLarge, text::Language::Russian).text.empty());
}

// The area the files' data occupy, as the tree window shows it: the lowest and the highest
// cluster of the runs of every file the manifest lists (The Sleuth Kit's run lists), the
// system's own files left out.
TEST(AnalysisTest, ClusterAreaOfTheFilesAgreesWithTheRunLists) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("mbr.img");
    std::uint64_t lowest = ~std::uint64_t{0}, highest = 0;
    for (const testsupport::EntryFacts* entry : facts.entriesOf(0)) {
        const std::string name = entry->name();
        if (!entry->isFile() || name.starts_with("$") || name.starts_with("tracking.log")) continue;
        for (const testsupport::RunFacts& run : entry->runs) {
            if (run.sparse) continue;
            lowest = std::min(lowest, run.lcn);
            highest = std::max(highest, run.lcn + run.length);
        }
    }
    platform::ImageDiskSystem disks({facts.path(testsupport::fixtureDir())});
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    const SearchFilter filter = everyFileFilter();
    TempFolder folder;
    GenerationState generations;
    AnalysisProgress progress;
    AnalysisContext context{filter, generations, progress, folder.path()};
    const AnalysisResult result = runAnalysis(disks, inventory, 'D', context);
    ASSERT_EQ(result.outcome, AnalysisOutcome::Completed);
    EXPECT_EQ(result.statistics.clusters.lowestCluster, lowest);
    EXPECT_EQ(result.statistics.clusters.highestCluster, highest);
}

// A stop asked for while the MFT is read ends the analysis without a tree or a work file; the
// counters the window shows meanwhile are those of the records decoded so far.
TEST(AnalysisTest, StopRequestLeavesNothingBehind) {
    platform::ImageDiskSystem disks({(testsupport::fixtureDir() / "mbr.img").string()});
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    const SearchFilter filter = everyFileFilter();
    TempFolder whole, stopped;
    GenerationState generations;
    AnalysisProgress progress;
    AnalysisContext context{filter, generations, progress, whole.path()};
    const AnalysisResult completed = runAnalysis(disks, inventory, 'D', context);
    ASSERT_EQ(completed.outcome, AnalysisOutcome::Completed);
    const FileStatistics published = progress.statistics.snapshot();
    EXPECT_EQ(published.filesInUse, completed.statistics.filesInUse);
    EXPECT_EQ(published.matchedDeleted, completed.statistics.matchedDeleted);
    EXPECT_EQ(published.bytesDeleted, completed.statistics.bytesDeleted);

    progress.stopRequested.store(true);
    AnalysisContext stopContext{filter, generations, progress, stopped.path()};
    const AnalysisResult result = runAnalysis(disks, inventory, 'D', stopContext);
    EXPECT_EQ(result.outcome, AnalysisOutcome::Stopped);
    EXPECT_TRUE(progress.finished.load());
    EXPECT_TRUE(result.tree.table.empty());
    EXPECT_FALSE(std::filesystem::exists(stopped.path() / kWorkFileName));
    EXPECT_TRUE(analysisMessage(AnalysisOutcome::Stopped, text::Language::English).title.empty());
}

TEST(AnalysisTest, DefaultFilterKeepsMatchingFilesAndEveryFolder) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("mbr.img");
    platform::ImageDiskSystem disks({facts.path(testsupport::fixtureDir())});
    TempFolder folder;
    GenerationState generations;
    SearchFilter filter;
    filter.searchDeleted = 1;
    filter.extensionOn[17] = 0;  // GIF stays off
    const Analysed analysed = analyse(disks, filter, folder, generations);  // D: is the first NTFS volume
    ASSERT_EQ(analysed.result.outcome, AnalysisOutcome::Completed);

    const std::set<std::string> wanted{"DOC", "RTF", "XLS", "MDB", "PPT", "ARJ", "RAR", "ZIP", "JPG"};
    std::set<std::uint32_t> expected;
    for (const testsupport::EntryFacts* e : facts.entriesOf(0)) {
        const std::string name = e->name();
        if (e->isDir()) {
            expected.insert(static_cast<std::uint32_t>(e->record));
            continue;
        }
        const auto dot = name.rfind('.');
        std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1, 3);
        for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (wanted.count(ext)) expected.insert(static_cast<std::uint32_t>(e->record));
    }
    std::set<std::uint32_t> kept;
    std::uint64_t matched = 0;
    for (const FileTableEntry& entry : analysed.entries) {
        if (entry.ownId == 0 || entry.ownId == 5) continue;  // the $MFT and the root folder
        kept.insert(entry.ownId);
        if (!entry.isFolder()) ++matched;
    }
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(analysed.result.statistics.matchedFiles(), matched);

    // Once the tree is built the work file holds the saved table: placed folders, files, lost
    // folders last.
    std::vector<FileTableEntry> onDisk;
    ASSERT_TRUE(readWorkFile(analysed.result.workFile, onDisk));
    const std::vector<FileTableEntry> saved = savedTable(analysed.result.tree);
    ASSERT_EQ(onDisk.size(), saved.size());
    for (std::size_t i = 0; i < saved.size(); ++i) EXPECT_EQ(encodeEntry(onDisk[i]), encodeEntry(saved[i])) << i;
    // Only folders that lead to a found file are kept: Temp holds no .doc, .xls or .jpg file.
    EXPECT_LT(saved.size(), analysed.entries.size());
    EXPECT_TRUE(std::none_of(onDisk.begin(), onDisk.end(), [](const auto& e) { return std::strcmp(e.name, "Temp") == 0; }));
    EXPECT_GT(analysed.result.statistics.filesInUse, analysed.result.statistics.matchedInUse);
}

// The volume of a partition as the virtual-disk dialogs would model it: its $MFT record read from
// the disk (unmasked), its runs turned into the run table.
VirtualDiskVolume virtualDiskOf(platform::DiskSystem& disks, const disk::SectorMaskTable& masks,
                                const testsupport::PartitionFacts& part) {
    VirtualDiskVolume volume;
    volume.diskNumber = '0';
    volume.bootLba = part.startLba;
    volume.sectorsPerCluster = part.sectorsPerCluster();
    std::array<std::uint8_t, 1024> record{};
    disk::readDiskBytes(disks, masks, '0', (part.startLba + part.mftCluster * part.sectorsPerCluster()) * 512, record);
    ntfs::FileRecordInfo info;
    EXPECT_EQ(ntfs::decodeFileRecord(record, info), ntfs::kRecordGood);
    ntfs::buildMftRunTable(volume.runTable, info.runs, volume.sectorsPerCluster, volume.bootLba);
    return volume;
}

// The analysis of a virtual disk with every file kept, its work file in the folder.
AnalysisResult analyseVirtualDisk(platform::DiskSystem& disks, const disk::SectorMaskTable& masks,
                                  const VirtualDiskVolume& volume, const TempFolder& folder) {
    GenerationState generations;
    AnalysisProgress progress;
    const SearchFilter filter = everyFileFilter();
    AnalysisContext context{filter, generations, progress, folder.path()};
    AnalysisResult result = runAnalysis(disks, masks, volume, context);
    EXPECT_TRUE(progress.finished.load());
    return result;
}

TEST(VirtualDiskAnalysisTest, SameTableAsTheLetteredVolume) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("mbr.img");
    platform::ImageDiskSystem disks({facts.path(testsupport::fixtureDir())});
    TempFolder lettered, virtualDisk;
    GenerationState generations;
    const Analysed expected = analyse(disks, everyFileFilter(), lettered, generations);
    ASSERT_EQ(expected.result.outcome, AnalysisOutcome::Completed);

    disk::SectorMaskTable masks;
    const VirtualDiskVolume volume = virtualDiskOf(disks, masks, *facts.partition(0));
    const AnalysisResult result = analyseVirtualDisk(disks, masks, volume, virtualDisk);
    ASSERT_EQ(result.outcome, AnalysisOutcome::Completed);
    const std::vector<FileTableEntry> entries = extractedTable(result);
    ASSERT_EQ(entries.size(), expected.entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(encodeEntry(entries[i]), encodeEntry(expected.entries[i])) << i;
    }
    EXPECT_EQ(result.geometry.volumeStartLba, 2048u);
    EXPECT_EQ(result.geometry.runTable[0].startLba, expected.result.geometry.runTable[0].startLba);
}

TEST(VirtualDiskAnalysisTest, MaskedDiskIsUnmaskedBeyondThePartitionGap) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("masked.img");
    platform::ImageDiskSystem disks({facts.path(testsupport::fixtureDir())});
    disk::SectorMaskTable masks;
    ASSERT_TRUE(disk::loadSectorMask(disks, masks, '0'));
    const VirtualDiskVolume volume = virtualDiskOf(disks, masks, *facts.partition(0));
    TempFolder folder;
    const AnalysisResult result = analyseVirtualDisk(disks, masks, volume, folder);
    ASSERT_EQ(result.outcome, AnalysisOutcome::Completed);
    const std::vector<FileTableEntry> entries = extractedTable(result);
    for (const testsupport::EntryFacts* fact : facts.entriesOf(0)) {
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.ownId == fact->record; });
        ASSERT_NE(found, entries.end()) << fact->path;
        EXPECT_EQ(found->isDeleted(), fact->deleted) << fact->path;
        EXPECT_EQ(found->size(), fact->isFile() ? fact->size : 0) << fact->path;
        EXPECT_EQ(found->parentId, fact->parent) << fact->path;
    }

    // Without the mask the same sectors are no FILE records at all.
    disk::SectorMaskTable noMasks;
    TempFolder other;
    EXPECT_EQ(analyseVirtualDisk(disks, noMasks, volume, other).outcome, AnalysisOutcome::MftRecordUnreadable);
}

// A $MFT record that claims more than its allocation, its runs and the volume hold (here: up to
// 2^63 bytes) is read only as far as those go, in both kinds of analysis, and the claim is shown;
// the analysis ends at once instead of visiting billions of records that are not there.
TEST(AnalysisTest, MftRecordClaimingMoreThanTheVolumeHoldsIsReadAsFarAsItGoes) {
    constexpr std::uint64_t kTwoTo63 = std::uint64_t{1} << 63;
    constexpr std::uint64_t kRecords = kMftBytes / 1024;  // 69
    // 24 MiB from LBA 0: the run from cluster 32 can hold the records up to the volume's end.
    constexpr std::uint64_t kVolumeRecords = (24 * 2048 - kMftFirstLba) / 2;
    const Bytes runPastTheVolume{0x14, 0xFF, 0xFF, 0xFF, 0x7F, 0x20};  // 2^31 - 1 clusters from 32
    struct Case {
        const char* what;
        std::uint64_t allocatedSize, realSize;
        Bytes runs;
        std::uint64_t recordsRead;
    };
    const Case cases[] = {
        {"real size 2^63", kMftBytes, kTwoTo63, kMftRuns, kRecords},
        {"both sizes 2^40", std::uint64_t{1} << 40, std::uint64_t{1} << 40, kMftRuns, kRecords},
        {"real size beyond the allocated size", kMftBytes - 1024, kMftBytes, kMftRuns, kRecords - 1},
        {"both sizes 2^63, a run past the volume", kTwoTo63, kTwoTo63, runPastTheVolume, kVolumeRecords},
    };
    platform::ImageDiskSystem clean({(testsupport::fixtureDir() / "lba0-ntfs.img").string()});
    TempFolder cleanFolder;
    GenerationState cleanGenerations;
    const Analysed expected = analyse(clean, everyFileFilter(), cleanFolder, cleanGenerations);
    ASSERT_EQ(expected.result.outcome, AnalysisOutcome::Completed);
    EXPECT_EQ(expected.result.claimedRecordCount, kRecords);
    EXPECT_EQ(mftClaimText(expected.result.claimedRecordCount, expected.result.recordCount, text::Language::English),
              "");

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string image = copyOfLba0Image(folder);
        RecordBuilder builder = mftRecord(0x01DA6BD2F1B4C000ull);
        builder.nonResidentData(c.allocatedSize, c.realSize, c.runs);
        writeRecord(image, 0, builder.build());
        platform::ImageDiskSystem disks({image});

        GenerationState generations;
        const Analysed analysed = analyse(disks, everyFileFilter(), folder, generations);
        ASSERT_EQ(analysed.result.outcome, AnalysisOutcome::Completed);
        EXPECT_EQ(analysed.result.claimedRecordCount, c.realSize / 1024);
        EXPECT_EQ(analysed.result.recordCount, c.recordsRead);
        EXPECT_EQ(analysed.result.geometry.lastRecordIndex, c.recordsRead - 1);
        for (const FileTableEntry& entry : expected.entries) {
            if (entry.ownId != 0 && entry.recordLba < kMftFirstLba + 2 * c.recordsRead) {
                EXPECT_NE(analysed.entryAt((entry.recordLba - kMftFirstLba) / 2), nullptr) << entry.ownId;
            }
        }
        EXPECT_EQ(mftClaimText(c.realSize / 1024, c.recordsRead, text::Language::English),
                  "The $MFT record claims " + std::to_string(c.realSize / 1024) +
                      " records, but its allocated size, its runs and the volume hold only " +
                      std::to_string(c.recordsRead) + " records:\r\nonly these were read. The $MFT record is damaged.");

        // The virtual disk of the same volume: its run table stops at the largest 32-bit record
        // number, the disk's end bounds it further.
        testsupport::PartitionFacts part;
        part.startLba = 0;
        part.clusterSize = 512;
        part.mftCluster = kMftFirstLba;
        disk::SectorMaskTable masks;
        const VirtualDiskVolume volume = virtualDiskOf(disks, masks, part);
        TempFolder virtualFolder;
        const AnalysisResult result = analyseVirtualDisk(disks, masks, volume, virtualFolder);
        ASSERT_EQ(result.outcome, AnalysisOutcome::Completed);
        EXPECT_EQ(result.recordCount, c.recordsRead);
        EXPECT_EQ(result.statistics.recordsProcessed, c.recordsRead);
    }
}

TEST(MftRunsTest, RecordPositionsContinueAcrossRuns) {
    // 4 clusters at cluster 16, then 8 clusters 32 clusters further on; 8 sectors a cluster.
    RecordBuilder builder = mftRecord(1);
    builder.nonResidentData(12 * 4096, 12 * 4096, {0x11, 0x04, 0x10, 0x11, 0x08, 0x20});
    Bytes bytes = builder.build();
    ntfs::FileRecordInfo info;
    ASSERT_EQ(ntfs::decodeFileRecord(bytes, info), ntfs::kRecordGood);
    const VolumeUnits units = ntfs::volumeUnitsOf(512, 8, 1024);
    const std::vector<MftRun> runs = buildMftRuns(info, units);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].firstRecord, 0u);
    EXPECT_EQ(runs[0].lastRecord, 15u);
    EXPECT_EQ(runs[1].firstRecord, 16u);
    EXPECT_EQ(runs[1].lastRecord, 47u);
    EXPECT_EQ(recordsCovered(runs), 48u);

    std::uint64_t lba = 0;
    ASSERT_TRUE(recordLbaOf(runs, units, 2048, 15, lba));
    EXPECT_EQ(lba, 2048u + 16 * 8 + 30);
    ASSERT_TRUE(recordLbaOf(runs, units, 2048, 16, lba));
    EXPECT_EQ(lba, 2048u + 48 * 8);
    ASSERT_TRUE(recordLbaOf(runs, units, 2048, 47, lba));
    EXPECT_EQ(lba, 2048u + 48 * 8 + 62);
    EXPECT_FALSE(recordLbaOf(runs, units, 2048, 48, lba));

    AnalysisGeometry geometry;
    ASSERT_TRUE(makeAnalysisGeometry(runs, 12 * 4096, units, 2048, geometry));
    EXPECT_EQ(geometry.lastRecordIndex, 47u);
    EXPECT_EQ(geometry.sectorsPerCluster, 8u);
    EXPECT_EQ(geometry.volumeStartLba, 2048u);
    EXPECT_EQ(geometry.runTable[1].firstRecord, 16u);
    EXPECT_EQ(geometry.runTable[1].lastRecord, 47u);
    EXPECT_EQ(geometry.runTable[1].startLba, 2048u + 384);
    EXPECT_EQ(geometry.runTable[2].startLba, 0u);  // ends the table
    // An MFT that reaches beyond 32-bit sector numbers does not fit the table.
    EXPECT_FALSE(makeAnalysisGeometry(runs, 12 * 4096, units, 0xFFFFFF00ull, geometry));
}

// The same two runs of 4,096-byte clusters on volumes of other units: LBAs count the disk's
// sectors, records follow their own size, and a record smaller than a sector is found inside it.
TEST(MftRunsTest, RecordPositionsFollowTheVolumesUnits) {
    RecordBuilder builder = mftRecord(1);
    builder.nonResidentData(12 * 4096, 12 * 4096, {0x11, 0x04, 0x10, 0x11, 0x08, 0x20});
    Bytes bytes = builder.build();
    ntfs::FileRecordInfo info;
    ASSERT_EQ(ntfs::decodeFileRecord(bytes, info), ntfs::kRecordGood);
    struct Case {
        std::uint32_t sectorBytes, sectorsPerCluster, recordBytes;
        std::uint64_t lastRecord;        // of the whole MFT
        std::uint64_t secondRunFirst;    // first record of the second run
        std::uint64_t lbaOfRecord5;      // with the volume at LBA 256
        std::uint64_t byteOfRecord5;     // on the disk
    };
    const Case cases[] = {
        // 4Kn disk, 4,096-byte records: a record a sector; record 5 is the second of the second run.
        {4096, 1, 4096, 11, 4, 256 + 48 + 1, (256 + 48 + 1) * 4096ull},
        // 4,096-byte records on 512-byte sectors: eight sectors a record.
        {512, 8, 4096, 11, 4, 256 + 48 * 8 + 8, (256 + 48 * 8 + 8) * 512ull},
        // 1,024-byte records on a 4Kn disk: record 5 is the second quarter of the run's second sector.
        {4096, 1, 1024, 47, 16, 256 + 16 + 1, (256 + 16 + 1) * 4096ull + 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sectorBytes << "-byte sectors, " << c.recordBytes << "-byte records");
        const VolumeUnits units = ntfs::volumeUnitsOf(c.sectorBytes, c.sectorsPerCluster, c.recordBytes);
        const std::vector<MftRun> runs = buildMftRuns(info, units);
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[1].firstRecord, c.secondRunFirst);
        EXPECT_EQ(recordsCovered(runs), c.lastRecord + 1);
        std::uint64_t lba = 0;
        ASSERT_TRUE(recordLbaOf(runs, units, 256, 5, lba));
        EXPECT_EQ(lba, c.lbaOfRecord5);
        EXPECT_EQ(recordDiskByte(lba, 5, units), c.byteOfRecord5);
        // The volume's end bounds the records by bytes, whatever the units.
        EXPECT_EQ(readableRecordLimit(runs, 12 * 4096, 0, c.recordBytes), c.lastRecord + 1);
        EXPECT_EQ(readableRecordLimit(runs, 12 * 4096, 20 * 4096, c.recordBytes), runs[1].firstRecord);
        AnalysisGeometry geometry;
        ASSERT_TRUE(makeAnalysisGeometry(runs, 12 * 4096, units, 256, geometry));
        EXPECT_EQ(geometry.sectorsPerCluster, c.sectorsPerCluster);
        EXPECT_EQ(geometry.runTable[1].startLba, 256 + 48 * 4096ull / c.sectorBytes);
    }
}

}  // namespace
}  // namespace quenzar::recovery
