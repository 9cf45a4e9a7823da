// Finding lost NTFS volumes on the three disks people bring: a partition table wiped (two
// volumes), a first boot sector zeroed (only the backup in the volume's last sector is left), and
// a volume quick-formatted over an older one of another cluster size at the same start. The
// facts come from the fixtures' manifest; the images are copied before a sector is changed.
#include "ntfs/lost_volumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "disk/inventory.h"
#include "support/faulty_disks.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::ntfs {
namespace {

namespace ts = quenzar::testsupport;

// A copy of the image with one sector zeroed.
std::string copyWithZeroedSector(const ts::TempFolder& folder, const ts::ImageFacts& image, std::uint64_t lba) {
    const std::string copy = folder.file(image.name);
    std::filesystem::copy_file(image.path(ts::fixtureDir()), copy);
    std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(lba * 512));
    const char zeros[512] = {};
    file.write(zeros, sizeof zeros);
    return copy;
}

ScanReport scan(platform::DiskSystem& disks, std::uint64_t fromLba = 0, std::uint64_t toLba = 0,
                ScanProgress* progress = nullptr) {
    disk::InventoryState inventory;
    disk::ProbeDisk(inventory, disks, '0');
    ScanProgress own;
    return scanForVolumes(disks, inventory, '0', fromLba, toLba, progress != nullptr ? *progress : own, 1 << 20);
}

// What a volume of the manifest gives when both its boot sectors and its record 0 are there.
void expectWhole(const VolumeCandidate& found, const ts::PartitionFacts& volume, bool bootKept, int partitionNumber) {
    SCOPED_TRACE(volume.image + " at " + std::to_string(volume.startLba));
    const std::uint64_t mftLba = volume.startLba + volume.mftCluster * volume.sectorsPerCluster();
    EXPECT_EQ(found.startLba, volume.startLba);
    EXPECT_EQ(found.sectorsPerCluster, volume.sectorsPerCluster());
    EXPECT_EQ(found.mftCluster, volume.mftCluster);
    EXPECT_EQ(found.sectorCount, volume.fsSectors + 1);
    EXPECT_EQ(found.bootLba.has_value(), bootKept);
    EXPECT_EQ(found.backupBootLba, volume.startLba + volume.fsSectors);
    EXPECT_EQ(found.mftLba, mftLba);
    EXPECT_EQ(found.mirrorLba, volume.startLba + volume.mftMirrorCluster * volume.sectorsPerCluster());
    EXPECT_EQ(found.feedsBoot, bootKept ? std::optional<std::uint64_t>(volume.startLba) : std::nullopt);
    EXPECT_EQ(found.feedsMft, mftLba);
    EXPECT_EQ(found.partitionNumber, partitionNumber);
}

TEST(LostVolumes, WipedPartitionTableLeavesBothVolumes) {
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& image = manifest.image("mbr.img");
    const ts::TempFolder folder;
    platform::ImageDiskSystem disks({copyWithZeroedSector(folder, image, 0)});
    const ScanReport report = scan(disks);
    EXPECT_EQ(report.sectorsRead, image.sectors);
    EXPECT_EQ(report.unreadableSectors, 0u);
    ASSERT_EQ(report.candidates.size(), 2u);
    expectWhole(report.candidates[0], *image.partition(0), true, 0);
    expectWhole(report.candidates[1], *image.partition(2), true, 0);

    // The intact disk: the table still describes both.
    platform::ImageDiskSystem intact({image.path(ts::fixtureDir())});
    const ScanReport described = scan(intact);
    ASSERT_EQ(described.candidates.size(), 2u);
    EXPECT_NE(described.candidates[0].partitionNumber, 0);
    EXPECT_NE(described.candidates[1].partitionNumber, 0);

    // A range holds what lies in it: the second volume alone.
    const ScanReport part = scan(intact, image.partition(2)->startLba, image.sectors);
    ASSERT_EQ(part.candidates.size(), 1u);
    EXPECT_EQ(part.candidates[0].startLba, image.partition(2)->startLba);
    EXPECT_EQ(part.sectorsRead, image.sectors - image.partition(2)->startLba);
}

TEST(LostVolumes, ZeroedBootSectorLeavesItsBackup) {
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& image = manifest.image("lba0-ntfs.img");
    const ts::TempFolder folder;
    platform::ImageDiskSystem disks({copyWithZeroedSector(folder, image, 0)});
    const ScanReport report = scan(disks);
    ASSERT_EQ(report.candidates.size(), 1u);
    expectWhole(report.candidates[0], *image.partition(0), false, 0);
}

TEST(LostVolumes, TwoFormattingsAtOneStartAreTwoCandidates) {
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& image = manifest.image("reformatted.img");
    const auto number = [&](const char* field) { return std::stoull(image.fields.at(field)); };
    platform::ImageDiskSystem disks({image.path(ts::fixtureDir())});
    const ScanReport report = scan(disks);
    ASSERT_EQ(report.candidates.size(), 2u);
    // The newer formatting first: the one the table describes.
    const VolumeCandidate& current = report.candidates[0];
    expectWhole(current, *image.partition(0), true, 1);
    EXPECT_EQ(current.mftCreated, number("current_created"));

    // The older one: its record 0 is overwritten, its backup boot sector and its copy of record 0
    // in the $MFTMirr agree on it. No starting point gives it back.
    const VolumeCandidate& former = report.candidates[1];
    const std::uint64_t start = number("former_start");
    const std::uint32_t spc = static_cast<std::uint32_t>(number("former_cluster") / 512);
    EXPECT_EQ(former.startLba, start);
    EXPECT_EQ(former.sectorsPerCluster, spc);
    EXPECT_EQ(former.mftCluster, number("former_mft_cluster"));
    EXPECT_EQ(former.mftCreated, number("former_created"));
    EXPECT_FALSE(former.bootLba);
    EXPECT_EQ(former.backupBootLba, start + number("former_sectors") - 1);
    EXPECT_TRUE(former.mftOverwritten);
    EXPECT_FALSE(former.mftLba);
    EXPECT_EQ(former.mirrorLba, start + number("former_mftmirr_cluster") * spc);
    EXPECT_FALSE(former.feedsBoot || former.feedsMft || former.feedsRecord);
    EXPECT_EQ(former.partitionNumber, 0);
}

TEST(LostVolumes, UnreadableSectorsAreSkippedAndCountedAndAStopEndsTheRead) {
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& image = manifest.image("mbr.img");
    ts::FaultyDisks disks({image.path(ts::fixtureDir())});
    disks.failSectors(100000, 8);
    disks.failSectors(300000, 1);
    const ScanReport report = scan(disks);
    EXPECT_EQ(report.unreadableSectors, 9u);
    EXPECT_EQ(report.sectorsRead, image.sectors);
    EXPECT_EQ(report.candidates.size(), 2u);

    ts::FaultyDisks stopping({image.path(ts::fixtureDir())});
    ScanProgress progress;
    stopping.whenRead(image.partition(2)->startLba - 4096, [&] { progress.stopRequested.store(true); });
    const ScanReport stopped = scan(stopping, 0, 0, &progress);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_LT(stopped.sectorsRead, image.partition(2)->startLba);
    ASSERT_EQ(stopped.candidates.size(), 1u);
    EXPECT_EQ(stopped.candidates[0].startLba, image.partition(0)->startLba);
}

}  // namespace
}  // namespace quenzar::ntfs
