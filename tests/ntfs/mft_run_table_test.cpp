// The $MFT run table: record numbers and start LBAs per run.
#include <gtest/gtest.h>

#include "ntfs/mft_run_table.h"

namespace quenzar::ntfs {
namespace {

TEST(MftRunTable, RowsPerRunUntilTheTerminator) {
    MftRunTable table;
    table.rows[5] = MftRunRow{1, 2, 3};  // left from an earlier build: cleared
    const DataRun runs[] = {{25'600, 786'432}, {1'000, 2'000'000}, {0, 0}, {7, 7}};
    buildMftRunTable(table, runs, 8, 63);
    ASSERT_EQ(table.rowCount, 2u);
    EXPECT_EQ(table.rows[0], (MftRunRow{0, 102'399, 6'291'519}));
    EXPECT_EQ(table.rows[1], (MftRunRow{102'400, 106'399, 16'000'063}));
    EXPECT_EQ(table.rows[5], MftRunRow{});
}

TEST(MftRunTable, EdgesOfTheArithmetic) {
    MftRunTable table;
    // One-sector clusters: a run of one cluster holds no whole record and adds no row.
    const DataRun small[] = {{1, 10}, {4, 20}, {0, 0}};
    buildMftRunTable(table, small, 1, 0);
    ASSERT_EQ(table.rowCount, 1u);
    EXPECT_EQ(table.rows[0], (MftRunRow{0, 1, 20}));

    // A volume beyond LBA 2^32 keeps its start LBAs whole.
    const DataRun far[] = {{16, 0xFFFF'FFF0}, {0, 0}};
    buildMftRunTable(table, far, 128, 0x3'0000'0000ull);
    ASSERT_EQ(table.rowCount, 1u);
    EXPECT_EQ(table.rows[0], (MftRunRow{0, 1023, 0xFFFF'FFF0ull * 128 + 0x3'0000'0000ull}));

    // Numbering stops at the last 32-bit record number.
    const DataRun huge[] = {{0xFFFF'FFFF, 1}, {10, 2}, {0, 0}};
    buildMftRunTable(table, huge, 8, 0);
    ASSERT_EQ(table.rowCount, 1u);
    EXPECT_EQ(table.rows[0].lastRecord, 0xFFFF'FFFFu);
}

}  // namespace
}  // namespace quenzar::ntfs
