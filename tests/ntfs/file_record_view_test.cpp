#include "ntfs/file_record_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ntfs/file_time.h"
#include "ntfs/record_builder.h"

namespace quenzar::ntfs {
namespace {

using testing::Bytes;
using testing::kDos;
using testing::kWin32;
using testing::put32;
using testing::RecordBuilder;

// 2007-12-27 05:03:59 UTC.
constexpr std::uint64_t kDecember2007 = 128'432'054'390'000'000ull;

std::vector<std::string> linesOf(const std::string& block) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = block.find("\n\r", start)) != std::string::npos; start = end + 2) {
        lines.push_back(block.substr(start, end - start));
    }
    lines.push_back(block.substr(start));
    return lines;
}

std::string padded(const std::string& text, std::size_t width) { return text + std::string(width - text.size(), ' '); }

// Decodes into `info` and builds the view; the record must outlive the view's resident dump.
FileRecordView viewOf(Bytes& record, FileRecordInfo& info) {
    decodeFileRecord(record, info);
    return buildFileRecordView(info);
}

TEST(FileRecordView, LabelsAndValuesOfAFile) {
    RecordBuilder builder;
    builder.ownNumber(1234)
        .standardInformation(kDecember2007, 0x20)
        .fileName(u"Annual report.doc", kWin32, 39)
        .fileName(u"ANNUAL~1.DOC", kDos)
        .nonResidentData(28'672, 26'000, {0x11, 0x05, 0x20, 0x21, 0x02, 0x00, 0x01});
    Bytes record = builder.build();
    FileRecordInfo info;
    const FileRecordView view = viewOf(record, info);

    const std::vector<std::string> labels = linesOf(view.labels);
    ASSERT_EQ(labels.size(), 17u);
    for (const std::string& line : labels) EXPECT_EQ(line.size(), 24u);
    EXPECT_EQ(labels[0], padded("Descriptor record MFT", 24));
    EXPECT_EQ(labels[9], padded("Mmodification time MFT", 24));
    EXPECT_EQ(labels[16], padded("The long name of", 24));

    const std::vector<std::string> expected = {
        "FILE                    ",
        "topical                 ",
        "describes the file      ",
        "separately on disk      ",
        "On default              ",
        "             1234       ",
        "               39       ",
        " 2007.12.27 05:03       ",
        " 2007.12.27 05:04       ",  // the builder's times are a minute apart
        " 2007.12.27 05:05       ",
        " 2007.12.27 05:06       ",
        "         20000000h      ",  // DOS attribute bytes 20h 00h 00h 00h in disk order
        "            28672       ",
        "            26000       ",
        "                2       ",
        "ANNUAL~1.DOC            ",
        padded("Annual report.doc", 70),
    };
    EXPECT_EQ(linesOf(view.values), expected);
    EXPECT_EQ(view.integrity, "");
    EXPECT_EQ(view.longNameRest, std::string(103, ' ') + "\n\r" + std::string(103, ' '));

    ASSERT_EQ(view.detail, FileRecordDetail::Fragments);
    EXPECT_EQ(linesOf(std::string(view.detailHeading)),
              (std::vector<std::string>{
                  " Information about fragments of file (Starting cluster number/Number clustersin chain) ",
                  " Beg cluster  Number   Beg cluster  Number   Beg cluster  Number   Beg cluster  Number "}));
    const std::vector<std::string> table = linesOf(view.detailBody);
    ASSERT_EQ(table.size(), 6u);
    EXPECT_EQ(table[0], padded("          32       5           288       2", 87));
    EXPECT_EQ(table[1], std::string(87, ' '));
}

// The storage word of the $DATA attribute flags; other values as four hex digits and "h".
TEST(FileRecordView, StorageForm) {
    const std::pair<std::uint16_t, std::string> cases[] = {
        {0x0000, "On default              "},
        {0x0001, "Сompressed, not encrypt."},
        {0x4000, "Not compres., encrypted "},
        {0x4001, "Сompressed and encrypted"},
        {0x8000, "            8000h       "},
        {0x00FF, "            00FFh       "},
    };
    for (const auto& [flags, text] : cases) {
        Bytes record = RecordBuilder::file(u"f.bin").nonResidentData(4096, 10, {0x11, 0x01, 0x10}, flags).build();
        FileRecordInfo info;
        EXPECT_EQ(linesOf(viewOf(record, info).values)[4], text) << flags;
    }
    EXPECT_EQ(static_cast<unsigned char>(std::string_view("Сompressed")[0]), 0xD1);  // Cyrillic С in 1251
}

