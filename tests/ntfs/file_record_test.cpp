#include "ntfs/file_record.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ntfs/record_builder.h"

namespace quenzar::ntfs {
namespace {

using testing::Bytes;
using testing::kDos;
using testing::kPosix;
using testing::kWin32;
using testing::kWin32AndDos;
using testing::put16;
using testing::put32;
using testing::RecordBuilder;

FileRecordInfo decode(Bytes record) {
    FileRecordInfo info;
    decodeFileRecord(record, info);
    return info;
}

std::string longName(const FileRecordInfo& info) { return info.longName; }
std::string shortName(const FileRecordInfo& info) { return std::string(info.shortName, 12); }

// The baseline of the integrity table, with its offsets:
//   038h $STANDARD_INFORMATION, length 60h
//   098h $FILE_NAME "a.txt", length 68h
//   100h $OBJECT_ID, length 28h (an attribute the walk for $DATA steps over)
//   128h $DATA, resident, 5 bytes of content at 140h
//   148h end marker
constexpr std::size_t kSi = 0x38, kFn = 0x98, kObjectId = 0x100, kData = 0x128;
Bytes baseline() {
    RecordBuilder builder = RecordBuilder::file(u"a.txt");
    builder.resident(0x40, Bytes(16, 0xAB)).residentData("hello");
    return builder.build();
}

// Puts a $STANDARD_INFORMATION of 60h bytes at `offset` and makes it the first attribute.
void moveStandardInformation(Bytes& r, std::size_t offset) {
    put16(r, 0x14, static_cast<std::uint16_t>(offset));
    put32(r, offset, 0x10);
    put32(r, offset + 4, 0x60);
}

// A non-resident file whose $DATA starts at 100h; its runs follow at 140h.
constexpr std::size_t kNonResidentData = 0x100;
Bytes nonResident(const Bytes& runs) {
    return RecordBuilder::file(u"a.txt").nonResidentData(4096, 4000, runs).build();
}

TEST(FileRecord, DecodesAFileWithItsRuns) {
    RecordBuilder builder;
    builder.flags(0x0001)
        .ownNumber(1234)
        .standardInformation(0x01C8484C2A5B8000ull, 0x00000820)
        .fileName(u"Annual report.doc", kWin32, 0x0003000000000027ull)  // parent 39, sequence 3
        .fileName(u"ANNUAL~1.DOC", kDos)
        .nonResidentData(7 * 4096, 26'000,
                         {0x11, 0x05, 0x20,           // 5 clusters at 32
                          0x21, 0x02, 0x00, 0x01,     // 2 clusters at 32 + 256
                          0x11, 0x01, 0xF0});         // 1 cluster at 288 - 16
    const FileRecordInfo info = decode(builder.build());

    ASSERT_EQ(info.integrityCode, kRecordGood);
    EXPECT_EQ(info.stage, DecodeStage::Complete);
    EXPECT_EQ(info.ownNumber, 1234u);
    EXPECT_EQ(info.parentNumber, 39u);
    EXPECT_EQ(info.inUse, 1);
    EXPECT_EQ(info.isFolder, 0);
    EXPECT_EQ(info.hasAttributeList, 0);
    EXPECT_EQ(info.created, 0x01C8484C2A5B8000ull);
    EXPECT_EQ(info.modified, 0x01C8484C2A5B8000ull + 600'000'000);
    EXPECT_EQ(info.mftModified, 0x01C8484C2A5B8000ull + 1'200'000'000);
    EXPECT_EQ(info.accessed, 0x01C8484C2A5B8000ull + 1'800'000'000);
    EXPECT_EQ(info.dosAttributes, 0x820u);
    EXPECT_EQ(longName(info), "Annual report.doc");
    EXPECT_EQ(shortName(info), "ANNUAL~1.DOC");
    EXPECT_STREQ(info.ext, "DOC");
    EXPECT_EQ(info.nonResident, 1);
    EXPECT_EQ(info.allocatedSize, 7u * 4096);
    EXPECT_EQ(info.realSize, 26'000u);
    EXPECT_EQ(info.fragmentCount, 3u);
    EXPECT_EQ(info.firstCluster, 32u);
    EXPECT_EQ(info.residentData, nullptr);
    const DataRun expected[] = {{5, 32}, {2, 288}, {1, 272}, {0, 0}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(info.runs[i].clusterCount, expected[i].clusterCount) << i;
        EXPECT_EQ(info.runs[i].startCluster, expected[i].startCluster) << i;
    }
}

TEST(FileRecord, ResidentDataPointsIntoTheRecord) {
    Bytes record = baseline();
    FileRecordInfo info;
    ASSERT_EQ(decodeFileRecord(record, info), kRecordGood);
    EXPECT_EQ(info.nonResident, 0);
    EXPECT_EQ(info.realSize, 5u);
    EXPECT_EQ(info.allocatedSize, 5u);
    EXPECT_EQ(info.residentData, record.data() + kData + 0x18);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.residentData), 5), "hello");
    EXPECT_EQ(info.fragmentCount, 0u);
    EXPECT_EQ(info.firstCluster, 0u);
    EXPECT_EQ(info.runs[0].clusterCount, 0u);
}

TEST(FileRecord, UpdateSequenceComparesTheFirstSectorAndRestoresBoth) {
    RecordBuilder builder = RecordBuilder::file(u"a.txt");
    builder.residentData("x");
    Bytes record = builder.build();
    // What the sectors ended with before the update sequence took their place.
    put16(record, 0x32, 0x1111);
    put16(record, 0x34, 0x2222);
    // The second sector's end does not match: torn writes there are not checked.
    put16(record, 0x3FE, 0x9999);

    FileRecordInfo info;
    ASSERT_EQ(decodeFileRecord(record, info), kRecordGood);
    EXPECT_EQ(testing::get16(record, 0x1FE), 0x1111);
    EXPECT_EQ(testing::get16(record, 0x3FE), 0x2222);
}

// Each integrity code, and the overruns that fail with it: a broken field of the baseline and the
// code the decoder must give.
TEST(FileRecord, IntegrityCodes) {
    struct Case {
        const char* what;
        std::function<void(Bytes&)> breakIt;
        std::uint32_t code;
    };
    const Case cases[] = {
        {"good baseline", [](Bytes&) {}, kRecordGood},
        {"signature", [](Bytes& r) { r[3] = 'X'; }, kNoFileSignature},
        {"buffer shorter than a record", [](Bytes& r) { r.resize(1023); }, kNoFileSignature},
        {"first sector's end differs", [](Bytes& r) { put16(r, 0x30, 0x0008); }, kUpdateSequenceMismatch},
        {"update sequence array past 1,024 bytes", [](Bytes& r) { put16(r, 0x04, 0xFF30); }, kUpdateSequenceMismatch},
        {"bytes in use 4,097", [](Bytes& r) { put32(r, 0x18, 4097); }, kBytesInUseTooLarge},
        {"bytes in use: only the low 16 bits count", [](Bytes& r) { put32(r, 0x18, 0x00010100); }, kRecordGood},
        {"allocated size 2,048", [](Bytes& r) { put32(r, 0x1C, 2048); }, kAllocatedSizeInvalid},
        {"allocated 4,096 in a buffer of 1,024", [](Bytes& r) { put32(r, 0x1C, 4096); }, kAllocatedSizeInvalid},
        {"update sequence at 32h",
         [](Bytes& r) {
             put16(r, 0x04, 0x32);
             put16(r, 0x32, RecordBuilder::kSequenceNumber);
         },
         kUnknownLayout},
        {"first attribute not 10h", [](Bytes& r) { put32(r, kSi, 0x30); }, kNoStandardInformation},
        {"types 10h, 20h and 30h count by their low 16 bits",
         [](Bytes& r) {
             put32(r, kSi, 0x00010010);
             put32(r, kFn, 0xFFFF0030);
         },
         kRecordGood},
        {"first attribute's type past the record", [](Bytes& r) { put16(r, 0x14, 0x3FD); }, kNoStandardInformation},
        {"$STANDARD_INFORMATION 500 bytes long", [](Bytes& r) { put32(r, kSi + 4, 500); }, kStandardInfoTooLong},
        {"$STANDARD_INFORMATION fields past the record",
         [](Bytes& r) {
             put16(r, 0x14, 0x3D0);
             put32(r, 0x3D0, 0x10);
         },
         kStandardInfoTooLong},
        {"$STANDARD_INFORMATION length past the record",
         [](Bytes& r) {
             put16(r, 0x14, 0x300);
             put32(r, 0x300, 0x10);
             put32(r, 0x304, 0x1F0);
         },
         kStandardInfoTooLong},
        {"attribute after 10h not 30h", [](Bytes& r) { put32(r, kFn, 0x40); }, kNoFileNameAfterStandardInfo},
        {"attribute list of length 0",
         [](Bytes& r) {
             put32(r, kFn, 0x20);
             put32(r, kFn + 4, 0);
         },
         kNoFileNameAfterStandardInfo},
        {"attribute list not followed by 30h", [](Bytes& r) { put32(r, kFn, 0x20); },
         kNoFileNameAfterStandardInfo},
        {"attribute after 10h past the record",
         [](Bytes& r) {
             put16(r, 0x14, 0x300);
             put32(r, 0x300, 0x10);
             put32(r, 0x304, 0xFE);
         },
         kNoFileNameAfterStandardInfo},
        {"attribute list reaching past the record",
         [](Bytes& r) {
             put32(r, kFn, 0x20);
             put32(r, kFn + 4, 0x400);
         },
         kNoFileNameAfterStandardInfo},
        {"$FILE_NAME longer than a name of 255 characters needs", [](Bytes& r) { put32(r, kFn + 4, 608); },
         kFileNameTooLong},
        {"$FILE_NAME length past the record",
         [](Bytes& r) {
             moveStandardInformation(r, 0x300);  // the first name follows at 360h ...
             put32(r, 0x360, 0x30);
             put32(r, 0x364, 0xA8);              // ... and would end 8 bytes past the record
         },
         kFileNameTooLong},
        {"$FILE_NAME name past the record",
         [](Bytes& r) {
             moveStandardInformation(r, 0x300);
             put32(r, 0x360, 0x30);
             r[0x360 + 0x58] = 0x30;  // 48 characters from 3BAh do not fit
         },
         kFileNameTooLong},
        {"second $FILE_NAME's name past the record",
         [](Bytes& r) {
             put32(r, kFn + 4, 0x1F0);  // the second name follows at 288h ...
             put32(r, 0x288, 0x30);
             r[0x288 + 0x58] = 0xFF;    // ... and its 255 characters do not fit
         },
         kFileNameTooLong},
        {"walked attribute 1,800 bytes long", [](Bytes& r) { put32(r, kObjectId + 4, 1800); }, kAttributeTooLong},
        {"walked attribute ending at the record's end", [](Bytes& r) { put32(r, kObjectId + 4, 0x300); },
         kAttributeTooLong},
        {"walked attribute past the record", [](Bytes& r) { put32(r, kObjectId + 4, 0x308); }, kAttributeTooLong},
        {"resident content offset past the record", [](Bytes& r) { put16(r, kData + 0x14, 0x3F0); },
         kAttributeTooLong},
        {"resident content length past the record", [](Bytes& r) { put32(r, kData + 0x10, 0xFFFFFFFF); },
         kAttributeTooLong},
        {"$DATA header past the record",
         [](Bytes& r) {
             put32(r, kObjectId + 4, 0x2F0);  // the walk lands on 3F0h ...
             put32(r, 0x3F0, 0x80);           // ... a $DATA too close to the end for its header
         },
         kAttributeTooLong},
        {"no $DATA in a file", [](Bytes& r) { put32(r, kData, 0x90); }, kNoDataAttribute},
        {"no $DATA in a folder",
         [](Bytes& r) {
             put32(r, kData, 0x90);
             put16(r, 0x16, 0x0003);
         },
         kRecordGood},
        {"walk ends at a length of 0",
         [](Bytes& r) {
             put32(r, kData, 0x90);
             put32(r, kData + 4, 0);
             put16(r, 0x16, 0x0003);
         },
         kRecordGood},
    };
    for (const Case& c : cases) {
        Bytes record = baseline();
        c.breakIt(record);
        FileRecordInfo info;
        EXPECT_EQ(decodeFileRecord(record, info), c.code) << c.what;
        EXPECT_EQ(info.integrityCode, c.code) << c.what;
    }
}

// Run list failures, and run lists that reach the record's end.
TEST(FileRecord, RunListIntegrityCodes) {
    struct Case {
        const char* what;
        Bytes runs;
        std::size_t runsAt;  // where the run list starts, 0 for right after the header
        std::uint32_t code;
        std::uint32_t fragmentCount;
    };
    const Case cases[] = {
        {"header 09h", {0x11, 0x05, 0x20, 0x09}, 0, kRunCountSizeTooLarge, 2},
        {"header 91h", {0x91, 0x05}, 0, kRunOffsetSizeTooLarge, 1},
        {"header 10h", {0x10, 0x05}, 0, kRunCountSizeZero, 1},
        {"no closing zero before the record's end", {}, 0x400, kRunCountSizeZero, 0},
        {"runs offset past the record", {}, 0x500, kRunCountSizeZero, 0},
        {"count bytes past the record's end", {0x04}, 0x3FD, kRunCountSizeTooLarge, 1},
        {"offset bytes past the record's end", {0x41, 0x05}, 0x3FC, kRunOffsetSizeTooLarge, 1},
    };
    for (const Case& c : cases) {
        Bytes record = nonResident(c.runs);
        if (c.runsAt != 0) {
            put16(record, kNonResidentData + 0x20, static_cast<std::uint16_t>(c.runsAt - kNonResidentData));
            for (std::size_t i = 0; i < c.runs.size(); ++i) record[c.runsAt + i] = c.runs[i];
        }
        const FileRecordInfo info = decode(record);
        EXPECT_EQ(info.integrityCode, c.code) << c.what;
        EXPECT_EQ(info.fragmentCount, c.fragmentCount) << c.what;
    }
}

TEST(FileRecord, LargeRecords) {
    auto record = [](std::uint32_t bytesInUse) {
        RecordBuilder builder(4096);
        builder.standardInformation().fileName(u"big.bin").residentData("abc");
        Bytes bytes = builder.build();
        put32(bytes, 0x18, bytesInUse);
        return bytes;
    };
    EXPECT_EQ(decode(record(4096)).integrityCode, kRecordGood);
    EXPECT_EQ(decode(record(4097)).integrityCode, kBytesInUseTooLarge);
}

// Content that crosses the ends of all eight sectors of a 4,096-byte record reads back as it was
// written, not with the update sequence number in it.
TEST(FileRecord, LargeRecordsGetEverySectorBack) {
    std::string content;
    for (int i = 0; i < 3500; ++i) content += static_cast<char>('a' + i % 26);
    RecordBuilder builder(4096);
    builder.standardInformation().fileName(u"big.txt").residentData(content);
    Bytes record = builder.build();
    ASSERT_EQ(testing::get16(record, 0xFFE), RecordBuilder::kSequenceNumber);
    FileRecordInfo info;
    ASSERT_EQ(decodeFileRecord(record, info), kRecordGood);
    ASSERT_EQ(info.realSize, content.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.residentData), content.size()), content);
}

