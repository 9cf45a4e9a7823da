// Disks of 4,096-byte sectors through the disk layer: the MBR, the extended chain and the GPT read
// in the disk's own sectors (the GPT from its header, or from the backup header when the first is
// bad), the inventory's letters and capacities in them, and hiding refused.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "disk/hide_disk.h"
#include "disk/identify_data.h"
#include "disk/inventory.h"
#include "disk/partition_scan.h"
#include "disk_image_builder.h"
#include "support/temp_folder.h"

namespace quenzar::disk {
namespace {

using testsupport::bootRecord;
using testsupport::DiskImage;
using testsupport::ntfsBootSector;
using testsupport::putLe;
using testsupport::Sector;
using testsupport::TempFolder;

constexpr std::uint64_t kSectorBytes = 4096;

// A new image of that many 4,096-byte sectors.
DiskImage image4k(const std::string& path, std::uint64_t sectorCount) { return DiskImage(path, sectorCount * 8); }

void writeAt(const DiskImage& image, std::uint64_t lba, std::span<const std::uint8_t> bytes) {
    image.write(lba * kSectorBytes, bytes.data(), bytes.size());
}

// The NTFS boot sector of a volume of 4,096-byte sectors (bytes per sector at 0Bh).
Sector ntfs4k(std::uint64_t totalSectors, std::uint64_t serial) {
    Sector sector = ntfsBootSector(totalSectors, 1, 4, totalSectors / 2, serial);
    putLe(&sector[0x0B], kSectorBytes, 2);
    return sector;
}

// CRC-32 as GPT computes it, written out here so that the test's headers are checked by a second
// implementation; its check value is that of the standard ("123456789" gives CBF43926h).
std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return crc ^ 0xFFFFFFFF;
}

TEST(SectorSizeDisks, TheTestsGptChecksumIsTheStandardOne) {
    const char* check = "123456789";
    EXPECT_EQ(crc32(std::span(reinterpret_cast<const std::uint8_t*>(check), 9)), 0xCBF43926u);
}

struct GptPartition {
    std::uint64_t startLba;
    std::uint64_t endLba;
};

// 128 entries of 128 bytes named "Basic data partition".
std::vector<std::uint8_t> entryArray(std::initializer_list<GptPartition> partitions) {
    std::vector<std::uint8_t> array(128 * 128);
    std::size_t at = 0;
    const std::u16string name = u"Basic data partition";
    for (const GptPartition& partition : partitions) {
        array[at] = 0xA2;  // a type GUID that is not zero
        putLe(&array[at + 32], partition.startLba, 8);
        putLe(&array[at + 40], partition.endLba, 8);
        for (std::size_t i = 0; i < name.size(); ++i) putLe(&array[at + 56 + 2 * i], name[i], 2);
        at += 128;
    }
    return array;
}

// A GPT header of 92 bytes: its own LBA, the other header's, the entries' LBA, 128 entries of 128
// bytes with their CRC, and its own CRC.
std::vector<std::uint8_t> gptHeader(std::uint64_t ownLba, std::uint64_t otherLba, std::uint64_t entriesLba,
                                    const std::vector<std::uint8_t>& entries) {
    std::vector<std::uint8_t> header(kSectorBytes);
    std::memcpy(header.data(), "EFI PART", 8);
    putLe(&header[8], 0x00010000, 4);  // revision 1.0
    putLe(&header[12], 92, 4);
    putLe(&header[24], ownLba, 8);
    putLe(&header[32], otherLba, 8);
    putLe(&header[72], entriesLba, 8);
    putLe(&header[80], 128, 4);
    putLe(&header[84], 128, 4);
    putLe(&header[88], crc32(entries), 4);
    putLe(&header[16], crc32(std::span(header).first(92)), 4);
    return header;
}

// The disk as the inventory probes it, alone as disk 0, with its sector size from its content.
PhysicalDiskInfo probe(const std::string& path) {
    platform::ImageDiskSystem disks({path}, 0);
    InventoryState state;
    ProbeDisk(state, disks, '0');
    return state.disk('0');
}

std::vector<std::uint64_t> startsOf(const PhysicalDiskInfo& disk) {
    std::vector<std::uint64_t> starts;
    for (int i = 0; i < disk.partitionCount(); ++i) starts.push_back(disk.partitions[static_cast<std::size_t>(i)].startLba);
    return starts;
}

// A GPT disk of 8,192 sectors of 4,096 bytes with two NTFS volumes, its headers and entry arrays
// placed and damaged as each case says. Every LBA of the headers and entries counts 4,096-byte
// sectors; nothing lies where 512-byte sectors would put it.
TEST(SectorSizeDisks, GptEntriesFoundThroughTheHeaders) {
    constexpr std::uint64_t kSectors = 8192;
    constexpr std::uint64_t kLast = kSectors - 1;
    const auto partitions = {GptPartition{256, 2303}, GptPartition{2304, 8000}};
    const std::vector<std::uint8_t> entries = entryArray(partitions);
    struct Case {
        const char* name;
        std::uint64_t primaryEntriesLba;  // 0: no primary entries written
        bool primaryHeader;
        bool primaryCrcBroken;
        bool backup;
    };
    const Case cases[] = {
        {"the header at LBA 1, entries at LBA 2", 2, true, false, false},
        {"the header names its entries at LBA 6", 6, true, false, false},
        {"no header at LBA 1: the backup header at the last LBA", 0, false, false, true},
        {"a header whose CRC does not match: the backup", 0, true, true, true},
        {"entries that do not match the header's CRC: the backup's", 2, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const DiskImage image = image4k(folder.file("gpt4k.img"), kSectors);
        image.writeSector(0, bootRecord({{0xEE, 1, static_cast<std::uint32_t>(kLast)}}));
        if (c.primaryHeader) {
            std::vector<std::uint8_t> header = gptHeader(1, kLast, c.primaryEntriesLba == 0 ? 2 : c.primaryEntriesLba, entries);
            if (c.primaryCrcBroken) header[40] ^= 1;
            writeAt(image, 1, header);
        }
        if (c.primaryEntriesLba != 0) {
            std::vector<std::uint8_t> written = entries;
            if (c.backup) written[32] ^= 0x80;  // the primary array damaged: its CRC fails
            writeAt(image, c.primaryEntriesLba, written);
        }
        if (c.backup) {
            writeAt(image, kLast - 4, entries);
            writeAt(image, kLast, gptHeader(kLast, 1, kLast - 4, entries));
        }
        writeAt(image, 256, ntfs4k(2048, 1));
        writeAt(image, 2304, ntfs4k(5697, 2));

        const PhysicalDiskInfo disk = probe(image.path());
        EXPECT_EQ(disk.bytesPerSector, kSectorBytes);
        EXPECT_EQ(disk.totalSectors, kSectors);
        EXPECT_EQ(std::string(disk.schemeTag.begin(), disk.schemeTag.end()), "GPT ");
        ASSERT_EQ(startsOf(disk), (std::vector<std::uint64_t>{256, 2304}));
        EXPECT_EQ(disk.partitions[0].sectorCount, 2048u);
        EXPECT_EQ(disk.partitions[1].sectorCount, 5697u);
        EXPECT_EQ(disk.bootSectors[1], ntfs4k(5697, 2));
        EXPECT_TRUE(disk.unreadableSectors.empty());
    }
}

// The header's place of the entries is read as the disk's LBA, and a header that points nowhere
// sound is not followed: the standard place stands in.
TEST(SectorSizeDisks, EntryArrayLocatedInTheDisksSectors) {
    const std::vector<std::uint8_t> entries = entryArray({{256, 300}});
    struct Case {
        const char* name;
        std::uint32_t bytesPerSector;
        std::uint64_t entriesLba;
        std::uint64_t wantedLba;
    };
    const Case cases[] = {
        {"4,096-byte sectors, entries at LBA 3", 4096, 3, 3},
        {"512-byte sectors, entries at LBA 34", 512, 34, 34},
        {"entries said to lie at LBA 1, on the header itself", 4096, 1, 2},
        {"entries said to lie past the disk's end", 4096, 1u << 20, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> disk(64 * c.bytesPerSector);
        std::vector<std::uint8_t> header = gptHeader(1, 63, c.entriesLba, entries);
        header.resize(c.bytesPerSector);
        std::copy(header.begin(), header.end(), disk.begin() + c.bytesPerSector);
        const DiskBytesReader read = [&](std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
            std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
            if (byteOffset >= disk.size()) return;
            std::copy_n(disk.begin() + static_cast<std::ptrdiff_t>(byteOffset),
                        std::min<std::uint64_t>(buffer.size(), disk.size() - byteOffset), buffer.begin());
        };
        const GptEntryArray array = locateGptEntries(read, c.bytesPerSector, 64);
        EXPECT_EQ(array.firstLba, c.wantedLba);
        EXPECT_EQ(array.entryCount, 128u);
        EXPECT_EQ(array.entryBytes, 128u);
    }
}

// An MBR disk of 4,096-byte sectors: a primary volume and two logical ones in an extended chain,
// each LBA of the table and the chain counted in those sectors; the inventory's letters reach the
// volumes at LBA x 4,096 and its capacities count 4,096-byte sectors.
TEST(SectorSizeDisks, MbrAndExtendedChainInTheDisksSectors) {
    TempFolder folder;
    constexpr std::uint64_t kSectors = 16384;
    const DiskImage image = image4k(folder.file("mbr4k.img"), kSectors);
    image.writeSector(0, bootRecord({{0x07, 256, 2048}, {0x0F, 4096, 8000}}));
    writeAt(image, 256, ntfs4k(2047, 1));
    writeAt(image, 4096, bootRecord({{0x07, 16, 1000}, {0x05, 1100, 2000}}));
    writeAt(image, 4112, ntfs4k(999, 2));
    writeAt(image, 5196, bootRecord({{0x07, 16, 1984}}));
    writeAt(image, 5212, ntfs4k(1983, 3));

    platform::ImageDiskSystem disks({image.path()}, 0);
    InventoryState state;
    BuildDiskInventory(state, disks);
    const PhysicalDiskInfo& disk = state.disk('0');
    EXPECT_EQ(disk.bytesPerSector, kSectorBytes);
    EXPECT_EQ(disk.totalSectors, kSectors);
    EXPECT_EQ(disk.capacityMb, kSectors * kSectorBytes / 1'000'000);
    ASSERT_EQ(startsOf(disk), (std::vector<std::uint64_t>{256, 4112, 5212}));

    const struct {
        char letter;
        std::uint64_t startLba;
        std::uint64_t sectorCount;
    } volumes[] = {{'D', 256, 2048}, {'E', 4112, 1000}, {'F', 5212, 1984}};
    for (const auto& volume : volumes) {
        SCOPED_TRACE(volume.letter);
        const auto found = disks.volumes().find(volume.letter);
        ASSERT_NE(found, disks.volumes().end());
        EXPECT_EQ(found->second.startByte, volume.startLba * kSectorBytes);
        EXPECT_EQ(found->second.byteCount, volume.sectorCount * kSectorBytes);
        const LogicalDriveInfo& drive = state.drive(volume.letter);
        EXPECT_EQ(drive.startLba, volume.startLba);
        EXPECT_EQ(drive.endLba, volume.startLba + volume.sectorCount - 1);  // the boot sectors' totals
    }
    // The volume of D: holds 2,047 sectors of 4,096 bytes, 8 MB (in 512-byte sectors it would be 1).
    EXPECT_EQ(disk.cells[0].label, 'D');
    EXPECT_EQ(disk.cells[0].capacity, capacityText(8));
    EXPECT_EQ(disk.capacityText, capacityText(67));
}

// A Linux disk of 4,096-byte sectors as the kernel describes it: its partition devices' starts are
// in 512-byte units whatever the disk's sectors, so LBA 256 is the kernel's sector 2,048.
class KernelPartitionedImage final : public platform::DiskSystem {
public:
    explicit KernelPartitionedImage(std::string path) : images_({std::move(path)}, 0) {}
    std::string sourceKind() const override { return "test image with kernel partitions"; }
    std::string diskPath(char n) const override { return images_.diskPath(n); }
    platform::DeviceIdentity identify(char name) const override {
        platform::DeviceIdentity identity = images_.identify(name);
        if (!identity.answered) return identity;
        identity.letters = platform::LetterSource::KernelPartitions;
        identity.kernelPartitions = {
            {"/dev/sdz9", 256, 2048},            // starts at LBA 256 only if counted in the disk's sectors
            {"/dev/sdz1", 256 * 8, 2048 * 8},    // the primary volume at LBA 256
            {"/dev/sdz5", 4112 * 8, 1000 * 8},   // the first logical volume at LBA 4,112
        };
        return identity;
    }

private:
    platform::ImageDiskSystem images_;
};

TEST(SectorSizeDisks, KernelPartitionsMatchedInTheKernelsUnits) {
    TempFolder folder;
    const DiskImage image = image4k(folder.file("mbr4k.img"), 16384);
    image.writeSector(0, bootRecord({{0x07, 256, 2048}, {0x0F, 4096, 8000}}));
    writeAt(image, 256, ntfs4k(2047, 1));
    writeAt(image, 4096, bootRecord({{0x07, 16, 1000}, {0x05, 1100, 2000}}));
    writeAt(image, 4112, ntfs4k(999, 2));
    writeAt(image, 5196, bootRecord({{0x07, 16, 1984}}));
    writeAt(image, 5212, ntfs4k(1983, 3));

    KernelPartitionedImage disks(image.path());
    InventoryState state;
    BuildDiskInventory(state, disks);
    ASSERT_EQ(state.disk('0').bytesPerSector, kSectorBytes);
    std::map<char, std::string> devices;
    for (const auto& [letter, source] : disks.volumes()) devices[letter] = source.devicePath;
    // The volume at LBA 5,212 has no partition device, so it gets no letter.
    EXPECT_EQ(devices, (std::map<char, std::string>{{'D', "/dev/sdz1"}, {'E', "/dev/sdz5"}}));
}

// Hiding writes 512-byte sectors at fixed LBAs, which a disk of 4,096-byte sectors cannot keep
// intact: both operations refuse it, and the image is left as it was.
TEST(SectorSizeDisks, HidingAndRestoringRefuseLargeSectors) {
    TempFolder folder;
    const DiskImage image = image4k(folder.file("mbr4k.img"), 4096);
    image.writeSector(0, bootRecord({{0x07, 256, 2048}}));
    writeAt(image, 256, ntfs4k(2047, 1));
    const std::vector<std::uint8_t> before = image.read(0, 4096 * 4096);

    platform::ImageDiskSystem disks({image.path()}, 0);
    InventoryState state;
    BuildDiskInventory(state, disks);
    EXPECT_EQ(CanHideDisk(state, disks, '0', {}), HideCheck::NotSmallSectors);
    EXPECT_EQ(CanRestoreDisk(state, disks, '0'), HideCheck::NotSmallSectors);
    const DiskWriteResult hidden = HideDisk(state, disks, '0');
    EXPECT_EQ(hidden.outcome, DiskWriteOutcome::Refused);
    EXPECT_EQ(hidden.check, HideCheck::NotSmallSectors);
    EXPECT_EQ(RestoreDisk(state, disks, '0').check, HideCheck::NotSmallSectors);
    EXPECT_EQ(image.read(0, 4096 * 4096), before);

    // The same disk taken as one of 512-byte sectors qualifies: the refusal is the sector size's.
    platform::ImageDiskSystem as512({image.path()}, 512);
    InventoryState state512;
    BuildDiskInventory(state512, as512);
    EXPECT_EQ(CanHideDisk(state512, as512, '0', {}), HideCheck::Eligible);
    EXPECT_EQ(image.read(0, 4096 * 4096), before);
}

}  // namespace
}  // namespace quenzar::disk
