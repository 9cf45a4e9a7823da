// The record number dialog and the lookup of a record's LBA on a virtual disk.
#include <gtest/gtest.h>

#include "ntfs/mft_lookup.h"
#include "ntfs/virtual_disk_test_support.h"

namespace quenzar::ntfs {
namespace {

using testing::MemoryDisk;
using testing::mftRecord;
using testing::paramsForDisk;

constexpr std::uint64_t kMftLba = 6'291'519;

NtfsVolumeParams workedVolume(char mftFound) {
    NtfsVolumeParams params = paramsForDisk(20'000'000);
    params.bootLba = 63;
    params.sectorsPerCluster = 8;
    params.mftCluster = 786'432;
    params.mftFound = mftFound;
    return params;
}

TEST(MftLookup, RecordNumbersAsTyped) {
    EXPECT_EQ(parseRecordNumber("102401"), 102'401u);
    EXPECT_EQ(parseRecordNumber(""), 0u);
    EXPECT_EQ(parseRecordNumber("12a"), 0u);
    EXPECT_EQ(parseRecordNumber("4294967295"), 0xFFFF'FFFFu);
    EXPECT_EQ(parseRecordNumber("99999999999"), 0xFFFF'FFFFu);  // not wrapped round to a small number
}

TEST(MftLookup, WithoutAFoundMftTheMftIsOneRun) {
    NtfsVolumeParams params = workedVolume('N');
    MftRunTable table;
    MftLookupState lookup;
    applyRecordNumber(lookup, params, table, "5", MemoryDisk{}.reader());
    EXPECT_EQ(lookup.requestedRecord, 5u);
    EXPECT_EQ(lookup.mftLba, kMftLba);
    EXPECT_EQ(params.mftRecordLimit, 1'048'575u);
    ASSERT_EQ(table.rowCount, 1u);
    EXPECT_EQ(table.rows[0], (MftRunRow{0, 1'048'575, kMftLba}));
    EXPECT_EQ(recordLba(lookup.requestedRecord, params, table), 6'291'529u);
    EXPECT_EQ(recordLba(2'000'000, params, table), kMftLba + 2 * 1'048'575);  // limited to the last record
}

TEST(MftLookup, AFoundMftGivesItsRunsAndLimit) {
    MemoryDisk disk;
    disk.put(kMftLba * 512, mftRecord(108'953'600, {{25'600, 786'432}, {1'000, 2'000'000}}));
    NtfsVolumeParams params = workedVolume('Y');
    MftRunTable table;
    MftLookupState lookup;
    applyRecordNumber(lookup, params, table, "102401", disk.reader());
    EXPECT_EQ(params.mftRecordLimit, 106'399u);
    ASSERT_EQ(table.rowCount, 2u);
    EXPECT_EQ(table.rows[1], (MftRunRow{102'400, 106'399, 16'000'063}));
    EXPECT_EQ(recordLba(102'401, params, table), 16'000'065u);
    EXPECT_EQ(recordLba(102'399, params, table), kMftLba + 2 * 102'399);
    EXPECT_EQ(recordLba(200'000, params, table), 16'000'063u + 2 * 3'999);  // the record at the limit

    // The limit above what the table holds: the lookup stops at the table's last row.
    params.mftRecordLimit = 200'000;
    EXPECT_EQ(recordLba(150'000, params, table), 16'000'063u + 2 * 3'999);
    EXPECT_EQ(recordLba(0, params, MftRunTable{}), std::nullopt);

    // mftFound "Y" but no $MFT readable there any more: one run from its first record.
    applyRecordNumber(lookup, params, table, "7", MemoryDisk{}.reader());
    EXPECT_EQ(table.rowCount, 1u);
    EXPECT_EQ(params.mftRecordLimit, 1'048'575u);
    EXPECT_EQ(recordLba(7, params, table), kMftLba + 14);
}

}  // namespace
}  // namespace quenzar::ntfs
