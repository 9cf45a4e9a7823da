// Partition discovery on crafted disks: which entries are listed, in which order, with which
// fields, and where the limits of the extended chain and the GPT walk lie.
#include "disk/partition_scan.h"

#include <gtest/gtest.h>

#include <random>

#include "disk/inventory.h"
#include "disk_image_builder.h"
#include "support/temp_folder.h"

namespace quenzar::disk {
namespace {

using testsupport::bootRecord;
using testsupport::DiskImage;
using testsupport::fat16BootSector;
using testsupport::fat32BootSector;
using testsupport::ntfsBootSector;
using testsupport::Sector;

std::string tagOf(const PartitionEntry& entry) { return {entry.fileSystemTag.begin(), entry.fileSystemTag.end()}; }
std::string str(const Text<4>& text) { return {text.begin(), text.end()}; }

// The disk as the inventory probes it, alone as disk 0.
PhysicalDiskInfo probe(const std::string& path) {
    platform::ImageDiskSystem disks({path});
    InventoryState state;
    ProbeDisk(state, disks, '0');
    return state.disk('0');
}

std::vector<std::uint64_t> startsOf(const PhysicalDiskInfo& disk) {
    std::vector<std::uint64_t> starts;
    for (int i = 0; i < disk.partitionCount(); ++i) {
        starts.push_back(disk.partitions[static_cast<std::size_t>(i)].startLba);
    }
    return starts;
}

class PartitionScan : public ::testing::Test {
protected:
    testsupport::TempFolder folder_;
};

TEST_F(PartitionScan, PrimaryEntriesOfAcceptedTypesWithTheirFileSystemFields) {
    const DiskImage image(folder_.file("mbr.img"), 4000);
    image.writeSector(0, bootRecord({{0x07, 100, 1000},     // NTFS
                                     {0x83, 1200, 100},     // a Linux type: never listed
                                     {0x0C, 1400, 1000},    // FAT-32 (LBA)
                                     {0x06, 2500, 500}}));  // FAT-16
    image.writeSector(100, ntfsBootSector(999, 8, 4, 60, 1));
    image.writeSector(1200, ntfsBootSector(99, 8, 4, 10, 2));
    image.writeSector(1400, fat32BootSector(1000, 1, 32, 8, 2, 3));
    image.writeSector(2500, fat16BootSector(500, 4, 1, 500, 2, 4));  // 500 root entries

    const PhysicalDiskInfo disk = probe(image.path());
    EXPECT_EQ(str(disk.schemeTag), "MBR ");
    EXPECT_EQ(str(disk.hiddenTag), "    ");
    ASSERT_EQ(startsOf(disk), (std::vector<std::uint64_t>{100, 1400, 2500}));

    const PartitionEntry& ntfs = disk.partitions[0];
    EXPECT_EQ(tagOf(ntfs), "NTFS");
    EXPECT_EQ(ntfs.extent, 999u);  // total sectors of the boot sector
    EXPECT_EQ(ntfs.sectorCount, 1000u);
    EXPECT_EQ(ntfs.sectorsPerCluster, 8);
    EXPECT_EQ(ntfs.mftCluster, 4u);
    EXPECT_EQ(ntfs.mftMirrorCluster, 60u);
    EXPECT_EQ(disk.bootSectors[0], ntfsBootSector(999, 8, 4, 60, 1));

    const PartitionEntry& fat32 = disk.partitions[1];
    EXPECT_EQ(tagOf(fat32), "FAT3");
    EXPECT_EQ(fat32.extent, 999u);  // total sectors - 1
    EXPECT_EQ(fat32.reservedSectors, 32);
    EXPECT_EQ(fat32.sectorsPerFat, 8u);
    EXPECT_EQ(fat32.rootCluster, 2u);

    const PartitionEntry& fat16 = disk.partitions[2];
    EXPECT_EQ(tagOf(fat16), "FAT1");
    EXPECT_EQ(fat16.extent, 0u);  // not set for FAT-16
    EXPECT_EQ(fat16.sectorsPerCluster, 4);
    EXPECT_EQ(fat16.reservedSectors, 1);
    EXPECT_EQ(fat16.sectorsPerFat, 2u);
    EXPECT_EQ(fat16.rootCluster, 2u);
    EXPECT_EQ(fat16.rootEntries, 15 | 20 << 8);  // 500 / 32: quotient 15, remainder 20
}

TEST_F(PartitionScan, PrimaryWithoutSignatureIsDroppedAndItsPlaceTaken) {
    const DiskImage image(folder_.file("mbr.img"), 2000);
    image.writeSector(0, bootRecord({{0x07, 100, 100}, {0x07, 300, 100}}));
    Sector unsigned_ = ntfsBootSector(99, 8, 4, 10, 1);
    unsigned_[511] = 0;  // 55 00: no signature
    image.writeSector(100, unsigned_);
    image.writeSector(300, ntfsBootSector(99, 8, 4, 10, 2));

    const PhysicalDiskInfo disk = probe(image.path());
    EXPECT_EQ(startsOf(disk), std::vector<std::uint64_t>{300});
    EXPECT_EQ(disk.bootSectors[0], ntfsBootSector(99, 8, 4, 10, 2));
}

// A disk with primaries at LBA 100, 200, ..., and extended partitions at LBA 1000 (and 5000)
// whose records lie 100 sectors apart, each with a logical partition 10 sectors after it.
struct ChainCase {
    const char* name;
    int primaryCount;
    int logicalCount;           // records in the first chain
    int unsignedLogical;        // index of a logical whose first sector has no signature, or -1
    int secondChainLogicals;    // logicals of a second extended partition, 0 for none
    std::vector<std::uint64_t> expected;
};

void writeChain(const DiskImage& image, std::uint32_t extendedLba, int logicalCount, int unsignedLogical) {
    for (int k = 0; k < logicalCount; ++k) {
        const std::uint32_t recordLba = extendedLba + 100 * static_cast<std::uint32_t>(k);
        const bool last = k + 1 == logicalCount;
        image.writeSector(recordLba, last ? bootRecord({{0x07, 10, 50}})
                                          : bootRecord({{0x07, 10, 50}, {0x05, 100u * (k + 1), 100}}));
        Sector logical = ntfsBootSector(49, 1, 4, 10, static_cast<std::uint64_t>(recordLba));
        if (k == unsignedLogical) logical[510] = 0;
        image.writeSector(recordLba + 10, logical);
    }
}

TEST_F(PartitionScan, ExtendedChainStopsAtSixPartitionsAndFiveRecords) {
    const ChainCase cases[] = {
        {"six partitions: 3 primaries, 3 of 7 logicals", 3, 7, -1, 0, {100, 200, 300, 1010, 1110, 1210}},
        {"five records: 1 primary, the first logical unsigned", 1, 7, 0, 0, {100, 1110, 1210, 1310, 1410}},
        {"five records and six partitions together", 1, 7, -1, 0, {100, 1010, 1110, 1210, 1310, 1410}},
        {"a second extended partition adds nothing to a full disk", 2, 4, -1, 3,
         {100, 200, 1010, 1110, 1210, 1310}},
        {"a second extended partition fills the rest", 1, 2, -1, 3, {100, 1010, 1110, 5010, 5110, 5210}},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DiskImage image(folder_.file("chain.img"), 8000);
        std::vector<testsupport::TableEntry> table;
        for (int i = 0; i < c.primaryCount; ++i) {
            const std::uint32_t start = 100u * static_cast<std::uint32_t>(i + 1);
            table.push_back({0x07, start, 50});
            image.writeSector(start, ntfsBootSector(49, 1, 4, 10, start));
        }
        table.push_back({0x0F, 1000, 3000});
        if (c.secondChainLogicals > 0) table.push_back({0x05, 5000, 3000});
        Sector mbr = bootRecord({});
        for (std::size_t i = 0; i < table.size(); ++i) {
            mbr[446 + 16 * i + 4] = table[i].type;
            testsupport::putLe(&mbr[446 + 16 * i + 8], table[i].startLba, 4);
            testsupport::putLe(&mbr[446 + 16 * i + 12], table[i].sectorCount, 4);
        }
        image.writeSector(0, mbr);
        writeChain(image, 1000, c.logicalCount, c.unsignedLogical);
        if (c.secondChainLogicals > 0) writeChain(image, 5000, c.secondChainLogicals, -1);

        const PhysicalDiskInfo disk = probe(image.path());
        EXPECT_EQ(startsOf(disk), c.expected);
        // A logical partition carries only its start, size and boot sector until a letter matches.
        EXPECT_EQ(tagOf(disk.partitions[static_cast<std::size_t>(c.primaryCount)]), "    ");
        EXPECT_EQ(disk.partitions[static_cast<std::size_t>(c.primaryCount)].sectorCount, 50u);
    }
}

// GPT entries count when their name begins with "Ba" and their first sector is NTFS; the walk
// ends at the first empty entry. Starts beyond 32 bits are kept whole.
TEST_F(PartitionScan, GptEntriesNamedBaHoldingNtfs) {
    constexpr std::uint64_t kBeyond32Bits = 0x1'0000'0800;  // LBA 4,294,969,344 (past 2 TiB)
    const DiskImage image(folder_.file("gpt.img"), kBeyond32Bits + 100'000);
    testsupport::writeGpt(image, {
        {u"Basic data partition", 2048, 67583},            // NTFS: listed
        {u"Linux filesystem", 70000, 79999},                // NTFS, but not "Ba": not listed
        {u"Basic data partition", 80000, 89999},            // "Ba", but FAT-16: not listed
        {u"Basic data partition", kBeyond32Bits, kBeyond32Bits + 99'999},  // listed, 64-bit
        {u"", 0, 0},                                        // empty: the walk ends here
        {u"Basic data partition", 90000, 99999},            // never seen
    });
    image.writeSector(2048, ntfsBootSector(65535, 8, 4, 100, 1));
    image.writeSector(70000, ntfsBootSector(9999, 8, 4, 100, 2));
    image.writeSector(80000, fat16BootSector(10000, 4, 1, 512, 10, 3));
    image.writeSector(kBeyond32Bits, ntfsBootSector(99'999, 8, 0x1'0000'0004, 100, 4));
    image.writeSector(90000, ntfsBootSector(9999, 8, 4, 100, 5));

    const PhysicalDiskInfo disk = probe(image.path());
    EXPECT_EQ(str(disk.schemeTag), "GPT ");
    ASSERT_EQ(startsOf(disk), (std::vector<std::uint64_t>{2048, kBeyond32Bits}));
    EXPECT_EQ(disk.partitions[0].extent, 67583u);  // the entry's ending LBA
    EXPECT_EQ(disk.partitions[0].sectorCount, 65536u);
    EXPECT_EQ(tagOf(disk.partitions[0]), "NTFS");
    EXPECT_EQ(disk.partitions[1].extent, kBeyond32Bits + 99'999);
    EXPECT_EQ(disk.partitions[1].mftCluster, 0x1'0000'0004u);
}

TEST_F(PartitionScan, GptWalkEndsAfterTheSixthNtfsPartition) {
    const DiskImage image(folder_.file("gpt.img"), 20000);
    testsupport::writeGpt(image, {{u"Ba1", 100, 199}, {u"Ba2", 200, 299}, {u"Ba3", 300, 399}, {u"Ba4", 400, 499},
                                  {u"Ba5", 500, 599}, {u"Ba6", 600, 699}, {u"Ba7", 700, 799}});
    for (std::uint64_t lba = 100; lba <= 700; lba += 100) image.writeSector(lba, ntfsBootSector(99, 1, 4, 10, lba));
    EXPECT_EQ(startsOf(probe(image.path())), (std::vector<std::uint64_t>{100, 200, 300, 400, 500, 600}));
}

TEST_F(PartitionScan, VolumeBootSectorAtLbaZeroMakesTheDiskOneVolume) {
    const std::pair<const char*, Sector> cases[] = {
        {"NTFS", ntfsBootSector(9999, 8, 4, 100, 1)},
        {"FAT-32", fat32BootSector(10000, 1, 32, 80, 2, 2)},
        {"FAT-16", fat16BootSector(10000, 4, 1, 512, 10, 3)},
    };
    for (const auto& [name, sector] : cases) {
        SCOPED_TRACE(name);
        const DiskImage image(folder_.file("volume.img"), 10000);
        image.writeSector(0, sector);
        const PhysicalDiskInfo disk = probe(image.path());
        EXPECT_EQ(disk.partitionCount(), 1);
        EXPECT_EQ(disk.partitions[0].startLba, 0xFFFFFFFFu);
        EXPECT_TRUE(disk.partitions[0].isWholeDiskVolume());
        EXPECT_EQ(disk.partitions[0].firstSector(), 0u);
        EXPECT_EQ(tagOf(disk.partitions[0]), "    ");  // no other field
        EXPECT_EQ(disk.bootSectors[0], sector);
        EXPECT_EQ(str(disk.schemeTag), "    ");
    }
}

// A hidden disk lists the partitions of its saved first sectors: LBA 58 to 61 stand for LBA 0 to 3,
// and what lies after them is read where it is.
TEST_F(PartitionScan, HiddenDiskListsThePartitionsOfItsSavedCopy) {
    const std::pair<const char*, const char*> marks[] = {{"QueNzar ", "OFF "}, {"Quenzar ", "BAK "}};
    for (const auto& [mark, tag] : marks) {
        SCOPED_TRACE(mark);
        const DiskImage image(folder_.file("hidden.img"), 2000);
        image.writeSector(58, bootRecord({{0x07, 100, 100}}));  // the saved LBA 0
        image.writeSector(100, ntfsBootSector(99, 8, 4, 10, 1));
        Sector hidden = bootRecord({{0xEE, 1, 0xFFFFFFFF}});
        std::memcpy(hidden.data(), mark, 8);
        image.writeSector(0, hidden);
        const PhysicalDiskInfo disk = probe(image.path());
        EXPECT_EQ(str(disk.hiddenTag), tag);
        EXPECT_EQ(str(disk.schemeTag), "MBR ");
        EXPECT_EQ(startsOf(disk), std::vector<std::uint64_t>{100});
    }

    // A hidden GPT disk: entries 0 to 7 come from the saved LBA 60 and 61, entry 8 from LBA 4.
    const DiskImage image(folder_.file("hidden-gpt.img"), 2000);
    testsupport::writeGpt(image, {{u"Linux", 300, 309}, {u"Linux", 310, 319}, {u"Linux", 320, 329},
                                  {u"Linux", 330, 339}, {u"Linux", 340, 349}, {u"Linux", 350, 359},
                                  {u"Linux", 360, 369}, {u"Linux", 370, 379}, {u"Basic data", 400, 499}});
    image.writeSector(400, ntfsBootSector(99, 1, 4, 10, 1));
    const std::vector<std::uint8_t> head = image.read(0, 2048);
    image.write(58 * 512, head.data(), head.size());
    Sector hidden = bootRecord({{0xEE, 1, 0xFFFFFFFF}});
    std::memcpy(hidden.data(), "QueNzar ", 8);
    image.writeSector(0, hidden);
    const std::vector<std::uint8_t> zeros(1536);
    image.write(512, zeros.data(), zeros.size());  // LBA 1 to 3 cleared, as hiding leaves them
    const PhysicalDiskInfo disk = probe(image.path());
    EXPECT_EQ(str(disk.schemeTag), "GPT ");
    EXPECT_EQ(startsOf(disk), std::vector<std::uint64_t>{400});
}

// On a masked disk a primary partition's first sector is unmasked (it lies beyond LBA 63); the
// records of the extended chain and its logical partitions are read as they lie.
TEST_F(PartitionScan, MaskedDiskUnmasksPrimariesOnly) {
    Sector mask{};
    std::mt19937 random(57);
    for (auto& byte : mask) byte = static_cast<std::uint8_t>(random() | 1);  // no zero byte
    const auto masked = [&](Sector sector) {
        for (std::size_t i = 0; i < sector.size(); ++i) sector[i] ^= mask[i];
        return sector;
    };
    const DiskImage image(folder_.file("masked.img"), 4000);
    image.writeSector(57, mask);
    image.writeSector(0, bootRecord({{0x07, 100, 100}, {0x07, 200, 100}, {0x05, 1000, 2000}}));
    image.writeSector(100, masked(ntfsBootSector(99, 8, 4, 10, 1)));  // listed once unmasked
    image.writeSector(200, ntfsBootSector(99, 8, 4, 10, 2));          // garbled by unmasking
    image.writeSector(1000, bootRecord({{0x07, 10, 50}, {0x05, 100, 100}}));
    image.writeSector(1010, masked(ntfsBootSector(49, 1, 4, 10, 3)));  // not unmasked: dropped
    image.writeSector(1100, bootRecord({{0x07, 10, 50}}));
    image.writeSector(1110, ntfsBootSector(49, 1, 4, 10, 4));  // stored plain: listed

    const PhysicalDiskInfo disk = probe(image.path());
    EXPECT_EQ(startsOf(disk), (std::vector<std::uint64_t>{100, 1110}));
    EXPECT_EQ(disk.bootSectors[0], ntfsBootSector(99, 8, 4, 10, 1));
    EXPECT_EQ(disk.partitions[0].extent, 99u);
}

// Images that report sectors of 4,096 bytes: partition tables count in those sectors, so the
// first sectors of partitions, the extended records and the GPT entries lie at LBA x 4,096.
class FourKilobyteSectors final : public platform::DiskSystem {
public:
    explicit FourKilobyteSectors(std::string path) : images_({std::move(path)}) {}
    std::string sourceKind() const override { return "4Kn test image"; }
    std::string diskPath(char n) const override { return images_.diskPath(n); }
    platform::DeviceIdentity identify(char name) const override {
        platform::DeviceIdentity identity = images_.identify(name);
        identity.bytesPerSector = 4096;
        if (identity.answered) identity.exactSectorCount /= 8;
        return identity;
    }

private:
    platform::ImageDiskSystem images_;
};

TEST_F(PartitionScan, DiskWithFourKilobyteSectors) {
    const auto probe4k = [](const std::string& path) {
        FourKilobyteSectors disks(path);
        InventoryState state;
        ProbeDisk(state, disks, '0');
        return state.disk('0');
    };
    {
        const DiskImage image(folder_.file("mbr4k.img"), 8 * 200);
        image.writeSector(0, bootRecord({{0x07, 10, 10}, {0x05, 20, 100}}));
        image.writeSector(8 * 10, ntfsBootSector(9, 1, 4, 5, 1));   // LBA 10 of 4,096 bytes
        image.writeSector(8 * 20, bootRecord({{0x07, 2, 10}}));    // the extended record at LBA 20
        image.writeSector(8 * 22, ntfsBootSector(9, 1, 4, 5, 2));  // its logical partition at LBA 22
        const PhysicalDiskInfo disk = probe4k(image.path());
        EXPECT_EQ(disk.bytesPerSector, 4096u);
        EXPECT_EQ(startsOf(disk), (std::vector<std::uint64_t>{10, 22}));
    }
    {
        const DiskImage image(folder_.file("gpt4k.img"), 8 * 200);
        image.writeSector(0, bootRecord({{0xEE, 1, 0xFFFFFFFF}}));
        std::vector<std::uint8_t> entry(128);
        entry[0] = 0xA2;
        testsupport::putLe(&entry[32], 50, 8);
        testsupport::putLe(&entry[40], 99, 8);
        testsupport::putLe(&entry[56], 'B', 2);
        testsupport::putLe(&entry[58], 'a', 2);
        image.write(2 * 4096, entry.data(), entry.size());  // the entry array at LBA 2
        image.writeSector(8 * 50, ntfsBootSector(49, 1, 4, 5, 3));
        EXPECT_EQ(startsOf(probe4k(image.path())), std::vector<std::uint64_t>{50});
    }
}

}  // namespace
}  // namespace quenzar::disk
