#include "platform/disk_system.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>

#include "support/temp_folder.h"

namespace quenzar::platform {
namespace {

// Only regular files and block devices are opened as sources of sectors. A FIFO would otherwise
// block the open until a writer came, so the test keeps one end of it open itself: a faulty
// open then returns at once with a device instead of hanging.
TEST(DiskSystem, WhatHoldsNoSectorsIsNotOpened) {
    testsupport::TempFolder folder;
    const std::string fifo = folder.file("image.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int heldOpen = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(heldOpen, 0);
    const std::string file = folder.file("image.img");
    std::ofstream(file) << std::string(1024, 'x');

    struct Case {
        std::string path;
        SourceKind kind;
    };
    const Case cases[] = {
        {fifo, SourceKind::NotADisk},
        {"/dev/null", SourceKind::NotADisk},
        {folder.path().string(), SourceKind::NotADisk},
        {folder.file("missing.img"), SourceKind::Missing},
        {file, SourceKind::Disk},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sourceKindOf(c.path), c.kind) << c.path;
        for (const AccessMode mode : {AccessMode::ReadOnly, AccessMode::ReadWrite}) {
            EXPECT_EQ(openFileDevice(c.path, mode) != nullptr, c.kind == SourceKind::Disk) << c.path;
        }
    }
    // The file reads as usual after an open that does not wait.
    const auto device = openFileDevice(file, AccessMode::ReadOnly);
    ASSERT_NE(device, nullptr);
    std::array<std::uint8_t, 1024> buffer{};
    EXPECT_TRUE(device->readAt(0, buffer).complete);
    EXPECT_EQ(buffer[1023], 'x');
    ::close(heldOpen);
}

TEST(DiskSystem, ImageListIsSplitAtSemicolons) {
    using List = std::vector<std::string>;
    EXPECT_EQ(splitImageList(""), List{});
    EXPECT_EQ(splitImageList("a.img"), List{"a.img"});
    EXPECT_EQ(splitImageList("a.img;;b.img;"), (List{"a.img", "b.img"}));
    EXPECT_EQ(splitImageList("Z:\\x\\a.img;/tmp/b c.img"), (List{"Z:\\x\\a.img", "/tmp/b c.img"}));
    EXPECT_EQ(splitImageList("0;1;2;3;4;5;6;7;8;9").size(), 8u);  // eight disks at most
}

TEST(DiskSystem, ImagesAreDisksInOrder) {
    ImageDiskSystem disks({"first.img", "second.img"});
    EXPECT_EQ(disks.diskPath('0'), "first.img");
    EXPECT_EQ(disks.diskPath('1'), "second.img");
    EXPECT_EQ(disks.diskPath('2'), "");
    EXPECT_EQ(disks.diskPath('/'), "");
    EXPECT_EQ(disks.openDisk('2', AccessMode::ReadOnly), nullptr);
}

TEST(DiskSystem, EnvironmentAttachesImages) {
    ::setenv("QUENZAR_DISK_IMAGES", "one.img;two.img", 1);
    const auto disks = makeDiskSystemFromEnvironment();
    ::unsetenv("QUENZAR_DISK_IMAGES");
    EXPECT_EQ(disks->sourceKind(), "disk images");
    EXPECT_EQ(disks->diskPath('1'), "two.img");
}

TEST(DiskSystem, VolumeOfALetterIsAWindowOnItsDisk) {
    testsupport::TempFolder folder;
    const std::string path = folder.file("disk.img");
    std::string content(8 * 512, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i / 512);
    std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));

    ImageDiskSystem disks({path});
    disks.assignVolume('D', VolumeSource{"", '0', 2 * 512, 3 * 512});
    EXPECT_EQ(disks.openVolume('E', AccessMode::ReadOnly), nullptr);
    const auto volume = disks.openVolume('D', AccessMode::ReadOnly);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->byteSize(), 3u * 512);

    std::vector<std::uint8_t> buffer(1024, 0xEE);
    TransferResult result = volume->readAt(512, buffer);  // volume sectors 1 and 2 = disk sectors 3 and 4
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(buffer[1023], 4);

    result = volume->readAt(1024, buffer);  // the second half lies beyond the volume's end
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(result.byteCount, 512u);
    EXPECT_EQ(volume->readAt(3 * 512, buffer).byteCount, 0u);
}

}  // namespace
}  // namespace quenzar::platform
