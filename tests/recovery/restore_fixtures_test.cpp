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

TEST(RestoreFixturesTest, FilesContinuedInExtensionRecordsComeBackWhole) {
    const auto manifest = testsupport::Manifest::loadFromDir(testsupport::fixtureDir());
    const testsupport::ImageFacts& image = manifest.image("lists.img");
    // The files of the fixture are what the test is about: hundreds of runs, and 61 names.
    ASSERT_EQ(image.entry(0, "Fragmented/hundreds.bin")->runCount, 300u);
    ASSERT_GT(image.entry(0, "Fragmented/two-hundred.bin")->runCount, 200u);
    TempFolder folder;
    const auto target = folder.path() / "restored";
    int exitCode = -1;
    const std::string out = salvage("restore '" + image.path(testsupport::fixtureDir()) + "' --lang en --work-dir '" +
                                        folder.path().string() + "' --full --folder Fragmented --folder Linked --to '" +
                                        target.string() + "'",
                                    &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    // The file of many names is restored once, under the name its first $FILE_NAME gives. The
    // volume's $MFT has a creation time of zero (mkntfs -T): it opens no generation.
    EXPECT_EQ(testsupport::filesWithMd5(target),
              (std::set<std::string>{
                  "Razd0/Fragmented/hundreds.bin " + image.entry(0, "Fragmented/hundreds.bin")->icatMd5,
                  "Razd0/Fragmented/two-hundred.bin " + image.entry(0, "Fragmented/two-hundred.bin")->icatMd5,
                  "Razd0/Linked/original.txt " + image.entry(0, "Linked/original.txt")->icatMd5,
              }));
}

}  // namespace
}  // namespace quenzar::recovery
