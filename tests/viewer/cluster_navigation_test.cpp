// Cluster navigation: accepting and rejecting drive letters against the inventory of a fixture
// disk, the region rows, and the first sector of a cluster on NTFS, FAT32 and FAT16 volumes, checked
// against what those sectors hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <array>
#include <fstream>
#include <optional>
#include <string>

#include "disk/inventory.h"
#include "platform/disk_system.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"
#include "viewer/cluster_navigation.h"
#include "viewer/viewer_model.h"

namespace quenzar::viewer {
namespace {

namespace ts = quenzar::testsupport;

TEST(ClusterNavigation, WorkedFigures) {
    NavigationDrive ntfs;
    ntfs.fileSystem = disk::FileSystem::Ntfs;
    ntfs.volumeStart = 2048;
    ntfs.sectorsPerCluster = 8;
    EXPECT_EQ(clusterLba(ntfs, 786'432), 6'293'504u);
    EXPECT_EQ(clusterLba(ntfs, 0xFFFFFFFFu), 0xFFFFFFFFull * 8 + 2048);  // no 32-bit wrap

    NavigationDrive fat32;
    fat32.fileSystem = disk::FileSystem::Fat32;
    fat32.volumeStart = 63;
    fat32.reservedSectors = 32;
    fat32.sectorsPerFat = 1000;
    fat32.sectorsPerCluster = 8;
    EXPECT_EQ(clusterLba(fat32, 2), 2095u);
    EXPECT_EQ(clusterLba(fat32, 3), 2103u);
    EXPECT_EQ(clusterLba(fat32, 0), 2079u);  // before the data area, inside the volume

    // FAT-16: the root folder follows the FATs, its entries of 32 bytes in whole sectors.
    NavigationDrive fat16 = fat32;
    fat16.fileSystem = disk::FileSystem::Fat16;
    struct Case {
        std::uint16_t rootEntries;
        std::uint64_t cluster2;
    };
    for (const Case c : {Case{512, 2095 + 32}, Case{500, 2095 + 32}, Case{16, 2095 + 1}, Case{0, 2095}}) {
        fat16.rootEntries = c.rootEntries;
        EXPECT_EQ(clusterLba(fat16, 2), c.cluster2) << c.rootEntries;
    }
}

// On a disk of 4,096-byte sectors every LBA counts those sectors; a boot sector of other sectors
// than its disk's still gives its clusters where they lie.
TEST(ClusterNavigation, WorkedFiguresOnADiskOfLargeSectors) {
    NavigationDrive ntfs;
    ntfs.fileSystem = disk::FileSystem::Ntfs;
    ntfs.diskSectorBytes = 4096;
    ntfs.volumeStart = 256;
    ntfs.bytesPerSector = 4096;
    ntfs.sectorsPerCluster = 1;
    NavigationDrive ntfsOf512 = ntfs;  // a boot sector of 512-byte sectors, 8 a cluster
    ntfsOf512.bytesPerSector = 512;
    ntfsOf512.sectorsPerCluster = 8;
    NavigationDrive halfCluster = ntfsOf512;  // clusters of 512 bytes, eight to a disk sector
    halfCluster.sectorsPerCluster = 1;
    // FAT-16 of 4,096-byte sectors: 1 reserved, two FATs of 2, 512 root entries in 4 sectors,
    // clusters of 2 sectors: the data area begins 9 sectors into the volume.
    NavigationDrive fat16;
    fat16.fileSystem = disk::FileSystem::Fat16;
    fat16.diskSectorBytes = 4096;
    fat16.volumeStart = 1000;
    fat16.bytesPerSector = 4096;
    fat16.reservedSectors = 1;
    fat16.sectorsPerFat = 2;
    fat16.rootEntries = 512;
    fat16.sectorsPerCluster = 2;
    struct Case {
        const NavigationDrive* drive;
        std::uint32_t cluster;
        std::uint64_t lba;
        std::uint32_t step;  // clusterSectors: the Page Down step
    };
    const Case cases[] = {
        {&ntfs, 4, 260, 1},        {&ntfsOf512, 3, 259, 1}, {&halfCluster, 17, 258, 1},
        {&fat16, 2, 1009, 2},      {&fat16, 3, 1011, 2},    {&fat16, 0, 1005, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(clusterLba(*c.drive, c.cluster), c.lba) << c.cluster;
        EXPECT_EQ(clusterSectors(*c.drive), c.step) << c.cluster;
    }
}

TEST(ClusterNavigation, NumberField) {
    EXPECT_EQ(navigationNumber("786432"), 786'432u);
    EXPECT_EQ(navigationNumber(""), 0u);
    EXPECT_EQ(navigationNumber("12a"), 0u);
}

class ClusterNavigationOnFixture : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(ts::fixtureDir() / "manifest.tsv")) {
            GTEST_FAIL() << "fixture images not unpacked in " << ts::fixtureDir();
        }
        manifest_ = ts::Manifest::loadFromDir(ts::fixtureDir());
        path_ = manifest_.image("mbr.img").path(ts::fixtureDir());
        platform::ImageDiskSystem disks({path_});
        disk::BuildDiskInventory(inventory_, disks);
    }

    // The letter of the volume starting at the partition's first sector.
    char letterOf(int partition) const {
        const std::uint64_t start = manifest_.image("mbr.img").partition(partition)->startLba;
        for (int i = 0; i < disk::kDriveLetterCount; ++i) {
            const disk::LogicalDriveInfo& drive = inventory_.drives[static_cast<std::size_t>(i)];
            if (drive.endLba != 0 && drive.startLba == start) return static_cast<char>(disk::kFirstDriveLetter + i);
        }
        ADD_FAILURE() << "no letter for partition " << partition;
        return '?';
    }

    std::array<std::uint8_t, 512> sector(std::uint64_t lba) const {
        std::array<std::uint8_t, 512> bytes{};
        std::ifstream file(path_, std::ios::binary);
        file.seekg(static_cast<std::streamoff>(lba * 512));
        file.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
        return bytes;
    }

    // A folder's first sector begins with its "." entry, which names the folder's own cluster.
    void expectFolderAt(const NavigationDrive& drive, std::uint32_t cluster) const {
        const auto bytes = sector(clusterLba(drive, cluster));
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 11), ".          ") << drive.letter;
        EXPECT_EQ(bytes[26] | bytes[27] << 8, static_cast<int>(cluster)) << drive.letter;
    }