// A record whose update sequence array counts one word per larger part (one per sector of a disk
// of 1,024- or 4,096-byte sectors) is read with that part size: every part gets its own last word
// back, and a part whose word is not the sequence number is a broken record.
TEST(FileRecord, UpdateSequencePerPartAsTheArrayCountsThem) {
    for (const std::size_t recordSize : {std::size_t{1024}, std::size_t{4096}}) {
        for (const std::size_t stride : {std::size_t{1024}, std::size_t{4096}}) {
            if (stride > recordSize) continue;
            SCOPED_TRACE(::testing::Message() << recordSize << "-byte record, a word per " << stride << " bytes");
            std::string content;
            for (std::size_t i = 0; i + 400 < recordSize; ++i) content += static_cast<char>('a' + i % 26);
            RecordBuilder builder(recordSize);
            builder.standardInformation().fileName(u"parts.txt").residentData(content);
            Bytes record = builder.build();
            // Undo the builder's word per 512 bytes, then guard the record per part instead.
            const std::size_t usa = testing::get16(record, 0x04);
            for (std::size_t sector = 0; sector < recordSize / 512; ++sector) {
                put16(record, 512 * sector + 510, testing::get16(record, usa + 2 + 2 * sector));
            }
            put16(record, 0x06, static_cast<std::uint16_t>(recordSize / stride + 1));
            for (std::size_t part = 0; part < recordSize / stride; ++part) {
                put16(record, usa + 2 + 2 * part, testing::get16(record, stride * (part + 1) - 2));
                put16(record, stride * (part + 1) - 2, RecordBuilder::kSequenceNumber);
            }
            Bytes broken = record;
            FileRecordInfo info;
            ASSERT_EQ(decodeFileRecord(record, info), kRecordGood);
            ASSERT_EQ(info.realSize, content.size());
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.residentData), content.size()), content);
            put16(broken, stride - 2, RecordBuilder::kSequenceNumber + 1);
            EXPECT_EQ(decode(broken).integrityCode, kUpdateSequenceMismatch);
        }
    }
}

