// salvage view end to end: sectors of a fixture disk in each presentation with the position
// panels, and MFT records of a virtual disk on a copy whose partition entry has been wiped.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::cli {
namespace {

namespace ts = quenzar::testsupport;

std::string salvage(const std::string& image, const std::string& arguments, int* exitCode) {
    return ts::runCommand(std::string(QUENZAR_SALVAGE_EXE) + " --image " + image + " view " + arguments + " 2>&1",
                          exitCode);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ViewCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(ts::fixtureDir() / "manifest.tsv")) {
            GTEST_FAIL() << "fixture images not unpacked in " << ts::fixtureDir();
        }
        manifest_ = ts::Manifest::loadFromDir(ts::fixtureDir());
    }
    ts::Manifest manifest_;
};

TEST_F(ViewCommand, EveryPresentationOfFixtureSectors) {
    const ts::ImageFacts& mbr = manifest_.image("mbr.img");
    const ts::PartitionFacts& fat32 = *mbr.partition(1);
    const ts::PartitionFacts& fat16 = *mbr.partition(3);
    const std::uint64_t fat32Root = fat32.startLba + fat32.reservedSectors + 2ull * fat32.fatSectors;
    struct Case {
        std::string arguments;
        std::string physicalLba;  // the LBA line of the physical disk panel
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"0 0", "Addr. LBA            0 \n",
         {"     0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F Character view cp1251\n",
          "1F0  00 00 00 00 00 00 00 00  00 00 00 00 00 00 55 AA  ........  ......U" + ts::utf8(u8"Є") + " \n"}},
        {"0 0 --as partition", "Addr. LBA            0 \n",
         {"    1    NTFS       NO        32    0   33   123   18   41         2048       294912  \n",
          "    4    " + ts::utf8(u8"СВОБОДЕН") + "   NO         0    0    0     0    0    0            0            0  \n",
          " Header  " + std::string(72, ' ') + "\n"}},
        {"0 2048 --as ntfs-boot", "Addr. LBA         2048 \n",
         {" Number of sectors                   294911  FF7F040000000000  28h  40     8 \n",
          " No. cluster $MFT                        16  1000000000000000  30h  48     8 \n"}},
        {"0 " + std::to_string(fat32.startLba) + " --as fat-boot", "",
         {" Size of FAT to FAT32                   630  76020000          24h  36     4 \n",
          " ID FAT32                      FAT32         4641543332202020  52h  82     8 \n"}},
        {"0 " + std::to_string(fat32.startLba + fat32.reservedSectors) + " --as fat32", "",
         {"00       <BEG>       <EOF>       <BEG>           4       <EOF>           6           7           8 \n"}},
        {"0 " + std::to_string(fat16.startLba + fat16.reservedSectors) + " --as fat16", "",
         {"<BEG> <EOF> <EOF> <EOF>     5 <EOF>     0     0     0     0     0     0     0     0     0     0 \n"}},
        {"0 " + std::to_string(fat32Root) + " --as fat-dir --lang ru", "",
         {ts::utf8(u8"   Очень длинное               01h  КС=2Bh                           Элемент длинного "
                   u8"наименования \n"),
          ts::utf8(u8"       DIR1                   Кат.              0 01.03.2024  12:00            22          D"
                   u8"       \n")}},
    };
    const std::string image = mbr.path(ts::fixtureDir());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        int exitCode = -1;
        const std::string out = salvage(image, c.arguments, &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        EXPECT_TRUE(contains(out, "  PHYSICAL DISK HD0    \n")) << out;
        EXPECT_TRUE(contains(out, "     VIRTUAL DISK VD?  \n")) << out;
        if (!c.physicalLba.empty()) {
            EXPECT_TRUE(contains(out, c.physicalLba)) << out;
        }
        for (const std::string& line : c.lines) EXPECT_TRUE(contains(out, line)) << line << "\n" << out;
        EXPECT_FALSE(contains(out, "\r")) << out;
    }
}

TEST_F(ViewCommand, WrongUsageIsRefused) {
    const std::string image = manifest_.image("mbr.img").path(ts::fixtureDir());
    for (const std::string arguments :
         {"", "0", "9 0", "0 x", "0 0 --as table", "0 0 0", "0 --boot 2048", "0 --record 5",
          "0 0 --boot 2048 --record 5", "0 --boot 2048 --record 5 --as hex", "0 --boot 12345678901234 --record 5",
          "0 --boot 2048 --record x"}) {
        SCOPED_TRACE(arguments);
        int exitCode = -1;
        const std::string out = salvage(image, arguments, &exitCode);
        EXPECT_EQ(exitCode, 2) << out;
        EXPECT_TRUE(contains(out, "usage: salvage view")) << out;
    }
}

TEST_F(ViewCommand, RecordOfVirtualDiskOnWipedPartitionTable) {
    const ts::ImageFacts& masked = manifest_.image("masked.img");
    const ts::PartitionFacts& volume = *masked.partition(0);
    ts::TempFolder folder;
    const std::string image = folder.file("wiped.img");
    std::filesystem::copy_file(masked.path(ts::fixtureDir()), image);
    {
        std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(446 + 16 * (volume.slot - 1));
        const char zeros[16] = {};
        file.write(zeros, sizeof zeros);
    }
    const ts::EntryFacts& entry = *masked.entry(0, "data-64512.bin");
    ASSERT_EQ(entry.runs.size(), 1u);
    const std::uint64_t spc = volume.sectorsPerCluster();
    const std::uint64_t mftLba = volume.startLba + volume.mftCluster * spc;
    const std::uint64_t recordLba = mftLba + 2 * entry.record;
    std::string firstFragment = std::to_string(entry.runs[0].lcn);
    firstFragment.insert(0, 12 - firstFragment.size(), ' ');
    for (const std::string& start : {"--boot " + std::to_string(volume.startLba), "--mft " + std::to_string(mftLba),
                                     "--record-lba " + std::to_string(recordLba)}) {
        SCOPED_TRACE(start);
        int exitCode = -1;
        const std::string out = salvage(image, "0 " + start + " --record " + std::to_string(entry.record), &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        const std::string lbaDigits = std::to_string(recordLba);
        EXPECT_TRUE(contains(out, "Addr. LBA" + std::string(13 - lbaDigits.size(), ' ') + lbaDigits + " \n")) << out;
        EXPECT_TRUE(contains(out, "     VIRTUAL DISK VD0  \n")) << out;
        EXPECT_TRUE(contains(out, "#FMT             " + std::to_string(entry.record) + " +0 \n")) << out;
        EXPECT_TRUE(contains(out, "Own number                             " + std::to_string(entry.record) + "       \n"))
            << out;
        EXPECT_TRUE(contains(out, "The long name of        data-64512.bin")) << out;
        EXPECT_TRUE(contains(out, "\n" + firstFragment)) << out;
    }

    // A sector that holds no NTFS volume gives no record view.
    int exitCode = -1;
    const std::string out = salvage(image, "0 --boot 1 --record 0", &exitCode);
    EXPECT_EQ(exitCode, 1) << out;

    // A record beyond the $MFT is said to be missing, not shown as the last one.
    const std::string beyond =
        salvage(image, "0 --boot " + std::to_string(volume.startLba) + " --record 99999999", &exitCode);
    EXPECT_EQ(exitCode, 1) << beyond;
    EXPECT_TRUE(contains(beyond, "there is no record 99999999: the $MFT of this virtual disk holds records 0 to ")) << beyond;
    EXPECT_FALSE(contains(beyond, "Own number")) << beyond;
}

}  // namespace
}  // namespace quenzar::cli
