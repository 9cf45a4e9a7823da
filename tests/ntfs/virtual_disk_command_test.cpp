// salvage vdisk on a copy of a fixture disk whose partition entry has been wiped: each of the
// three known sectors finds the volume, in either language, and wrong usage is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::ntfs {
namespace {

namespace ts = quenzar::testsupport;

class VirtualDiskCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(ts::fixtureDir() / "manifest.tsv")) {
            GTEST_FAIL() << "fixture images not unpacked in " << ts::fixtureDir();
        }
        manifest_ = ts::Manifest::loadFromDir(ts::fixtureDir());
        const ts::ImageFacts& image = manifest_.image("masked.img");
        volume_ = image.partition(0);
        image_ = folder_.file("wiped.img");
        std::filesystem::copy_file(image.path(ts::fixtureDir()), image_);
        std::fstream file(image_, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(446 + 16 * (volume_->slot - 1));
        const char zeros[16] = {};
        file.write(zeros, sizeof zeros);
    }

    std::string salvage(const std::string& arguments, int* exitCode) const {
        return ts::runCommand(std::string(QUENZAR_SALVAGE_EXE) + " --image " + image_ + " vdisk " + arguments +
                                  " 2>&1",
                              exitCode);
    }

    static std::string field(const std::string& name, std::uint64_t value) {
        std::string line = name;
        line.resize(29, ' ');
        return line + std::to_string(value) + "\n";
    }

    ts::Manifest manifest_;
    ts::TempFolder folder_;
    const ts::PartitionFacts* volume_ = nullptr;
    std::string image_;
};

TEST_F(VirtualDiskCommand, EachKnownSectorFindsTheVolume) {
    const std::uint64_t spc = volume_->sectorsPerCluster();
    const std::uint64_t mftLba = volume_->startLba + volume_->mftCluster * spc;
    const ts::EntryFacts* file = manifest_.image("masked.img").entry(0, "data-64512.bin");
    ASSERT_NE(file, nullptr);
    for (const std::string& start : {"--boot " + std::to_string(volume_->startLba), "--mft " + std::to_string(mftLba),
                                     "--record " + std::to_string(mftLba + 2 * file->record)}) {
        SCOPED_TRACE(start);
        int exitCode = -1;
        const std::string out = salvage("0 " + start + " --lang en", &exitCode);
        EXPECT_EQ(exitCode, 0) << out;
        EXPECT_NE(out.find("result: MFT\n"), std::string::npos) << out;
        EXPECT_NE(out.find(field("boot-lba", volume_->startLba)), std::string::npos) << out;
        EXPECT_NE(out.find(field("sectors-per-cluster", spc)), std::string::npos) << out;
        EXPECT_NE(out.find(field("mft-cluster", volume_->mftCluster)), std::string::npos) << out;
        EXPECT_NE(out.find(field("mft-lba", mftLba)), std::string::npos) << out;
        EXPECT_NE(out.find("RUN RECONSTRUCTION on\n"), std::string::npos) << out;
        EXPECT_NE(out.find("mft-record-limit"), std::string::npos) << out;
    }
}

TEST_F(VirtualDiskCommand, RussianDiagnosticsReachTheTerminalAsUtf8) {
    const std::uint64_t mftLba = volume_->startLba + volume_->mftCluster * volume_->sectorsPerCluster();
    int exitCode = -1;
    const std::string out = salvage("0 --record " + std::to_string(mftLba + 2 * 64) + " --lang ru", &exitCode);
    EXPECT_EQ(exitCode, 1);  // record 64 is the folder "secret"
    EXPECT_NE(out.find(ts::utf8(u8"результат: Это папка\n")), std::string::npos) << out;
    EXPECT_NE(out.find(ts::utf8(u8"диагностика 2: Эта запись FILE Record описывет папку\n")), std::string::npos) << out;
    EXPECT_NE(out.find(ts::utf8(u8"RUN RECONSTRUCTION выкл")), std::string::npos) << out;
}

TEST_F(VirtualDiskCommand, RefusesWrongUsage) {
    for (const char* arguments : {"", "0", "9 --boot 63", "0 --boot", "0 --boot x", "0 --boot 63 --mft 64",
                                  "0 --boot 12345678901234", "0 --boot 63 --lang de"}) {
        SCOPED_TRACE(arguments);
        int exitCode = -1;
        salvage(arguments, &exitCode);
        EXPECT_EQ(exitCode, 2);
    }
}

}  // namespace
}  // namespace quenzar::ntfs
