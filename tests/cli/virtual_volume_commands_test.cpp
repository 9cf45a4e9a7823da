// The commands that take a volume, on a virtual disk: on a copy of a fixture disk whose partition
// entry has been wiped, the volume modelled from each of the three known sectors gives the same
// analysis and the same restored files as the intact disk's volume.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

namespace ts = quenzar::testsupport;

// The output without its first line, which names the volume and the work file.
std::string withoutFirstLine(const std::string& out) {
    const std::size_t end = out.find('\n');
    return end == std::string::npos ? std::string() : out.substr(end + 1);
}

// A copy of mbr.img whose partition entry of the first NTFS volume is all zeros, and the three
// ways to the volume from a known sector: its boot sector, its $MFT, and the FILE record of a file
// whose data lies outside its record (its runs tie the record to the volume).
struct WipedEntryCopy {
    const ts::ImageFacts* facts = nullptr;
    const ts::PartitionFacts* volume = nullptr;
    std::string path;
    std::vector<std::string> startOptions;
};

WipedEntryCopy makeWipedEntryCopy(const ts::Manifest& manifest, const ts::TempFolder& folder) {
    WipedEntryCopy copy;
    copy.facts = &manifest.image("mbr.img");
    copy.volume = copy.facts->partition(0);
    copy.path = folder.file("wiped.img");
    std::filesystem::copy_file(copy.facts->path(ts::fixtureDir()), copy.path);
    {
        std::fstream file(copy.path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(446 + 16 * (copy.volume->slot - 1));
        const char zeros[16] = {};
        file.write(zeros, sizeof zeros);
    }
    const std::uint64_t mftLba = copy.volume->startLba + copy.volume->mftCluster * copy.volume->sectorsPerCluster();
    const ts::EntryFacts& anyFile = *copy.facts->entry(0, "Documents/Reports/2023/Q1/summary.txt");
    copy.startOptions = {"--boot " + std::to_string(copy.volume->startLba), "--mft " + std::to_string(mftLba),
                         "--record " + std::to_string(mftLba + 2 * anyFile.record)};
    return copy;
}

class VirtualVolumeCommands : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(ts::fixtureDir() / "manifest.tsv")) {
            GTEST_FAIL() << "fixture images not unpacked in " << ts::fixtureDir();
        }
        manifest_ = ts::Manifest::loadFromDir(ts::fixtureDir());
        wiped_ = makeWipedEntryCopy(manifest_, folder_);
    }

    std::string run(const std::string& arguments, int* exitCode) const {
        return ts::runCommand(std::string(QUENZAR_SALVAGE_EXE) + " " + arguments, exitCode);
    }

    ts::Manifest manifest_;
    ts::TempFolder folder_;
    WipedEntryCopy wiped_;
};

TEST_F(VirtualVolumeCommands, AnalysisGivesTheSameFilesFromEachKnownSector) {
    const std::string options = " --all-files --deleted --work-dir " + folder_.path().string() + " 2>/dev/null";
    int exitCode = -1;
    const std::string intact = run("analyze " + wiped_.facts->path(ts::fixtureDir()) + " --volume 1" + options, &exitCode);
    ASSERT_EQ(exitCode, 0) << intact;
    ASSERT_NE(intact.find(ts::utf8(u8"Ёлка новогодняя.txt")), std::string::npos) << intact;

    for (const std::string& start : wiped_.startOptions) {
        SCOPED_TRACE(start);
        const std::string out = run("analyze " + wiped_.path + " " + start + options, &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        EXPECT_EQ(out.substr(0, out.find('\n')),
                  "virtual disk on disk 0 from LBA " + std::to_string(wiped_.volume->startLba) + ", " +
                      std::to_string(wiped_.volume->sectorsPerCluster()) +
                      " sectors a cluster:  work file " + (folder_.path() / "~DI_Tmp.tmp").string());
        EXPECT_EQ(withoutFirstLine(out), withoutFirstLine(intact));
    }

    // The same through a disk number of the attached images.
    const std::string byNumber = run("--image " + wiped_.path + " analyze 0 " + wiped_.startOptions[0] + options, &exitCode);
    EXPECT_EQ(exitCode, 0) << byNumber;
    EXPECT_EQ(withoutFirstLine(byNumber), withoutFirstLine(intact));

    // A sector that starts no NTFS volume, and a letter with a virtual start, are refused.
    run("analyze " + wiped_.path + " --boot 1" + options, &exitCode);
    EXPECT_EQ(exitCode, 1);
    run("--image " + wiped_.path + " analyze D --boot 2048" + options, &exitCode);
    EXPECT_EQ(exitCode, 2);
}

// The person whose partition entry is gone gets the files back: a full restore of a folder tree
// and of a fragmented file, from each known sector, on the image and on a disk number, gives the
// files and the contents that the intact disk's volume gives.
TEST_F(VirtualVolumeCommands, RestoreGivesTheSameFilesFromEachKnownSector) {
    const std::string choice = " --full --folder Documents --path Media/fragmented.bin --lang en --work-dir '" +
                               folder_.path().string() + "' --to '";
    int exitCode = -1;
    const auto intactTarget = folder_.path() / "intact";
    const std::string intact =
        run("restore " + wiped_.facts->path(ts::fixtureDir()) + choice + intactTarget.string() + "' 2>&1", &exitCode);
    ASSERT_EQ(exitCode, 0) << intact;
    const std::set<std::string> expected = ts::filesWithMd5(intactTarget);
    const ts::EntryFacts& fragmented = *wiped_.facts->entry(0, "Media/fragmented.bin");
    ASSERT_EQ(expected.count("Razd0/Media/fragmented.bin " + fragmented.md5), 1u) << intact;
    ASSERT_GT(expected.size(), 10u);

    std::vector<std::string> runs;
    for (const std::string& start : wiped_.startOptions) runs.push_back("restore " + wiped_.path + " " + start);
    runs.push_back("--image " + wiped_.path + " restore 0 " + wiped_.startOptions[0]);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(runs[i]);
        const auto target = folder_.path() / ("virtual" + std::to_string(i));
        const std::string out = run(runs[i] + choice + target.string() + "' 2>&1", &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        EXPECT_EQ(ts::filesWithMd5(target), expected);
    }
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "~DI_Tmp.tmp"));

    // The whole disk of a virtual disk is the source: a target on the image is refused, and a
    // virtual start with a letter is a usage error.
    const std::string onImage = run("restore " + wiped_.path + " " + wiped_.startOptions[0] + choice + wiped_.path +
                                        "/out' 2>&1",
                                    &exitCode);
    EXPECT_EQ(exitCode, 1) << onImage;
    EXPECT_NE(onImage.find("which is being read"), std::string::npos) << onImage;
    run("--image " + wiped_.path + " restore D --boot 2048" + choice + folder_.file("x") + "' 2>&1", &exitCode);
    EXPECT_EQ(exitCode, 2);
}

// The recovery order of a volume without a partition entry: written from the virtual disk.
TEST_F(VirtualVolumeCommands, OrderIsWrittenForAVirtualDisk) {
    int exitCode = -1;
    const std::string out = run("order " + wiped_.path + " " + wiped_.startOptions[1] +
                                    " --name Ivan --email ivan@example.com --tariff 1 --write-only --lang en"
                                    " --work-dir '" + folder_.path().string() + "' 2>&1",
                                &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_EQ(std::filesystem::file_size(folder_.path() / "QuenzarSalvage.bin"), 2418u);
    EXPECT_NE(out.find("written for volume V:"), std::string::npos) << out;
}

}  // namespace
}  // namespace quenzar::cli
