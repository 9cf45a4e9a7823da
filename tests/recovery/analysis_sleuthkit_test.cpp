// The file table of real NTFS volumes compared with what The Sleuth Kit's `fls -r -p` lists on the
// same volumes: every user file and folder, in use and deleted, is in the table with the same
// record number, kind, deleted state, size, name and parent folder, and every difference is one
// that the extraction's rules call for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "ntfs/attribute_list.h"
#include "platform/code_page_1251.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "recovery/file_table_extraction.h"
#include "recovery/work_file.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::recovery {
namespace {

using testsupport::runCommand;
using testsupport::TempFolder;

const std::filesystem::path kWindowsTestData =
    (std::filesystem::path(__FILE__).parent_path() / "../../../shared/testdata/windows").lexically_normal();

// One line of `fls -r -p -l`.
struct FlsEntry {
    std::uint64_t record = 0;
    bool folder = false;
    bool deleted = false;
    bool virtualEntry = false;  // TSK's own $OrphanFiles folder
    bool nameOnly = false;      // a name left in a folder index without a FILE record ("r/-")
    std::uint64_t size = 0;
    std::string path;  // UTF-8
    std::string name() const { return path.substr(path.rfind('/') + 1); }
    std::string parentPath() const {
        const auto slash = path.rfind('/');
        return slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
};

std::vector<FlsEntry> listWithFls(const std::string& image, std::uint64_t startLba) {
    int exitCode = 0;
    const std::string out =
        runCommand("fls -r -p -l -o " + std::to_string(startLba) + " '" + image + "'", &exitCode);
    EXPECT_EQ(exitCode, 0) << "fls failed on " << image;
    std::vector<FlsEntry> entries;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
        if (fields.size() < 7) continue;
        // "r/r * 97-128-2:" : type, deleted mark, record-type-id.
        std::istringstream head(fields[0]);
        std::string type, token;
        head >> type;
        FlsEntry entry;
        while (head >> token) {
            if (token == "*") entry.deleted = true;
            else entry.record = std::stoull(token.substr(0, token.find_first_of("-:")));
        }
        entry.folder = type.size() == 3 && type[2] == 'd';
        entry.virtualEntry = type[0] == 'V';
        entry.nameOnly = type.size() == 3 && type[2] == '-';
        entry.path = fields[1];
        entry.size = std::stoull(fields[6]);
        entries.push_back(entry);
    }
    return entries;
}

struct Analysed {
    AnalysisResult result;
    std::vector<FileTableEntry> entries;
};

Analysed analyseVolume(platform::DiskSystem& disks, std::uint64_t startLba, const SearchFilter& filter,
                       const TempFolder& folder, GenerationState& generations) {
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    char letter = 0;
    for (int i = 0; i < disk::kDriveLetterCount; ++i) {
        const disk::LogicalDriveInfo& drive = inventory.drives[static_cast<std::size_t>(i)];
        if (drive.diskNumber == 0 && drive.startLba == startLba &&
            std::string(drive.fileSystemLabel.data(), 6) == "  NTFS") {
            letter = static_cast<char>(disk::kFirstDriveLetter + i);
        }
    }
    Analysed analysed;
    EXPECT_NE(letter, 0) << "no drive letter for the volume at LBA " << startLba;
    if (letter == 0) return analysed;
    AnalysisProgress progress;
    AnalysisContext context{filter, generations, progress, folder.path()};
    analysed.result = runAnalysis(disks, inventory, letter, context);
    EXPECT_TRUE(progress.finished.load());
    EXPECT_EQ(analysed.result.statistics.recordsProcessed, analysed.result.recordCount);
    analysed.entries = extractedTable(analysed.result);
    return analysed;
}

std::string entryName(const FileTableEntry& entry) { return std::string(entry.name, strnlen(entry.name, 63)); }

// The name as the table keeps it: code page 1251, at most 63 bytes.
std::string tableName(const std::string& utf8Name) { return platform::utf8ToCp1251(utf8Name).substr(0, 63); }

// A record of the analysed volume read at its place along the MFT's runs and decoded: its
// integrity code, and whether it is an extension record.
struct RecordRead {
    std::uint32_t code = ~0u;
    bool extension = false;
};

RecordRead readRecord(const std::string& image, const Analysed& analysed, std::uint64_t record) {
    RecordRead read;
    std::uint64_t lba = 0;
    const VolumeUnits& units = analysed.result.units;
    if (!recordLbaOf(analysed.result.mftRuns, units, analysed.result.geometry.volumeStartLba, record, lba)) return read;
    std::vector<std::uint8_t> bytes(units.recordBytes);
    std::ifstream in(image, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(recordDiskByte(lba, record, units)));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ntfs::FileRecordInfo info;
    read.code = ntfs::decodeFileRecord(bytes, info);
    read.extension = ntfs::isExtensionRecord(bytes);
    return read;
}

// The volume's own files by what fls says they are: the metadata records but the $MFT (which the
// table keeps for its formatting), whatever lies under $Extend, and Windows' two files in
// "System Volume Information". Never a name's first letters.
bool isVolumesOwn(const std::string& path, std::uint64_t record) {
    if (record < 16) return path != "$MFT";
    return path.rfind("$Extend/", 0) == 0 || path == "System Volume Information/MountPointManagerRemoteDatabase" ||
           path == "System Volume Information/tracking.log";
}

// Compares the table with fls and returns the notes on every difference the rules explain.
void compareWithFls(const std::string& image, std::uint64_t startLba, const Analysed& analysed,
                    std::vector<std::string>& explained) {
    const std::vector<FlsEntry> listed = listWithFls(image, startLba);
    ASSERT_FALSE(listed.empty());

    std::map<std::uint32_t, const FileTableEntry*> byRecord;
    for (const FileTableEntry& entry : analysed.entries) {
        EXPECT_TRUE(byRecord.emplace(entry.ownId, &entry).second) << "record " << entry.ownId << " twice";
    }
    std::map<std::string, std::uint64_t> recordOfPath;
    std::set<std::uint64_t> listedRecords{5};  // fls does not list the root folder itself
    std::map<std::uint64_t, std::vector<const FlsEntry*>> namesOfRecord;
    for (const FlsEntry& e : listed) {
        recordOfPath[e.path] = e.record;
        listedRecords.insert(e.record);
        if (!e.virtualEntry && !e.nameOnly && e.path.rfind("$OrphanFiles/", 0) != 0) namesOfRecord[e.record].push_back(&e);
    }

    // A fresh start opens generation "1" with the volume's $MFT, unless its creation time is
    // zero as some formatters write it: then its entries stay in generation "0".
    ASSERT_TRUE(byRecord.count(0)) << "no $MFT entry";
    const bool mftTimeZero = std::string(byRecord.at(0)->created, 16) == "1601.01.01 00:00";
    const char generation = mftTimeZero ? '0' : '1';

    std::size_t compared = 0;
    for (const FlsEntry& e : listed) {
        SCOPED_TRACE(image + ": " + e.path);
        if (e.virtualEntry) continue;
        if (e.path.find(':') != std::string::npos) continue;  // a named stream: not a table entry
        if (e.nameOnly) {
            // Only the folder index remembers the name; the table is made from FILE records.
            explained.push_back(e.path + ": name without a FILE record");
            continue;
        }
        const std::string name = tableName(e.name());
        const bool orphan = e.path.rfind("$OrphanFiles/", 0) == 0;
        if (orphan && e.name().rfind("OrphanFile-", 0) == 0) {
            // TSK names records it cannot place; without a name of their own the decoder rejects
            // them (no $FILE_NAME), so none of them is in the table.
            EXPECT_EQ(byRecord.count(static_cast<std::uint32_t>(e.record)), 0u);
            explained.push_back("record " + std::to_string(e.record) + ": nameless orphan, no $FILE_NAME");
            continue;
        }
        const auto found = byRecord.find(static_cast<std::uint32_t>(e.record));
        if (isVolumesOwn(e.path, e.record)) {
            EXPECT_TRUE(found == byRecord.end()) << "one of the volume's own files is in the table";
            explained.push_back(e.path + ": the volume's own file");
            continue;
        }
        if (found == byRecord.end()) {
            const RecordRead read = readRecord(image, analysed, e.record);
            if (e.deleted && read.code == ntfs::kNoDataAttribute) {
                // A file whose making failed half way (a full volume): its record has names but no $DATA.
                explained.push_back(e.path + ": record without $DATA");
                continue;
            }
            if (read.extension) {
                // fls names the extension record that holds a file's $FILE_NAME; the table has
                // the file under its base record.
                explained.push_back(e.path + ": name in extension record " + std::to_string(e.record));
                continue;
            }
        }
        ASSERT_TRUE(found != byRecord.end()) << "record " << e.record << " is missing from the table";
        const FileTableEntry& entry = *found->second;
        ++compared;
        EXPECT_EQ(entry.isFolder(), e.folder);
        EXPECT_EQ(entry.isDeleted(), e.deleted);
        EXPECT_EQ(entry.size(), e.folder ? 0 : e.size);
        EXPECT_EQ(entry.generation, generation);
        // A file of several hard links is in the table once, under one of its names.
        const std::vector<const FlsEntry*>& names = namesOfRecord[e.record];
        if (names.size() > 1) {
            const auto parentOf = [&](const FlsEntry& link) {
                return link.parentPath().empty() ? 5 : recordOfPath.at(link.parentPath());
            };
            const bool oneOfThem = std::any_of(names.begin(), names.end(), [&](const FlsEntry* link) {
                return entryName(entry) == tableName(link->name()) && entry.parentId == parentOf(*link);
            });
            EXPECT_TRUE(oneOfThem) << entryName(entry) << " in " << entry.parentId;
            if (entryName(entry) != name) explained.push_back(e.path + ": another name of record " + std::to_string(e.record));
            continue;
        }
        EXPECT_EQ(entryName(entry), name);
        if (orphan) {
            explained.push_back(e.path + ": parent " + std::to_string(entry.parentId) + " no longer its folder");
        } else {
            const std::string parent = e.parentPath();
            const std::uint64_t parentRecord = parent.empty() ? 5 : recordOfPath.at(parent);
            EXPECT_EQ(entry.parentId, parentRecord);
        }
    }
    EXPECT_GT(compared, 0u);

    // Nothing in the table that fls does not know.
    for (const FileTableEntry& entry : analysed.entries) {
        EXPECT_TRUE(listedRecords.count(entry.ownId)) << "record " << entry.ownId << " unknown to fls";
    }

    // Every entry's recordLba points at its own FILE record.
    std::ifstream in(image, std::ios::binary);
    for (const FileTableEntry& entry : analysed.entries) {
        char header[0x30] = {};
        in.seekg(static_cast<std::streamoff>(entry.recordLba) * 512);
        in.read(header, sizeof header);
        std::uint32_t own = 0;
        std::memcpy(&own, header + 0x2C, 4);
        EXPECT_EQ(std::string(header, 4), "FILE") << "record " << entry.ownId;
        EXPECT_EQ(own, entry.ownId) << "recordLba of record " << entry.ownId;
    }
}

void checkStatistics(const Analysed& analysed) {
    const FileStatistics& s = analysed.result.statistics;
    std::uint64_t folders[2] = {}, files[2] = {}, bytes[2] = {};
    for (const FileTableEntry& entry : analysed.entries) {
        const int deleted = entry.isDeleted() ? 1 : 0;
        if (entry.isFolder()) {
            ++folders[deleted];
        } else if (entryName(entry) != "$MFT") {
            ++files[deleted];
            bytes[deleted] += entry.size();
        }
    }
    // With every file kept, what was counted before the filter is what passed it.
    EXPECT_EQ(s.foldersInUse, folders[0]);
    EXPECT_EQ(s.foldersDeleted, folders[1]);
    EXPECT_EQ(s.filesInUse, files[0]);
    EXPECT_EQ(s.matchedInUse, files[0]);
    EXPECT_EQ(s.filesDeleted, files[1]);
    EXPECT_EQ(s.matchedDeleted, files[1]);
    EXPECT_EQ(s.bytesInUse, bytes[0]);
    EXPECT_EQ(s.matchedBytesDeleted, bytes[1]);
    EXPECT_EQ(s.recordsProcessed, analysed.result.recordCount);
    EXPECT_EQ(s.unreadableRecords, 0u);
}

TEST(AnalysisSleuthKitTest, FixtureVolumesAgreeWithFls) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    for (const char* imageName : {"mbr.img", "gpt.img", "lba0-ntfs.img", "long-names.img", "lists.img", "compressed.img"}) {
        const testsupport::ImageFacts& image = manifest.image(imageName);
        const std::string path = image.path(testsupport::fixtureDir());
        for (const testsupport::PartitionFacts* part : image.volumes()) {
            if (part->filesystem != "ntfs") continue;
            SCOPED_TRACE(std::string(imageName) + " volume " + std::to_string(part->index));
            TempFolder folder;
            GenerationState generations;
            platform::ImageDiskSystem disks({path});
            const Analysed analysed = analyseVolume(disks, part->startLba, everyFileFilter(), folder, generations);
            ASSERT_EQ(analysed.result.outcome, AnalysisOutcome::Completed);
            std::vector<std::string> explained;
            compareWithFls(path, part->startLba, analysed, explained);
            checkStatistics(analysed);
            // The manifest's user entries are all there (or left out by the prefix rule).
            for (const testsupport::EntryFacts* fact : image.entriesOf(part->index)) {
                const bool kept = std::any_of(analysed.entries.begin(), analysed.entries.end(), [&](const auto& e) {
                    return e.ownId == fact->record;
                });
                EXPECT_EQ(kept, !isVolumesOwn(fact->path, fact->record)) << fact->path;
            }
        }
    }
}

