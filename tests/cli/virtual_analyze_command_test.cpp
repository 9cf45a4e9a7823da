// salvage analyze on a virtual disk: on a copy of a fixture disk whose partition entry has been
// wiped, the volume modelled from each of the three known sectors gives the same statistics and
// tree as the analysis of the intact disk's volume.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

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

TEST(VirtualAnalyzeCommand, WipedEntryGivesTheSameFilesFromEachKnownSector) {
    if (!std::filesystem::exists(ts::fixtureDir() / "manifest.tsv")) {
        GTEST_FAIL() << "fixture images not unpacked in " << ts::fixtureDir();
    }
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& mbr = manifest.image("mbr.img");
    const ts::PartitionFacts& volume = *mbr.partition(0);
    ts::TempFolder folder;
    const std::string wiped = folder.file("wiped.img");
    std::filesystem::copy_file(mbr.path(ts::fixtureDir()), wiped);
    {
        std::fstream file(wiped, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(446 + 16 * (volume.slot - 1));
        const char zeros[16] = {};
        file.write(zeros, sizeof zeros);
    }
    const std::string salvage = QUENZAR_SALVAGE_EXE;
    const std::string options = " --all-files --deleted --work-dir " + folder.path().string() + " 2>/dev/null";

    int exitCode = -1;
    const std::string intact =
        ts::runCommand(salvage + " analyze " + mbr.path(ts::fixtureDir()) + " --volume 1" + options, &exitCode);
    ASSERT_EQ(exitCode, 0) << intact;
    ASSERT_NE(intact.find(ts::utf8(u8"Ёлка новогодняя.txt")), std::string::npos) << intact;

    const std::uint64_t spc = volume.sectorsPerCluster();
    const std::uint64_t mftLba = volume.startLba + volume.mftCluster * spc;
    // A file whose data lies outside its record: its runs tie the record to the volume.
    const ts::EntryFacts& anyFile = *mbr.entry(0, "Documents/Reports/2023/Q1/summary.txt");
    for (const std::string& start : {"--boot " + std::to_string(volume.startLba), "--mft " + std::to_string(mftLba),
                                     "--record " + std::to_string(mftLba + 2 * anyFile.record)}) {
        SCOPED_TRACE(start);
        const std::string out = ts::runCommand(salvage + " analyze " + wiped + " " + start + options, &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        EXPECT_EQ(out.substr(0, out.find('\n')),
                  "virtual disk on disk 0 from LBA " + std::to_string(volume.startLba) + ", " + std::to_string(spc) +
                      " sectors a cluster:  work file " + (folder.path() / "~DI_Tmp.tmp").string());
        EXPECT_EQ(withoutFirstLine(out), withoutFirstLine(intact));
    }

    // The same through a disk number of the attached images.
    const std::string byNumber = ts::runCommand(
        salvage + " --image " + wiped + " analyze 0 --boot " + std::to_string(volume.startLba) + options, &exitCode);
    EXPECT_EQ(exitCode, 0) << byNumber;
    EXPECT_EQ(withoutFirstLine(byNumber), withoutFirstLine(intact));

    // A sector that starts no NTFS volume, and a letter with a virtual start, are refused.
    ts::runCommand(salvage + " analyze " + wiped + " --boot 1" + options, &exitCode);
    EXPECT_EQ(exitCode, 1);
    ts::runCommand(salvage + " --image " + wiped + " analyze D --boot 2048" + options, &exitCode);
    EXPECT_EQ(exitCode, 2);
}

}  // namespace
}  // namespace quenzar::cli