// A 1,024-byte record in the 4,096-byte sector buffer: the bytes after the record are not its own.
TEST(FileRecord, AttributesEndAtTheRecordNotTheBuffer) {
    Bytes record = baseline();
    put32(record, kObjectId + 4, 0x310);
    record.resize(4096, 0);
    put32(record, 0x410, 0x80);  // a $DATA past the record that must not be found
    EXPECT_EQ(decode(record).integrityCode, kAttributeTooLong);
}

TEST(FileRecord, OlderLayoutCarriesNoOwnNumber) {
    RecordBuilder builder = RecordBuilder::file(u"old.txt");
    builder.residentData("x");
    Bytes record = builder.build();
    // Move the update sequence array to 2Ah, where records of the older layout keep it.
    for (int i = 0; i < 6; ++i) record[0x2A + i] = record[0x30 + i];
    put16(record, 0x04, 0x2A);
    const FileRecordInfo info = decode(record);
    EXPECT_EQ(info.integrityCode, kRecordGood);
    EXPECT_EQ(info.ownNumber, kNoOwnNumber);
}

TEST(FileRecord, FolderFlagsAndSizes) {
    RecordBuilder folder;
    folder.flags(0x0002).standardInformation().fileName(u"dir");
    const FileRecordInfo info = decode(folder.build());
    EXPECT_EQ(info.integrityCode, kRecordGood);
    EXPECT_EQ(info.inUse, 0);
    EXPECT_EQ(info.isFolder, 1);
    EXPECT_EQ(info.realSize, 0u);
    EXPECT_EQ(info.allocatedSize, 0u);
    EXPECT_EQ(info.fragmentCount, 0u);
    EXPECT_EQ(info.runs[0].clusterCount, 0u);
}

