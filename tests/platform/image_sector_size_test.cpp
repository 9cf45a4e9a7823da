// The sector size of disk images decided from what they hold (small crafted images, each with the
// one structure that should decide or mislead the detection), and a loop device's own report.
#include "platform/image_sector_size.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/disk_system.h"
#include "platform/sector_device.h"
#include "support/temp_folder.h"

namespace quenzar::platform {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

void putLe(std::uint8_t* at, std::uint64_t value, int byteCount) {
    for (int i = 0; i < byteCount; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// An image of `byteCount` bytes of which only the first few megabytes are kept; the rest reads
// as zeros, as a sparse file would.
struct CraftedImage {
    std::uint64_t byteCount = 64 * kMiB;
    std::vector<std::uint8_t> head = std::vector<std::uint8_t>(4 * kMiB);

    std::uint8_t* at(std::uint64_t byteOffset) { return head.data() + byteOffset; }
    void sign(std::uint64_t sectorByte) {
        head[sectorByte + 510] = 0x55;
        head[sectorByte + 511] = 0xAA;
    }
    // One entry of the table at LBA 0: type at +4, start LBA at +8, sector count at +12.
    void tableEntry(int index, std::uint8_t type, std::uint32_t startLba, std::uint32_t sectorCount) {
        std::uint8_t* entry = at(0x1BE + 16 * static_cast<std::uint64_t>(index));
        entry[4] = type;
        putLe(entry + 8, startLba, 4);
        putLe(entry + 12, sectorCount, 4);
        sign(0);
    }
    // An NTFS boot sector: "NTFS    " at 3, bytes per sector at 0Bh.
    void ntfsBoot(std::uint64_t byteOffset, std::uint16_t bytesPerSector) {
        at(byteOffset)[0] = 0xEB;
        std::memcpy(at(byteOffset + 3), "NTFS    ", 8);
        putLe(at(byteOffset + 0x0B), bytesPerSector, 2);
        at(byteOffset)[0x0D] = 8;
        sign(byteOffset);
    }
    // A FAT-32 boot sector: jump, bytes per sector at 0Bh, sectors per cluster at 0Dh, reserved
    // sectors at 0Eh, two FATs at 10h, "FAT32   " at 52h.
    void fat32Boot(std::uint64_t byteOffset, std::uint16_t bytesPerSector) {
        at(byteOffset)[0] = 0xEB;
        std::memcpy(at(byteOffset + 3), "MSWIN4.1", 8);
        putLe(at(byteOffset + 0x0B), bytesPerSector, 2);
        at(byteOffset)[0x0D] = 8;
        putLe(at(byteOffset + 0x0E), 32, 2);
        at(byteOffset)[0x10] = 2;
        std::memcpy(at(byteOffset + 0x52), "FAT32   ", 8);
        sign(byteOffset);
    }
    // A GPT header's signature and its own LBA (1) at +24.
    void gptHeader(std::uint64_t byteOffset) {
        std::memcpy(at(byteOffset), "EFI PART", 8);
        putLe(at(byteOffset + 12), 92, 4);
        putLe(at(byteOffset + 24), 1, 8);
    }

    ImageByteReader reader() const {
        return [this](std::uint64_t byteOffset, std::span<std::uint8_t> buffer) -> std::size_t {
            if (byteOffset >= byteCount) return 0;
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), byteCount - byteOffset));
            std::fill_n(buffer.begin(), count, std::uint8_t{0});
            if (byteOffset < head.size()) {
                const std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(count, head.size() - byteOffset));
                std::copy_n(head.begin() + static_cast<std::ptrdiff_t>(byteOffset), kept, buffer.begin());
            }
            return count;
        };
    }
};

struct Case {
    const char* name;
    std::function<void(CraftedImage&)> craft;
    std::uint32_t bytesPerSector;
    SectorSizeSource source;
};

