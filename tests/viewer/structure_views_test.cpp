// The structure presentations byte for byte: real sectors of the fixture disks (an MBR, a
// protective MBR with its GPT, a hidden disk's sector 0, NTFS and FAT boot sectors, FAT tables and
// a FAT32 root directory with Cyrillic long names) and built sectors for the edge values.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "support/fixture_manifest.h"
#include "viewer/fat_directory_view.h"
#include "viewer/structure_views.h"

namespace quenzar::viewer {
namespace {

using testsupport::Manifest;
using Bytes = std::array<std::uint8_t, kViewReadBytes>;

const Manifest& manifest() {
    static const Manifest loaded = Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    return loaded;
}

// The viewed sector and the three after it, as the viewer reads them.
Bytes readView(std::string_view image, std::uint64_t lba) {
    Bytes bytes{};
    std::ifstream file(manifest().image(image).path(QUENZAR_FIXTURE_DIR), std::ios::binary);
    file.seekg(static_cast<std::streamoff>(lba * 512));
    file.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    EXPECT_TRUE(file.good()) << image << " LBA " << lba;
    return bytes;
}

SectorBytes firstSector(const Bytes& bytes) { return SectorBytes(bytes.data(), 512); }

// Lines joined with the separator; a last empty line gives the separator after the last one.
std::string lines(std::initializer_list<std::string_view> list, std::string_view separator) {
    std::string text;
    bool first = true;
    for (std::string_view line : list) {
        if (!first) text += separator;
        text += line;
        first = false;
    }
    return text;
}

void putLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void putUtf16(std::uint8_t* p, std::u16string_view text) {
    for (char16_t c : text) {
        *p++ = static_cast<std::uint8_t>(c & 0xFF);
        *p++ = static_cast<std::uint8_t>(c >> 8);
    }
}

TEST(PartitionTableView, MbrDiskEntriesAndBlankGptBlock) {
    const testsupport::ImageFacts& mbr = manifest().image("mbr.img");
    const Bytes bytes = readView("mbr.img", 0);
    const PartitionTableText text = partitionTableText(bytes);
    EXPECT_EQ(text.entries, lines({
        "NTFS       NO        32    0   33   123   18   41         2048       294912  ",
        "FAT32x     NO       123   18   42   148   23   61       296960        81920  ",
        "EXTNDx     NO       148   23   62   151   30   57       378880       112640  ",
        "СВОБОДЕН   NO         0    0    0     0    0    0            0            0  ",
        "",
    }, "\n\r"));
    // The start LBA and size columns are the manifest's.
    EXPECT_EQ(text.entries.substr(50, 12), "        " + std::to_string(mbr.partition(0)->startLba));
    std::string blankGpt;
    for (std::string_view label : {" Header  ", " LBA 2-1 ", " LBA 2-2 ", " LBA 2-3 ", " LBA 2-4 ", " LBA 3-1 ",
                                   " LBA 3-2 ", " LBA 3-3 ", " LBA 3-4 "}) {
        if (!blankGpt.empty()) blankGpt += "\r\n";
        blankGpt += std::string(label) + std::string(72, ' ');
    }
    EXPECT_EQ(text.gptLines, blankGpt);
    EXPECT_EQ(text.heading,
              " Partit.  Partit.    Flag    Begin. section  Edn of section   Starting       All      \r\n"
              " numberа   type    download  Head Cyl. Sec.  Гол. Цил. Сек.    sector      sectors    \r\n"
              "    1    \r\n    2    \r\n    3    \r\n    4    ");
    EXPECT_EQ(text.gptHeading, "  GPT    Name of section         MyLBA Alternate LBA     Beginning        Ending ");

    // A hidden disk keeps a protective entry in its marked sector 0, but the GPT behind it is not
    // its own: the block stays blank.
    const PartitionTableText hidden = partitionTableText(readView("hidden.img", 0));
    EXPECT_EQ(hidden.entries.substr(0, 8), "GPT     ");
    EXPECT_EQ(hidden.gptLines, blankGpt);
    Bytes variant = readView("gpt.img", 0);
    std::memcpy(variant.data(), "Quen", 4);
    EXPECT_EQ(partitionTableText(variant).gptLines, blankGpt);
}

TEST(PartitionTableView, ProtectiveMbrShowsGptHeaderAndNamedEntries) {
    const Bytes bytes = readView("gpt.img", 0);
    const PartitionTableText text = partitionTableText(bytes);
    EXPECT_EQ(text.entries, lines({
        "GPT        NO         0    0    2    35    7   28            1       114687  ",
        "СВОБОДЕН   NO         0    0    0     0    0    0            0            0  ",
        "СВОБОДЕН   NO         0    0    0     0    0    0            0            0  ",
        "СВОБОДЕН   NO         0    0    0     0    0    0            0            0  ",
        "",
    }, "\n\r"));
    EXPECT_EQ(text.gptLines, lines({
        " Header  EFI PART                    1        114687            34        114654 ",
        " LBA 2-1 Basic data partition                                 2048         67583 ",
        " LBA 2-2 Linux filesystem                                    67584         83967 ",
        " LBA 2-3 Basic data partition                                83968        100351 ",
        " LBA 2-4                                                                         ",
        " LBA 3-1                                                                         ",
        " LBA 3-2                                                                         ",
        " LBA 3-3                                                                         ",
        " LBA 3-4                                                                         ",
    }, "\r\n"));

    // Entries after the first are shown only while names go on: an empty name ends the list even
    // when later entries have names.
    Bytes gap = bytes;
    std::memset(gap.data() + 1024 + 128 + 56, 0, 72);
    const PartitionTableText cut = partitionTableText(gap);
    EXPECT_EQ(cut.gptLines.substr(2 * 83, 81), " LBA 2-2 " + std::string(72, ' '));
    EXPECT_EQ(cut.gptLines.substr(3 * 83, 81), " LBA 2-3 " + std::string(72, ' '));
}

// The GPT disk of 4,096-byte sectors: its header is LBA 1 (byte 4,096 of the read) and its first
// eight entries all lie in LBA 2; the MBR's protective entry counts the same sectors.
TEST(PartitionTableView, GptOfADiskOfLargeSectors) {
    const testsupport::ImageFacts& image = manifest().image("gpt4k.img");
    ASSERT_EQ(image.sectorSize, 4096u);
    const testsupport::PartitionFacts& volume = *image.partition(0);
    std::vector<std::uint8_t> bytes(4 * 4096);
    std::ifstream file(image.path(QUENZAR_FIXTURE_DIR), std::ios::binary);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good());

