// The $DATA attributes of a FILE record beyond the decoder's: the unnamed data's initialized size,
// and the named streams, found with their names, data and runs; attributes that do not hold
// together are left out rather than read past their end.
#include "ntfs/data_streams.h"

#include <gtest/gtest.h>

#include "ntfs/file_record.h"
#include "record_builder.h"

namespace quenzar::ntfs {
namespace {

using testing::Bytes;
using testing::put16;
using testing::put64;
using testing::RecordBuilder;

// The record as the restore holds it: read and decoded, its update sequence undone.
Bytes decoded(Bytes record) {
    FileRecordInfo info;
    EXPECT_EQ(decodeFileRecord(record, info), kRecordGood);
    return record;
}

TEST(DataStreams, FoundBesideTheUnnamedData) {
    RecordBuilder builder = RecordBuilder::file(u"report.doc");
    builder.residentData("the file itself");
    builder.resident(0x80, Bytes{'s', 'u', 'm'}, u"ADS");
    // Two runs: 2 clusters at 100, 1 cluster at 100 - 20.
    builder.nonResidentData(3 * 4096, 9000, Bytes{0x11, 0x02, 0x64, 0x11, 0x01, 0xEC}, 0, u"Ещё");
    const std::vector<NamedStream> streams = findNamedStreams(decoded(builder.build()));

    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].name, "ADS");
    EXPECT_FALSE(streams[0].nonResident);
    EXPECT_EQ(streams[0].residentData, (Bytes{'s', 'u', 'm'}));
    EXPECT_EQ(streams[0].realSize, 3u);
    EXPECT_EQ(streams[1].name, "\xC5\xF9\xB8");  // "Ещё" in code page 1251
    EXPECT_TRUE(streams[1].nonResident);
    EXPECT_EQ(streams[1].realSize, 9000u);
    EXPECT_EQ(streams[1].initializedSize, 9000u);
    EXPECT_EQ(streams[1].runs, (std::vector<DataRun>{{2, 100}, {1, 80}}));
}

// The unnamed data's initialized size: what its attribute says, never beyond the real size; a named
// stream's does not count; resident data is initialized whole.
TEST(DataStreams, InitializedSizeOfTheUnnamedData) {
    struct Case {
        const char* what;
        bool namedFirst;
        std::uint64_t initialized;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {"initialized part only", false, 5000, 5000},
        {"initialized beyond the real size", false, 20000, 9000},
        {"a named stream before it", true, 5000, 5000},
    };
    for (const Case& c : cases) {
        RecordBuilder builder = RecordBuilder::file(u"a.bin");
        if (c.namedFirst) builder.nonResidentData(4096, 100, Bytes{0x11, 0x01, 0x10}, 0, u"S");
        builder.nonResidentData(3 * 4096, 9000, Bytes{0x11, 0x03, 0x20});
        Bytes record = builder.build();
        put64(record, builder.lastAttribute() + 0x38, c.initialized);
        EXPECT_EQ(initializedDataSize(decoded(record), 9000), c.expected) << c.what;
    }
    RecordBuilder resident = RecordBuilder::file(u"r.txt");
    resident.residentData("resident");
    EXPECT_EQ(initializedDataSize(decoded(resident.build()), 8), 8u);
}

TEST(DataStreams, BrokenAttributesAreLeftOut) {
    struct Case {
        const char* what;
        std::size_t field;  // offset within the named attribute
        std::uint64_t value;
        int bytes;
    };
    const Case cases[] = {
        {"name past the attribute's end", 0x0A, 0x7FF0, 2},
        {"run list past the attribute's end", 0x20, 0x7FF0, 2},
        {"a later part of a stream (first VCN 5)", 0x10, 5, 8},
    };
    for (const Case& c : cases) {
        RecordBuilder builder = RecordBuilder::file(u"a.bin");
        builder.residentData("data");
        builder.nonResidentData(4096, 100, Bytes{0x11, 0x01, 0x10}, 0, u"S");
        Bytes record = builder.build();
        const std::size_t at = builder.lastAttribute() + c.field;
        if (c.bytes == 2) put16(record, at, static_cast<std::uint16_t>(c.value)); else put64(record, at, c.value);
        EXPECT_TRUE(findNamedStreams(decoded(record)).empty()) << c.what;
    }
    // A record cut short: nothing is read beyond what arrived.
    RecordBuilder builder = RecordBuilder::file(u"a.bin");
    builder.resident(0x80, Bytes(40, 'x'), u"S");
    Bytes record = decoded(builder.build());
    EXPECT_TRUE(findNamedStreams(std::span<const std::uint8_t>(record).first(0x60)).empty());
    EXPECT_TRUE(findNamedStreams({}).empty());
}

}  // namespace
}  // namespace quenzar::ntfs
