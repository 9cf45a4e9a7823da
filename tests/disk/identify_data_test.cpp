#include "disk/identify_data.h"

#include <gtest/gtest.h>

#include <string>

#include "disk/inventory.h"
#include "disk_image_builder.h"
#include "support/temp_folder.h"

namespace quenzar::disk {
namespace {

template <std::size_t N>
std::string str(const Text<N>& text) {
    return std::string(text.begin(), text.end());
}

// Puts an ATA string into identify words: two characters per word, the first in the high byte.
void putAtaString(platform::IdentifyBlock& data, int firstWord, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) data[firstWord * 2 + (i ^ 1)] = static_cast<std::uint8_t>(text[i]);
}

void putWord(platform::IdentifyBlock& data, int word, std::uint16_t value) {
    data[word * 2] = static_cast<std::uint8_t>(value);
    data[word * 2 + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The identify data of a 2 TB disk, field by field.
platform::IdentifyBlock twoTerabyteDisk() {
    platform::IdentifyBlock data{};
    putAtaString(data, 10, "     WD-WCC4N1234567");  // words 10-19: serial number, right-aligned
    putAtaString(data, 23, "82.00A8");              // words 23-26: firmware; the 8th byte stays 0
    putAtaString(data, 27, "WDC WD20EFRX-68EUZN0                    ");  // words 27-46: model
    putWord(data, 60, 0xFFFF);                      // words 60-61: 28-bit count 0x0FFFFFFF: too
    putWord(data, 61, 0x0FFF);                      // large, read words 100-103 instead
    putWord(data, 100, 0x88B0);                     // words 100-103: 3,907,029,168 sectors
    putWord(data, 101, 0xE8E0);                     // (0xE8E0_88B0)
    return data;
}

TEST(IdentifyData, StringsAreByteSwappedAndZeroBytesBlank) {
    const IdentifyStrings strings = parseIdentifyStrings(twoTerabyteDisk());
    EXPECT_EQ(str(strings.serialNumber), "     WD-WCC4N1234567");
    EXPECT_EQ(str(strings.firmwareRevision), "82.00A8 ");  // the zero byte shows as a blank
    EXPECT_EQ(str(strings.model), "WDC WD20EFRX-68EUZN0                    ");
    EXPECT_TRUE(hasIdentifyStrings(twoTerabyteDisk()));

    // Zero bytes in the serial number and the model are blanks too: a drive letter's serial number
    // is read with the same rule, and the two must compare equal.
    platform::IdentifyBlock zeroPadded{};
    putAtaString(zeroPadded, 10, "SN42");  // the rest of words 10-19 and 27-46 stays zero
    putAtaString(zeroPadded, 27, "MODEL");
    EXPECT_EQ(str(parseIdentifyStrings(zeroPadded).serialNumber), "SN42                ");
    EXPECT_EQ(str(parseIdentifyStrings(zeroPadded).model), "MODEL" + std::string(35, ' '));

    // Words 10 and 11 both zero: the strings are not read, however the rest looks.
    platform::IdentifyBlock noSerialStart = twoTerabyteDisk();
    putWord(noSerialStart, 10, 0);
    putWord(noSerialStart, 11, 0);
    EXPECT_FALSE(hasIdentifyStrings(noSerialStart));
}

TEST(IdentifyData, SectorCountOf48BitsOnlyWhenThe28BitCountIsFull) {
    EXPECT_EQ(lba48SectorCount(twoTerabyteDisk()), 3'907'029'168u);

    platform::IdentifyBlock small = twoTerabyteDisk();
    putWord(small, 61, 0x0FFE);  // a 28-bit count below 0x0FFFFFFF: the geometry decides
    EXPECT_EQ(lba48SectorCount(small), std::nullopt);

    platform::IdentifyBlock bigger = twoTerabyteDisk();  // words 102-103 carry the high part
    putWord(bigger, 102, 0x0001);
    EXPECT_EQ(lba48SectorCount(bigger), 0x1'E8E0'88B0u);

    platform::IdentifyBlock zeroCount = twoTerabyteDisk();  // a bridge that gives no count
    putWord(zeroCount, 100, 0);
    putWord(zeroCount, 101, 0);
    EXPECT_EQ(lba48SectorCount(zeroCount), std::nullopt);
}

TEST(CapacityText, FitsEightCharactersFromZeroToBeyondTenTerabytes) {
    const std::pair<std::uint64_t, std::string> cases[] = {
        {0, "   0,000"},
        {512, "   0,512"},
        {1'000, "   1,000"},
        {500'107, " 500,107"},
        {9'999'999, "9999,999"},       // the widest value of four digits before the comma
        {10'000'000, "10,000TB"},      // one past it: terabytes
        {18'000'207, "18,000TB"},
        {99'999'999, "99,999TB"},
        {100'000'000, "100,00TB"},
        {999'999'999, "999,99TB"},
        {1'000'000'000, "1000,0TB"},
        {9'999'999'999, "9999,9TB"},
        {10'000'000'000, " 10000TB"},
        {999'999'999'999, "999999TB"},
        {1'000'000'000'000, "********"},
        {UINT64_MAX, "********"},
    };
    for (const auto& [megabytes, text] : cases) {
        EXPECT_EQ(str(capacityText(megabytes)), text) << megabytes << " MB";
    }
}

// An image with IMAGE.identify beside it identifies as a disk on the internal channel, sized by
// the 48-bit count of its identify data rather than by its file.
TEST(IdentifyDisk, ImageWithIdentifyFile) {
    testsupport::TempFolder folder;
    const testsupport::DiskImage image(folder.file("disk.img"), 2048);
    const platform::IdentifyBlock data = twoTerabyteDisk();
    testsupport::DiskImage(folder.file("disk.img.identify"), 1).write(0, data.data(), data.size());
    testsupport::DiskImage(folder.file("empty.img"), 204'800);  // 100 MiB

    platform::ImageDiskSystem disks({image.path(), folder.file("empty.img"), folder.file("missing.img")});
    InventoryState state;
    state.language = text::Language::Russian;
    IdentifyDisk(state, disks, '0');
    const PhysicalDiskInfo& disk = state.disk('0');
    EXPECT_TRUE(disk.isPresent());
    EXPECT_EQ(str(disk.connectionType), "    Internal channel SATA/IDE" + std::string(15, ' '));
    EXPECT_EQ(str(disk.mediaLabel), "Жесткий  ");
    EXPECT_EQ(str(disk.serialNumber), "     WD-WCC4N1234567");
    EXPECT_EQ(disk.totalSectors, 3'907'029'168u);
    EXPECT_EQ(disk.tracksPerCylinder, 255u);
    EXPECT_EQ(disk.sectorsPerTrack, 63u);
    EXPECT_EQ(disk.cylinders, 3'907'029'168u / 16'065);
    EXPECT_EQ(disk.capacityMb, 2'000'398u);  // (total / 1,000) x 512 / 1,000
    EXPECT_EQ(str(disk.capacityText), "2000,398");

    // Without identify data: the port is not recognised and the size is the image's own.
    IdentifyDisk(state, disks, '1');
    EXPECT_EQ(str(state.disk('1').connectionType), "    The port not recognized" + std::string(17, ' '));
    EXPECT_EQ(str(state.disk('1').serialNumber), std::string(20, ' '));
    EXPECT_EQ(state.disk('1').totalSectors, 204'800u);
    EXPECT_EQ(str(state.disk('1').capacityText), "   0,104");  // 104,857,600 bytes

    // A disk that cannot be opened is absent: the "." stays in the capacity text.
    IdentifyDisk(state, disks, '2');
    EXPECT_FALSE(state.disk('2').isPresent());
    EXPECT_EQ(state.disk('2').capacityText[1], '.');
}

}  // namespace
}  // namespace quenzar::disk
