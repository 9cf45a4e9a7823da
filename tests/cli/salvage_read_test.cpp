// The command-line program reading the fixture disks: every sector as dd gives it, and a masked
// disk read back unmasked by the gap rule.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar {
namespace {

using testsupport::fixtureDir;
using testsupport::Manifest;
using testsupport::runCommand;

std::string imagePath(const std::string& name) { return (fixtureDir() / name).string(); }

std::string salvage(const std::string& arguments, int* exitCode = nullptr) {
    return runCommand(std::string(QUENZAR_SALVAGE_EXE) + " " + arguments, exitCode);
}

std::string md5Of(const std::string& command) {
    return runCommand(command + " | md5sum").substr(0, 32);
}

// Every image read whole without unmasking equals the image file itself, and a few single
// sectors (first, service sectors, partition starts, last) equal what dd reads there.
TEST(SalvageRead, EveryFixtureImageReadsAsDdReadsIt) {
    const Manifest manifest = Manifest::loadFromDir(fixtureDir());
    for (const char* name : {"mbr.img", "gpt.img", "lba0-ntfs.img", "masked.img", "hidden.img"}) {
        const auto& image = manifest.image(name);
        const std::string path = imagePath(name);
        EXPECT_EQ(md5Of(std::string(QUENZAR_SALVAGE_EXE) + " --image " + path + " read 0 0 " +
                        std::to_string(image.sectors) + " --no-unmask"),
                  image.md5)
            << name;

        std::vector<std::uint64_t> lbas = {0, 57, 58, 63, image.sectors - 1};
        for (const auto* volume : image.volumes()) lbas.push_back(volume->startLba);
        for (const std::uint64_t lba : lbas) {
            int exitCode = -1;
            const std::string ours = salvage("--image " + path + " read 0 " + std::to_string(lba) +
                                                 " 1 --no-unmask",
                                             &exitCode);
            EXPECT_EQ(exitCode, 0);
            EXPECT_EQ(ours, runCommand("dd if=" + path + " bs=512 count=1 status=none skip=" +
                                       std::to_string(lba)))
                << name << " LBA " << lba;
        }
    }
}

// A range that reaches past the disk's end is refused before a byte is written, whatever its
// count (2^64 - 1 sectors would otherwise be read as zeros for ever); the last sector reads.
TEST(SalvageRead, RangesBeyondTheDiskAreRefused) {
    const Manifest manifest = Manifest::loadFromDir(fixtureDir());
    const std::uint64_t sectors = manifest.image("mbr.img").sectors;
    const std::string last = std::to_string(sectors - 1);
    const struct {
        std::string range;
        int exitCode;
        std::uint64_t bytesOut;
        std::string told;
    } cases[] = {
        {last + " 1", 0, 512, ""},
        {last + " 2", 1, 0, "LBA " + last + " to " + std::to_string(sectors) + " lies beyond the end of disk 0"},
        {std::to_string(sectors) + " 1", 1, 0,
         "beyond the end of disk 0, which holds " + std::to_string(sectors) + " sectors (LBA 0 to " + last + ")"},
        {"0 18446744073709551615", 1, 0, "beyond the end of disk 0"},
        {"1 18446744073709551615", 1, 0, "LBA 1 to 18446744073709551615 lies beyond the end of disk 0"},
    };
    testsupport::TempFolder folder;
    for (const auto& c : cases) {
        int exitCode = -1;
        salvage("--image " + imagePath("mbr.img") + " read 0 " + c.range + " > '" + folder.file("out") + "' 2> '" +
                    folder.file("err") + "'",
                &exitCode);
        EXPECT_EQ(exitCode, c.exitCode) << c.range;
        EXPECT_EQ(std::filesystem::file_size(folder.file("out")), c.bytesOut) << c.range;
        const std::string told = runCommand("cat '" + folder.file("err") + "'");
        EXPECT_NE(told.find(c.told), std::string::npos) << c.range << ": " << told;
    }
}

TEST(SalvageRead, MaskedDiskReadsBackUnmasked) {
    const Manifest manifest = Manifest::loadFromDir(fixtureDir());
    const auto& masked = manifest.image("masked.img");
    ASSERT_TRUE(masked.maskLba.has_value());
    const std::string path = imagePath("masked.img");
    // The first 63 sectors are read as they lie, everything from LBA 63 on is unmasked: together
    // they are the image the manifest describes as seen through the mask.
    const std::string reads = "{ " + std::string(QUENZAR_SALVAGE_EXE) + " --image " + path +
                              " read 0 0 63; " + QUENZAR_SALVAGE_EXE + " --image " + path +
                              " read 0 63 " + std::to_string(masked.sectors - 63) + "; }";
    EXPECT_EQ(md5Of(reads), masked.unmaskedMd5);
    // A single read starting inside the gap is not unmasked at all, even where it reaches LBA 63.
    EXPECT_EQ(salvage("--image " + path + " read 0 62 2"),
              salvage("--image " + path + " read 0 62 2 --no-unmask"));
    const std::string volumeStart = std::to_string(masked.partition(0)->startLba);
    EXPECT_NE(salvage("--image " + path + " read 0 " + volumeStart + " 1"),
              salvage("--image " + path + " read 0 " + volumeStart + " 1 --no-unmask"));
}

TEST(SalvageRead, ProbeTellsWhatEachDiskHolds) {
    const std::string images = "--image " + imagePath("mbr.img") + " --image " + imagePath("lba0-ntfs.img") +
                               " --image " + imagePath("masked.img") + " --image " + imagePath("gpt.img");
    int exitCode = -1;
    const std::string out = salvage(images + " probe", &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(out.find("Disk 1  " + imagePath("lba0-ntfs.img") + "\n  49152 sectors of 512 bytes"), std::string::npos) << out;
    EXPECT_NE(out.find("NTFS boot sector (the disk is one volume"), std::string::npos) << out;
    EXPECT_NE(out.find("type EEh"), std::string::npos) << out;
    EXPECT_NE(out.find("LBA 57: sector mask present"), std::string::npos) << out;

    const Manifest manifest = Manifest::loadFromDir(fixtureDir());
    const auto& mbr = manifest.image("mbr.img");
    const auto* first = mbr.partition(0);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(out.find("1: type 07h  start LBA " + std::to_string(first->startLba) + "  sectors " +
                       std::to_string(first->sectors)),
              std::string::npos)
        << out;
}

TEST(SalvageRead, RefusesWhatItCannotDo) {
    int exitCode = -1;
    salvage("--image " + imagePath("mbr.img") + " read 3 0", &exitCode);
    EXPECT_EQ(exitCode, 1);  // no disk 3
    salvage("--image " + imagePath("mbr.img") + " read 0 x", &exitCode);
    EXPECT_EQ(exitCode, 2);
    salvage("--image " + imagePath("mbr.img") + " read 0 18446744073709551615", &exitCode);
    EXPECT_EQ(exitCode, 2);  // the byte offset would not fit 64 bits
    // Beyond the end: refused, never a silent success (RangesBeyondTheDiskAreRefused).
}

}  // namespace
}  // namespace quenzar
