#include "ntfs/mft_lookup.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quenzar::ntfs {

std::uint32_t parseRecordNumber(std::string_view text) {
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(c - '0'), 0xFFFFFFFF);
    }
    return static_cast<std::uint32_t>(value);
}

void applyRecordNumber(MftLookupState& lookup, NtfsVolumeParams& params, MftRunTable& table,
                       std::string_view recordText, const SectorReader& read) {
    lookup.requestedRecord = parseRecordNumber(recordText);
    lookup.bootLba = params.bootLba;
    lookup.sectorsPerCluster = params.sectorsPerCluster;
    lookup.mftCluster = params.mftCluster;
    // In 64 bits: a $MFT beyond LBA 2^32 is looked up at its own sectors.
    lookup.mftLba = std::uint64_t{lookup.mftCluster} * lookup.sectorsPerCluster + lookup.bootLba;

    if (params.mftFound == 'Y') {
        std::array<std::uint8_t, kLargeRecordSize> bytes{};
        if (lookup.mftLba < params.totalSectors) read(lookup.mftLba * params.bytesPerSector, bytes);
        const std::uint32_t recordBytes = fileRecordSizeOf(bytes) != 0 ? fileRecordSizeOf(bytes) : kSmallRecordSize;
        const std::span<std::uint8_t> record = std::span(bytes).first(recordBytes);
        FileRecordInfo info;
        decodeFileRecord(record, info);
        MftRunTable built;
        if (info.good() && std::strcmp(info.longName, "$MFT") == 0 && info.allocatedSize >= recordBytes) {
            buildMftRunTable(built, info.runs, lookup.sectorsPerCluster, lookup.bootLba, params.bytesPerSector,
                             recordBytes);
        }
        if (built.rowCount != 0) {
            table = built;
            params.recordBytes = recordBytes;
            params.mftRecordLimit = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(info.allocatedSize / recordBytes - 1, 0xFFFFFFFF));
            return;
        }
    }
    table.rows[0] = MftRunRow{0, kContiguousMftLastRecord, lookup.mftLba};
    table.rowCount = 1;
    params.mftRecordLimit = kContiguousMftLastRecord;
}

std::optional<std::uint64_t> recordLba(std::uint32_t requestedRecord, const NtfsVolumeParams& params,
                                       const MftRunTable& table) {
    if (table.rowCount == 0 || params.bytesPerSector == 0) return std::nullopt;
    const std::uint32_t number = std::min(requestedRecord, params.mftRecordLimit);
    // The sector a record begins in: records smaller than a sector share one.
    auto lbaIn = [&](const MftRunRow& row, std::uint64_t record) {
        return (record - row.firstRecord) * params.fileRecordBytes() / params.bytesPerSector + row.startLba;
    };
    for (std::size_t i = 0; i < table.rowCount; ++i) {
        const MftRunRow& row = table.rows[i];
        if (row.lastRecord >= number) return lbaIn(row, number);
    }
    // Beyond the table: the last record it holds.
    const MftRunRow& last = table.rows[table.rowCount - 1];
    return lbaIn(last, last.lastRecord);
}

}  // namespace quenzar::ntfs
