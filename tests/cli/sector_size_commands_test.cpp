// The command-line program on a disk of 4,096-byte sectors made here by mkntfs: probe names the
// size and why, read counts LBAs in it, --sector-size overrides it, disks says so under the screen,
// and hide refuses the disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar {
namespace {

using testsupport::runCommand;
using testsupport::runSalvage;
using testsupport::TempFolder;

constexpr std::uint64_t kImageBytes = 64 * 1024 * 1024;

std::string inQuotes(const std::string& path) { return "'" + path + "'"; }

// The program's command word, for a command line whose outputs the test redirects itself.
std::string salvage() { return inQuotes(QUENZAR_SALVAGE_EXE) + " "; }

std::string md5Of(const std::string& path) { return runCommand("md5sum < " + inQuotes(path)).substr(0, 32); }

// The file's bytes from a byte offset.
std::string bytesOf(const std::string& path, std::uint64_t byteOffset, std::size_t byteCount) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(byteOffset));
    std::string bytes(byteCount, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(byteCount));
    return bytes;
}

// A bare NTFS volume of 4,096-byte sectors over the whole image, as mkntfs writes it.
class FourKilobyteDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (runCommand("command -v mkntfs").empty()) GTEST_SKIP() << "mkntfs is not installed";
        image_ = folder_.file("ntfs4k.img");
        int exitCode = -1;
        runCommand("truncate -s " + std::to_string(kImageBytes) + " " + inQuotes(image_) + " && mkntfs -q -F -s 4096 -c 4096 " +
                       inQuotes(image_) + " >/dev/null 2>&1",
                   &exitCode);
        ASSERT_EQ(exitCode, 0) << "mkntfs failed";
    }

    std::string image() const { return "--image " + inQuotes(image_); }

    TempFolder folder_;
    std::string image_;
};

TEST_F(FourKilobyteDisk, ProbeNamesTheSectorSizeAndHowItWasDecided) {
    int exitCode = -1;
    std::string out = runSalvage(image() + " probe", &exitCode);
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("  16384 sectors of 4096 bytes (67108864 bytes) (4096-byte sectors: the NTFS boot sector at "
                       "LBA 0 says so)\n"),
              std::string::npos)
        << out;

    // The same image through QUENZAR_DISK_IMAGES, and taken for 512-byte sectors when the person
    // says so, by either way of attaching it.
    out = runCommand("QUENZAR_DISK_IMAGES=" + inQuotes(image_) + " '" + QUENZAR_SALVAGE_EXE + "' probe 2>&1", &exitCode);
    EXPECT_NE(out.find("16384 sectors of 4096 bytes"), std::string::npos) << out;
    for (const std::string& command :
         {inQuotes(QUENZAR_SALVAGE_EXE) + " --sector-size 512 " + image() + " probe",
          "QUENZAR_DISK_IMAGES=" + inQuotes(image_) + " '" + QUENZAR_SALVAGE_EXE + "' --sector-size 512 probe"}) {
        out = runCommand(command + " 2>&1", &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        EXPECT_NE(out.find("  131072 sectors of 512 bytes (67108864 bytes) (--sector-size)\n"), std::string::npos)
            << command << "\n" << out;
    }
}

