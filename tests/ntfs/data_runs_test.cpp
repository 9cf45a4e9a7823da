#include "ntfs/data_runs.h"

#include <gtest/gtest.h>

#include <vector>

namespace quenzar::ntfs {

void PrintTo(const DataRun& run, std::ostream* os) { *os << "(" << run.clusterCount << ", " << run.startCluster << ")"; }

namespace {

struct Decoded {
    RunListResult result;
    std::vector<DataRun> runs;  // up to the terminating entry
};

Decoded decodeBytes(const std::vector<std::uint8_t>& bytes) {
    DataRun runs[kRunListEntries] = {};
    Decoded decoded{decodeRunList(bytes, 0, runs), {}};
    for (const DataRun& run : runs) {
        if (run.clusterCount == 0) break;
        decoded.runs.push_back(run);
    }
    return decoded;
}


TEST(DataRuns, CountsOffsetsAndSparseRuns) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::vector<DataRun> runs;
    };
    const Case cases[] = {
        {"one byte each", {0x11, 0x05, 0x20, 0x00}, {{5, 32}}},
        {"offsets add up", {0x11, 0x05, 0x20, 0x21, 0x10, 0x00, 0x01, 0x00}, {{5, 32}, {16, 288}}},
        // A run without offset bytes is sparse and leaves the current cluster at 288.
        {"sparse run",
         {0x11, 0x05, 0x20, 0x21, 0x10, 0x00, 0x01, 0x01, 0x08, 0x11, 0x01, 0x02, 0x00},
         {{5, 32}, {16, 288}, {8, kSparseCluster}, {1, 290}}},
        {"negative offset F0h is -16", {0x11, 0x01, 0x40, 0x11, 0x01, 0xF0, 0x00}, {{1, 64}, {1, 48}}},
        {"negative two-byte offset", {0x21, 0x01, 0x00, 0x10, 0x21, 0x02, 0x00, 0xFF, 0x00},
         {{1, 4096}, {2, 4096 - 256}}},
        // Eight-byte fields keep their low 32 bits; the current cluster wraps in 32 bits.
        {"eight-byte fields",
         {0x88, 1, 0, 0, 0, 2, 0, 0, 0, 0x10, 0, 0, 0, 0x20, 0, 0, 0, 0x00},
         {{1, 0x10}}},
        {"a first run at cluster 0 is not sparse", {0x11, 0x08, 0x00, 0x00}, {{8, 0}}},
        {"header 00h after the first run", {0x11, 0x05, 0x20, 0x00, 0x11, 0x05, 0x20}, {{5, 32}}},
    };
    for (const Case& c : cases) {
        const Decoded decoded = decodeBytes(c.bytes);
        EXPECT_EQ(decoded.result.integrityCode, kRecordGood) << c.what;
        EXPECT_EQ(decoded.result.fragmentCount, c.runs.size()) << c.what;
        EXPECT_EQ(decoded.runs, c.runs) << c.what;
    }
}

// Broken headers keep the runs decoded before them; the failing run is counted.
TEST(DataRuns, BrokenHeadersAndTheListsEnd) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::uint32_t code;
        std::uint32_t fragmentCount;
        std::size_t runsKept;
    };
    const Case cases[] = {
        {"no count bytes", {0x11, 0x05, 0x20, 0x20, 0x01, 0x02}, kRunCountSizeZero, 2, 1},
        {"nine count bytes", {0x09, 1, 2, 3, 4, 5, 6, 7, 8, 9}, kRunCountSizeTooLarge, 1, 0},
        {"nine offset bytes", {0x91, 0x05, 1, 2, 3, 4, 5, 6, 7, 8, 9}, kRunOffsetSizeTooLarge, 1, 0},
        // The checks go count size 0, count size, offset size.
        {"both sizes too large", {0x99}, kRunCountSizeTooLarge, 1, 0},
        // The bytes end (the record's end) before the list does.
        {"no closing zero", {0x11, 0x05, 0x20}, kRunCountSizeZero, 1, 1},
        {"count bytes cut off", {0x11, 0x05, 0x20, 0x04, 0x01, 0x02}, kRunCountSizeTooLarge, 2, 1},
        {"offset bytes cut off", {0x31, 0x05, 0x20}, kRunOffsetSizeTooLarge, 1, 0},
        {"empty", {}, kRunCountSizeZero, 0, 0},
    };
    for (const Case& c : cases) {
        const Decoded decoded = decodeBytes(c.bytes);
        EXPECT_EQ(decoded.result.integrityCode, c.code) << c.what;
        EXPECT_EQ(decoded.result.fragmentCount, c.fragmentCount) << c.what;
        EXPECT_EQ(decoded.runs.size(), c.runsKept) << c.what;
    }
}

TEST(DataRuns, ListEndsAtCapacityWithoutReadingFurther) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < kRunListMaxFragments; ++i) bytes.insert(bytes.end(), {0x11, 0x01, 0x01});
    bytes.push_back(0x09);  // a broken 100th header is never looked at
    DataRun runs[kRunListEntries] = {};
    const RunListResult result = decodeRunList(bytes, 0, runs);
    EXPECT_EQ(result.integrityCode, kRecordGood);
    EXPECT_EQ(result.fragmentCount, kRunListMaxFragments);
    EXPECT_EQ(runs[kRunListMaxFragments - 1].startCluster, kRunListMaxFragments);
    EXPECT_EQ(runs[kRunListMaxFragments].clusterCount, 0u);
}

// A full restore and the $MFT's runs need every run, and a gathered record carries runs written
// anew: an encoded list decodes to the same runs, beyond the list's capacity too.
TEST(DataRuns, EncodedListsDecodeToTheSameRunsWithoutTheCapacity) {
    std::vector<DataRun> runs;
    for (std::uint32_t i = 0; i < 150; ++i) {
        switch (i % 5) {
            case 0: runs.push_back({3, 10'000 + 20 * i}); break;          // forwards
            case 1: runs.push_back({1, 500 + i}); break;                  // far backwards
            case 2: runs.push_back({16, kSparseCluster}); break;          // sparse
            case 3: runs.push_back({0x01000000, 0xFFFF0000u - i}); break; // four count bytes, far up
            default: runs.push_back({200, 0}); break;                     // cluster 0
        }
    }
    const std::vector<std::uint8_t> bytes = encodeRunList(runs);
    std::vector<DataRun> decoded;
    const RunListResult result = decodeRunList(bytes, 0, decoded);
    EXPECT_EQ(result.integrityCode, kRecordGood);
    EXPECT_EQ(result.fragmentCount, runs.size());
    EXPECT_EQ(decoded, runs);
    // The list of the decoder keeps the first 99.
    DataRun capped[kRunListEntries] = {};
    EXPECT_EQ(decodeRunList(bytes, 0, capped).fragmentCount, kRunListMaxFragments);
    EXPECT_EQ(std::vector<DataRun>(capped, capped + kRunListMaxFragments),
              std::vector<DataRun>(runs.begin(), runs.begin() + kRunListMaxFragments));
}

}  // namespace
}  // namespace quenzar::ntfs
