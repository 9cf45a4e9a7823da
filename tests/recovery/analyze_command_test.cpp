// salvage analyze run as a user runs it, on a fixture image: the statistics, the tree with deleted
// and lost folders marked, the work file where it was asked for, the no-match message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ntfs/record_builder.h"
#include "support/fixture_manifest.h"
#include "support/run_list_patch.h"
#include "support/temp_folder.h"

namespace quenzar::recovery {
namespace {

using testsupport::runSalvage;
using testsupport::TempFolder;

TEST(AnalyzeCommandTest, PrintsStatisticsAndTheTree) {
    TempFolder folder;
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    // The folder Mountains lost its FILE record on this copy.
    const std::string image = testsupport::copyWithLostFolder(folder, manifest.image("mbr.img"));
    int exitCode = -1;
    const std::string out = runSalvage("analyze '" + image + "' --all-files --with-system --deleted --work-dir '" +
                                           folder.path().string() + "'",
                                       &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("folders                13 in use, 3 deleted"), std::string::npos) << out;
    EXPECT_NE(out.find("lost folders           1"), std::string::npos) << out;
    EXPECT_NE(out.find("  Lost folder              91/  [lost]\n    peak.txt "), std::string::npos) << out;
    EXPECT_NE(out.find("    OldProjects/  [deleted]\n"), std::string::npos) << out;
    // File lines: the name padded to 40 characters (not bytes), the size in 14 columns.
    EXPECT_NE(out.find(testsupport::utf8(u8"      Старый отчёт.txt                                   2500  [deleted]\n")),
              std::string::npos)
        << out;
    // Files of the root folder come before its folders.
    EXPECT_NE(out.find("  ROOT FOLDER/\n    Mountain.txt "), std::string::npos) << out;
    EXPECT_NE(out.find("\n    Documents/\n"), std::string::npos) << out;
    // Names reach the terminal as UTF-8.
    EXPECT_NE(out.find(testsupport::utf8(u8"      Летний отдых/\n")), std::string::npos) << out;
    EXPECT_NE(out.find("          Q2/\n            budget-64512.xls"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "~DI_Tmp.tmp"));
}

// A person's files are never left out for the first letters of their names: "Mountain.txt",
// "$LogBook.txt" and the folder "Mountains" are listed with their files, and a file of exactly
// 4 GiB is not taken for an empty one. The volume's own files ($MFT, $LogFile, the files of
// $Extend) are not listed.
TEST(AnalyzeCommandTest, FilesAreKeptWhateverTheirNamesBeginWith) {
    TempFolder folder;
    const std::string image = (testsupport::fixtureDir() / "mbr.img").string();
    int exitCode = -1;
    const std::string out = runSalvage("analyze '" + image + "' --all-files --with-system --deleted --work-dir '" +
                                           folder.path().string() + "'",
                                       &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    for (const char* shown : {"\n    Mountain.txt ", "\n    $LogBook.txt ", "\n      $Logo.txt ",
                              "\n    Mountains/\n      peak.txt ", "\n      sparse-exact-4GiB.img ",
                              "\n    Mountain-old.txt "}) {
        EXPECT_NE(out.find(shown), std::string::npos) << shown << "\n" << out;
    }
    for (const char* hidden : {"$MFT", "$LogFile", "$Extend", "$Quota", "$ObjId", "$Reparse", "Lost folder"}) {
        EXPECT_EQ(out.find(hidden), std::string::npos) << hidden << "\n" << out;
    }
}

// A name with a control character in it (here an escape, which would drive the terminal) is
// printed with "?" in its place.
TEST(AnalyzeCommandTest, ControlCharactersInNamesAreNotPrinted) {
    TempFolder folder;
    const auto image = folder.path() / "escape.img";
    std::filesystem::copy_file(testsupport::fixtureDir() / "mbr.img", image);
    // Every UTF-16 "plan.txt" of the image becomes "pl<ESC>n.txt".
    std::fstream bytes(image, std::ios::in | std::ios::out | std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(bytes)), std::istreambuf_iterator<char>());
    const std::string plan("p\0l\0a\0n\0.\0t\0x\0t\0", 16);
    int patched = 0;
    for (std::size_t at = content.find(plan); at != std::string::npos; at = content.find(plan, at + 1), ++patched) {
        bytes.seekp(static_cast<std::streamoff>(at + 4));
        bytes.put('\x1b');
    }
    bytes.close();
    ASSERT_GT(patched, 0);
    int exitCode = -1;
    const std::string out = runSalvage("analyze '" + image.string() + "' --all-files --deleted --work-dir '" +
                                           folder.path().string() + "'",
                                       &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("        pl?n.txt "), std::string::npos) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos);
}

TEST(AnalyzeCommandTest, NoMatchIsAFailureWithTheMessage) {
    TempFolder folder;
    const std::string image = (testsupport::fixtureDir() / "lba0-ntfs.img").string();
    int exitCode = -1;
    const std::string out =
        runSalvage("analyze '" + image + "' --lang en --work-dir '" + folder.path().string() + "'", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(out.find("Error search for files\nOn the disk is not detected a single file \nthat satisfy the "
                       "search criteria. \n"),
              std::string::npos)
        << out;

    const std::string usage = runSalvage("analyze", &exitCode);
    EXPECT_EQ(exitCode, 2);
    EXPECT_NE(usage.find("--only-deleted"), std::string::npos);
    runSalvage("analyze '" + image + "' --volume 2", &exitCode);
    EXPECT_EQ(exitCode, 1);  // the image has one NTFS volume only
}

// A $MFT record whose real size claims 2^63 bytes: the analysis reads the 69 records its runs
// hold, ends at once, and says what the record claimed.
TEST(AnalyzeCommandTest, DamagedMftSizeIsReadAsFarAsTheRunsGoAndShown) {
    TempFolder folder;
    const auto image = folder.path() / "claims.img";
    std::filesystem::copy_file(testsupport::fixtureDir() / "lba0-ntfs.img", image);
    ntfs::testing::RecordBuilder mft;
    mft.ownNumber(0).standardInformation().fileName(u"$MFT", ntfs::testing::kWin32AndDos)
        .nonResidentData(70656, std::uint64_t{1} << 63, {0x12, 0x8A, 0x00, 0x20});  // 138 clusters from 32
    const ntfs::testing::Bytes record = mft.build();
    std::fstream bytes(image, std::ios::in | std::ios::out | std::ios::binary);
    bytes.seekp(32 * 512);  // the $MFT's first cluster, 512-byte clusters
    bytes.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
    bytes.close();
    int exitCode = -1;
    const std::string out = runSalvage("analyze '" + image.string() + "' --all-files --no-tree --lang en --work-dir '" +
                                           folder.path().string() + "'",
                                       &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("MFT records            69 (unreadable 0"), std::string::npos) << out;
    EXPECT_NE(out.find("The $MFT record claims 9007199254740992 records, but its allocated size, its runs and the "
                       "volume hold only 69 records:\nonly these were read."),
              std::string::npos)
        << out;
}

// A link planted under the name of the work file or the listing is never written through: the
// analysis says so, the link's target keeps its bytes and the link stays.
TEST(AnalyzeCommandTest, PlantedLinksAreRefusedAndKept) {
    TempFolder folder;
    const std::string image = (testsupport::fixtureDir() / "mbr.img").string();
    const auto victim = folder.path() / "victim.txt";
    std::ofstream(victim) << "precious";
    const std::string command = "analyze '" + image + "' --all-files --listing --work-dir '" + folder.path().string() + "'";
    for (const char* name : {"~DI_Tmp.tmp", "QuenzarSalvage.txt"}) {
        SCOPED_TRACE(name);
        const auto link = folder.path() / name;
        std::filesystem::create_symlink(victim, link);
        int exitCode = -1;
        const std::string out = runSalvage(command, &exitCode);
        EXPECT_NE(out.find(link.string() + " is a symbolic link"), std::string::npos) << out;
        // No work file, no analysis; a listing that cannot be written makes the command fail too.
        EXPECT_EQ(exitCode, 1) << out;
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        std::ifstream in(victim);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "precious");
        std::filesystem::remove(link);
    }
}

}  // namespace
}  // namespace quenzar::recovery
