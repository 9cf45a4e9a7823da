// A disk held in memory for the virtual-disk tests: sectors placed at byte offsets, zeros
// elsewhere, read through the same SectorReader the dialogs use. Also $MFT and file records with
// the run lists the tests need.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ntfs/virtual_disk.h"
#include "ntfs/record_builder.h"

namespace quenzar::ntfs::testing {

class MemoryDisk {
public:
    void put(std::uint64_t byteOffset, const Bytes& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes_[byteOffset + i] = bytes[i];
    }
    SectorReader reader() const {
        return [this](std::uint64_t byteOffset, std::span<std::uint8_t> buffer) {
            std::fill(buffer.begin(), buffer.end(), 0);
            for (auto it = bytes_.lower_bound(byteOffset); it != bytes_.end() && it->first < byteOffset + buffer.size();
                 ++it) {
                buffer[it->first - byteOffset] = it->second;
            }
            return buffer.size();
        };
    }

private:
    std::map<std::uint64_t, std::uint8_t> bytes_;
};

// The bytes of a run list: per run a header (offset bytes << 4 | count bytes), the count, and the
// start as a signed distance from the previous run's start.
inline Bytes encodeRuns(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& countAndStart) {
    Bytes out;
    std::int64_t previous = 0;
    for (const auto& [count, start] : countAndStart) {
        Bytes countBytes, offsetBytes;
        for (std::uint64_t v = count; v != 0 || countBytes.empty(); v >>= 8) countBytes.push_back(std::uint8_t(v));
        std::int64_t delta = static_cast<std::int64_t>(start) - previous;
        previous = static_cast<std::int64_t>(start);
        do {
            offsetBytes.push_back(std::uint8_t(delta));
            delta >>= 8;
        } while (!((delta == 0 && !(offsetBytes.back() & 0x80)) || (delta == -1 && (offsetBytes.back() & 0x80))));
        out.push_back(std::uint8_t(offsetBytes.size() << 4 | countBytes.size()));
        out.insert(out.end(), countBytes.begin(), countBytes.end());
        out.insert(out.end(), offsetBytes.begin(), offsetBytes.end());
    }
    return out;
}

// A $MFT record (number 0) with the given allocated size and runs.
inline Bytes mftRecord(std::uint64_t allocatedSize, const std::vector<std::pair<std::uint64_t, std::uint64_t>>& runs) {
    return RecordBuilder::file(u"$MFT").ownNumber(0).nonResidentData(allocatedSize, allocatedSize, encodeRuns(runs)).build();
}

// A non-resident file record with the given own number.
inline Bytes fileRecord(std::uint32_t ownNumber, std::uint64_t allocatedSize,
                        const std::vector<std::pair<std::uint64_t, std::uint64_t>>& runs) {
    return RecordBuilder::file(u"report.doc").ownNumber(ownNumber)
        .nonResidentData(allocatedSize, allocatedSize, encodeRuns(runs)).build();
}

// A disk of 512-byte sectors with the usual 255 heads, 63 sectors per track.
inline NtfsVolumeParams paramsForDisk(std::uint64_t totalSectors, std::uint32_t bytesPerSector = 512) {
    NtfsVolumeParams params;
    params.diskDigit = '0';
    params.heads = 255;
    params.sectorsPerTrack = 63;
    params.bytesPerSector = bytesPerSector;
    params.totalSectors = totalSectors;
    params.cylinders = static_cast<std::uint32_t>(totalSectors / (255 * 63));
    return params;
}

}  // namespace quenzar::ntfs::testing
