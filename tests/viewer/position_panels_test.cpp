// The physical, logical and virtual position panels beside the sector viewer.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "viewer/position_panels.h"
#include "support/fixture_manifest.h"
#include "support/temp_folder.h"

namespace quenzar::viewer {
namespace {

using disk::InventoryState;
using disk::PartitionEntry;
using disk::PhysicalDiskInfo;

PartitionEntry lettered(char letter, const char* tag, std::uint64_t start, std::uint64_t sectors,
                        std::uint8_t sectorsPerCluster, std::uint16_t reserved = 0, std::uint32_t sectorsPerFat = 0,
                        std::uint16_t rootEntries = 0) {
    PartitionEntry entry;
    entry.startLba = start;
    entry.extent = start + sectors;
    entry.sectorCount = sectors;
    entry.driveLetter = letter;
    std::copy_n(tag, 4, entry.fileSystemTag.begin());
    entry.sectorsPerCluster = sectorsPerCluster;
    entry.reservedSectors = reserved;
    entry.sectorsPerFat = sectorsPerFat;
    entry.rootEntries = rootEntries;
    return entry;
}

// NTFS D: at 2,048; FAT-32 E: right after it; FAT-16 F:; a partition without a letter; then G:.
PhysicalDiskInfo exampleDisk() {
    PhysicalDiskInfo disk;
    disk.partitions[0] = lettered('D', "NTFS", 2048, 294'912, 2);
    disk.partitions[1] = lettered('E', "T-32", 296'960, 81'920, 1, 32, 630);
    disk.partitions[2] = lettered('F', "T-16", 432'128, 40'960, 2, 2, 80, 512);
    disk.partitions[3] = lettered(0, "NTFS", 480'000, 1000, 8);
    disk.partitions[4] = lettered('G', "NTFS", 490'000, 1000, 8);
    return disk;
}

TEST(PositionPanels, PhysicalPanelAndChs) {
    EXPECT_EQ(physicalPanel('0', 0), "  PHYSICAL DISK HD0    \r\nAddr. LBA            0 ");
    EXPECT_EQ(physicalPanel('7', 1'000'000'000), "  PHYSICAL DISK HD7    \r\nAddr. LBA   1000000000 ");
    EXPECT_EQ(physicalPanel('3', 9'999'999'999'999), "  PHYSICAL DISK HD3    \r\nAddr. LBA9999999999999 ");
    EXPECT_EQ(panelChs(0), (disk::ChsAddress{0, 0, 1}));
    EXPECT_EQ(panelChs(16'065), (disk::ChsAddress{1, 0, 1}));
    EXPECT_EQ(panelChs(63ull * 255 * 0x1'0000'0000ull), (disk::ChsAddress{0, 0, 1}));  // cylinder 2^32 wraps its 32-bit field
}

std::string logical(const char* letter, const char* label, const char* sector, const char* cluster,
                    const char* inCluster) {
    return std::string("     LOGICAL DISK ") + letter + "   \r\nFile system     " + label + " \r\nSector   " + sector +
           " \r\nCluster  " + cluster + " \r\nСектор в кластере +" + inCluster + " ";
}

TEST(PositionPanels, LogicalPanel) {
    const PhysicalDiskInfo disk = exampleDisk();
    struct Case { std::uint64_t lba; std::string panel; };
    const Case cases[] = {
        {2048, logical("D:", "  NTFS", "            0", "            0", "  0")},
        {2048 + 12'345, logical("D:", "  NTFS", "        12345", "         6172", "  1")},
        // The last sector of D: and the one past it, which starts E:.
        {296'959, logical("D:", "  NTFS", "       294911", "       147455", "  1")},
        {296'960, logical("E:", "FAT-32", "            0", "             ", "   ")},
        // E: data area starts at 32 + 2 x 630 = 1,292: FAT sectors show no cluster.
        {296'960 + 1'291, logical("E:", "FAT-32", "         1291", "             ", "   ")},
        {296'960 + 1'292, logical("E:", "FAT-32", "         1292", "            2", "  0")},
        // F: data area: 512 root entries = 32 sectors, + 2 + 2 x 80 = 194.
        {432'128 + 194 + 5, logical("F:", "FAT-16", "          199", "            4", "  1")},
        // Past the end of E:, before F:: no partition.
        {378'880, logical("? ", "      ", "             ", "             ", "   ")},
        // G: lies after a partition without a letter: the walk never reaches it.
        {490'010, logical("? ", "      ", "             ", "             ", "   ")},
    };
    for (const Case& c : cases) EXPECT_EQ(logicalPanel(disk, c.lba), c.panel) << c.lba;

    // An unknown file system has no cluster size: letter and sector, no cluster.
    PhysicalDiskInfo unknown;
    unknown.partitions[0] = lettered('H', "????", 100, 100, 0);
    EXPECT_EQ(logicalPanel(unknown, 150), logical("H:", "  ????", "           50", "             ", "   "));
}

// A disk of 4,096-byte sectors: the panels count its sectors, and clusters of the boot sector's
// size wherever the boot sector's sectors differ from the disk's.
TEST(PositionPanels, LogicalPanelOnADiskOfLargeSectors) {
    PhysicalDiskInfo disk;
    disk.bytesPerSector = 4096;
    // NTFS of 4,096-byte sectors and clusters; NTFS whose boot sector counts 512-byte sectors, 8 a
    // cluster; FAT-16 of 4,096-byte sectors: 1 reserved, two FATs of 2, 512 root entries in 4 sectors.
    disk.partitions[0] = lettered('D', "NTFS", 256, 10'240, 1);
    disk.partitions[0].bytesPerSector = 4096;
    disk.partitions[1] = lettered('E', "NTFS", 10'496, 1000, 8);
    disk.partitions[1].bytesPerSector = 512;
    disk.partitions[2] = lettered('F', "T-16", 11'496, 1000, 2, 1, 2, 512);
    disk.partitions[2].bytesPerSector = 4096;
    struct Case { std::uint64_t lba; std::string panel; };
    const Case cases[] = {
        {256 + 4, logical("D:", "  NTFS", "            4", "            4", "  0")},
        {10'496 + 5, logical("E:", "  NTFS", "            5", "            5", "  0")},
        {11'496 + 8, logical("F:", "FAT-16", "            8", "             ", "   ")},
        {11'496 + 9, logical("F:", "FAT-16", "            9", "            2", "  0")},
        {11'496 + 12, logical("F:", "FAT-16", "           12", "            3", "  1")},
    };
    for (const Case& c : cases) EXPECT_EQ(logicalPanel(disk, c.lba), c.panel) << c.lba;
}

std::string virtualText(char disk, const char* label, const char* sector, const char* cluster, const char* inCluster,
                        const char* record) {
    return std::string("     VIRTUAL DISK VD") + disk + "  \r\nFile system     " + label + " \r\nSector   " + sector +
           " \r\nCluster  " + cluster + " \r\nSector in cluster +" + inCluster + " \r\n#FMT     " + record + " ";
}

TEST(PositionPanels, VirtualPanel) {
    ntfs::NtfsVolumeParams volume;
    volume.diskDigit = '1';
    volume.bootLba = 63;
    volume.sectorsPerCluster = 8;
    volume.mftLba = 6'291'519;
    volume.fsType = disk::FileSystem::Ntfs;
    EXPECT_EQ(virtualPanel(volume, '1', 6'291'519 + 3),
              virtualText('1', "  NTFS", "      6291459", "       786432", "  3", "         1 +1"));
    EXPECT_EQ(virtualPanel(volume, '1', 63),
              virtualText('1', "  NTFS", "            0", "            0", "  0", "             "));
    // Another disk, or below the volume's start: all blank.
    const std::string blankPanel = virtualText('?', "      ", "             ", "             ", "   ", "             ");
    EXPECT_EQ(virtualPanel(volume, '0', 6'291'519), blankPanel);
    EXPECT_EQ(virtualPanel(volume, '1', 62), blankPanel);

    // The record and the sector of it follow the record and sector sizes: records of 4,096 bytes
    // on 512-byte sectors span eight of them; on 4,096-byte sectors a record of 1,024 bytes is a
    // quarter of one, and the page shown tells which.
    struct RecordCase {
        std::uint32_t sectorBytes, recordBytes;
        std::uint64_t sectorsIntoMft;
        std::uint32_t byteInSector;
        const char* record;
    };
    const RecordCase records[] = {
        {512, 0, 3, 0, "         1 +1"},       {512, 4096, 8 * 3 + 5, 0, "         3 +5"},
        {4096, 4096, 7, 3584, "         7 +0"}, {4096, 1024, 1, 2048, "         6 +0"},
        {4096, 1024, 1, 0, "         4 +0"},
    };
    for (const RecordCase& c : records) {
        ntfs::NtfsVolumeParams sized = volume;
        sized.bytesPerSector = c.sectorBytes;
        sized.recordBytes = c.recordBytes;
        const std::string panel = virtualPanel(sized, '1', volume.mftLba + c.sectorsIntoMft, c.byteInSector);
        EXPECT_EQ(panel.substr(panel.size() - 14, 13), c.record) << c.sectorBytes << " " << c.recordBytes;
    }

    volume.fsType = disk::FileSystem::Fat32;
    volume.fat32 = ntfs::FatVolumeValues{4, 32, 100, 2};
    EXPECT_EQ(virtualPanel(volume, '1', 63 + 231 + 9),
              virtualText('1', "FAT-32", "          240", "            4", "  0", "             "));
    EXPECT_EQ(virtualPanel(volume, '1', 63 + 100),
              virtualText('1', "FAT-32", "          100", "             ", "   ", "             "));
}

// Going to a sector of a fixture disk with a sector mask: the panels are those of the position
// and the bytes arrive unmasked.
TEST(PositionPanels, GoToSectorOnAFixtureDisk) {
    namespace ts = quenzar::testsupport;
    if (!std::filesystem::exists(ts::fixtureDir() / "manifest.tsv")) {
        GTEST_FAIL() << "fixture images not unpacked in " << ts::fixtureDir();
    }
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& image = manifest.image("masked.img");
    const ts::PartitionFacts& volume = *image.partition(0);
    platform::ImageDiskSystem disks({image.path(ts::fixtureDir())});
    InventoryState inventory;
    BuildDiskInventory(inventory, disks);

    ntfs::NtfsVolumeParams virtualDisk;
    virtualDisk.diskDigit = '0';
    virtualDisk.bootLba = volume.startLba;
    virtualDisk.sectorsPerCluster = volume.sectorsPerCluster();
    virtualDisk.mftLba = volume.startLba + volume.mftCluster * volume.sectorsPerCluster();

    const SectorPosition position = GoToSector(disks, inventory, virtualDisk, '0', virtualDisk.mftLba + 2);
    EXPECT_EQ(position.bytesArrived, position.bytes.size());
    EXPECT_EQ(std::string(position.bytes.begin(), position.bytes.begin() + 4), "FILE");  // record 1, unmasked
    EXPECT_EQ(position.physical, physicalPanel('0', virtualDisk.mftLba + 2));
    EXPECT_EQ(position.logical, logicalPanel(inventory.disk('0'), virtualDisk.mftLba + 2));
    EXPECT_EQ(position.virtualDisk.substr(position.virtualDisk.size() - 23), "#FMT              1 +0 ");
}

// Going to a sector of the GPT disk of 4,096-byte sectors: its LBAs count those sectors, the read
// takes four of them, and the panels count the volume's sectors, clusters and records of 4,096 bytes.
TEST(PositionPanels, GoToSectorOnADiskOfLargeSectors) {
    namespace ts = quenzar::testsupport;
    if (!std::filesystem::exists(ts::fixtureDir() / "manifest.tsv")) {
        GTEST_FAIL() << "fixture images not unpacked in " << ts::fixtureDir();
    }
    const ts::Manifest manifest = ts::Manifest::loadFromDir(ts::fixtureDir());
    const ts::ImageFacts& image = manifest.image("gpt4k.img");
    ASSERT_EQ(image.sectorSize, 4096u);
    const ts::PartitionFacts& volume = *image.partition(0);
    platform::ImageDiskSystem disks({image.path(ts::fixtureDir())});
    InventoryState inventory;
    BuildDiskInventory(inventory, disks);
    ASSERT_EQ(inventory.disk('0').bytesPerSector, 4096u);

    ntfs::NtfsVolumeParams virtualDisk;
    virtualDisk.diskDigit = '0';
    virtualDisk.bytesPerSector = 4096;
    virtualDisk.recordBytes = volume.mftRecordSize;
    virtualDisk.bootLba = volume.lbaStart;
    virtualDisk.sectorsPerCluster = volume.clusterSize / 4096;
    virtualDisk.mftLba = volume.lbaStart + volume.mftCluster * volume.clusterSize / 4096;

    const std::uint64_t lba = virtualDisk.mftLba + 5;  // record 5, the root folder
    const SectorPosition position = GoToSector(disks, inventory, virtualDisk, '0', lba);
    EXPECT_EQ(position.sectorBytes, 4096u);
    ASSERT_EQ(position.bytes.size(), 4u * 4096);
    EXPECT_EQ(position.bytesArrived, position.bytes.size());
    std::ifstream file(image.path(ts::fixtureDir()), std::ios::binary);
    file.seekg(static_cast<std::streamoff>(lba * 4096));
    std::vector<std::uint8_t> expected(position.bytes.size());
    file.read(reinterpret_cast<char*>(expected.data()), static_cast<std::streamsize>(expected.size()));
    EXPECT_TRUE(position.bytes == expected);
    EXPECT_EQ(std::string(position.bytes.begin(), position.bytes.begin() + 4), "FILE");
    EXPECT_EQ(position.physical, physicalPanel('0', lba));
    const std::string sector = std::to_string(lba - volume.lbaStart);
    EXPECT_EQ(position.logical, logical("D:", "  NTFS", (std::string(13 - sector.size(), ' ') + sector).c_str(),
                                        (std::string(13 - sector.size(), ' ') + sector).c_str(), "  0"));
    EXPECT_EQ(position.virtualDisk.substr(position.virtualDisk.size() - 23), "#FMT              5 +0 ");
}

}  // namespace
}  // namespace quenzar::viewer
