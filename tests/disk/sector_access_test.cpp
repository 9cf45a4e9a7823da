#include "disk/sector_access.h"

#include <gtest/gtest.h>

#include <fstream>
#include <numeric>
#include <vector>

#include "support/faulty_disks.h"
#include "support/temp_folder.h"

namespace quenzar::disk {
namespace {

using testsupport::runCommand;
using testsupport::TempFolder;

constexpr std::uint64_t k4GiB = 0x1'0000'0000ull;

void writeAt(const std::string& path, std::uint64_t offset, const std::vector<std::uint8_t>& data) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void makeSparseFile(const std::string& path, std::uint64_t byteCount) {
    std::ofstream(path, std::ios::binary).close();
    std::filesystem::resize_file(path, byteCount);
}

std::vector<std::uint8_t> pattern(std::size_t byteCount, std::uint8_t seed) {
    std::vector<std::uint8_t> data(byteCount);
    for (std::size_t i = 0; i < byteCount; ++i) data[i] = static_cast<std::uint8_t>(seed + i * 13 + (i >> 9));
    return data;
}

std::vector<std::uint8_t> ddRead(const std::string& path, std::uint64_t lba, std::uint64_t sectorCount) {
    const std::string output = runCommand("dd if='" + path + "' bs=512 skip=" + std::to_string(lba) +
                                          " count=" + std::to_string(sectorCount) + " status=none");
    return {output.begin(), output.end()};
}

// A sparse image of 5 GiB with data around the 4 GiB boundary, read as disk 0.
class SparseImage : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.file("sparse.img");
        makeSparseFile(path_, 5 * k4GiB / 4);
        writeAt(path_, k4GiB - 2048, pattern(4096, 0x31));
        writeAt(path_, 5 * k4GiB / 4 - 512, pattern(512, 0x77));
    }
    TempFolder folder_;
    std::string path_;
};

TEST_F(SparseImage, ReadsAcrossFourGiBEqualDd) {
    platform::ImageDiskSystem disks({path_});
    SectorMaskTable masks;
    // LBA 8,388,608 is the first sector beyond 4 GiB; read windows that end before, straddle and
    // start after the boundary, and the image's last sector.
    const std::pair<std::uint64_t, std::uint64_t> windows[] = {
        {8'388'604, 4}, {8'388'605, 6}, {8'388'608, 2}, {10'485'759, 1}};
    for (const auto& [lba, sectorCount] : windows) {
        std::vector<std::uint8_t> buffer(sectorCount * 512, 0xEE);
        EXPECT_EQ(readDiskBytes(disks, masks, '0', lba * 512, buffer), buffer.size());
        EXPECT_EQ(buffer, ddRead(path_, lba, sectorCount)) << "LBA " << lba;
    }
}

TEST_F(SparseImage, SeekToLbaFormsTheFullProduct) {
    platform::ImageDiskSystem disks({path_});
    DiskHandle handle = DiskHandle::forDisk('0');
    ASSERT_TRUE(OpenPhysicalDisk(disks, handle));
    SeekToLba(handle, 8'388'608, 512);
    EXPECT_EQ(handle.position, k4GiB);
    std::vector<std::uint8_t> buffer(512);
    EXPECT_EQ(ReadSectors(handle, buffer), 512u);
    EXPECT_EQ(buffer, ddRead(path_, 8'388'608, 1));
    ClosePhysicalDisk(handle);
    EXPECT_FALSE(handle.isOpen());
}

