#include "ntfs/data_runs.h"

namespace quenzar::ntfs {

namespace {

// Decodes runs until the closing zero or until `take` returns false, handing each run to it.
template <typename Take>
RunListResult decodeRuns(std::span<const std::uint8_t> bytes, std::size_t offset, Take&& take) {
    RunListResult result;
    const std::size_t end = bytes.size();
    std::size_t position = offset;
    std::uint32_t currentCluster = 0;
    for (;;) {
        // A list that reaches the end of the record without its closing zero is as broken as a
        // header without count bytes.
        if (position >= end) {
            result.integrityCode = kRunCountSizeZero;
            return result;
        }
        const std::uint8_t header = bytes[position];
        if (header == 0) break;
        ++result.fragmentCount;
        const unsigned countSize = header & 0x0F;
        const unsigned offsetSize = header >> 4;
        if (countSize == 0) {
            result.integrityCode = kRunCountSizeZero;
            return result;
        }
        if (countSize > 8 || position + 1 + countSize > end) {
            result.integrityCode = kRunCountSizeTooLarge;
            return result;
        }
        if (offsetSize > 8 || position + 1 + countSize + offsetSize > end) {
            result.integrityCode = kRunOffsetSizeTooLarge;
            return result;
        }

        const std::uint8_t* field = bytes.data() + position + 1;
        std::uint64_t count = 0;
        for (unsigned i = countSize; i-- > 0;) count = (count << 8) | field[i];
        field += countSize;
        std::uint64_t delta = 0;
        if (offsetSize > 0) {
            // Sign-extend from the top bit of the last (most significant) offset byte.
            delta = (field[offsetSize - 1] & 0x80) ? ~std::uint64_t{0} : 0;
            for (unsigned i = offsetSize; i-- > 0;) delta = (delta << 8) | field[i];
        }
        currentCluster += static_cast<std::uint32_t>(delta);
        position += 1 + countSize + offsetSize;
        if (!take(DataRun{static_cast<std::uint32_t>(count), offsetSize == 0 ? kSparseCluster : currentCluster})) {
            break;
        }
    }
    return result;
}

// Bytes a signed value needs in two's complement.
unsigned signedBytes(std::int64_t value) {
    unsigned bytes = 1;
    while (bytes < 8) {
        const std::int64_t limit = std::int64_t{1} << (8 * bytes - 1);
        if (value >= -limit && value < limit) break;
        ++bytes;
    }
    return bytes;
}

}  // namespace

RunListResult decodeRunList(std::span<const std::uint8_t> bytes, std::size_t offset,
                            DataRun (&runs)[kRunListEntries]) {
    // After 99 runs the list ends and the rest is not read.
    std::size_t runCount = 0;
    return decodeRuns(bytes, offset, [&](const DataRun& run) {
        runs[runCount++] = run;
        return runCount < kRunListMaxFragments;
    });
}

RunListResult decodeRunList(std::span<const std::uint8_t> bytes, std::size_t offset, std::vector<DataRun>& runs) {
    return decodeRuns(bytes, offset, [&](const DataRun& run) {
        runs.push_back(run);
        return true;
    });
}

std::vector<std::uint8_t> encodeRunList(std::span<const DataRun> runs) {
    std::vector<std::uint8_t> bytes;
    std::int64_t previous = 0;
    for (const DataRun& run : runs) {
        unsigned countSize = 1;
        while (countSize < 4 && (run.clusterCount >> (8 * countSize)) != 0) ++countSize;
        const bool sparse = run.startCluster == kSparseCluster;
        const std::int64_t delta = sparse ? 0 : std::int64_t{run.startCluster} - previous;
        const unsigned offsetSize = sparse ? 0 : signedBytes(delta);
        bytes.push_back(static_cast<std::uint8_t>(countSize | (offsetSize << 4)));
        for (unsigned i = 0; i < countSize; ++i) bytes.push_back(static_cast<std::uint8_t>(run.clusterCount >> (8 * i)));
        for (unsigned i = 0; i < offsetSize; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(delta) >> (8 * i)));
        }
        if (!sparse) previous = run.startCluster;
    }
    bytes.push_back(0);
    return bytes;
}

}  // namespace quenzar::ntfs
