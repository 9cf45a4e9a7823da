// salvage restore run as a user runs it on the volume that Windows made with eight deleted files:
// a test restore by default, every file whole with --full (named streams with --streams), the
// choice by path, folder and pattern, and the usage.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "recovery/restore.h"
#include "recovery/safe_names.h"
#include "support/fixture_manifest.h"
#include "support/run_list_patch.h"
#include "support/temp_folder.h"
#include "support/windows_images.h"

namespace quenzar::recovery {
namespace {

using testsupport::runCommand;
using testsupport::runSalvage;
using testsupport::TempFolder;

using testsupport::filesWithMd5;

TEST(RestoreCommandTest, TestRestoreByDefaultFullRestoreOnRequest) {
    TempFolder folder;
    const std::string image = testsupport::unpackWindowsImage(folder, "7-ntfs-undel.dd");
    ASSERT_FALSE(image.empty());
    const std::string common = "restore '" + image + "' --lang en --work-dir '" + folder.path().string() + "' --to '";
    int exitCode = -1;

    const auto tested = folder.path() / "tested";
    std::string out = runSalvage(common + tested.string() + "' --deleted", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_EQ(filesWithMd5(tested), (std::set<std::string>{
                                        "Razd1/sing1.dat 59b20779f69ff9f0ac5fcd2c38835a79",
                                        "Razd1/mult1.dat ffd27bd782bdce67750b6b9ee069d2ef",
                                        "Razd1/dir1/mult2.dat 59cf0e9cd107bc1e75afb7374f6e05bb",
                                        "Lost folder              37/sing2.dat c229626f6a71b167ad7e50c4f2fccdb1",
                                    }));
    EXPECT_NE(out.find("chosen 8: restored 4 (7301 bytes), not copied by a test restore 4, unreadable 0, not written 0, "
                       "damaged run lists 0\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(testsupport::utf8(u8"Extract files completed    \nMarked files, with деревон directory, stored in folder: \n\n")),
              std::string::npos)
        << out;
    // The analysis' work file does not stay behind.
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "~DI_Tmp.tmp"));

    const auto full = folder.path() / "full";
    out = runSalvage(common + full.string() + "' --full --deleted", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_EQ(filesWithMd5(full), (std::set<std::string>{
                                      "Razd1/sing1.dat 59b20779f69ff9f0ac5fcd2c38835a79",
                                      "Razd1/mult1.dat ffd27bd782bdce67750b6b9ee069d2ef",
                                      "Razd1/frag1.dat 7a3bc5b763bef201202108f4ba128149",
                                      "Razd1/frag2.dat 0e80ab84ef0087e60dfc67b88a1cf13e",
                                      "Razd1/res1.dat 9036637712b491904cd0bfbdbe648453",
                                      "Razd1/dir1/mult2.dat 59cf0e9cd107bc1e75afb7374f6e05bb",
                                      "Razd1/dir1/dir2/frag3.dat 21121699487f3fbbdb9a4b3391b6d3e0",
                                      "Lost folder              37/sing2.dat c229626f6a71b167ad7e50c4f2fccdb1",
                                  }));

    // --all chooses from the tree's files: tracking.log, whose folder the tree leaves out, is not
    // restored under a lost folder made up for its living folder.
    const auto all = folder.path() / "all";
    out = runSalvage(common + all.string() + "' --full --all", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_EQ(filesWithMd5(all), filesWithMd5(full));
    EXPECT_FALSE(std::filesystem::exists(all / "Lost folder              27")) << out;

    // With --streams the alternate data stream mult1.dat:ADS comes beside its file; a test
    // restore copies no streams.
    const auto streams = folder.path() / "streams";
    out = runSalvage(common + streams.string() + "' --full --streams --pattern 'mult1.dat'", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_EQ(filesWithMd5(streams), (std::set<std::string>{
                                         "Razd1/mult1.dat ffd27bd782bdce67750b6b9ee069d2ef",
                                         "Razd1/mult1.dat_ADS ba1b9eedb1c091ddca253d35dde8f616",
                                     }));
    EXPECT_NE(out.find("named streams found 1: restored 1, not copied 0, not restored 0"), std::string::npos) << out;
    runSalvage(common + streams.string() + "' --streams --pattern 'mult1.dat'", &exitCode);
    EXPECT_EQ(exitCode, 2);

    // By path (any case, either separator), by folder and by pattern.
    const auto chosen = folder.path() / "chosen";
    out = runSalvage(common + chosen.string() + "' --full --path '\\SING1.dat' --folder dir1/dir2 --pattern 'm?lt*'",
                     &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_EQ(filesWithMd5(chosen), (std::set<std::string>{
                                        "Razd1/sing1.dat 59b20779f69ff9f0ac5fcd2c38835a79",
                                        "Razd1/mult1.dat ffd27bd782bdce67750b6b9ee069d2ef",
                                        "Razd1/dir1/mult2.dat 59cf0e9cd107bc1e75afb7374f6e05bb",
                                        "Razd1/dir1/dir2/frag3.dat 21121699487f3fbbdb9a4b3391b6d3e0",
                                    }));

    // Nothing chosen: the program's own error, nothing written.
    const auto none = folder.path() / "none";
    out = runSalvage(common + none.string() + "' --pattern '*.xyz'", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(out.find("ERROR\nYou do not select any file to restore."), std::string::npos) << out;
    EXPECT_TRUE(filesWithMd5(none).empty());
}

TEST(RestoreCommandTest, TestRestoreTakesFilesUpTo64512Bytes) {
    TempFolder folder;
    const std::string image = (testsupport::fixtureDir() / "mbr.img").string();
    const auto target = folder.path() / "out";
    int exitCode = -1;
    const std::string out = runSalvage("restore '" + image + "' --lang en --work-dir '" + folder.path().string() +
                                           "' --to '" + target.string() + "' --folder documents/reports/2023/q2",
                                       &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    // The manifest's sums; the file of 64,513 bytes is one byte too large for a test restore.
    EXPECT_EQ(filesWithMd5(target), (std::set<std::string>{
                                        "Razd0/Documents/Reports/2023/Q2/budget-64512.xls 3fafd85011a06b76f62bfa5f4ea50b17",
                                        "Razd0/Documents/Reports/2023/Q2/old-budget-64512.xls 8019fc139d124f90844a080ff7aed369",
                                    }));
}

// Every chosen file is counted once in the summary: on a volume with empty, resident, fragmented,
// sparse files and files over 64,512 bytes, the test restore writes the small one-fragment ones
// and counts every other chosen file as not copied; the full restore writes every file, the
// empty ones too, each with its size. The counts are those the manifest's facts give.
TEST(RestoreCommandTest, EveryChosenFileIsCountedOnce) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("mbr.img");
    std::map<std::string, std::uint64_t> sizes;
    std::size_t small = 0;
    for (const testsupport::EntryFacts* entry : facts.entriesOf(0)) {
        if (!entry->isFile() ||
            !(entry->path.starts_with("Documents/") || entry->path.starts_with("Media/"))) {
            continue;
        }
        sizes["Razd0/" + entry->path] = entry->size;
        const bool testRestored = entry->size != 0 && entry->size <= kTestRestoreMaxBytes && !entry->resident &&
                                  !entry->sparse && entry->runCount == 1;
        small += testRestored ? 1 : 0;
    }
    ASSERT_GT(small, 5u);
    ASSERT_GT(sizes.size(), small + 5);
    TempFolder folder;
    const std::string common = "restore '" + facts.path(testsupport::fixtureDir()) + "' --lang en --work-dir '" +
                               folder.path().string() + "' --folder Documents --folder media --to '";
    int exitCode = -1;
    const auto tested = folder.path() / "tested";
    std::string out = runSalvage(common + tested.string() + "'", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("chosen " + std::to_string(sizes.size()) + ": restored " + std::to_string(small) + " (") ,
              std::string::npos) << out;
    EXPECT_NE(out.find("), not copied by a test restore " + std::to_string(sizes.size() - small) +
                       ", unreadable 0, not written 0, damaged run lists 0\n"),
              std::string::npos)
        << out;

    const auto full = folder.path() / "full";
    out = runSalvage(common + full.string() + "' --full", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("chosen " + std::to_string(sizes.size()) + ": restored " + std::to_string(sizes.size()) +
                       " ("),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("), not copied by a full restore 0, unreadable 0, not written 0, damaged run lists 0\n"),
              std::string::npos)
        << out;
    std::map<std::string, std::uint64_t> written;
    for (const auto& item : std::filesystem::recursive_directory_iterator(full)) {
        if (item.is_regular_file()) {
            written[std::filesystem::relative(item.path(), full).generic_string()] = item.file_size();
        }
    }
    EXPECT_EQ(written, sizes);
}

// Names of up to the 255 characters NTFS allows are not taken for damage: every file of the
// volume, deleted ones too, comes back with the contents the manifest gives, in its folder of
// 255 characters, each name as the restore's safe-name rule shortens a long one (the names are
// Latin, so their code page 1251 and UTF-8 forms are the same).
TEST(RestoreCommandTest, FilesWithNamesOfUpTo255CharactersAreRestored) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("long-names.img");
    std::set<std::string> expected;
    for (const testsupport::EntryFacts* entry : facts.entriesOf(0)) {
        if (!entry->isFile()) continue;
        std::string path = "Razd0";
        for (const auto& component : std::filesystem::path(entry->path)) {
            path += '/';
            path += safeComponent(component.string());
        }
        expected.insert(path + " " + entry->md5);
    }
    ASSERT_EQ(expected.size(), 7u);
    TempFolder folder;
    const auto target = folder.path() / "out";
    int exitCode = -1;
    const std::string out =
        runSalvage("restore '" + facts.path(testsupport::fixtureDir()) + "' --lang en --work-dir '" +
                       folder.path().string() + "' --to '" + target.string() + "' --all --full",
                   &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_EQ(filesWithMd5(target), expected);
}

// Names in scripts that code page 1251 lacks come back as the volume holds them: every file and
// folder of the volume, deleted and empty ones too, under its name exactly as The Sleuth Kit's fls prints it
// (the manifest's paths), with its contents; two names that differ only in a Chinese letter stay
// two files. The analysis' tree keeps the 1251 form, "?" for the letters 1251 lacks, never an
// empty or a cut name.
TEST(RestoreCommandTest, RealNamesComeBackAsTheVolumeHoldsThem) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("world-names.img");
    std::set<std::string> expected;
    for (const testsupport::EntryFacts* entry : facts.entriesOf(0)) {
        if (entry->isFile()) expected.insert("Razd0/" + entry->path + " " + entry->md5);
    }
    ASSERT_EQ(expected.size(), 15u);
    TempFolder folder;
    const auto target = folder.path() / "out";
    const std::string common = "'" + facts.path(testsupport::fixtureDir()) + "' --lang en --work-dir '" +
                               folder.path().string() + "'";
    int exitCode = -1;
    const std::string out = runSalvage("restore " + common + " --to '" + target.string() + "' --all --full", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_EQ(filesWithMd5(target), expected);
    // The restored files are listed under their real names too. (A name a code page 1251 literal
    // cannot hold never stands inside a test macro, which makes a narrow text of its arguments.)
    const std::string deepFile = testsupport::utf8(u8"Razd0/中文目录/深层/文件.bin\n");
    EXPECT_NE(out.find(deepFile), std::string::npos) << out;

    const std::string tree = runSalvage("analyze " + common + " --all-files --with-system --deleted", &exitCode);
    EXPECT_EQ(exitCode, 0) << tree;
    // Written with "\?": two question marks before "/" would make a trigraph.
    for (const char8_t* shown : {u8"\n    \?\?.txt ", u8"\n    ab?.txt ", u8"\n    Za???? g??l? ja??.txt ",
                                 u8"\n    Отчёт – итог.txt ", u8"\n    notes ? 2024.txt ",
                                 u8"\n    \?\?\?\?\?\?\?\?/\n", u8"\n    \?\?\?\?/\n", u8"\n      \?\?/\n",
                                 u8"\n        \?\?.bin "}) {
        EXPECT_NE(tree.find(testsupport::utf8(shown)), std::string::npos) << testsupport::utf8(shown) << tree;
    }
    EXPECT_NE(tree.find("ab?.txt", tree.find("ab?.txt") + 1), std::string::npos) << tree;
}

// A link planted where the analysis puts its work file: the restore stops with the reason, writes
// nothing through the link, and leaves the link, which it did not make, where it is.
TEST(RestoreCommandTest, PlantedWorkFileLinkIsRefusedAndKept) {
    TempFolder folder;
    const std::string image = (testsupport::fixtureDir() / "mbr.img").string();
    const auto victim = folder.path() / "victim.txt";
    std::ofstream(victim) << "precious";
    const auto link = folder.path() / "~DI_Tmp.tmp";
    std::filesystem::create_symlink(victim, link);
    const auto target = folder.path() / "out";
    int exitCode = -1;
    const std::string out = runSalvage("restore '" + image + "' --all --work-dir '" + folder.path().string() +
                                           "' --to '" + target.string() + "'",
                                       &exitCode);
    EXPECT_EQ(exitCode, 1) << out;
    EXPECT_NE(out.find(link.string() + " is a symbolic link"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(runCommand("cat '" + victim.string() + "'"), "precious");
    EXPECT_TRUE(filesWithMd5(target).empty());
}

// The image being read is never the folder written into, nor a path through it; a folder beside
// it is fine (the restores above write beside their images).
TEST(RestoreCommandTest, TargetIsNeverTheImageItself) {
    TempFolder folder;
    const auto image = folder.path() / "copy.img";
    std::filesystem::copy_file(testsupport::fixtureDir() / "mbr.img", image);
    const std::string md5 = runCommand("md5sum < '" + image.string() + "'");
    for (const auto& target : {image, image / "sub"}) {
        int exitCode = -1;
        const std::string out = runSalvage("restore '" + image.string() + "' --all --work-dir '" +
                                               folder.path().string() + "' --to '" + target.string() + "'",
                                           &exitCode);
        EXPECT_EQ(exitCode, 1) << out;
        EXPECT_NE(out.find(target.string() + " lies on " + image.string() + ", which is being read"),
                  std::string::npos)
            << out;
    }
    EXPECT_EQ(runCommand("md5sum < '" + image.string() + "'"), md5);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "~DI_Tmp.tmp"));
}

// A copy of the disk whose run lists were damaged after it was written: a file whose only run
// reaches past the volume's end, and one whose second run lies on its first. Both are named in
// the output and in the list beside the restored folders, neither is written, and the command
// ends with the exit code of a failure; the other files are restored.
TEST(RestoreCommandTest, DamagedRunListsAreNamedAndNotWritten) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& facts = manifest.image("mbr.img");
    TempFolder folder;
    const std::string image = testsupport::copyWithDamagedRunLists(folder, facts);

    const auto target = folder.path() / "out";
    int exitCode = -1;
    const std::string out =
        runSalvage("restore '" + image + "' --lang en --full --work-dir '" + folder.path().string() + "' --to '" +
                       target.string() + "' --folder documents/reports/2023/q2 --path media/fragmented.bin",
                   &exitCode);
    EXPECT_EQ(exitCode, 1) << out;
    std::set<std::string> expected{"QuenzarSalvage-damaged.txt " +
                                   runCommand("md5sum < '" + (target / "QuenzarSalvage-damaged.txt").string() + "'").substr(0, 32)};
    for (const char* restored : {"budget-64513.xls", "old-budget-64512.xls"}) {
        const testsupport::EntryFacts& file = *facts.entry(0, std::string("Documents/Reports/2023/Q2/") + restored);
        expected.insert("Razd0/" + file.path + " " + file.md5);
    }
    EXPECT_EQ(filesWithMd5(target), expected);
    EXPECT_NE(out.find("chosen 4: restored 2 (129025 bytes), not copied by a full restore 0, unreadable 0, not written 0, "
                       "damaged run lists 2\nof the restored: renamed 0, with unreadable sectors 0 (0 sectors); MFT "
                       "records not read by the analysis 0\n"),
              std::string::npos)
        << out;
    for (const std::string& named : {std::string("Razd0/Documents/Reports/2023/Q2/budget-64512.xls\n   not written: a fragment lies outside the volume\n"),
                                     std::string("Razd0/Media/fragmented.bin\n   not written: fragments overlap each other\n")}) {
        EXPECT_NE(out.find(named), std::string::npos) << named << out;
    }
    EXPECT_NE(out.find("Extract files completed with errors"), std::string::npos) << out;
    EXPECT_NE(out.find("Not written for a damaged list of fragments: 2."), std::string::npos) << out;
}

TEST(RestoreCommandTest, UsageAndHelp) {
    int exitCode = -1;
    const std::string help = runSalvage("restore --help", &exitCode);
    EXPECT_EQ(exitCode, 0);
    for (const char* option : {"--to FOLDER", "--all", "--deleted", "--path PATH", "--folder PATH", "--pattern NAME",
                               "--full", "--volume N", "--work-dir DIR", "--lang ru|en"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    runSalvage("restore image.dd --all", &exitCode);  // no target folder
    EXPECT_EQ(exitCode, 2);
    runSalvage("restore image.dd --to somewhere", &exitCode);  // no choice
    EXPECT_EQ(exitCode, 2);
    const std::string programHelp = runSalvage("--help", &exitCode);
    EXPECT_NE(programHelp.find("restore (LETTER | IMAGE) --to FOLDER"), std::string::npos);
    for (const char* exitCodeLine : {"\n  0    done\n", "\n  1    done with errors", "\n  2    wrong usage\n",
                                     "\n  130  stopped by Ctrl+C"}) {
        EXPECT_NE(programHelp.find(exitCodeLine), std::string::npos) << exitCodeLine;
    }
    const std::string analyzeHelp = runSalvage("analyze --help", &exitCode);
    for (const char* option : {"--json", "--bodyfile", "--boot LBA"}) {
        EXPECT_NE(analyzeHelp.find(option), std::string::npos) << option;
    }
}

// --volume takes a plain number from 1 in every command that has it; anything else is a usage
// error before any disk is opened, never a volume number read from the digits it begins with.
TEST(RestoreCommandTest, VolumeNumberIsAPlainNumber) {
    for (const char* command : {"analyze image.dd", "restore image.dd --to somewhere --all"}) {
        for (const char* number : {"2x", "0", "-1", "+1", "", " 1", "99999999999"}) {
            int exitCode = -1;
            runSalvage(std::string(command) + " --volume '" + number + "'", &exitCode);
            EXPECT_EQ(exitCode, 2) << command << " --volume '" << number << "'";
        }
    }
}

}  // namespace
}  // namespace quenzar::recovery