    const PartitionTableText text = partitionTableText(bytes, 4096);
    const auto field = [](std::uint64_t value) {
        const std::string digits = std::to_string(value);
        return std::string(13 - digits.size(), ' ') + digits;
    };
    const std::string protective = "GPT        NO  ";
    EXPECT_EQ(text.entries.substr(0, protective.size()), protective);
    EXPECT_EQ(text.entries.substr(63, 12), field(image.lbaCount - 1).substr(1));  // the entry's sector count
    constexpr std::size_t kLine = 83;  // 81 characters and CR LF
    const std::string header = text.gptLines.substr(0, 81);
    EXPECT_EQ(header.substr(0, 17), " Header  EFI PART");
    EXPECT_EQ(header.substr(9 + 16, 13), field(1));                      // its own LBA
    EXPECT_EQ(header.substr(9 + 30, 13), field(image.lbaCount - 1));     // the backup header's
    const std::string first = text.gptLines.substr(kLine, 81);
    EXPECT_EQ(first.substr(0, 9 + 20), " LBA 2-1 Basic data partition");
    EXPECT_EQ(first.substr(9 + 44, 13), field(volume.lbaStart));
    EXPECT_EQ(first.substr(9 + 58, 13), field(volume.lbaStart + volume.lbaCount - 1));
    for (std::size_t k = 1; k < 8; ++k) {
        EXPECT_EQ(text.gptLines.substr(kLine * (1 + k), 9), " LBA 2-" + std::to_string(k + 1) + " ");
    }
    // The same bytes taken for a disk of 512-byte sectors find no header at byte 512, only zeros.
    EXPECT_EQ(partitionTableText(bytes).gptLines.substr(0, 17), " Header  ........");
    // A read that does not reach the eighth entry leaves the GPT lines blank.
    const PartitionTableText cut = partitionTableText(std::span(bytes).first(2 * 4096 + 1000), 4096);
    EXPECT_EQ(cut.gptLines.substr(0, 81), " Header  " + std::string(72, ' '));
}

TEST(PartitionTableView, FieldsOfBuiltEntries) {
    Bytes bytes{};
    std::uint8_t* e = bytes.data() + 0x1BE;
    // Entry 1: flag 01h, an unknown type, cylinder bits 8-9 in the sector byte, largest dwords.
    e[0] = 0x01;
    e[1] = 254;
    e[2] = 0xC0 | 63;
    e[3] = 0xFF;
    e[4] = 0x83;
    e[5] = 1;
    e[6] = 0x41;
    e[7] = 0x02;
    putLe32(e + 8, 0xFFFFFFFFu);
    putLe32(e + 12, 63);
    // Entry 2: active NTFS.
    e[16] = 0x80;
    e[16 + 4] = 0x07;
    const PartitionTableText text = partitionTableText(bytes);
    EXPECT_EQ(text.entries, lines({
        "83h        01h      254 1023   63     1  258    1   4294967295           63  ",
        "NTFS       YES        0    0    0     0    0    0            0            0  ",
        "СВОБОДЕН   NO         0    0    0     0    0    0            0            0  ",
        "СВОБОДЕН   NO         0    0    0     0    0    0            0            0  ",
        "",
    }, "\n\r"));
    for (int type : {0x00, 0x01, 0x04, 0x05, 0x06, 0x07, 0x0B, 0x0C, 0x0E, 0x0F, 0xEE}) {
        EXPECT_EQ(partitionTypeName(static_cast<std::uint8_t>(type)).size(), 8u) << type;
    }
    EXPECT_EQ(partitionTypeName(0xEE), "GPT     ");
    EXPECT_EQ(partitionTypeName(0x0F), "EXTNDx  ");
    EXPECT_EQ(partitionTypeName(0xA5), "A5h     ");
}

TEST(PartitionTableView, GptNamesInCyrillicAndCutAtForeignCharacter) {
    Bytes bytes{};
    bytes[0x1BE + 4] = 0xEE;
    std::memcpy(bytes.data() + 512, "EFI PART", 8);
    putUtf16(bytes.data() + 1024 + 56, u"Данные ёж");
    putUtf16(bytes.data() + 1024 + 128 + 56, u"ab\u4E2Dcd");
    const PartitionTableText text = partitionTableText(bytes);
    const auto gptLine = [](std::string_view label, std::string_view name) {
        std::string line = std::string(label) + std::string(name);
        line.resize(9 + 44, ' ');
        return line + "            0             0 ";
    };
    EXPECT_EQ(text.gptLines.substr(83, 81), gptLine(" LBA 2-1 ", "Данные ёж"));
    EXPECT_EQ(text.gptLines.substr(2 * 83, 81), gptLine(" LBA 2-2 ", "ab"));
}

TEST(BootSectorView, NtfsBootSectorOfTheFixture) {
    const std::uint64_t start = manifest().image("mbr.img").partition(0)->startLba;
    const Bytes bytes = readView("mbr.img", start);
    const BootSectorText text = ntfsBootText(firstSector(bytes));
    EXPECT_EQ(text.table, lines({
        " THE NAME PARAMETER      CHARACTER       HEXADECIMAL   OFFSET LENGTH",
        " The team of transit.                                 00h   0     3 ",
        " Identifier                                           03h   3     8 ",
        " The size of sector                                   0Bh  11     2 ",
        " Sectors per cluster                                  0Dh  13     1 ",
        " Reserve sectors                                      0Eh  14     2 ",
        " Always zeros                                         10h  16     3 ",
        " Not used                                             13h  19     2 ",
        " Descriptor media                                     15h  21     1 ",
        " Not used                                             16h  22     2 ",
        " Sectors on the head                                  18h  24     2 ",
        " The number of heads                                  1Ah  26     2 ",
        " Sectors to section                                   1Ch  28     4 ",
        " Not used                                             20h  32     4 ",
        " Configuration                                        24h  36     4 ",
        " Number of sectors                                    28h  40     8 ",
        " No. cluster $MFT                                     30h  48     8 ",
        " No. cluster $MFTMirr                                 38h  56     8 ",
        " Size Of FILE Record                                  40h  64     4 ",
        " Size Of Index Block                                  44h  68     4 ",
        " Volume serial number                                 48h  72     8 ",
    }, "\r\n"));
    EXPECT_EQ(text.values, lines({
        "            ",
        "NTFS        ",
        "         512",
        "           2",
        "           0",
        "            ",
        "            ",
        "            ",
        "            ",
        "          63",
        "         255",
        "        2048",
        "            ",
        "            ",
        "      294911",
        "          16",
        "       73727",
        "           1",
        "           4",
        "            ",
    }, "\r\n"));
    EXPECT_EQ(text.hex, lines({
        "EB5290          ",
        "4E54465320202020",
        "0002            ",
        "02              ",
        "0000            ",
        "000000          ",
        "0000            ",
        "F8              ",
        "0000            ",
        "3F00            ",
        "FF00            ",
        "00080000        ",
        "00000000        ",
        "80008000        ",
        "FF7F040000000000",
        "1000000000000000",
        "FF1F010000000000",
        "01000000        ",
        "04000000        ",
        "59B1C1F988B555C3",
    }, "\r\n"));
}

TEST(BootSectorView, NtfsRecordSizeByteF6AndWideFields) {
    std::array<std::uint8_t, 512> sector{};
    sector[0x40] = 0xF6;
    sector[0x44] = 0x01;
    for (int i = 0; i < 8; ++i) sector[0x28 + i] = 0xFF;  // only the low 32 bits are shown
    const BootSectorText text = ntfsBootText(sector);
    const std::size_t line = 14;  // 12 characters and CR LF a line
    EXPECT_EQ(text.values.substr(14 * line, 12), "  4294967295");
    EXPECT_EQ(text.values.substr(17 * line, 12), "        1024");
    EXPECT_EQ(text.values.substr(18 * line, 12), "           1");
}

// The FILE record and index block sizes: a negative byte is a power of two in bytes, a positive
// one a count of clusters.
TEST(BootSectorView, NtfsRecordAndIndexSizesOfEachSign) {
    struct Case {
        std::uint8_t byte;
        const char* shown;
    };
    const Case cases[] = {{0xF6, "1024"}, {0xF4, "4096"}, {0xF5, "2048"}, {0xF7, " 512"}, {0x01, "   1"},
                          {0x04, "   4"}, {0x80, " 128"}};  // no size of 2^128 bytes: the byte as it is
    constexpr std::size_t kLine = 14;
    for (const Case& c : cases) {
        std::array<std::uint8_t, 512> sector{};
        sector[0x40] = c.byte;
        sector[0x44] = c.byte;
        const BootSectorText text = ntfsBootText(sector);
        EXPECT_EQ(text.values.substr(17 * kLine + 8, 4), c.shown) << int(c.byte);
        EXPECT_EQ(text.values.substr(18 * kLine + 8, 4), c.shown) << int(c.byte);
    }
}

// The boot sector of the volume of 4,096-byte sectors at LBA 256 of gpt4k.img.
TEST(BootSectorView, NtfsBootSectorOfLargeSectors) {
    const testsupport::ImageFacts& image = manifest().image("gpt4k.img");
    const testsupport::PartitionFacts& volume = *image.partition(0);
    std::array<std::uint8_t, 512> sector{};
    std::ifstream file(image.path(QUENZAR_FIXTURE_DIR), std::ios::binary);
    file.seekg(static_cast<std::streamoff>(volume.lbaStart * 4096));
    file.read(reinterpret_cast<char*>(sector.data()), sector.size());
    const BootSectorText text = ntfsBootText(sector);
    constexpr std::size_t kLine = 14;
    EXPECT_EQ(text.values.substr(2 * kLine, 12), "        4096");   // the size of sector
    EXPECT_EQ(text.values.substr(3 * kLine, 12), "           1");   // sectors per cluster
    const std::string mftCluster = std::to_string(volume.mftCluster);
    EXPECT_EQ(text.values.substr(15 * kLine, 12), std::string(12 - mftCluster.size(), ' ') + mftCluster);
    EXPECT_EQ(text.values.substr(17 * kLine, 12), "           1");   // a FILE record: one cluster
}

TEST(BootSectorView, FatBootSectorsOfTheFixture) {
    const testsupport::ImageFacts& mbr = manifest().image("mbr.img");
    const BootSectorText fat32 = fatBootText(firstSector(readView("mbr.img", mbr.partition(1)->startLba)));
    EXPECT_EQ(fat32.table, lines({
        " THE NAME PARAMETER      CHARACTER       HEXADECIMAL   OFFSET LENGTH",
        " The team of transit.                                 00h   0     3 ",
        " Identifier                                           03h   3     8 ",
        " The size of sector                                   0Bh  11     2 ",
        " Sectors per cluster                                  0Dh  13     1 ",
        " Reserve sectors                                      0Eh  14     2 ",
        " The number of FAT                                    10h  16     1 ",
        " Number of elements ROOT                              11h  17     2 ",
        " Sectors on small disk                                13h  19     2 ",
        " Descriptor media                                     15h  21     1 ",
        " Size of FAT for FAT16                                16h  22     2 ",
        " Sectors on the head                                  18h  24     2 ",
        " The number of heads                                  1Ah  26     2 ",
        " Sectors to section                                   1Ch  28     4 ",
        " Sectors on the disk                                  20h  32     4 ",
        " Size of FAT to FAT32                                 24h  36     4 ",
        " Cluster ROOT FAT32                                   2Ch  44     4 ",
        " Additional information                               30h  48     2 ",
        " Copy of the BOOT                                     32h  50     2 ",
        " ID FAT                                               36h  54     8 ",
        " ID FAT32                                             52h  82     8 ",
        " Volume Serial Number of FAT32                        43h  67     4 ",
        " Volume Serial Number of FAT16                        27h  39     4 ",
    }, "\r\n"));
    EXPECT_EQ(fat32.values, lines({
        "            ",
        "mkfs.fat    ",
        "         512",
        "           1",
        "          32",
        "           2",
        "           0",
        "           0",
        "            ",
        "           0",
        "          63",
        "         255",
        "      296960",
        "       81900",
        "         630",
        "           2",
        "            ",
        "           6",
        "........    ",
        "FAT32       ",
        "            ",
        "            ",
    }, "\r\n"));
    EXPECT_EQ(fat32.hex, lines({
        "EB5890          ",
        "6D6B66732E666174",
        "0002            ",
        "01              ",
        "2000            ",
        "02              ",
        "0000            ",
        "0000            ",
        "F8              ",
        "0000            ",
        "3F00            ",
        "FF00            ",
        "00880400        ",
        "EC3F0100        ",
        "76020000        ",
        "02000000        ",
        "0100            ",
        "0600            ",
        "0000000000000000",
        "4641543332202020",
        "6337B583        ",
        "00000000        ",
    }, "\r\n"));

    const BootSectorText fat16 = fatBootText(firstSector(readView("mbr.img", mbr.partition(3)->startLba)));
    EXPECT_EQ(fat16.values, lines({
        "            ",
        "mkfs.fat    ",
        "         512",
        "           2",
        "           2",
        "           2",
        "         512",
        "       40950",
        "            ",
        "          80",
        "          63",
        "         255",
        "      432128",
        "           0",
        "  1864958080",
        "  1413563994",
        "            ",
        "        8224",
        "FAT16       ",
        "р2дННл    ",
        "            ",
        "            ",
    }, "\r\n"));
    EXPECT_EQ(fat16.hex, lines({
        "EB3C90          ",
        "6D6B66732E666174",
        "0002            ",
        "02              ",
        "0200            ",
        "02              ",
        "0002            ",
        "F69F            ",
        "F8              ",
        "5000            ",
        "3F00            ",
        "FF00            ",
        "00980600        ",
        "00000000        ",
        "8000296F        ",
        "5A464154        ",
        "3136            ",
        "2020            ",
        "4641543136202020",
        "F032E4CD16CD19EB",
        "AC22C074        ",
        "6FA15DEF        ",
    }, "\r\n"));
}

TEST(FatTableView, Fat32TableSectorOfTheFixture) {
    const testsupport::PartitionFacts& part = *manifest().image("mbr.img").partition(1);
    const Bytes bytes = readView("mbr.img", part.startLba + part.reservedSectors);
    EXPECT_EQ(fat32TableText(firstSector(bytes)), lines({
        "      <BEG>       <EOF>       <BEG>           4       <EOF>           6           7           8 ",
        "          9          10       <EOF>       <EOF>          13          14          15          16 ",
        "         17          18          19          20          21       <EOF>       <EOF>       <EOF> ",
        "         25          26          27          28          29          30          31          32 ",
        "         33          34          35          36          37          38          39          40 ",
        "         41          42          43          44          45          46          47          48 ",
        "         49          50          51          52          53          54          55          56 ",
        "         57          58          59          60          61          62          63          64 ",
        "         65          66          67          68          69          70          71          72 ",
        "         73          74          75          76          77          78          79          80 ",
        "         81          82          83          84          85          86          87          88 ",
        "         89          90          91          92          93          94          95          96 ",
        "         97          98          99         100         101         102       <EOF>           0 ",
        "          0           0           0           0           0           0           0           0 ",
        "          0           0           0           0           0           0           0           0 ",
        "          0           0           0           0           0           0           0           0 ",
        "",
    }, "\n\r"));
    const std::string labels = fat32RowLabels();
    EXPECT_EQ(labels.substr(0, kFat32TableHeading.size()), kFat32TableHeading);
    EXPECT_EQ(labels.substr(kFat32TableHeading.size()), "\r\n00\r\n10\r\n20\r\n30\r\n40\r\n50\r\n60\r\n70\r\n80"
                                                         "\r\n90\r\nA0\r\nB0\r\nC0\r\nD0\r\nE0\r\nF0");
}

TEST(FatTableView, Fat16TableSectorOfTheFixture) {
    const testsupport::PartitionFacts& part = *manifest().image("mbr.img").partition(3);
    const Bytes bytes = readView("mbr.img", part.startLba + part.reservedSectors);
    std::string expected = lines({
        "<BEG> <EOF> <EOF> <EOF>     5 <EOF>     0     0     0     0     0     0     0     0     0     0 ",
        "    0     0     0     0     0     0     0     0     0     0     0     0     0     0     0     0 ",
        "    0     0     0     0     0     0     0     0     0     0     0     0     0     0     0     0 ",
    }, "\n\r") + "\n\r";
    for (int line = 3; line < 16; ++line) {
        for (int i = 0; i < 16; ++i) expected += "    0 ";
        expected += "\n\r";
    }
    EXPECT_EQ(fat16TableText(firstSector(bytes)), expected);
}

TEST(FatTableView, MarkedValues) {
    std::array<std::uint8_t, 512> sector{};
    const std::uint32_t values32[] = {0x0FFFFFFF, 0xFFFFFFFF, 0x0FFFFFF8, 0xFFFFFFF7, 0x0FFFFFF7, 0xFFFFFFF8};
    for (std::size_t i = 0; i < 6; ++i) putLe32(sector.data() + 4 * i, values32[i]);
    EXPECT_EQ(fat32TableText(sector).substr(0, 8 * 12),
              "      <EOF>       <EOF>       <BEG>       <BAD>   268435447  4294967288           0           0 ");

    const std::uint16_t values16[] = {0xFFFF, 0xFFF8, 0xFFF7, 0xFFF0, 0, 7};
    for (std::size_t i = 0; i < 6; ++i) {
        sector[2 * i] = static_cast<std::uint8_t>(values16[i]);
        sector[2 * i + 1] = static_cast<std::uint8_t>(values16[i] >> 8);
    }
    EXPECT_EQ(fat16TableText(sector).substr(0, 6 * 6), "<EOF> <BEG> <BAD> 65520     0     7 ");
}

TEST(FatDirectoryView, Fat32RootDirectoryWithCyrillicLongNames) {
    const testsupport::PartitionFacts& part = *manifest().image("mbr.img").partition(1);
    // The root directory is cluster 2, the first of the data area.
    const std::uint64_t root = part.startLba + part.reservedSectors + 2ull * part.fatSectors;
    const Bytes bytes = readView("mbr.img", root);
    EXPECT_EQ(fatDirectoryText(firstSector(bytes)), lines({
        "    QZFAT32                Том               0 01.03.2024  12:00             0            V     ",
        "    README           TXT   Файл           1000 01.03.2024  12:00             3  A               ",
        "буквой ё.txt                43h  КС=2Bh                           Элемент длинного наименования ",
        " имя файла с                02h  КС=2Bh                           Элемент длинного наименования ",
        "Очень длинное               01h  КС=2Bh                           Элемент длинного наименования ",
        "    Ћ—…Ќњ„~1         TXT   Файл           3000 01.03.2024  12:00             5  A               ",
        "Папка                       41h  КС=84h                           Элемент длинного наименования ",
        "    ЏЂЏЉЂ                  Кат.              0 01.03.2024  12:00            11          D       ",
        "    DIR1                   Кат.              0 01.03.2024  12:00            22          D       ",
        "    ........         ...   Файл              0 00.00.1980  00:00             0                  ",
        "    ........         ...   Файл              0 00.00.1980  00:00             0                  ",
        "    ........         ...   Файл              0 00.00.1980  00:00             0                  ",
        "    ........         ...   Файл              0 00.00.1980  00:00             0                  ",
        "    ........         ...   Файл              0 00.00.1980  00:00             0                  ",
        "    ........         ...   Файл              0 00.00.1980  00:00             0                  ",
        "    ........         ...   Файл              0 00.00.1980  00:00             0                  ",
        "",
    }, "\n\r"));
}

TEST(FatDirectoryView, BuiltEntries) {
    std::array<std::uint8_t, 32> entry{};
    // A deleted read-only hidden system file with every field set.
    std::memcpy(entry.data(), "\xE5" "ELETED TXT", 11);
    entry[11] = 0x01 | 0x02 | 0x04 | 0x20 | 0x40 | 0x80;
    entry[20] = 0x01;                          // cluster high word 1
    entry[26] = 0x02;                          // cluster low word 2
    entry[22] = 0x7B;                          // 23:59 = 10111 111011 00000
    entry[23] = 0xBF;
    entry[24] = 0x9F;                          // 31.12.2107 = 1111111 1100 11111
    entry[25] = 0xFF;
    putLe32(entry.data() + 28, 4294967295u);
    std::string line = fatDirectoryLine(entry);
    EXPECT_EQ(line, std::string("    \xE5" "ELETED   Удал.  TXT   Файл     4294967295 31.12.2107  23:59")
                        + "         65538  A R S H     6 7 \n\r");

    // A long-name entry: a Chinese character ends its group, the next group goes on.
    std::array<std::uint8_t, 32> longName{};
    longName[0] = 0x41;
    longName[11] = 0x0F;
    longName[13] = 0xA7;
    putUtf16(longName.data() + 1, u"Ёж\u4E2Dab");
    putUtf16(longName.data() + 14, u"x.txt\0");
    putUtf16(longName.data() + 28, u"\xFFFF\xFFFF");
    line = fatDirectoryLine(longName);
    EXPECT_EQ(line.substr(0, 13), "Ёж   x.txt   ");
    EXPECT_EQ(line.substr(28, 11), "41h  КС=A7h");
    EXPECT_EQ(line.substr(66), "Элемент длинного наименования \n\r");
    EXPECT_EQ(line.size(), kFatDirectoryLineChars);

    // Volume label and folder type words.
    entry[0] = 'A';
    entry[11] = 0x08;
    EXPECT_EQ(fatDirectoryLine(entry).substr(27, 4), "Том ");
    entry[11] = 0x18;
    EXPECT_EQ(fatDirectoryLine(entry).substr(27, 4), "Кат.");
}

TEST(StructureBlocks, PanelsAndLegendsWhereEachPresentationPlacesThem) {
    const Bytes bytes = readView("gpt.img", 0);
    const PanelTexts panels{"physical", "logical", "virtual"};
    struct Case {
        Presentation presentation;
        std::vector<std::pair<int, int>> positions;
    };
    const Case cases[] = {
        {Presentation::PartitionTable,
         {{40, 440}, {240, 440}, {440, 440}, {40, 10}, {550, 10}, {240, 530}, {65, 155}, {131, 188}, {80, 268}}},
        {Presentation::NtfsBoot, {{20, 10}, {20, 114}, {20, 204}, {227, 27}, {369, 43}, {471, 43}}},
        {Presentation::FatBoot, {{20, 10}, {20, 114}, {20, 216}, {20, 389}, {227, 27}, {377, 43}, {471, 43}}},
        {Presentation::Fat16Table, {{40, 400}, {240, 400}, {440, 400}, {550, 400}, {35, 35}}},
        {Presentation::Fat32Table, {{40, 400}, {240, 400}, {440, 400}, {550, 400}, {10, 20}, {35, 35}}},
        {Presentation::FatDirectory, {{40, 400}, {240, 400}, {440, 400}, {550, 400}, {135, 500}, {10, 20}, {35, 35}}},
        {Presentation::Hex, {}},
    };
    for (const Case& c : cases) {
        const std::vector<TextBlock> blocks = structureBlocks(c.presentation, bytes, panels);
        ASSERT_EQ(blocks.size(), c.positions.size()) << static_cast<char>(c.presentation);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_EQ(std::make_pair(blocks[i].x, blocks[i].y), c.positions[i]) << static_cast<char>(c.presentation);
        }
        if (!blocks.empty()) {
            EXPECT_EQ(blocks[0].text, "physical");
        }
    }
    const std::vector<TextBlock> partition = structureBlocks(Presentation::PartitionTable, bytes, panels);
    EXPECT_EQ(partition[3].text, kNavigationLegend);
    EXPECT_EQ(partition[4].text, kPresentationLegend);
    EXPECT_EQ(partition[8].text.substr(0, 83),
              "  GPT    Name of section         MyLBA Alternate LBA     Beginning        Ending \r\n");
}

}  // namespace
}  // namespace quenzar::viewer
