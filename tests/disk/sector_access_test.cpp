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

// An image of the pattern's bytes; returns them.
std::vector<std::uint8_t> writePatternImage(const std::string& path, std::size_t sectorCount, std::uint8_t seed) {
    const std::vector<std::uint8_t> data = pattern(sectorCount * 512, seed);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return data;
}

// The process-wide retries for the length of a test.
class RetriesFor {
public:
    explicit RetriesFor(int retries) : saved_(readRetries()) { setReadRetries(retries); }
    ~RetriesFor() { setReadRetries(saved_); }
    RetriesFor(const RetriesFor&) = delete;
    RetriesFor& operator=(const RetriesFor&) = delete;

private:
    int saved_;
};

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
// sectors are reported, as zeros (the buffer starts as 0xCC, so a sector the read jumped over and
// never filled would show). Bad areas longer than a few sectors are jumped over and their edges
// read back from both ends.
TEST(SectorAccess, SalvagingReadKeepsEverySectorThatReads) {
    using testsupport::FaultyDisks;
    TempFolder folder;
    const std::string path = folder.file("disk.img");
    constexpr std::size_t kSectors = 96;
    const std::vector<std::uint8_t> data = writePatternImage(path, kSectors, 0x5C);

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
        {"a transient error across a piece's edge", {{23, 2, 1}}, {}},
        {"one bad sector", {{20, 1, FaultyDisks::kAlways}}, {{12 * 512, 512}}},
        {"a bad area and a bad last sector", {{40, 3, FaultyDisks::kAlways}, {87, 1, FaultyDisks::kAlways}},
         {{32 * 512, 3 * 512}, {79 * 512, 512}}},
        {"everything bad", {{0, kSectors, FaultyDisks::kAlways}}, {{0, 80 * 512}}},
        // Long enough to be jumped over: its last good sectors before and first after are kept.
        {"a bad area of 40 sectors", {{21, 40, FaultyDisks::kAlways}}, {{13 * 512, 40 * 512}}},
        {"a bad area of 5 sectors, one more than a jump needs", {{33, 5, FaultyDisks::kAlways}}, {{25 * 512, 5 * 512}}},
        // The jumps overshoot the end of the read; the sectors between the area and the end are
        // read back from the end.
        {"a bad area ending 3 sectors before the read's end", {{30, 55, FaultyDisks::kAlways}}, {{22 * 512, 55 * 512}}},
        {"a bad area running past the read's end", {{50, 46, FaultyDisks::kAlways}}, {{42 * 512, 38 * 512}}},
        {"two bad areas far apart", {{12, 10, FaultyDisks::kAlways}, {60, 12, FaultyDisks::kAlways}},
         {{4 * 512, 10 * 512}, {52 * 512, 12 * 512}}},
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

// A bad sector costs its attempts once in the run: a second read over it (another file, another
// operation with a handle of its own, a read of the volume that holds it, a whole read) skips it
// and reports it as before. A transient error leaves nothing behind, and other disk systems over
// the same image (a healthy copy, faulty disks made later) know nothing of it.
TEST(SectorAccess, BadSectorCostsItsAttemptsOnce) {
    using testsupport::FaultyDisks;
    TempFolder folder;
    const std::string path = folder.file("disk.img");
    const std::vector<std::uint8_t> data = writePatternImage(path, 256, 0x42);
    constexpr std::uint64_t kBad = 100, kTransient = 180;
    const auto sectorOf = [&](std::uint64_t lba) {
        return std::vector<std::uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(lba * 512),
                                         data.begin() + static_cast<std::ptrdiff_t>((lba + 1) * 512));
    };
    for (const int retries : {0, 2}) {
        for (const FaultyDisks::Shape shape : {FaultyDisks::Shape::PrefixArrives, FaultyDisks::Shape::NothingArrives}) {
            SCOPED_TRACE(std::to_string(retries) + " retries, " +
                         (shape == FaultyDisks::Shape::PrefixArrives ? "short reads" : "failed reads"));
            const RetriesFor setting(retries);
            FaultyDisks disks({path}, shape);
            disks.failSectors(kBad);
            disks.failOnce(kTransient);
            // The volume D: is the disk from LBA 64 on.
            disks.assignVolume('D', platform::VolumeSource{"", '0', 64 * 512, 0});

            // The sector alone: read 1 + retries times, then known.
            DiskHandle handle = DiskHandle::forDisk('0');
            ASSERT_TRUE(OpenPhysicalDisk(disks, handle));
            std::vector<std::uint8_t> one(512, 0xCC);
            const BulkReadReport alone = readSalvaging(handle, kBad * 512, one);
            EXPECT_EQ(disks.failedReads(), static_cast<std::uint64_t>(1 + retries));
            ASSERT_EQ(alone.missing.size(), 1u);
            EXPECT_EQ(one, std::vector<std::uint8_t>(512, 0));

            // Two files over it, the transient error in the second: nothing more fails but that
            // error, once.
            for (const auto& [firstLba, sectorCount] : {std::pair<std::uint64_t, std::uint64_t>{80, 40}, {90, 100}}) {
                DiskHandle file = DiskHandle::forDisk('0');
                ASSERT_TRUE(OpenPhysicalDisk(disks, file));
                std::vector<std::uint8_t> buffer(sectorCount * 512, 0xCC);
                const BulkReadReport report = readSalvaging(file, firstLba * 512, buffer);
                ASSERT_EQ(report.missing.size(), 1u);
                EXPECT_EQ(report.missing[0].firstByte, (kBad - firstLba) * 512);
                EXPECT_EQ(report.missing[0].byteCount, 512u);
                std::vector<std::uint8_t> expected(data.begin() + static_cast<std::ptrdiff_t>(firstLba * 512),
                                                   data.begin() + static_cast<std::ptrdiff_t>((firstLba + sectorCount) * 512));
                std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>((kBad - firstLba) * 512), 512, 0);
                EXPECT_TRUE(buffer == expected);
            }
            EXPECT_EQ(disks.failedReads(), static_cast<std::uint64_t>(1 + retries) + 1);

            // Through the volume that holds it, and by a whole read of the disk: skipped as well.
            DiskHandle volume = DiskHandle::forVolume('D');
            ASSERT_TRUE(OpenPhysicalDisk(disks, volume));
            std::vector<std::uint8_t> viaVolume(64 * 512, 0xCC);
            const BulkReadReport volumeReport = readSalvaging(volume, 0, viaVolume);
            ASSERT_EQ(volumeReport.missing.size(), 1u);
            EXPECT_EQ(volumeReport.missing[0].firstByte, (kBad - 64) * 512);
            SectorMaskTable masks;
            std::vector<std::uint8_t> whole(8 * 512, 0xCC);
            EXPECT_EQ(readDiskBytes(disks, masks, '0', 96 * 512, whole, Unmask::Never), 4u * 512);
            EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + 4 * 512, data.begin() + 96 * 512));
            EXPECT_TRUE(std::all_of(whole.begin() + 4 * 512, whole.end(), [](std::uint8_t b) { return b == 0; }));
            // The sector the transient error touched reads whole now.
            std::vector<std::uint8_t> again(512);
            EXPECT_EQ(readDiskBytes(disks, masks, '0', kTransient * 512, again, Unmask::Never), 512u);
            EXPECT_EQ(again, sectorOf(kTransient));
            EXPECT_EQ(disks.failedReads(), static_cast<std::uint64_t>(1 + retries) + 1);

            // Others over the same image read the sector.
            platform::ImageDiskSystem healthy({path});
            EXPECT_EQ(readDiskBytes(healthy, masks, '0', kBad * 512, again, Unmask::Never), 512u);
            EXPECT_EQ(again, sectorOf(kBad));
        }
        FaultyDisks later({path});
        SectorMaskTable masks;
        std::vector<std::uint8_t> sector(512);
        EXPECT_EQ(readDiskBytes(later, masks, '0', kBad * 512, sector, Unmask::Never), 512u);
        EXPECT_EQ(sector, sectorOf(kBad));
    }
}