TEST_F(SparseImage, BulkReadInPiecesReportsWhatIsMissing) {
    platform::ImageDiskSystem disks({path_});
    DiskHandle handle = DiskHandle::forDisk('0');
    ASSERT_TRUE(OpenPhysicalDisk(disks, handle));
    // 6,144 bytes from 4 GiB + 1.25 GiB - 4,096: the last 2,048 bytes lie beyond the end.
    const std::uint64_t start = 5 * k4GiB / 4 - 4096;
    std::vector<std::uint8_t> buffer(6144, 0xEE);
    const BulkReadReport report = readSalvaging(handle, start, buffer, 1024);
    EXPECT_EQ(report.bytesArrived, 4096u);
    ASSERT_EQ(report.missing.size(), 1u);  // neighbouring failed pieces form one range
    EXPECT_EQ(report.missing[0].firstByte, 4096u);
    EXPECT_EQ(report.missing[0].byteCount, 2048u);
    const std::vector<std::uint8_t> expected = ddRead(path_, start / 512, 8);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 4096, buffer.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(SectorAccess, FailedOpenLeavesZeros) {
    TempFolder folder;
    platform::ImageDiskSystem disks({folder.file("missing.img")});
    SectorMaskTable masks;
    std::vector<std::uint8_t> buffer(4096, 0xCC);
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 0, buffer), 0u);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(4096, 0));
    std::fill(buffer.begin(), buffer.end(), 0xCC);
    EXPECT_EQ(readDiskBytes(disks, masks, '5', 0, buffer), 0u);  // no disk 5 at all
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(4096, 0));
}

TEST(SectorAccess, ShortReadAtTheEndZeroesTheRest) {
    TempFolder folder;
    const std::string path = folder.file("small.img");
    std::ofstream(path, std::ios::binary).write(std::string(1536, 'x').data(), 1536);
    platform::ImageDiskSystem disks({path});
    SectorMaskTable masks;
    std::vector<std::uint8_t> buffer(2048, 0xCC);
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 1024, buffer), 512u);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + 512, [](std::uint8_t b) { return b == 'x'; }));
    EXPECT_TRUE(std::all_of(buffer.begin() + 512, buffer.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(SectorAccess, ReadsAreReadOnlyUnlessAWriteIsAsked) {
    TempFolder folder;
    const std::string path = folder.file("disk.img");
    makeSparseFile(path, 64 * 1024);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    platform::ImageDiskSystem disks({path});
    DiskHandle reader = DiskHandle::forDisk('0');
    EXPECT_TRUE(OpenPhysicalDisk(disks, reader));  // a read-only file can be read ...
    const std::vector<std::uint8_t> data(512, 1);
    EXPECT_EQ(WriteSectors(reader, data), 0u);     // ... but not written through a read handle
    ClosePhysicalDisk(reader);

    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    DiskHandle writer = DiskHandle::forDisk('0');
    ASSERT_TRUE(OpenPhysicalDisk(disks, writer, platform::AccessMode::ReadWrite));
    SeekToLba(writer, 3, 512);
    EXPECT_EQ(WriteSectors(writer, data), 512u);
    ClosePhysicalDisk(writer);
    EXPECT_EQ(ddRead(path, 3, 1), data);  // written unchanged
}

// A masked disk: LBA 57 holds the mask, every non-empty block from LBA 63 on is XOR-ed with it.
TEST(SectorAccess, MaskedDiskReadsBackUnmaskedByTheGapRule) {
    TempFolder folder;
    const std::string path = folder.file("masked.img");
    makeSparseFile(path, 128 * 512);
    const std::vector<std::uint8_t> mask = pattern(512, 0xA1);
    const std::vector<std::uint8_t> plain = pattern(512, 0x10);
    std::vector<std::uint8_t> masked(512);
    for (std::size_t i = 0; i < 512; ++i) masked[i] = plain[i] ^ mask[i];
    writeAt(path, 57 * 512, mask);
    writeAt(path, 62 * 512, masked);  // inside the gap: read as it lies
    writeAt(path, 63 * 512, masked);
    writeAt(path, 100 * 512, masked);

    platform::ImageDiskSystem disks({path});
    SectorMaskTable masks;
    ASSERT_TRUE(loadSectorMask(disks, masks, '0'));

    std::vector<std::uint8_t> buffer(512 * 3);
    readDiskBytes(disks, masks, '0', 62 * 512, buffer);  // starts in the gap: nothing unmasked
    EXPECT_TRUE(std::equal(masked.begin(), masked.end(), buffer.begin()));
    EXPECT_TRUE(std::equal(masked.begin(), masked.end(), buffer.begin() + 512));

    readDiskBytes(disks, masks, '0', 63 * 512, buffer);  // starts at LBA 63: unmasked
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 512, buffer.end(), [](std::uint8_t b) { return b == 0; }));

    readDiskBytes(disks, masks, '0', 100 * 512, buffer, Unmask::Never);  // partition chains: as read
    EXPECT_TRUE(std::equal(masked.begin(), masked.end(), buffer.begin()));
}

