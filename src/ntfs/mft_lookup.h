// Finding a FILE record of a virtual disk by its MFT record number: the record-number dialog
// (re)builds the $MFT run table, and the lookup turns a number into the LBA the viewer shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "ntfs/mft_run_table.h"
#include "ntfs/virtual_disk.h"
#include "ntfs/volume_params.h"

namespace quenzar::ntfs {

// The record number dialog's own values, kept between openings.
struct MftLookupState {
    std::uint32_t requestedRecord = 0;  // the last number entered
    // Copies of the volume's values taken on "OK", shown by the dialog.
    std::uint64_t bootLba = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t mftCluster = 0;
    std::uint64_t mftLba = 0;  // mftCluster x sectorsPerCluster + bootLba
};

// Without a $MFT to read, the lookup takes it as one run of this many records.
inline constexpr std::uint32_t kContiguousMftLastRecord = 0xFFFFF;  // 1,048,575

// The record number field: decimal digits; anything else reads as 0, and a number beyond 32 bits
// as the largest one (which the lookup then limits to the last record).
std::uint32_t parseRecordNumber(std::string_view text);

// "OK": takes the number and the volume's values. When the boot-sector computation found the
// $MFT, its record 0 is read and decoded and the table and mftRecordLimit come from it; otherwise
// — and also when record 0 does not decode as the $MFT there — the $MFT is taken as one run of
// records 0 to 1,048,575 from its first record.
void applyRecordNumber(MftLookupState& lookup, NtfsVolumeParams& params, MftRunTable& table,
                       std::string_view recordText, const SectorReader& read);

// The LBA of the requested record: the number is limited to mftRecordLimit and to the last
// record of the table's last row; nothing when the table is empty.
std::optional<std::uint64_t> recordLba(std::uint32_t requestedRecord, const NtfsVolumeParams& params,
                                       const MftRunTable& table);

}  // namespace quenzar::ntfs
