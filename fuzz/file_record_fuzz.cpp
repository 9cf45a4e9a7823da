// Fuzz target of the FILE record decoder, its view, the $DATA attributes of a good record, the run
// list decoder on its own, the tables the analysis builds from the runs of a $MFT record, the
// gathering of a record's attributes out of extension records, the LZNT1 decompressor, and the
// folder index reader (the record as a folder's, the input itself as an INDX block). The
// input becomes a record buffer of exactly the record's size (1,024 bytes, or 4,096 when its
// allocated-size field says so; cut or padded with zeros), so that AddressSanitizer reports any
// read past the record. The decoded result is checked against the promises the rest of the
// program builds on.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ntfs/attribute_list.h"
#include "ntfs/data_runs.h"
#include "ntfs/file_record.h"
#include "ntfs/file_record_view.h"
#include "ntfs/folder_index.h"
#include "ntfs/lznt1.h"
#include "ntfs/data_streams.h"
#include "ntfs/mft_run_table.h"
#include "ntfs/record_names.h"
#include "recovery/mft_runs.h"

using namespace quenzar::ntfs;

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// The run list decoder on its own, from any offset of the record: it reads nothing past the
// record, keeps at most 99 runs and always leaves the terminating entry.
void checkRunList(const std::vector<std::uint8_t>& record, std::size_t offset) {
    DataRun runs[kRunListEntries] = {};
    const RunListResult result = decodeRunList(record, offset, runs);
    require(result.integrityCode <= kIntegrityCodeCount);
    require(result.fragmentCount <= kRunListMaxFragments + 1);
    require(runs[kRunListMaxFragments].clusterCount == 0);
    std::size_t decoded = 0;
    while (decoded < kRunListEntries && runs[decoded].clusterCount != 0) ++decoded;
    require(decoded <= result.fragmentCount);
}

// The tables an analysis makes of a $MFT record's runs: record numbers that follow on from run to
// run, and a record count that its allocation, its runs and the volume bound whatever it claims.
void checkMftTables(const FileRecordInfo& info, std::uint32_t sectorsPerCluster, std::uint32_t sectorBytes,
                    std::uint32_t recordBytes, std::uint64_t volumeSectors) {
    MftRunTable table;
    buildMftRunTable(table, info.runs, sectorsPerCluster, 2048, sectorBytes, recordBytes);
    require(table.rowCount <= kMftRunTableRows);
    for (std::size_t i = 0; i < table.rowCount; ++i) {
        require(table.rows[i].firstRecord <= table.rows[i].lastRecord);
        if (i > 0) require(table.rows[i].firstRecord == std::uint64_t{table.rows[i - 1].lastRecord} + 1);
    }
    using namespace quenzar::recovery;
    const VolumeUnits units = quenzar::ntfs::volumeUnitsOf(sectorBytes, sectorsPerCluster, recordBytes);
    const std::vector<MftRun> runs = buildMftRuns(info, units);
    const std::uint64_t volumeBytes = volumeSectors * sectorBytes;
    const std::uint64_t limit = readableRecordLimit(runs, info.allocatedSize, volumeBytes, recordBytes);
    require(limit <= info.allocatedSize / recordBytes && limit <= recordsCovered(runs));
    if (volumeSectors != 0) require(limit <= volumeBytes / recordBytes);
    const std::vector<MftRun> cut = runsWithin(runs, limit);
    require(cut.size() <= runs.size());
    if (limit != 0 && !cut.empty()) require(recordsCovered(cut) == limit);
}

// The names: 8-bit text that ends within the record's name fields, a long name of at most the 255
// characters a $FILE_NAME can hold.
void checkNames(const FileRecordInfo& info, std::uint32_t code) {
    require(info.longName[kLongNameBytes - 1] == 0);
    if (code == kRecordGood) require(std::strlen(info.longName) <= 255);
}

// The LZNT1 decompressor on bytes of the record from an offset, into an output of a size the input
// chooses (allocated exactly, so that AddressSanitizer sees any write past it).
void checkDecompression(const std::vector<std::uint8_t>& record) {
    const std::size_t offset = (std::size_t{record[0x09]} * 4) % record.size();
    std::vector<std::uint8_t> output(1 + (std::size_t{record[0x0E]} | std::size_t{record[0x0F]} << 8));
    const Lznt1Result result =
        decompressLznt1(std::span<const std::uint8_t>(record).subspan(offset), output);
    require(result.produced <= output.size());
}

// A record whose attribute list names other records, gathered with the record itself standing in
// for every record it names: the image is one large record the decoder reads like any other, and
// the runs written anew decode to the same runs.
void checkGathering(const std::vector<std::uint8_t>& record, std::uint32_t ownNumber) {
    RecordReading reading;
    reading.record = [&](std::uint64_t, std::vector<std::uint8_t>& bytes) {
        bytes = record;
        return true;
    };
    GatheredRecord gathered;
    if (gatherAttributes(record, ownNumber, reading, gathered) == Gathering::NotNeeded) return;
    require(gathered.image.size() == kLargeRecordSize);
    FileRecordInfo info;
    require(decodeFileRecord(gathered.image, info) <= kIntegrityCodeCount);
    std::vector<DataRun> runs;
    require(decodeRunList(encodeRunList(gathered.dataRuns), 0, runs).integrityCode == kRecordGood);
    require(runs == gathered.dataRuns);
}

