// salvage disks, hide and unhide, run as a user runs them, on copies of the fixture images.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "disk/inventory.h"
#include "platform/disk_system.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

using testsupport::runCommand;
using testsupport::runSalvage;
using testsupport::TempFolder;

std::string fixture(const char* name) { return (testsupport::fixtureDir() / name).string(); }

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

std::string md5Of(const std::string& path) { return runCommand("md5sum < '" + path + "'").substr(0, 32); }

// A FIFO, a character device or a folder given as an image is refused at once with the reason
// and exit code 1, by --image and by the image argument of analyze and restore alike. Each run
// is bounded in time, so an open that waits for a FIFO's writer fails the test instead of
// hanging it.
TEST(SalvageDisks, ImagesThatHoldNoSectorsAreRefused) {
    TempFolder folder;
    const std::string fifo = folder.file("image.fifo");
    ASSERT_EQ(runCommand("mkfifo '" + fifo + "'"), "");
    for (const std::string& path : {fifo, std::string("/dev/null"), folder.path().string()}) {
        for (const std::string& arguments :
             {"--image '" + path + "' disks", "--image '" + path + "' probe", "analyze '" + path + "'",
              "restore '" + path + "' --to '" + folder.file("out") + "' --all"}) {
            int exitCode = -1;
            const std::string out =
                runCommand("timeout 20 '" + std::string(QUENZAR_SALVAGE_EXE) + "' " + arguments + " 2>&1", &exitCode);
            EXPECT_EQ(exitCode, 1) << arguments << "\n" << out;
            EXPECT_NE(out.find(path + ": neither a disk image file nor a disk device"), std::string::npos)
                << arguments << "\n" << out;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("out")));
}

// A partition that reaches past the end of an image cut short is marked in the inventory and
// named under the screen; the partitions that fit, and whole images, are not.
TEST(SalvageDisks, PartitionPastTheEndOfACutImageIsMarked) {
    struct Case {
        const char* image;
        std::uint64_t keptSectors;
        std::uint64_t markedStart;  // the start LBA of the one marked partition
    };
    const Case cases[] = {
        {"mbr.img", 400000, 380928},  // inside the logical NTFS volume (380928 + 49152)
        {"lba0-ntfs.img", 40000, 0},  // the volume of the whole disk
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        TempFolder folder;
        const std::string image = folder.file(c.image);
        std::filesystem::copy_file(fixture(c.image), image);
        std::filesystem::resize_file(image, c.keptSectors * 512);

        platform::ImageDiskSystem disks({image});
        disk::InventoryState state;
        disk::BuildDiskInventory(state, disks);
        const disk::PhysicalDiskInfo& info = state.disk('0');
        int marked = 0;
        for (int p = 0; p < info.partitionCount(); ++p) {
            const disk::PartitionEntry& entry = info.partitions[static_cast<std::size_t>(p)];
            EXPECT_EQ(entry.pastDiskEnd, entry.firstSector() == c.markedStart) << entry.firstSector();
            marked += entry.pastDiskEnd ? 1 : 0;
        }
        EXPECT_EQ(marked, 1);

        int exitCode = -1;
        const std::string english = runSalvage("--image '" + image + "' disks --lang en", &exitCode);
        EXPECT_EQ(exitCode, 0);
        EXPECT_NE(english.find("\nDisk 0: the partition from LBA " + std::to_string(c.markedStart) +
                               " reaches past the end of the disk; its last sectors cannot be read.\n"),
                  std::string::npos)
            << english;
        EXPECT_NE(runSalvage("--image '" + image + "' disks --lang ru", &exitCode)
                      .find(testsupport::utf8(u8"выходит за конец диска, её последние секторы прочитать нельзя.")),
                  std::string::npos);
        EXPECT_EQ(runSalvage("--image '" + fixture(c.image) + "' disks --lang en", &exitCode).find("past the end"),
                  std::string::npos);
    }
}

TEST(SalvageDisks, PrintsTheScreenInTheChosenLanguageAsUtf8) {
    int exitCode = -1;
    const std::string images = "--image '" + fixture("mbr.img") + "' --image '" + fixture("hidden.img") + "'";
    const std::vector<std::string> russian = linesOf(runSalvage(images + " disks --lang ru", &exitCode));
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(russian.size(), 27u);  // the heading and eight disk blocks, LF line ends
    EXPECT_EQ(russian[0], testsupport::utf8(u8"    ТИП КАНАЛА ПОДКЛЮЧЕНИЯ ДИСКА И ПАРТИЦИЙ            "
                                            u8"ФАЙЛОВАЯ СИСТЕМА ЛОГИЧЕСКИХ ДИСКОВ ИЛИ  ОТКЛЮЧЕННЫХ ПАРТИЦИЙ         "));
    EXPECT_EQ(russian[6].substr(0, 46), "     The port not recognized         OFF  MBR ");
    EXPECT_EQ(russian[4].find('\r'), std::string::npos);

    const std::vector<std::string> english = linesOf(runSalvage(images + " disks --lang en", &exitCode));
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(english.size(), 27u);
    EXPECT_EQ(english[2], "       The model name of the hard drive           LBA of the beginning of a logical drive or"
                          " partition on the hard drive    ");
    EXPECT_EQ(std::vector<std::string>(english.begin() + 3, english.end()),
              std::vector<std::string>(russian.begin() + 3, russian.end()));
    EXPECT_EQ(english[4].substr(52, 11), "D:    0,150");

    // The images may come from the environment as well.
    const std::string fromEnvironment =
        runCommand("QUENZAR_DISK_IMAGES='" + fixture("mbr.img") + ";" + fixture("hidden.img") + "' '" +
                       QUENZAR_SALVAGE_EXE + "' disks --lang en",
                   &exitCode);
    EXPECT_EQ(linesOf(fromEnvironment), english);

    runSalvage(images + " disks --lang de", &exitCode);
    EXPECT_EQ(exitCode, 2);
}

TEST(SalvageHide, AsksForYesHidesAndRestores) {
    TempFolder folder;
    const std::string path = folder.file("mbr.img");
    runCommand("cp --sparse=always '" + fixture("mbr.img") + "' '" + path + "'");
    const std::string original = md5Of(path);
    const std::string image = "--image '" + path + "'";
    int exitCode = -1;

    // Without --yes: the check only, nothing written.
    std::string output = runSalvage(image + " hide 0", &exitCode);
    EXPECT_EQ(exitCode, 2);
    EXPECT_NE(output.find("add --yes"), std::string::npos) << output;
    EXPECT_EQ(md5Of(path), original);

    output = runSalvage(image + " unhide 0 --yes", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(output.find("the disk is not hidden"), std::string::npos) << output;
    EXPECT_EQ(md5Of(path), original);

    output = runSalvage(image + " hide 0 --yes", &exitCode);
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_NE(md5Of(path), original);
    EXPECT_EQ(linesOf(runSalvage(image + " disks --lang en", &exitCode))[3].substr(37, 9), "OFF  MBR ");

    output = runSalvage(image + " hide 0 --yes", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(output.find("already hidden"), std::string::npos) << output;

    output = runSalvage(image + " unhide 0 --yes", &exitCode);
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_EQ(linesOf(runSalvage(image + " disks --lang en", &exitCode))[3].substr(37, 9), "     MBR ");

    for (const char* wrong : {"hide", "hide 8 --yes", "hide 0 1 --yes", "unhide x"}) {
        runSalvage(image + " " + wrong, &exitCode);
        EXPECT_EQ(exitCode, 2) << wrong;
    }
}

}  // namespace
}  // namespace quenzar::cli