    ts::Manifest manifest_;
    std::string path_;
    disk::InventoryState inventory_;
};

TEST_F(ClusterNavigationOnFixture, AcceptedLettersFillTitleRowsAndNumber) {
    const ts::ImageFacts& mbr = manifest_.image("mbr.img");
    const char ntfsLetter = letterOf(0);
    NavigationState state;
    state.cancelFlag = true;
    const char typed = static_cast<char>(ntfsLetter - 'A' + 'a');  // lower case is accepted
    EXPECT_FALSE(acceptLetter(state, inventory_, typed, false, 16, text::Language::English));
    ASSERT_TRUE(state.drive);
    EXPECT_EQ(state.title, std::string("Cluster logical drive ") + ntfsLetter + ": on HD0 ");
    EXPECT_FALSE(state.cancelFlag);
    EXPECT_TRUE(state.okEnabled);
    EXPECT_EQ(state.numberText, "16");
    const ts::PartitionFacts& ntfs = *mbr.partition(0);
    EXPECT_EQ(state.rows, (RegionRows{RegionRow{"BOOT", "0"}, RegionRow{"$MFT", std::to_string(ntfs.mftCluster)},
                                      RegionRow{"$MFTMirr", std::to_string(ntfs.mftMirrorCluster)},
                                      RegionRow{"BOOT_Copy", ""}}));
    const auto mft = sector(clusterLba(*state.drive, static_cast<std::uint32_t>(ntfs.mftCluster)));
    EXPECT_EQ(std::string(mft.begin(), mft.begin() + 4), "FILE");

    // FAT32: the root folder is cluster 2; DIR1 is cluster 22.
    EXPECT_FALSE(acceptLetter(state, inventory_, letterOf(1), false, 0, text::Language::Russian));
    EXPECT_EQ(state.title, std::string("Кластер логического диска ") + letterOf(1) + ": на HD0 ");
    EXPECT_EQ(state.rows, (RegionRows{RegionRow{}, RegionRow{}, RegionRow{"ROOT", "2"}, RegionRow{"DATA", "2"}}));
    const auto root = sector(clusterLba(*state.drive, 2));
    EXPECT_EQ(std::string(root.begin(), root.begin() + 11), "QZFAT32    ");
    expectFolderAt(*state.drive, 22);

    // FAT16: the data area lies behind the root folder; "Документы" is cluster 3.
    EXPECT_FALSE(acceptLetter(state, inventory_, letterOf(3), false, 0, text::Language::English));
    EXPECT_EQ(state.rows, (RegionRows{RegionRow{"DATA", "2"}, RegionRow{}, RegionRow{}, RegionRow{}}));
    expectFolderAt(*state.drive, 3);
}

TEST_F(ClusterNavigationOnFixture, RejectedLetters) {
    // At opening a rejected letter only sets the cancel flag and the title.
    NavigationState opening;
    EXPECT_FALSE(acceptLetter(opening, inventory_, 'A', true, 0, text::Language::English));
    EXPECT_TRUE(opening.cancelFlag);
    EXPECT_EQ(opening.title, "Cluster logical drive ?: on HD? ");

    // Typed, it brings the warning; the dialog is left without a drive.
    NavigationState typed;
    ASSERT_FALSE(acceptLetter(typed, inventory_, letterOf(0), false, 0, text::Language::English));
    for (const char letter : {'A', 'b', 'Z', '0', '[', '{', '?'}) {
        SCOPED_TRACE(letter);
        ASSERT_FALSE(acceptLetter(typed, inventory_, letterOf(0), false, 0, text::Language::English));
        const auto message = acceptLetter(typed, inventory_, letter, false, 0, text::Language::English);
        if (letter == '?') {
            EXPECT_FALSE(message);  // "none": the rows are emptied, nothing else changes
            EXPECT_TRUE(typed.okEnabled);
        } else {
            ASSERT_TRUE(message);
            EXPECT_EQ(message->caption, "THIS LOGICAL DRIVE IS NOT!");
            EXPECT_EQ(message->text, "Disk with the drive letter identifier\r\non your computer is missing.\r\n\r\n"
                                     "Enter the correct disk number.");
            EXPECT_FALSE(typed.okEnabled);
            EXPECT_FALSE(typed.drive);
            EXPECT_EQ(typed.title, "Cluster logical drive ?: on HD? ");
        }
        EXPECT_EQ(typed.rows, RegionRows{});
    }
    const auto russian = acceptLetter(typed, inventory_, 'A', false, 0, text::Language::Russian);
    ASSERT_TRUE(russian);
    EXPECT_EQ(russian->caption, "ТАКОГО ЛОГИЧЕСКОГО  ДИСКА НЕТ!");
}

TEST_F(ClusterNavigationOnFixture, DialogFlowMovesTheViewerToTheCluster) {
    const ts::PartitionFacts& ntfs = *manifest_.image("mbr.img").partition(0);
    const std::uint64_t spc = ntfs.sectorsPerCluster();
    ViewerState viewer;
    setPosition(viewer, '0', ntfs.startLba + 10 * spc + 1, 63, 255);

    // The dialog opens on the drive under the viewed sector, at its cluster.
    const InitialDrive initial = initialDrive(inventory_, '0', viewer.position.lba);
    EXPECT_EQ(initial, (InitialDrive{letterOf(0), 10}));
    beginSectorView(viewer, ViewKind::Cluster, &inventory_.drive(initial.letter));
    NavigationState dialog;
    acceptLetter(dialog, inventory_, initial.letter, true, initial.number, text::Language::English);
    EXPECT_EQ(dialog.numberText, "10");
    dialog.numberText = std::to_string(ntfs.mftCluster);

    // Closed without "OK": back where it was.
    EXPECT_FALSE(navigationChoice(dialog, false));
    const std::optional<NavigationChoice> choice = navigationChoice(dialog, true);
    ASSERT_TRUE(choice);
    ASSERT_TRUE(finishSectorView(viewer, ViewKind::Cluster, choice, 63, 255));
    EXPECT_EQ(viewer.position.lba, ntfs.startLba + ntfs.mftCluster * spc);
    // Cluster navigation on NTFS keeps the end LBA (first sector + the boot sector's sector count).
    EXPECT_EQ(viewer.range, (ViewerRange{ntfs.startLba, ntfs.startLba + ntfs.fsSectors}));
    EXPECT_EQ(viewer.sectorsPerCluster, spc);

    // A sector outside every lettered volume opens the dialog on no drive; it cannot be accepted.
    EXPECT_EQ(initialDrive(inventory_, '0', 0), InitialDrive{});
    EXPECT_EQ(initialDrive(inventory_, '1', viewer.position.lba), InitialDrive{});
    NavigationState none;
    acceptLetter(none, inventory_, '?', true, 0, text::Language::English);
    EXPECT_FALSE(navigationChoice(none, true));
    // A rejected initial letter sets the cancel flag: "OK" gives nothing even after the flag.
    acceptLetter(dialog, inventory_, 'A', true, 0, text::Language::English);
    EXPECT_TRUE(dialog.cancelFlag);
    EXPECT_FALSE(navigationChoice(dialog, true));
}

// The GPT disk of 4,096-byte sectors: the dialog opens at the cluster of the viewed sector, and the
// $MFT's cluster leads to the sector that holds its first record.
TEST(ClusterNavigation, DiskOfLargeSectors) {
    if (!std::filesystem::exists(ts::fixtureDir() / "manifest.tsv")) {
        GTEST_FAIL() << "fixture images not unpacked in " << ts::fixtureDir();
    }
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& image = manifest.image("gpt4k.img");
    const ts::PartitionFacts& volume = *image.partition(0);
    platform::ImageDiskSystem disks({image.path(ts::fixtureDir())});
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);

