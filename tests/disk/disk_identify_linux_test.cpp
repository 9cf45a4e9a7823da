// What the Linux identification reads from sysfs, tried on a small copy of a sysfs tree.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

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

// What a write through one block device reaches, on a copy of a sysfs tree: disk sda with
// partitions sda1 and sda2, a device-mapper volume dm-0 on sda2, and loop0 backed by an image.
TEST(LinuxSysfs, DevicePlacesFollowPartitionsSlavesAndLoopFiles) {
    testsupport::TempFolder folder;
    const fs::path root = folder.path() / "sys";
    const fs::path block = root / "devices" / "virtual" / "block";
    const auto makeDevice = [&](const fs::path& relative, const std::string& number) {
        writeFile(block / relative / "dev", number);
        fs::create_directories(root / "dev" / "block");
        fs::create_directory_symlink(block / relative, root / "dev" / "block" / number);
    };
    makeDevice("sda", "8:0");
    makeDevice("sda/sda1", "8:1");
    writeFile(block / "sda/sda1/partition", "1");
    makeDevice("sda/sda2", "8:2");
    writeFile(block / "sda/sda2/partition", "2");
    makeDevice("dm-0", "253:0");
    fs::create_directories(block / "dm-0" / "slaves");
    fs::create_directory_symlink(block / "sda/sda2", block / "dm-0" / "slaves" / "sda2");
    const fs::path image = folder.path() / "disk.img";
    std::ofstream(image).close();
    makeDevice("loop0", "7:0");
    writeFile(block / "loop0" / "loop" / "backing_file", image.string());
    makeDevice("loop1", "7:1");
    writeFile(block / "loop1" / "loop" / "backing_file", (folder.path() / "gone.img").string() + " (deleted)");

    const auto places = [&](unsigned majorNumber, unsigned minorNumber, SourceExtent extent, bool throughFiles) {
        LinuxStoragePlaces found;
        addLinuxDevicePlaces(root.string(), makedev(majorNumber, minorNumber), extent, throughFiles, found);
        return found;
    };
    const LinuxStoragePlaces sda1Volume = places(8, 1, SourceExtent::Volume, false);
    EXPECT_EQ(sda1Volume.devices, (std::set<std::uint64_t>{makedev(8, 1)}));
    EXPECT_TRUE(sda1Volume.resolved);
    const LinuxStoragePlaces dm0 = places(253, 0, SourceExtent::Disk, true);
    EXPECT_EQ(dm0.devices, (std::set<std::uint64_t>{makedev(253, 0), makedev(8, 2), makedev(8, 0)}));
    const LinuxStoragePlaces loop0 = places(7, 0, SourceExtent::Disk, false);
    struct stat imageInfo {};
    ASSERT_EQ(::stat(image.c_str(), &imageInfo), 0);
    EXPECT_EQ(loop0.files, (std::set<std::pair<std::uint64_t, std::uint64_t>>{{imageInfo.st_dev, imageInfo.st_ino}}));
    // Through the image's file, the write reaches the file system that holds it.
    EXPECT_TRUE(places(7, 0, SourceExtent::Disk, true).devices.contains(imageInfo.st_dev));
    EXPECT_TRUE(places(7, 1, SourceExtent::Disk, true).files.empty());  // its file is gone
    EXPECT_FALSE(places(9, 9, SourceExtent::Disk, true).resolved);

    struct Case {
        const char* what;
        LinuxStoragePlaces target, source;
        bool meets;
    };
    LinuxStoragePlaces imageFile;
    imageFile.files.insert({imageInfo.st_dev, imageInfo.st_ino});
    LinuxStoragePlaces besideImage;
    besideImage.devices.insert(imageInfo.st_dev);
    const Case cases[] = {
        {"sda2 beside the volume sda1", places(8, 2, SourceExtent::Disk, true), sda1Volume, false},
        {"sda2 on the disk of sda1", places(8, 2, SourceExtent::Disk, true), places(8, 1, SourceExtent::Disk, false), true},
        {"sda2 on the disk sda", places(8, 2, SourceExtent::Disk, true), places(8, 0, SourceExtent::Disk, false), true},
        {"dm-0 over the volume sda2", dm0, places(8, 2, SourceExtent::Volume, false), true},
        {"dm-0 beside the volume sda1", dm0, sda1Volume, false},
        {"loop0 made of the image", places(7, 0, SourceExtent::Disk, true), imageFile, true},
        {"beside the image of loop0, on its file system", besideImage, loop0, false},
    };
    for (const Case& row : cases) EXPECT_EQ(row.target.meets(row.source), row.meets) << row.what;
}

}  // namespace
}  // namespace quenzar::platform