TEST(FileRecord, NonResidentDataOfRealSizeZeroHasNoRuns) {
    const FileRecordInfo info =
        decode(RecordBuilder::file(u"empty.bin").nonResidentData(4096, 0, {0x11, 0x01, 0x20}).build());
    EXPECT_EQ(info.integrityCode, kRecordGood);
    EXPECT_EQ(info.nonResident, 1);
    EXPECT_EQ(info.allocatedSize, 4096u);
    EXPECT_EQ(info.fragmentCount, 0u);
    EXPECT_EQ(info.firstCluster, 0u);
    EXPECT_EQ(info.runs[0].clusterCount, 0u);
}

TEST(FileRecord, AttributeListBeforeTheName) {
    RecordBuilder builder;
    builder.standardInformation().resident(0x20, Bytes(32, 0)).fileName(u"listed.txt").residentData("x");
    const FileRecordInfo info = decode(builder.build());
    EXPECT_EQ(info.integrityCode, kRecordGood);
    EXPECT_EQ(info.hasAttributeList, 1);
    EXPECT_EQ(longName(info), "listed.txt");
}

// The first attribute of type 80h is taken, whatever its name.
TEST(FileRecord, FirstDataAttributeWhateverItsName) {
    RecordBuilder builder = RecordBuilder::file(u"streams.txt");
    builder.resident(0x80, Bytes{'n', 'a', 'm', 'e', 'd'}, u"ADS").residentData("unnamed stream");
    const FileRecordInfo info = decode(builder.build());
    EXPECT_EQ(info.integrityCode, kRecordGood);
    EXPECT_EQ(info.realSize, 5u);
}