// LBA and COUNT are the disk's sectors: each read is the file's bytes at LBA x 4,096, and a range
// past the 16,384th sector is refused before anything is written.
TEST_F(FourKilobyteDisk, ReadCountsTheDisksOwnSectors) {
    const struct {
        std::string options;
        std::uint64_t lba;
        std::uint64_t count;
        std::uint64_t sectorBytes;
    } reads[] = {
        {"", 0, 1, 4096},
        {"", 1, 1, 4096},
        {"", 16381, 3, 4096},  // the last three sectors, the boot sector's copy in the last
        {"--sector-size 512 ", 1, 1, 512},
        {"--sector-size 512 ", 131071, 1, 512},
    };
    for (const auto& r : reads) {
        const std::string range = std::to_string(r.lba) + " " + std::to_string(r.count);
        SCOPED_TRACE(r.options + range);
        const std::string out = folder_.file("out");
        int exitCode = -1;
        runCommand(salvage() + r.options + image() + " read 0 " + range + " --no-unmask > " + inQuotes(out), &exitCode);
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(std::filesystem::file_size(out), r.count * r.sectorBytes);
        EXPECT_EQ(bytesOf(out, 0, r.count * r.sectorBytes), bytesOf(image_, r.lba * r.sectorBytes, r.count * r.sectorBytes));
    }

    int exitCode = -1;
    const std::string told = runCommand(salvage() + image() + " read 0 16383 2 2>&1 > /dev/null", &exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(told.find("LBA 16383 to 16384 lies beyond the end of disk 0, which holds 16384 sectors (LBA 0 to 16383)"),
              std::string::npos)
        << told;
}

TEST_F(FourKilobyteDisk, DisksSaysItsLbasAreOfTheLargerSectors) {
    int exitCode = -1;
    const std::string english = runSalvage(image() + " disks --lang en", &exitCode);
    EXPECT_EQ(exitCode, 0) << english;
    EXPECT_NE(english.find("\nDisk 0: sectors of 4096 bytes; LBAs are in these sectors\n"), std::string::npos)
        << english;
    const std::string russian = runSalvage(image() + " disks --lang ru", &exitCode);
    EXPECT_NE(russian.find(testsupport::utf8(u8"Диск 0: секторы по 4096 байт; LBA указаны в этих секторах\n")),
              std::string::npos)
        << russian;
    // A disk of 512-byte sectors gets no such line.
    const std::string as512 = runSalvage("--sector-size 512 " + image() + " disks --lang en", &exitCode);
    EXPECT_EQ(as512.find("sectors of"), std::string::npos) << as512;
}

// Hiding would write 512-byte sectors at LBA 0 to 3 and 58 to 61: on this disk both commands
// refuse with the reason, in the chosen language, and the image is left as it was.
TEST_F(FourKilobyteDisk, HideAndUnhideRefuseTheDisk) {
    const std::string before = md5Of(image_);
    const struct {
        std::string arguments;
        std::string told;
    } cases[] = {
        {"hide 0 --yes", "salvage hide: disk 0 cannot be hidden: the disk's logical sectors are not 512 bytes"},
        {"hide 0", "cannot be kept intact on such a disk"},
        {"unhide 0 --yes", "salvage unhide: disk 0 cannot be restored: the disk's logical sectors are not 512 bytes"},
        {"hide 0 --yes --lang ru",
         testsupport::utf8(u8"salvage hide: диск 0 нельзя скрыть: логические секторы диска не по 512 байт")},
        {"unhide 0 --yes --lang ru", testsupport::utf8(u8"salvage unhide: диск 0 нельзя вернуть: логические секторы")},
    };
    for (const auto& c : cases) {
        int exitCode = -1;
        const std::string out = runSalvage(image() + " " + c.arguments, &exitCode);
        EXPECT_EQ(exitCode, 1) << c.arguments << "\n" << out;
        EXPECT_NE(out.find(c.told), std::string::npos) << c.arguments << "\n" << out;
    }
    EXPECT_EQ(md5Of(image_), before);
}

// Only 512 and 4096 can be given; anything else stops the program before it reads a disk.
TEST(SectorSizeOption, OtherValuesAreAUsageError) {
    for (const std::string value : {"1024", "0", "4097", "4k", "-512", "", "99999999999999999999"}) {
        int exitCode = -1;
        const std::string out = runSalvage("--sector-size '" + value + "' probe", &exitCode);
        EXPECT_EQ(exitCode, 2) << value;
        EXPECT_NE(out.find("salvage: --sector-size takes 512 or 4096 (the bytes a sector of every disk image holds), "
                           "not \"" + value + "\""),
                  std::string::npos)
            << value << "\n" << out;
    }
    int exitCode = -1;
    const std::string missing = runSalvage("--sector-size", &exitCode);
    EXPECT_EQ(exitCode, 2);
    EXPECT_NE(missing.find("takes 512 or 4096"), std::string::npos) << missing;
}

}  // namespace
}  // namespace quenzar
