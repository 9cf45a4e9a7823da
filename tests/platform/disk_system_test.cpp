#include "platform/disk_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/temp_folder.h"

namespace quenzar::platform {
namespace {

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