TEST(FileRecordView, SectorOfZerosShowsCode01) {
    Bytes zeros(1024, 0);
    FileRecordInfo info;
    const FileRecordView view = viewOf(zeros, info);
    const std::vector<std::string> values = linesOf(view.values);
    EXPECT_EQ(values[0], padded("....", 24));
    for (std::size_t i = 1; i < 16; ++i) EXPECT_EQ(values[i], std::string(24, ' ')) << i;
    EXPECT_EQ(values[16], std::string(70, ' '));
    EXPECT_EQ(view.integrity, padded("01  No descriptor record FILE Record", 48));
    EXPECT_EQ(view.detail, FileRecordDetail::None);
}

// A broken record shows the values decoded before its failing check, and nothing below.
TEST(FileRecordView, BrokenRecordShowsWhatWasDecoded) {
    RecordBuilder builder;
    builder.standardInformation(kDecember2007, 0x06).fileName(u"x.txt").residentData("abc");
    Bytes record = builder.build();
    put32(record, 0x98, 0x40);  // the attribute after $STANDARD_INFORMATION is no $FILE_NAME: code 07
    FileRecordInfo info;
    const FileRecordView view = viewOf(record, info);
    const std::vector<std::string> values = linesOf(view.values);
    EXPECT_EQ(values[1], padded("topical", 24));
    EXPECT_EQ(values[3], std::string(24, ' '));  // where the data is: not reached
    EXPECT_EQ(values[5], "               42       ");
    EXPECT_EQ(values[6], std::string(24, ' '));  // parent: not reached
    EXPECT_EQ(values[7], " 2007.12.27 05:03       ");
    EXPECT_EQ(values[11], "         06000000h      ");
    EXPECT_EQ(values[12], std::string(24, ' '));
    EXPECT_EQ(values[16], std::string(70, ' '));
    EXPECT_EQ(view.integrity, padded("07 By-attribute 10h should not attribute 30h", 48));
    EXPECT_EQ(view.detail, FileRecordDetail::None);
}

// 24 of 30 fragments; sparse starts as 12 "*"; the last 7 digits of a count.
TEST(FileRecordView, FragmentTableEdges) {
    Bytes runs = {0x13, 0x4E, 0x61, 0xBC, 0x10};  // 12,345,678 clusters at 16
    runs.insert(runs.end(), {0x01, 0x07});         // 7 sparse clusters
    for (int i = 0; i < 28; ++i) runs.insert(runs.end(), {0x11, 0x01, 0x01});
    Bytes record = RecordBuilder::file(u"many.bin").nonResidentData(1ull << 40, 1ull << 40, runs).build();
    FileRecordInfo info;
    const FileRecordView view = viewOf(record, info);
    ASSERT_EQ(info.fragmentCount, 30u);
    const std::vector<std::string> table = linesOf(view.detailBody);
    ASSERT_EQ(table.size(), 6u);
    EXPECT_EQ(table[0], "          16 2345678  ************       7            17       1            18       1 ");
    EXPECT_EQ(table[5].substr(66), "          38       1 ");  // the 24th fragment ends the table
    for (const std::string& line : table) EXPECT_EQ(line.size(), 87u);
    EXPECT_EQ(linesOf(view.values)[12], "    1099511627776       ");
}

TEST(FileRecordView, FragmentTableEndsAtAStartOfZero) {
    Bytes record = RecordBuilder::file(u"boot").nonResidentData(8192, 8192, {0x11, 0x08, 0x00}).build();
    FileRecordInfo info;
    const FileRecordView view = viewOf(record, info);
    EXPECT_EQ(view.detail, FileRecordDetail::Fragments);
    EXPECT_EQ(linesOf(view.detailBody)[0], std::string(87, ' '));
}