TEST(ImageSectorSize, DecidedFromWhatTheImageHolds) {
    const std::uint64_t sectors4k = 64 * kMiB / 4096;
    const Case cases[] = {
        {"nothing at all", [](CraftedImage&) {}, 512, SectorSizeSource::Default},
        {"GPT header at byte 4096 (LBA 1 of 4096-byte sectors)",
         [&](CraftedImage& image) {
             image.tableEntry(0, 0xEE, 1, 0xFFFFFFFF);
             image.gptHeader(4096);
         },
         4096, SectorSizeSource::GptHeader},
        {"GPT header at byte 512",
         [](CraftedImage& image) {
             image.tableEntry(0, 0xEE, 1, 0xFFFFFFFF);
             image.gptHeader(512);
         },
         512, SectorSizeSource::GptHeader},
        {"\"EFI PART\" at 4096 that names another LBA as its own is no header",
         [](CraftedImage& image) {
             image.gptHeader(4096);
             putLe(image.at(4096 + 24), 8, 8);
         },
         512, SectorSizeSource::Default},
        {"NTFS boot sector of 4096-byte sectors at LBA 0", [](CraftedImage& image) { image.ntfsBoot(0, 4096); }, 4096,
         SectorSizeSource::NtfsBootSector},
        {"NTFS boot sector of 2048-byte sectors at LBA 0", [](CraftedImage& image) { image.ntfsBoot(0, 2048); }, 2048,
         SectorSizeSource::NtfsBootSector},
        {"NTFS boot sector of an impossible sector size", [](CraftedImage& image) { image.ntfsBoot(0, 3000); }, 512,
         SectorSizeSource::Default},
        {"FAT-32 boot sector of 512-byte sectors at LBA 0", [](CraftedImage& image) { image.fat32Boot(0, 512); }, 512,
         SectorSizeSource::FatBootSector},
        {"FAT-32 boot sector of 4096-byte sectors at LBA 0", [](CraftedImage& image) { image.fat32Boot(0, 4096); },
         4096, SectorSizeSource::FatBootSector},
        {"MBR whose entry points at a volume in 512-byte sectors",
         [](CraftedImage& image) {
             image.tableEntry(0, 0x07, 2048, 20000);
             image.ntfsBoot(2048 * 512, 512);
         },
         512, SectorSizeSource::PartitionTable},
        {"MBR whose entry points at a volume only in 4096-byte sectors",
         [](CraftedImage& image) {
             image.tableEntry(0, 0x07, 256, 8000);
             image.ntfsBoot(256 * 4096, 4096);
         },
         4096, SectorSizeSource::PartitionTable},
        {"MBR whose extended entry points at a boot record only in 4096-byte sectors",
         [](CraftedImage& image) {
             image.tableEntry(0, 0x0F, 512, 15000);
             image.sign(512 * 4096);
         },
         4096, SectorSizeSource::PartitionTable},
        {"MBR of unformatted partitions that end at the image's end in 4096-byte sectors",
         [&](CraftedImage& image) {
             image.tableEntry(0, 0x07, 256, 8000);
             image.tableEntry(1, 0x0C, 8256, static_cast<std::uint32_t>(sectors4k - 8256 - 100));
         },
         4096, SectorSizeSource::PartitionTable},
        {"MBR of an unformatted partition on a small part of a 512-byte disk",
         [](CraftedImage& image) { image.tableEntry(0, 0x07, 2048, 64 * kMiB / 512 / 10); }, 512,
         SectorSizeSource::Default},
        {"protective entry that covers the disk in 4096-byte sectors, its GPT header lost",
         [&](CraftedImage& image) { image.tableEntry(0, 0xEE, 1, static_cast<std::uint32_t>(sectors4k - 1)); }, 4096,
         SectorSizeSource::PartitionTable},
        {"protective entry that covers the disk in 512-byte sectors, its GPT header lost",
         [](CraftedImage& image) { image.tableEntry(0, 0xEE, 1, 64 * kMiB / 512 - 1); }, 512,
         SectorSizeSource::Default},
        {"protective entry of the largest count, its GPT header lost",
         [](CraftedImage& image) { image.tableEntry(0, 0xEE, 1, 0xFFFFFFFF); }, 512, SectorSizeSource::Default},
        {"a volume in 512-byte sectors wins over a table that would also fit in 4096-byte ones",
         [&](CraftedImage& image) {
             image.tableEntry(0, 0x07, 256, 8000);
             image.ntfsBoot(256 * 512, 512);
             image.tableEntry(1, 0x07, 8256, static_cast<std::uint32_t>(sectors4k - 8256));
         },
         512, SectorSizeSource::PartitionTable},
    };
    for (const Case& c : cases) {
        CraftedImage image;
        c.craft(image);
        const SectorSizeFinding found = detectImageSectorSize(image.reader(), image.byteCount);
        EXPECT_EQ(found.bytesPerSector, c.bytesPerSector) << c.name;
        EXPECT_EQ(found.source, c.source) << c.name;
    }
}

// Images too short for the structures, and entries whose places lie past the end, are read
// nowhere outside the image and tell nothing.
TEST(ImageSectorSize, ShortImagesAndEntriesPastTheEndTellNothing) {
    for (const std::uint64_t byteCount : {std::uint64_t{0}, std::uint64_t{100}, std::uint64_t{511}}) {
        CraftedImage image;
        image.byteCount = byteCount;
        image.ntfsBoot(0, 4096);
        EXPECT_EQ(detectImageSectorSize(image.reader(), byteCount).source, SectorSizeSource::Default) << byteCount;
    }
    CraftedImage image;
    image.byteCount = 8 * kMiB;
    image.tableEntry(0, 0x07, 0xFFFFFFF0, 0xFFFFFFFF);
    image.tableEntry(1, 0x0F, 0x7FFFFFFF, 0x10);
    std::uint64_t furthest = 0;
    const ImageByteReader inner = image.reader();
    const ImageByteReader watched = [&](std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
        furthest = std::max<std::uint64_t>(furthest, byteOffset + buffer.size());
        return inner(byteOffset, buffer);
    };
    EXPECT_EQ(detectImageSectorSize(watched, image.byteCount).bytesPerSector, 512u);
    EXPECT_LE(furthest, image.byteCount);
}