// A run list longer than the list's 99 fragments ends there; the record stays good.
TEST(FileRecord, RunListEndsAtItsCapacity) {
    Bytes runs;
    for (int i = 0; i < 120; ++i) runs.insert(runs.end(), {0x11, 0x01, 0x02});  // 1 cluster, 2 further on
    RecordBuilder builder = RecordBuilder::file(u"many.bin");
    builder.nonResidentData(120 * 4096, 120 * 4096, runs);
    const FileRecordInfo info = decode(builder.build());
    EXPECT_EQ(info.integrityCode, kRecordGood);
    EXPECT_EQ(info.fragmentCount, kRunListMaxFragments);
    EXPECT_EQ(info.runs[98].startCluster, 2u * 99);
    EXPECT_EQ(info.runs[99].clusterCount, 0u);
    EXPECT_EQ(info.runs[99].startCluster, 0u);
}

// Long name, short name and extension from one or two $FILE_NAME attributes.
TEST(FileRecord, NamesAndExtensions) {
    struct Name {
        std::u16string text;
        testing::NameSpace space;
    };
    struct Case {
        std::vector<Name> names;
        std::string longName;
        std::string shortName;  // 12 characters
        std::string ext;
    };
    const std::string nul(1, '\0');
    const Case cases[] = {
        // One name: the short name is the long name's first 12 characters. Without a DOS name the
        // extension comes from the last "." of the whole long name.
        {{{u"file.txt", kWin32AndDos}}, "file.txt", "file.txt" + std::string(4, '\0'), "TXT"},
        {{{u"Annual report.doc", kWin32}}, "Annual report.doc", "Annual repor", "DOC"},
        {{{u"exact64512.doc", kWin32}}, "exact64512.doc", "exact64512.d", "DOC"},
        {{{u"archive.tar.gz", kPosix}}, "archive.tar.gz", "archive.tar.", "GZ "},
        {{{u"README", kWin32AndDos}}, "README", "README" + std::string(6, '\0'), "   "},
        {{{u".bashrc", kWin32}}, ".bashrc", ".bashrc" + std::string(5, '\0'), "   "},
        {{{u"a.[x}", kWin32}}, "a.[x}", "a.[x}" + std::string(7, '\0'), "[X]"},
        // With a DOS name the extension comes from the short name, as 8.3 names have it.
        {{{u"Annual report.doc", kWin32}, {u"ANNUAL~1.DOC", kDos}}, "Annual report.doc", "ANNUAL~1.DOC", "DOC"},
        {{{u"notes.markdown", kWin32}, {u"NOTES~1.MAR", kDos}}, "notes.markdown", "NOTES~1.MAR ", "MAR"},
        {{{u"ANNUAL~1.DOC", kDos}, {u"Annual report.doc", kWin32}}, "Annual report.doc", "ANNUAL~1.DOC", "DOC"},
        // A malformed DOS name longer than 12 characters stops at the short name's 12.
        {{{u"long name.txt", kWin32}, {u"ABCDEFGHIJKLMNOP", kDos}}, "long name.txt", "ABCDEFGHIJKL", "   "},
        // Two long names (hard links): the second is the long name and gives the extension.
        {{{u"first.txt", kWin32}, {u"second.doc", kPosix}}, "second.doc", "first.txt" + std::string(3, '\0'), "DOC"},
        // Cyrillic letters go to their code page 1251 positions, Ё and ё and the Ukrainian letters
        // included; a letter of the Cyrillic block that 1251 lacks becomes "?".
        {{{u"Отчёт.txt", kWin32}}, "Отчёт.txt", "Отчёт.txt" + std::string(3, '\0'), "TXT"},
        {{{u"отчёт.док", kWin32}}, "отчёт.док", "отчёт.док" + std::string(3, '\0'), "ДОК"},
        {{{u"Ёлка Їжак ґ.txt", kWin32}}, "Ёлка Їжак ґ.txt", "Ёлка Їжак ґ.", "TXT"},
        {{{u"a\u04E8b", kWin32}}, "a?b", "a?b" + std::string(9, '\0'), "   "},
        // Every other character takes its 1251 position ("€") or "?", never cutting the name: a
        // Chinese, Polish or Greek name keeps its length and its extension; a surrogate pair is one
        // character, a lone surrogate one "?" as well.
        {{{u"ab€cd.txt", kWin32}}, "ab€cd.txt", "ab€cd.txt" + std::string(3, '\0'), "TXT"},
        {{{u"中文.txt", kWin32}}, "??.txt", "??.txt" + std::string(6, '\0'), "TXT"},
        {{{u"Zażółć.txt", kWin32}}, "Za????.txt", "Za????.txt" + std::string(2, '\0'), "TXT"},
        {{{u"Café.doc", kWin32}}, "Caf?.doc", "Caf?.doc" + std::string(4, '\0'), "DOC"},
        {{{u"Σ\U0001F4DD x.txt", kWin32}}, "?? x.txt", "?? x.txt" + std::string(4, '\0'), "TXT"},
        {{{u"a\xD800" u"b.txt", kWin32}}, "a?b.txt", "a?b.txt" + std::string(5, '\0'), "TXT"},
    };
    for (const Case& c : cases) {
        RecordBuilder builder;
        builder.standardInformation();
        for (const Name& name : c.names) builder.fileName(name.text, name.space);
        builder.residentData("x");
        const FileRecordInfo info = decode(builder.build());
        ASSERT_EQ(info.integrityCode, kRecordGood) << c.longName;
        EXPECT_EQ(longName(info), c.longName);
        EXPECT_EQ(shortName(info), c.shortName) << c.longName;
        EXPECT_EQ(info.shortName[12], '\0');
        EXPECT_EQ(std::string(info.ext), c.ext) << c.longName;
    }
}

