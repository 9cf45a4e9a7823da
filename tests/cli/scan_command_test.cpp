// salvage scan as a user runs it: on a disk whose partition table was wiped it names the volumes
// with the starting points that give them back, and `salvage analyze DISK --boot LBA` (or --mft)
// works on them at once; Ctrl+C ends a long scan with what was read; wrong usage is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

namespace ts = quenzar::testsupport;

TEST(ScanCommand, NamedStartingPointsAnalyseTheVolumesOfAWipedTable) {
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& image = manifest.image("mbr.img");
    const ts::TempFolder folder;
    const std::string copy = folder.file("wiped.img");
    std::filesystem::copy_file(image.path(ts::fixtureDir()), copy);
    {
        std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
        const char zeros[512] = {};
        file.write(zeros, sizeof zeros);
    }
    int exitCode = -1;
    const std::string out = ts::runSalvage("scan '" + copy + "' --lang en", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("LBA 0 - " + std::to_string(image.sectors - 1) + ": " + std::to_string(image.sectors) +
                       " sectors read, 0 unreadable (skipped)"),
              std::string::npos)
        << out;
    // Every starting point named gives the volume to the analysis.
    const std::regex point(R"(--(boot|mft|record) (\d+))");
    std::vector<std::string> points;
    for (auto m = std::sregex_iterator(out.begin(), out.end(), point); m != std::sregex_iterator(); ++m) {
        points.push_back(m->str());
    }
    ASSERT_EQ(points.size(), 6u) << out;
    for (const ts::PartitionFacts* volume : {image.partition(0), image.partition(2)}) {
        EXPECT_NE(std::find(points.begin(), points.end(), "--boot " + std::to_string(volume->startLba)), points.end());
    }
    for (const std::string& start : points) {
        SCOPED_TRACE(start);
        const std::string analysed =
            ts::runSalvage("analyze '" + copy + "' " + start + " --all-files --lang en --work-dir '" +
                               folder.path().string() + "'",
                           &exitCode);
        EXPECT_EQ(exitCode, 0) << analysed;
    }
    EXPECT_NE(out.find("partition table            does not describe it"), std::string::npos) << out;
}

TEST(ScanCommand, CtrlCEndsALongScanWithWhatWasRead) {
    const ts::TempFolder folder;
    const std::string large = folder.file("large.img");
    { std::ofstream(large, std::ios::binary); }
    std::filesystem::resize_file(large, std::uintmax_t{64} << 30);  // sparse: 64 GiB of holes
    int exitCode = -1;
    const std::string out =
        ts::runCommand(std::string("'") + QUENZAR_SALVAGE_EXE + "' scan '" + large +
                           "' --lang en > '" + folder.file("out.txt") + "' 2>&1 & pid=$!; sleep 0.5; kill -INT $pid; "
                           "wait $pid; echo $?",
                       &exitCode);
    EXPECT_EQ(out, "130\n");
    std::ifstream printed(folder.file("out.txt"));
    const std::string text((std::istreambuf_iterator<char>(printed)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("The scan was stopped"), std::string::npos) << text;
    EXPECT_NE(text.find("No NTFS volume found."), std::string::npos) << text;
}

TEST(ScanCommand, UsageErrors) {
    for (const std::string& arguments : std::vector<std::string>{"scan", "scan 0 --from 100 --to 50", "scan 0 --from x", "scan 0 1"}) {
        int exitCode = -1;
        const std::string out = ts::runSalvage(arguments, &exitCode);
        EXPECT_EQ(exitCode, 2) << arguments;
        EXPECT_NE(out.find("usage: salvage scan"), std::string::npos) << arguments;
    }
}

}  // namespace
}  // namespace quenzar::cli