TEST(FileRecordView, ResidentDump) {
    std::string content(1000, 'a');
    const std::string hidden = std::string("\x00\x0A\x0D\x1E\x1F&", 6);
    content.replace(0, hidden.size(), hidden);
    content[86] = 'Z';   // the last character of the first line
    content[521] = 'Y';  // the last one shown
    RecordBuilder builder(4096);
    builder.standardInformation().fileName(u"res.txt").residentData(content);
    Bytes record = builder.build();
    FileRecordInfo info;
    const FileRecordView view = viewOf(record, info);
    ASSERT_EQ(view.detail, FileRecordDetail::ResidentData);
    EXPECT_EQ(view.detailHeading,
              "   Data resident located inside of the recording FILE Record (displayed to 522 bytes)  ");
    const std::vector<std::string> dump = linesOf(view.detailBody);
    ASSERT_EQ(dump.size(), 6u);
    EXPECT_EQ(dump[0], "......" + std::string(80, 'a') + "Z");
    EXPECT_EQ(dump[5], std::string(86, 'a') + "Y");

    Bytes small = RecordBuilder::file(u"small.txt").residentData("hi\r\n").build();
    EXPECT_EQ(linesOf(viewOf(small, info).detailBody)[0], padded("hi..", 87));
}

TEST(FileRecordView, NothingBelowForFoldersAndEmptyFiles) {
    RecordBuilder folder;
    folder.flags(0x0003).standardInformation().fileName(u"dir");
    Bytes folderRecord = folder.build();
    FileRecordInfo info;
    const FileRecordView view = viewOf(folderRecord, info);
    EXPECT_EQ(view.detail, FileRecordDetail::None);
    EXPECT_EQ(linesOf(view.values)[2], padded("describes folder", 24));
    EXPECT_EQ(linesOf(view.values)[3], padded("within the FILE Record", 24));

    Bytes empty = RecordBuilder::file(u"empty.txt").residentData("").build();
    EXPECT_EQ(viewOf(empty, info).detail, FileRecordDetail::None);
}

TEST(FileRecordView, LongNameContinuation) {
    std::u16string name;
    for (int i = 0; i < 255; ++i) name += static_cast<char16_t>(u'0' + i % 10);
    Bytes record = RecordBuilder::file(name).residentData("x").build();
    FileRecordInfo info;
    const FileRecordView view = viewOf(record, info);
    std::string ascii(name.begin(), name.end());
    EXPECT_EQ(linesOf(view.values)[16], ascii.substr(0, 70));
    const std::vector<std::string> rest = linesOf(view.longNameRest);
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0], ascii.substr(70, 100) + "   ");
    EXPECT_EQ(rest[1], padded(ascii.substr(170), 103));
}

TEST(FileRecordView, IntegrityTextSlots) {
    const IntegrityTextSlots& slots = integrityTextSlots();
    for (std::uint32_t code = 1; code <= kIntegrityCodeCount; ++code) {
        const auto& slot = slots[code - 1];
        EXPECT_EQ(slot[48], '\0') << code;
        const std::string text(slot.data(), 48);
        EXPECT_EQ(text, padded(std::string(integrityText(code)), 48)) << code;
        EXPECT_EQ(integritySlot(code), text);
        const std::string number = std::to_string(code);
        EXPECT_EQ(text.substr(0, 2), code < 10 ? "0" + number : number);
    }
    EXPECT_EQ(integrityText(9), "09  Not found атрирут 80h");
    EXPECT_EQ(integrityText(9).size(), 25u);  // Cyrillic letters are single bytes in 1251
    EXPECT_EQ(integrityText(11).substr(2), integrityText(12).substr(2));
    EXPECT_EQ(integrityText(0), "");
    EXPECT_EQ(integrityText(16), "");
}

TEST(FileTime, Text) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "1601.01.01 00:00"},
        {kDecember2007, "2007.12.27 05:03"},
        {127'225'727'400'000'000ull, "2004.02.29 23:59"},
        {127'224'864'000'000'000ull, "2004.02.29 00:00"},  // the same day again, then the next
        {127'225'728'000'000'000ull, "2004.03.01 00:00"},
        {2'650'467'743'990'000'000ull, "9999.12.31 23:59"},
        {2'650'467'744'000'000'000ull, "****************"},  // year 10000
        {UINT64_MAX, "****************"},
    };
    for (const auto& [time, text] : cases) {
        std::string field(18, '|');
        fileTimeText(time, field.data() + 1);
        EXPECT_EQ(field, std::string("|") + text + "|") << time;
    }
}

}  // namespace
}  // namespace quenzar::ntfs
