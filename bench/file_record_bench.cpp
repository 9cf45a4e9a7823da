// Decodes every record of a large MFT held in memory, as the analysis does, and prints the records
// decoded per second. The MFT is made of real records (the fuzz seeds, taken from the fixture
// volumes) repeated with record numbers counting up. Each pass decodes a fresh copy, because the
// decoder undoes the update sequence in place.
//
// Usage: file_record_bench [MiB] [RECORD_FOLDER]   (default 1024 MiB, the seed corpus)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "ntfs/file_record.h"

using namespace quenzar::ntfs;

namespace {

constexpr std::size_t kRecordSize = 1024;

std::vector<std::vector<std::uint8_t>> loadRecords(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.file_size() == kRecordSize) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::vector<std::uint8_t>> records;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> record(kRecordSize);
        in.read(reinterpret_cast<char*>(record.data()), kRecordSize);
        records.push_back(std::move(record));
    }
    return records;
}

// The MFT: the records in turn, each with its own number set to its index (current layout).
void fillMft(std::vector<std::uint8_t>& mft, const std::vector<std::vector<std::uint8_t>>& records) {
    const std::size_t count = mft.size() / kRecordSize;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* slot = mft.data() + i * kRecordSize;
        std::memcpy(slot, records[i % records.size()].data(), kRecordSize);
        if (slot[0x04] == 0x30) {
            const auto number = static_cast<std::uint32_t>(i);
            std::memcpy(slot + 0x2C, &number, 4);  // little-endian hosts only, as this bench runs
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const std::filesystem::path folder = argc > 2 ? argv[2] : QUENZAR_SEED_RECORDS;
    const auto records = loadRecords(folder);
    if (records.empty() || mebibytes == 0) {
        std::fprintf(stderr, "file_record_bench: no 1,024-byte records in %s\n", folder.string().c_str());
        return 1;
    }
    std::vector<std::uint8_t> mft(mebibytes * 1024 * 1024);
    const std::size_t count = mft.size() / kRecordSize;
    std::printf("%zu records (%zu distinct) in %zu MiB\n", count, records.size(), mebibytes);

    FileRecordInfo info;
    ClusterStatistics statistics;
    double best = 0;
    for (int pass = 1; pass <= 3; ++pass) {
        fillMft(mft, records);
        std::size_t good = 0;
        std::uint64_t check = 0;
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < count; ++i) {
            const std::span<std::uint8_t> record(mft.data() + i * kRecordSize, kRecordSize);
            if (decodeFileRecord(record, info, statistics) == kRecordGood) {
                ++good;
                check += info.realSize + info.fragmentCount + static_cast<std::uint8_t>(info.ext[0]);
            }
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double perSecond = static_cast<double>(count) / seconds;
        best = std::max(best, perSecond);
        std::printf("pass %d: %.3f s, %.0f records/s, %.0f MiB/s (%zu good, check %llu)\n", pass, seconds, perSecond,
                    static_cast<double>(mebibytes) / seconds, good, static_cast<unsigned long long>(check));
    }
    std::printf("best: %.0f records/s (target 2000000)\n", best);
    return 0;
}