// Every name length NTFS allows decodes whole, also where the $FILE_NAME reaches 500 bytes (205
// characters) and beyond, as the first name and as the second one after a DOS name.
TEST(FileRecord, NamesOfEveryLegalLength) {
    for (const std::size_t length : {1u, 204u, 205u, 254u, 255u}) {
        std::u16string name(length - 1, u'n');
        name += u'x';
        for (const bool afterDosName : {false, true}) {
            RecordBuilder builder;
            builder.standardInformation();
            if (afterDosName) builder.fileName(u"NNNNNN~1", testing::kDos);
            builder.fileName(name, testing::kWin32).residentData("x");
            const FileRecordInfo info = decode(builder.build());
            ASSERT_EQ(info.integrityCode, kRecordGood) << length << " " << afterDosName;
            EXPECT_EQ(longName(info), std::string(length - 1, 'n') + "x") << length;
            EXPECT_EQ(info.realSize, 1u);
        }
    }
}

// An empty long name takes the short name, as the file table needs some name; a name in letters
// code page 1251 lacks keeps its own form with "?" for them, never the short name.
TEST(FileRecord, EmptyLongNameTakesTheShortName) {
    RecordBuilder empty;
    empty.standardInformation().fileName(u"", kWin32).fileName(u"8F12~1.TXT", kDos).residentData("x");
    FileRecordInfo info = decode(empty.build());
    EXPECT_EQ(info.integrityCode, kRecordGood);
    EXPECT_EQ(longName(info), "8F12~1.TXT  ");
    EXPECT_STREQ(info.ext, "TXT");

    RecordBuilder chinese;
    chinese.standardInformation().fileName(u"\u4E2D\u6587.txt", kWin32).fileName(u"8F12~1.TXT", kDos).residentData("x");
    info = decode(chinese.build());
    EXPECT_EQ(info.integrityCode, kRecordGood);
    EXPECT_EQ(longName(info), "??.txt");
    EXPECT_STREQ(info.ext, "TXT");
}