    const std::uint64_t clusterSectorCount = volume.clusterSize / image.sectorSize;
    const InitialDrive initial = initialDrive(inventory, '0', volume.lbaStart + 10 * clusterSectorCount);
    ASSERT_NE(initial.letter, '?');
    EXPECT_EQ(initial.number, 10u);
    NavigationState dialog;
    acceptLetter(dialog, inventory, initial.letter, true, initial.number, text::Language::English);
    ASSERT_TRUE(dialog.drive);
    EXPECT_EQ(dialog.drive->diskSectorBytes, 4096u);
    dialog.numberText = std::to_string(volume.mftCluster);
    const std::optional<NavigationChoice> choice = navigationChoice(dialog, true);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->lba, volume.lbaStart + volume.mftCluster * clusterSectorCount);
    EXPECT_EQ(choice->volumeStart, volume.lbaStart);
    EXPECT_EQ(choice->sectorsPerCluster, clusterSectorCount);
    std::array<char, 4> record{};
    std::ifstream file(image.path(ts::fixtureDir()), std::ios::binary);
    file.seekg(static_cast<std::streamoff>(choice->lba * image.sectorSize));
    file.read(record.data(), record.size());
    EXPECT_EQ(std::string(record.data(), 4), "FILE");
}

}  // namespace
}  // namespace quenzar::viewer