// A name of an index entry is at most the 255 characters a $FILE_NAME holds.
void checkIndexEntry(const FolderIndexEntry& entry) { require(entry.name.size() <= 255); }

// The record read as a folder's: its index root, its attribute list and the INDX blocks of its
// allocation. Every read of the volume gets the input's bytes over and over from where the byte
// offset falls in it, and every extension record is the record itself; the volume is small, so
// that damaged runs cannot make the walk long.
void checkFolderIndex(const std::vector<std::uint8_t>& record, std::uint32_t ownNumber, const std::uint8_t* data,
                      std::size_t size) {
    FolderIndexReading reading;
    reading.clusterBytes = std::uint64_t{512} << (record[0x09] % 4);
    reading.volumeClusters = 256;
    reading.volume = [&](std::uint64_t volumeByte, std::span<std::uint8_t> buffer) {
        if (size == 0) return false;
        for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = data[(volumeByte + i) % size];
        return true;
    };
    reading.record = [&](std::uint64_t, std::vector<std::uint8_t>& bytes) {
        bytes = record;
        return true;
    };
    const FolderIndexReport report = readFolderIndex(record, ownNumber, reading, checkIndexEntry);
    require(report.rootRead || report.entries == 0);

    // The input as one INDX block of whole 512-byte parts.
    std::vector<std::uint8_t> block(data, data + size);
    block.resize((block.size() + 511) / 512 * 512);
    FolderIndexReport blockReport;
    if (!readIndexBlock(block, checkIndexEntry, blockReport)) require(blockReport.entries == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool large = size > 0x1D && data[0x1C] == 0x00 && data[0x1D] == 0x10;
    std::vector<std::uint8_t> record(large ? kLargeRecordSize : kSmallRecordSize, 0);
    std::copy(data, data + std::min(size, record.size()), record.begin());
    FileRecordInfo info;
    ClusterStatistics statistics;
    const std::uint32_t code = decodeFileRecord(record, info, statistics);
    require(code == info.integrityCode && code <= kIntegrityCodeCount);
    require(info.shortName[kShortNameChars] == 0 && info.ext[3] == 0);
    require(info.fragmentCount <= kRunListMaxFragments + (code != kRecordGood ? 1 : 0));
    require(info.runs[kRunListMaxFragments].clusterCount == 0);
    checkNames(info, code);
    // The offset comes from bytes the decoder does not look at (the record's log sequence number).
    checkRunList(record, (std::size_t{record[0x0A]} | std::size_t{record[0x0B]} << 8) % record.size());
    if (info.residentData != nullptr) {
        const std::uint8_t* begin = record.data();
        require(info.residentData >= begin && info.residentData + info.realSize <= begin + record.size());
    }
    checkDecompression(record);
    if (info.stage >= DecodeStage::Flags) {
        parseAttributeList(record);
        require(unnamedDataRuns(record).size() <= record.size());
        if (info.hasAttributeList) checkGathering(record, info.ownNumber);
        checkFolderIndex(record, info.ownNumber, data, size);
    }
    // The view reads the resident content through the decoded result: build it all.
    const FileRecordView view = buildFileRecordView(info);
    require(view.values.size() == 16 * 24 + 70 + 16 * 2);
    // The full restore reads these of good records, their update sequence undone.
    if (code == kRecordGood) {
        // Cluster size and volume size from bytes the decoder does not look at.
        // Sector and record sizes likewise: 512 to 4,096-byte sectors, 1,024 or 4,096-byte records.
        const std::uint32_t sectorsPerCluster = 1u << (record[0x08] % 8);
        const std::uint32_t sectorBytes = 512u << (record[0x0A] % 4);
        const std::uint32_t recordBytes = record[0x0B] % 2 == 0 ? 1024 : 4096;
        std::uint32_t volumeSectors = 0;
        std::memcpy(&volumeSectors, record.data() + 0x0C, 4);
        if (info.nonResident) checkMftTables(info, sectorsPerCluster, sectorBytes, recordBytes, volumeSectors);
        require(initializedDataSize(record, info.realSize) <= info.realSize);
        for (const NamedStream& stream : findNamedStreams(record)) {
            require(stream.nonResident || stream.residentData.size() == stream.realSize);
            require(stream.runs.size() <= kRunListMaxFragments);
        }
        // The real name a restored file gets: at most the 255 characters a $FILE_NAME holds.
        require(recordLongName(record).size() <= 255);
    }
    return 0;
}