// A bad area of 1,000 sectors in a file read as the restore reads one, in pieces of its own: a
// few dozen failed reads instead of two for every sector, exactly the area reported (the good
// sectors on both sides kept), and a second file over it costs nothing.
TEST(SectorAccess, LongBadAreaIsJumpedOverAndItsEdgesKept) {
    using testsupport::FaultyDisks;
    TempFolder folder;
    const std::string path = folder.file("disk.img");
    const std::vector<std::uint8_t> data = writePatternImage(path, 4096, 0x17);
    constexpr std::uint64_t kAreaFirst = 1500, kAreaSectors = 1000;
    const RetriesFor setting(1);
    for (const FaultyDisks::Shape shape : {FaultyDisks::Shape::PrefixArrives, FaultyDisks::Shape::NothingArrives}) {
        SCOPED_TRACE(shape == FaultyDisks::Shape::PrefixArrives ? "short reads" : "failed reads");
        FaultyDisks disks({path}, shape);
        disks.failSectors(kAreaFirst, kAreaSectors);
        DiskHandle handle = DiskHandle::forDisk('0');
        ASSERT_TRUE(OpenPhysicalDisk(disks, handle));
        // The area crosses the second and third of four calls.
        std::uint64_t failedByTheFirst = 0;
        for (int file = 0; file < 2; ++file) {
            std::vector<MissingRange> missing;  // in bytes of the disk
            std::vector<std::uint8_t> buffer(1024 * 512);
            for (std::uint64_t call = 0; call < 4; ++call) {
                std::fill(buffer.begin(), buffer.end(), std::uint8_t{0xCC});
                const std::uint64_t firstByte = call * buffer.size();
                for (const MissingRange& gap : readSalvaging(handle, firstByte, buffer).missing) {
                    missing.push_back({firstByte + gap.firstByte, gap.byteCount});
                }
                std::vector<std::uint8_t> expected(data.begin() + static_cast<std::ptrdiff_t>(firstByte),
                                                   data.begin() + static_cast<std::ptrdiff_t>(firstByte + buffer.size()));
                for (std::uint64_t lba = std::max(kAreaFirst, firstByte / 512);
                     lba < std::min(kAreaFirst + kAreaSectors, (firstByte + buffer.size()) / 512); ++lba) {
                    std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(lba * 512 - firstByte), 512, 0);
                }
                EXPECT_TRUE(buffer == expected) << "call " << call;
            }
            ASSERT_EQ(missing.size(), 2u);
            EXPECT_EQ(missing[0].firstByte, kAreaFirst * 512);
            EXPECT_EQ(missing[0].firstByte + missing[0].byteCount, missing[1].firstByte);
            EXPECT_EQ(missing[1].firstByte + missing[1].byteCount, (kAreaFirst + kAreaSectors) * 512);
            if (file == 0) {
                failedByTheFirst = disks.failedReads();
                EXPECT_LT(failedByTheFirst, kAreaSectors / 10);  // read sector by sector: over 2,000
            }
        }
        EXPECT_EQ(disks.failedReads(), failedByTheFirst);
    }
}

