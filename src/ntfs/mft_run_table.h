// Where the records of the $MFT lie: one row per run of its $DATA, giving the record numbers the
// run holds and the LBA its first record starts at. The analysis of a virtual disk reads the $MFT
// through it, and the record lookup finds a record by number with it.
//
// A run holds clusters x sectors per cluster x sector bytes / record bytes records; 1,024-byte
// records on 512-byte sectors unless told otherwise.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "ntfs/file_record.h"

namespace quenzar::ntfs {

struct MftRunRow {
    std::uint32_t firstRecord = 0;
    std::uint32_t lastRecord = 0;
    // Kept in 64 bits: a volume beyond 2 TiB has its $MFT beyond LBA 2^32.
    std::uint64_t startLba = 0;

    friend bool operator==(const MftRunRow&, const MftRunRow&) = default;
};

inline constexpr std::size_t kMftRunTableRows = 100;

struct MftRunTable {
    std::array<MftRunRow, kMftRunTableRows> rows{};
    std::size_t rowCount = 0;  // rows in use, from the first
};

// Clears the table and fills it from a run list (which ends at its first zero count or after
// kMftRunTableRows runs): running index r from 0; per run of n clusters at cluster k:
// first = r, last = r + n x sectorsPerCluster x sectorBytes / recordBytes - 1, start LBA =
// k x sectorsPerCluster + bootLba; r = last + 1. A run too short to hold one whole record adds no
// row; numbering stops where it would pass the largest 32-bit record number.
void buildMftRunTable(MftRunTable& table, std::span<const DataRun> runs, std::uint32_t sectorsPerCluster,
                      std::uint64_t bootLba, std::uint32_t sectorBytes = 512, std::uint32_t recordBytes = 1024);

}  // namespace quenzar::ntfs