// Every decode starts afresh: nothing of a previous record shows through a shorter or broken one.
TEST(FileRecord, DecodeResetsTheResult) {
    FileRecordInfo info;
    Bytes first = RecordBuilder::file(u"a rather long name.txt").nonResidentData(8192, 8000, {0x11, 0x02, 0x20}).build();
    ASSERT_EQ(decodeFileRecord(first, info), kRecordGood);
    Bytes second = baseline();
    put32(second, kFn, 0x40);
    ASSERT_EQ(decodeFileRecord(second, info), kNoFileNameAfterStandardInfo);
    EXPECT_EQ(info.stage, DecodeStage::Times);
    EXPECT_EQ(longName(info), "");
    EXPECT_EQ(shortName(info), "            ");
    EXPECT_STREQ(info.ext, "   ");
    EXPECT_EQ(info.runs[0].clusterCount, 0u);
    EXPECT_EQ(info.fragmentCount, 0u);
    EXPECT_EQ(info.realSize, 0u);
}

TEST(FileRecord, ClusterStatisticsLeaveOutSystemFilesAndSparseRuns) {
    ClusterStatistics statistics;
    auto decodeInto = [&](const std::u16string& name, const Bytes& runs) {
        Bytes record = RecordBuilder::file(name).nonResidentData(65536, 65536, runs).build();
        FileRecordInfo info;
        EXPECT_EQ(decodeFileRecord(record, info, statistics), kRecordGood);
    };
    decodeInto(u"$MFT", {0x11, 0x10, 0x02});
    decodeInto(u"tracking.log", {0x11, 0x10, 0x04});
    EXPECT_EQ(statistics.lowestCluster, 0xFFFFFFFFu);
    EXPECT_EQ(statistics.highestCluster, 0u);

    // 5 clusters at 100, a sparse run of 1,000 clusters, 2 clusters at 100 + 20.
    decodeInto(u"data.bin", {0x11, 0x05, 0x64, 0x02, 0xE8, 0x03, 0x11, 0x02, 0x14});
    EXPECT_EQ(statistics.lowestCluster, 100u);
    EXPECT_EQ(statistics.highestCluster, 122u);
    decodeInto(u"more.bin", {0x11, 0x03, 0x0A});
    EXPECT_EQ(statistics.lowestCluster, 10u);
    EXPECT_EQ(statistics.highestCluster, 122u);

    // The decoder without statistics leaves them alone.
    Bytes record = RecordBuilder::file(u"other.bin").nonResidentData(4096, 4096, {0x11, 0x01, 0x01}).build();
    FileRecordInfo info;
    decodeFileRecord(record, info);
    EXPECT_EQ(statistics.lowestCluster, 10u);
}

}  // namespace
}  // namespace quenzar::ntfs
