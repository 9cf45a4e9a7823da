// What the Linux identification reads from sysfs, tried on a small copy of a sysfs tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/disk_identity.h"
#include "support/temp_folder.h"

namespace quenzar::platform {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text << "\n";
}

void makePartition(const fs::path& disk, const std::string& name, int number, std::uint64_t start, std::uint64_t size) {
    writeFile(disk / name / "partition", std::to_string(number));
    writeFile(disk / name / "start", std::to_string(start));
    writeFile(disk / name / "size", std::to_string(size));
}

TEST(LinuxSysfs, RemovableMediaUsbAndPartitionsInNumberOrder) {
    testsupport::TempFolder folder;
    const fs::path root = folder.path();
    // sdb hangs on a USB bus: /sys/block/sdb links into the device tree below the USB port.
    const fs::path sdb = root / "devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
    writeFile(sdb / "removable", "0");
    makePartition(sdb, "sdb10", 10, 900'000, 1000);
    makePartition(sdb, "sdb2", 2, 600'000, 2000);
    makePartition(sdb, "sdb1", 1, 2048, 500'000);
    writeFile(sdb / "queue" / "logical_block_size", "512");  // a folder that is no partition
    fs::create_directories(root / "block");
    fs::create_directory_symlink(fs::relative(sdb, root / "block"), root / "block" / "sdb");
    // sda: a card reader's removable medium on an internal bus.
    writeFile(root / "devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda/removable", "1");
    fs::create_directory_symlink("../devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda",
                                 root / "block" / "sda");

    const LinuxSysfsFacts usb = readLinuxSysfsFacts(root.string(), "sdb");
    EXPECT_FALSE(usb.removable);
    EXPECT_TRUE(usb.onUsb);
    ASSERT_EQ(usb.kernelPartitions.size(), 3u);
    EXPECT_EQ(usb.kernelPartitions[0].devicePath, "/dev/sdb1");
    EXPECT_EQ(usb.kernelPartitions[0].startSector, 2048u);
    EXPECT_EQ(usb.kernelPartitions[0].sectorCount, 500'000u);
    EXPECT_EQ(usb.kernelPartitions[1].devicePath, "/dev/sdb2");
    EXPECT_EQ(usb.kernelPartitions[2].devicePath, "/dev/sdb10");
    EXPECT_EQ(usb.kernelPartitions[2].startSector, 900'000u);

    const LinuxSysfsFacts card = readLinuxSysfsFacts(root.string(), "sda");
    EXPECT_TRUE(card.removable);
    EXPECT_FALSE(card.onUsb);
    EXPECT_TRUE(card.kernelPartitions.empty());

    const LinuxSysfsFacts missing = readLinuxSysfsFacts(root.string(), "sdz");
    EXPECT_FALSE(missing.removable);
    EXPECT_TRUE(missing.kernelPartitions.empty());
}

// An image file named as a disk answers as attached images do: a fixed disk of its exact size.
TEST(LinuxSysfs, ImageFileIdentifiesAsFixedDisk) {
    testsupport::TempFolder folder;
    const std::string path = folder.file("disk.img");
    std::ofstream(path).close();
    fs::resize_file(path, 40'000 * 512);
    const DeviceIdentity identity = identifyLinuxDevice(path, folder.path().string());
    EXPECT_TRUE(identity.answered);
    EXPECT_EQ(identity.media, MediaKind::Fixed);
    EXPECT_EQ(identity.exactSectorCount, 40'000u);
    EXPECT_EQ(identity.cylinders, 2u);  // 40,000 / (255 x 63)
    EXPECT_EQ(identity.bytesPerSector, 512u);
    EXPECT_EQ(identity.letters, LetterSource::ImageWindows);
    EXPECT_FALSE(identifyLinuxDevice(folder.file("none.img"), folder.path().string()).answered);
}

}  // namespace
}  // namespace quenzar::platform