// The whole-read helpers try a failed read again, readRetries() times: a transient error within
// them is no failure; a sector that never arrives is given up, with zeros, and not asked for again.
TEST(SectorAccess, ReadsAreTriedAgainWhenTheyFail) {
    TempFolder folder;
    const std::string path = folder.file("disk.img");
    const std::vector<std::uint8_t> data = writePatternImage(path, 8, 0x21);
    const RetriesFor setting(2);
    testsupport::FaultyDisks disks({path}, testsupport::FaultyDisks::Shape::NothingArrives);
    disks.failSectors(2, 1, 2);  // the third attempt reads it
    SectorMaskTable masks;
    std::vector<std::uint8_t> buffer(4096);
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 0, buffer), buffer.size());
    EXPECT_EQ(buffer, data);

    disks.failSectors(3);  // for good: the read gives up, with zeros
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 0, buffer), 0u);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(4096, 0));
    EXPECT_EQ(disks.failedReads(), 2u + 3u);

    // Which sector of a long read failed is not known; a single sector that fails is bad, and a
    // read that holds it ends before it without asking for it.
    std::vector<std::uint8_t> sector(512, 0xCC);
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 3 * 512, sector), 0u);
    EXPECT_EQ(disks.failedReads(), 5u + 3u);
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0xCC});
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 0, buffer), 3u * 512);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 3 * 512, data.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 3 * 512, buffer.end(), [](std::uint8_t b) { return b == 0; }));
    // Parts of a sector: before the bad one they read, in it nothing is asked for.
    std::vector<std::uint8_t> part(100, 0xCC);
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 2 * 512 + 7, part), part.size());
    EXPECT_TRUE(std::equal(part.begin(), part.end(), data.begin() + 2 * 512 + 7));
    EXPECT_EQ(readDiskBytes(disks, masks, '0', 3 * 512 + 7, part), 0u);
    EXPECT_EQ(part, std::vector<std::uint8_t>(100, 0));
    EXPECT_EQ(disks.failedReads(), 8u);
}

}  // namespace
}  // namespace quenzar::disk
