// Fuzz target of the FILE record decoder, its view and the $DATA attributes of a good record. The input becomes a record buffer of exactly
// the record's size (1,024 bytes, or 4,096 when its allocated-size field says so; cut or padded
// with zeros), so that AddressSanitizer reports any read past the record. The decoded result is
// checked against the promises the rest of the program builds on.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ntfs/file_record.h"
#include "ntfs/file_record_view.h"
#include "ntfs/data_streams.h"

using namespace quenzar::ntfs;

namespace {

void require(bool condition) {
    if (!condition) std::abort();
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
    if (info.residentData != nullptr) {
        const std::uint8_t* begin = record.data();
        require(info.residentData >= begin && info.residentData + info.realSize <= begin + record.size());
    }
    // The view reads the resident content through the decoded result: build it all.
    const FileRecordView view = buildFileRecordView(info);
    require(view.values.size() == 16 * 24 + 70 + 16 * 2);
    // The full restore reads these of good records, their update sequence undone.
    if (code == kRecordGood) {
        require(initializedDataSize(record, info.realSize) <= info.realSize);
        for (const NamedStream& stream : findNamedStreams(record)) {
            require(stream.nonResident || stream.residentData.size() == stream.realSize);
            require(stream.runs.size() <= kRunListMaxFragments);
        }
    }
    return 0;
}