// An image that stands on a device that reports its sector size (a loop device given as an image).
class ReportingDevice final : public SectorDevice {
public:
    ReportingDevice(CraftedImage image, std::uint32_t reported) : image_(std::move(image)), reported_(reported) {}
    TransferResult readAt(std::uint64_t byteOffset, std::span<std::uint8_t> buffer) override {
        const std::size_t count = image_.reader()(byteOffset, buffer);
        return {count, count == buffer.size()};
    }
    TransferResult writeAt(std::uint64_t, std::span<const std::uint8_t>) override { return {}; }
    std::uint64_t byteSize() const override { return image_.byteCount; }
    std::uint32_t reportedSectorSize() const override { return reported_; }

private:
    CraftedImage image_;
    std::uint32_t reported_;
};

// The person's --sector-size wins over everything, a device's own report over the content.
TEST(ImageSectorSize, GivenSizeThenTheDevicesReportThenTheContent) {
    CraftedImage image;
    image.ntfsBoot(0, 4096);
    const struct {
        std::uint32_t reported;
        std::uint32_t given;
        std::uint32_t bytesPerSector;
        SectorSizeSource source;
    } cases[] = {
        {0, 0, 4096, SectorSizeSource::NtfsBootSector},
        {0, 512, 512, SectorSizeSource::Given},
        {512, 0, 512, SectorSizeSource::Device},
        {512, 4096, 4096, SectorSizeSource::Given},
    };
    for (const auto& c : cases) {
        ReportingDevice device(image, c.reported);
        const SectorSizeFinding found = imageSectorSize(device, c.given);
        EXPECT_EQ(found.bytesPerSector, c.bytesPerSector) << c.reported << " " << c.given;
        EXPECT_EQ(found.source, c.source) << c.reported << " " << c.given;
    }
}

// A loop device over an image with the logical sector size asked for, attached by the test and
// detached when it ends, whatever way it ends; no path when losetup cannot make one.
class LoopDevice {
public:
    LoopDevice(const std::string& image, std::uint32_t sectorSize) {
        int exitCode = -1;
        path_ = testsupport::runCommand("losetup --sector-size " + std::to_string(sectorSize) + " -f --show '" + image +
                                            "' 2>/dev/null",
                                        &exitCode);
        while (!path_.empty() && (path_.back() == '\n' || path_.back() == ' ')) path_.pop_back();
        if (exitCode != 0 || path_.rfind("/dev/loop", 0) != 0) path_.clear();
    }
    ~LoopDevice() {
        if (!path_.empty()) testsupport::runCommand("losetup -d '" + path_ + "'");
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A block device answers with the sector size the kernel gives it, whatever its content says:
// here an NTFS boot sector that claims 512-byte sectors on a device of 4,096-byte ones.
TEST(ImageSectorSize, LoopDeviceIsIdentifiedWithItsLogicalSectorSize) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to attach loop devices";
    testsupport::TempFolder folder;
    const std::string path = folder.file("disk.img");
    CraftedImage content;
    content.byteCount = 16 * kMiB;
    content.ntfsBoot(0, 512);
    {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(content.head.data()), static_cast<std::streamsize>(content.head.size()));
    }
    std::filesystem::resize_file(path, content.byteCount);

    for (const std::uint32_t sectorSize : {4096u, 512u}) {
        SCOPED_TRACE(sectorSize);
        const LoopDevice loop(path, sectorSize);
        if (loop.path().empty()) GTEST_SKIP() << "losetup cannot attach a loop device of " << sectorSize << "-byte sectors";

        const DeviceIdentity identity = identifyLinuxDevice(loop.path(), "/sys");
        EXPECT_TRUE(identity.answered);
        EXPECT_EQ(identity.bytesPerSector, sectorSize);
        EXPECT_EQ(identity.exactSectorCount, content.byteCount / sectorSize);
        EXPECT_EQ(identity.sectorSizeSource, SectorSizeSource::Device);

        // Given as an image, the device still reports its own size.
        const DeviceIdentity asImage = ImageDiskSystem({loop.path()}, 0).identify('0');
        EXPECT_EQ(asImage.bytesPerSector, sectorSize);
        EXPECT_EQ(asImage.sectorSizeSource, SectorSizeSource::Device);
        const auto device = openFileDevice(loop.path(), AccessMode::ReadOnly);
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->reportedSectorSize(), sectorSize);
    }
}

}  // namespace
}  // namespace quenzar::platform
