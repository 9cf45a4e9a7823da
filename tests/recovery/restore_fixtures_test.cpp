// salvage restore --full on the volumes whose files NTFS stores in more than one way: files whose
// runs and names continue in extension records, and compressed files. Each restored file must
// hold what The Sleuth Kit's icat reads through the same record (the manifest's icat MD5).
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
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

// Restores the files under the folders of a fixture volume with --full (and the volume's choice,
// e.g. a virtual disk's known sector); returns "path MD5" of each file written.
std::set<std::string> restoreFull(const testsupport::ImageFacts& image, const std::string& options, int* exitCode,
                                  std::string* out) {
    TempFolder folder;
    const auto target = folder.path() / "restored";
    *out = salvage("restore '" + image.path(testsupport::fixtureDir()) + "' " + options + " --lang en --work-dir '" +
                       folder.path().string() + "' --full --to '" + target.string() + "'",
                   exitCode);
    return testsupport::filesWithMd5(target);
}

TEST(RestoreFixturesTest, FilesContinuedInExtensionRecordsComeBackWhole) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& image = manifest.image("lists.img");
    // The files of the fixture are what the test is about: hundreds of runs, and 61 names.
    ASSERT_EQ(image.entry(0, "Fragmented/hundreds.bin")->runCount, 300u);
    ASSERT_GT(image.entry(0, "Fragmented/two-hundred.bin")->runCount, 200u);
    // The file of many names is restored once, under the name its first $FILE_NAME gives. The
    // volume's $MFT has a creation time of zero (mkntfs -T): it opens no generation.
    const std::set<std::string> expected{
        "Razd0/Fragmented/hundreds.bin " + image.entry(0, "Fragmented/hundreds.bin")->icatMd5,
        "Razd0/Fragmented/two-hundred.bin " + image.entry(0, "Fragmented/two-hundred.bin")->icatMd5,
        "Razd0/Linked/original.txt " + image.entry(0, "Linked/original.txt")->icatMd5,
    };
    // The $MFT's own runs continue in an extension record and its attribute list lies in a
    // cluster: the volume, and the virtual disk from its boot sector and from its $MFT, read it
    // whole.
    const std::uint64_t mftLba = image.partition(0)->mftCluster * image.partition(0)->sectorsPerCluster();
    for (const std::string& choice : {std::string(), std::string("--boot 0"), "--mft " + std::to_string(mftLba)}) {
        SCOPED_TRACE(choice);
        int exitCode = -1;
        std::string out;
        EXPECT_EQ(restoreFull(image, choice + " --folder Fragmented --folder Linked", &exitCode, &out), expected);
        EXPECT_EQ(exitCode, 0) << out;
    }
}

}  // namespace
}  // namespace quenzar::recovery
