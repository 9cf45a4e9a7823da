// The 128 bytes of a work file entry, checked field by field against a hand-made layout, and the
// work file written and read back.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "recovery/file_table_entry.h"
#include "recovery/work_file.h"
#include "support/temp_folder.h"

namespace quenzar::recovery {
namespace {

FileTableEntry sampleEntry() {
    FileTableEntry entry;
    std::memcpy(entry.ext, "DOC", 3);
    entry.recordLba = 0x12345678;
    entry.sizeLow = 0x89ABCDEF;
    entry.ownId = 0x00010203;
    entry.parentId = 5;
    std::memcpy(entry.created, "2007.12.27 00:00", 16);
    std::memcpy(entry.modified, "2023.01.02 12:05", 16);
    entry.generation = '1';
    entry.folderFlag = kFileFlag;
    entry.deletedFlag = kDeletedFlag;
    entry.firstCluster = 0xA1B2C3D4;
    entry.fragments = 3;
    std::memcpy(entry.name, "Отчёт.doc", std::strlen("Отчёт.doc"));
    entry.sizeHigh = 0x0102;
    return entry;
}

TEST(FileTableEntryTest, BytesAreLaidOutFieldByField) {
    const EntryBytes bytes = encodeEntry(sampleEntry());
    std::vector<std::uint8_t> expected;
    auto text = [&](const char* s, std::size_t n) { expected.insert(expected.end(), s, s + n); };
    auto le = [&](std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) expected.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    text("0", 1);                    // 0   mark
    text("DOC", 3);                  // 1   ext
    le(0x12345678, 4);               // 4   recordLba
    le(0x89ABCDEF, 4);               // 8   sizeLow
    le(0x00010203, 4);               // 12  ownId
    le(5, 4);                        // 16  parentId
    text("2007.12.27 00:00", 16);    // 20  created
    text("2023.01.02 12:05", 16);    // 36  modified
    text("1", 1);                    // 52  generation
    le(0x20, 1);                     // 53  file
    le(0xD3, 1);                     // 54  deleted
    le(0xA1B2C3D4, 4);               // 55  firstCluster, unaligned
    le(3, 1);                        // 59  fragments
    // 60  name: "Отчёт.doc" in code page 1251, one byte a letter, zero-padded to 63
    const std::uint8_t name[] = {0xCE, 0xF2, 0xF7, 0xB8, 0xF2, '.', 'd', 'o', 'c'};
    expected.insert(expected.end(), std::begin(name), std::end(name));
    expected.resize(123, 0);
    le(0, 1);                        // 123 ends the name
    le(0x0102, 2);                   // 124 sizeHigh
    le(0x0A0D, 2);                   // 126 CR LF
    ASSERT_EQ(expected.size(), 128u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), expected);
}

TEST(FileTableEntryTest, ReadsBackWhatItWrites) {
    FileTableEntry entry = sampleEntry();
    // A name of the full 63 bytes keeps its last byte; the terminating zero is byte 123.
    std::memset(entry.name, 'n', kEntryNameBytes);
    const EntryBytes bytes = encodeEntry(entry);
    EXPECT_EQ(bytes[122], 'n');
    EXPECT_EQ(bytes[123], 0);
    const FileTableEntry back = decodeEntry(bytes);
    EXPECT_EQ(encodeEntry(back), bytes);
    EXPECT_EQ(back.size(), 0x0102'89ABCDEFull);
    EXPECT_TRUE(back.isDeleted());
    EXPECT_FALSE(back.isFolder());
}

TEST(WorkFileTest, EntriesFollowEachOtherWithoutHeader) {
    testsupport::TempFolder folder;
    const auto path = folder.path() / kWorkFileName;
    FileTableEntry first = sampleEntry();
    FileTableEntry second = sampleEntry();
    second.ownId = 77;
    second.folderFlag = kFolderFlag;
    {
        WorkFileWriter writer;
        ASSERT_TRUE(writer.open(path));
        writer.append(first);
        writer.append(second);
        EXPECT_EQ(writer.entryCount(), 2u);
        EXPECT_TRUE(writer.close());
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(raw.size(), 256u);
    const EntryBytes firstBytes = encodeEntry(first);
    EXPECT_TRUE(std::equal(firstBytes.begin(), firstBytes.end(), raw.begin()));

    std::vector<FileTableEntry> entries;
    ASSERT_TRUE(readWorkFile(path, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].ownId, 77u);
    EXPECT_TRUE(entries[1].isFolder());

    // A file that cannot be created is reported, as is reading a missing one.
    WorkFileWriter writer;
    EXPECT_FALSE(writer.open(folder.path() / "no-such-folder" / kWorkFileName));
    writer.append(first);
    EXPECT_FALSE(writer.close());
    EXPECT_FALSE(readWorkFile(folder.path() / "absent.tmp", entries));
}

}  // namespace
}  // namespace quenzar::recovery