TEST(AnalysisSleuthKitTest, WindowsVolumeWithDeletedFilesAgreesWithFls) {
    const auto zip = kWindowsTestData / "7-undel-ntfs.zip";
    ASSERT_TRUE(std::filesystem::exists(zip)) << "no " << zip;
    TempFolder folder;
    int exitCode = 0;
    runCommand("cd '" + folder.path().string() + "' && unzip -q '" + zip.string() + "'", &exitCode);
    ASSERT_EQ(exitCode, 0);
    const std::string image = (folder.path() / "7-undel-ntfs" / "7-ntfs-undel.dd").string();
    ASSERT_TRUE(std::filesystem::exists(image));

    GenerationState generations;
    platform::ImageDiskSystem disks({image});
    const Analysed analysed = analyseVolume(disks, 0, everyFileFilter(), folder, generations);
    ASSERT_EQ(analysed.result.outcome, AnalysisOutcome::Completed);
    std::vector<std::string> explained;
    compareWithFls(image, 0, analysed, explained);
    checkStatistics(analysed);

    // The published deleted files, with their sizes; sing2.dat's folder record was reused.
    const struct {
        std::uint32_t record;
        const char* name;
        std::uint64_t size;
    } deleted[] = {{31, "sing1.dat", 780}, {32, "mult1.dat", 3801}, {29, "frag1.dat", 1584},
                   {30, "frag2.dat", 3873}, {36, "mult2.dat", 1715}, {35, "frag3.dat", 2027},
                   {38, "sing2.dat", 1005}, {33, "dir1", 0},        {34, "dir2", 0}};
    for (const auto& d : deleted) {
        const auto found = std::find_if(analysed.entries.begin(), analysed.entries.end(),
                                        [&](const auto& e) { return e.ownId == d.record; });
        ASSERT_TRUE(found != analysed.entries.end()) << d.name;
        EXPECT_EQ(entryName(*found), d.name);
        EXPECT_TRUE(found->isDeleted()) << d.name;
        EXPECT_EQ(found->size(), d.size) << d.name;
    }
    // Besides the volume's own files, the one difference is the file whose folder record was reused.
    std::vector<std::string> others;
    for (const std::string& note : explained) {
        if (note.find(": the volume's own file") == std::string::npos) others.push_back(note);
    }
    ASSERT_EQ(others.size(), 1u);
    EXPECT_EQ(others[0], "$OrphanFiles/sing2.dat: parent 37 no longer its folder");
}

