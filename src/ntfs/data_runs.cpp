#include "ntfs/data_runs.h"

namespace quenzar::ntfs {

RunListResult decodeRunList(std::span<const std::uint8_t> bytes, std::size_t offset,
                            DataRun (&runs)[kRunListEntries]) {
    RunListResult result;
    const std::size_t end = bytes.size();
    std::size_t position = offset;
    std::uint32_t currentCluster = 0;
    std::size_t runCount = 0;
    while (runCount < kRunListMaxFragments) {
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

        runs[runCount].clusterCount = static_cast<std::uint32_t>(count);
        runs[runCount].startCluster = offsetSize == 0 ? kSparseCluster : currentCluster;
        ++runCount;
        position += 1 + countSize + offsetSize;
    }
    return result;
}

}  // namespace quenzar::ntfs