// A salvaging read on a disk with bad sectors, whichever way the layer reports a failed read:
// every sector that can be read arrives, a transient error costs nothing, and exactly the bad
// sectors are reported, as zeros.
TEST(SectorAccess, SalvagingReadKeepsEverySectorThatReads) {
    using testsupport::FaultyDisks;
    TempFolder folder;
    const std::string path = folder.file("disk.img");
    constexpr std::size_t kSectors = 96;
    const std::vector<std::uint8_t> data = pattern(kSectors * 512, 0x5C);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));

    struct Fault {
        std::uint64_t first, count;
        int times;
    };
    const struct {
        const char* what;
        std::vector<Fault> faults;
        std::vector<MissingRange> missing;  // in bytes from the start of the read (LBA 8)
    } cases[] = {
        {"a transient error at the start", {{8, 1, 1}}, {}},
        {"two failures in a row of one sector", {{30, 1, 2}}, {}},
        {"one bad sector", {{20, 1, FaultyDisks::kAlways}}, {{12 * 512, 512}}},
        {"a bad area and a bad last sector", {{40, 3, FaultyDisks::kAlways}, {87, 1, FaultyDisks::kAlways}},
         {{32 * 512, 3 * 512}, {79 * 512, 512}}},
        {"everything bad", {{0, kSectors, FaultyDisks::kAlways}}, {{0, 80 * 512}}},
    };
    for (const FaultyDisks::Shape shape : {FaultyDisks::Shape::PrefixArrives, FaultyDisks::Shape::NothingArrives}) {
        for (const auto& c : cases) {
            FaultyDisks disks({path}, shape);
            for (const Fault& fault : c.faults) disks.failSectors(fault.first, fault.count, fault.times);
            DiskHandle handle = DiskHandle::forDisk('0');
            ASSERT_TRUE(OpenPhysicalDisk(disks, handle));
            std::vector<std::uint8_t> buffer(80 * 512, 0xCC);
            // Pieces of 16 sectors: bad sectors at the edges of pieces and across them.
            const BulkReadReport report = readSalvaging(handle, 8 * 512, buffer, 16 * 512);
            ASSERT_EQ(report.missing.size(), c.missing.size()) << c.what;
            std::vector<std::uint8_t> expected(data.begin() + 8 * 512, data.begin() + 88 * 512);
            std::uint64_t missingBytes = 0;
            for (std::size_t i = 0; i < c.missing.size(); ++i) {
                EXPECT_EQ(report.missing[i].firstByte, c.missing[i].firstByte) << c.what;
                EXPECT_EQ(report.missing[i].byteCount, c.missing[i].byteCount) << c.what;
                std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(c.missing[i].firstByte), c.missing[i].byteCount, 0);
                missingBytes += c.missing[i].byteCount;
            }
            EXPECT_EQ(report.bytesArrived, buffer.size() - missingBytes) << c.what;
            EXPECT_TRUE(buffer == expected) << c.what;
        }
    }
}

// The whole-read helpers try a failed read again: one transient error is no failure.
TEST(SectorAccess, ReadsAreTriedAgainWhenTheyFail) {
    TempFolder folder;
    const std::string path = folder.file("disk.img");
    const std::vector<std::uint8_t> data = pattern(8 * 512, 0x21);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    testsupport::FaultyDisks disks({path}, testsupport::FaultyDisks::Shape::NothingArrives);
    disks.failSectors(2, 1, 2);  // the third attempt reads it
    SectorMaskTable masks;
    std::vector<std::uint8_t> buffer(4096);
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 0, buffer), buffer.size());
    EXPECT_EQ(buffer, data);

    disks.failSectors(3);  // for good: the read gives up, with zeros
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 0, buffer), 0u);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(4096, 0));
    EXPECT_EQ(disks.failedReads(), static_cast<std::uint64_t>(2 + kReadAttempts));
}

}  // namespace
}  // namespace quenzar::disk