TEST(AnalysisSleuthKitTest, RecentWindowsVolumeAgreesWithFls) {
    // A disk made by a recent Windows: its NTFS partition at LBA 128 holds $Extend/$Deleted,
    // $RmMetadata, $RECYCLE.BIN, tracking.log, names of 120 characters and two deleted files.
    const auto packed = kWindowsTestData / "ntfs_index.raw.gz";
    ASSERT_TRUE(std::filesystem::exists(packed)) << "no " << packed;
    TempFolder folder;
    const std::string image = (folder.path() / "ntfs_index.raw").string();
    int exitCode = 0;
    runCommand("gunzip -c '" + packed.string() + "' > '" + image + "'", &exitCode);
    ASSERT_EQ(exitCode, 0);

    GenerationState generations;
    platform::ImageDiskSystem disks({image});
    const Analysed analysed = analyseVolume(disks, 128, everyFileFilter(), folder, generations);
    ASSERT_EQ(analysed.result.outcome, AnalysisOutcome::Completed);
    std::vector<std::string> explained;
    compareWithFls(image, 128, analysed, explained);
    checkStatistics(analysed);
    std::size_t nameOnly = 0;
    for (const std::string& note : explained) nameOnly += note.find(": name without a FILE record") != std::string::npos;
    EXPECT_EQ(nameOnly, 2u);  // the two deleted files: only their names are left in the indexes
}

}  // namespace
}  // namespace quenzar::recovery
