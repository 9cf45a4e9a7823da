// salvage analyze run as a user runs it, on a fixture image: the statistics, the tree with deleted
// and lost folders marked, the work file where it was asked for, the no-match message.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::recovery {
namespace {

using testsupport::runCommand;
using testsupport::TempFolder;

std::string salvage(const std::string& arguments, int* exitCode) {
    return runCommand(std::string(QUENZAR_SALVAGE_EXE) + " " + arguments + " 2>&1", exitCode);
}

TEST(AnalyzeCommandTest, PrintsStatisticsAndTheTree) {
    TempFolder folder;
    const std::string image = (testsupport::fixtureDir() / "mbr.img").string();
    int exitCode = -1;
    const std::string out = salvage("analyze '" + image + "' --all-files --with-system --deleted --work-dir '" +
                                        folder.path().string() + "'",
                                    &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("folders                13 in use, 3 deleted"), std::string::npos) << out;
    EXPECT_NE(out.find("lost folders           1"), std::string::npos) << out;
    // Mountains (record 91) is left out by its name, so peak.txt sits in a lost folder.
    EXPECT_NE(out.find("  Lost folder              91/  [lost]\n    peak.txt "), std::string::npos) << out;
    EXPECT_NE(out.find("    OldProjects/  [deleted]\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  ROOT FOLDER/\n    Documents/\n"), std::string::npos) << out;
    // Names reach the terminal as UTF-8.
    EXPECT_NE(out.find(testsupport::utf8(u8"      Летний отдых/\n")), std::string::npos) << out;
    EXPECT_NE(out.find("          Q2/\n            budget-64512.xls"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "~DI_Tmp.tmp"));
}

TEST(AnalyzeCommandTest, NoMatchIsAFailureWithTheMessage) {
    TempFolder folder;
    const std::string image = (testsupport::fixtureDir() / "lba0-ntfs.img").string();
    int exitCode = -1;
    const std::string out =
        salvage("analyze '" + image + "' --lang en --work-dir '" + folder.path().string() + "'", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(out.find("Error search for files\nOn the disk is not detected a single file \nthat satisfy the "
                       "search criteria. \n"),
              std::string::npos)
        << out;

    const std::string usage = salvage("analyze", &exitCode);
    EXPECT_EQ(exitCode, 2);
    EXPECT_NE(usage.find("--only-deleted"), std::string::npos);
    salvage("analyze '" + image + "' --volume 2", &exitCode);
    EXPECT_EQ(exitCode, 1);  // the image has one NTFS volume only
}

}  // namespace
}  // namespace quenzar::recovery
