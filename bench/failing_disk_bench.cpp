// What a failing disk costs the salvaging reads: failed reads and time, with every failed read
// taking as long as a failing drive takes over a sector it cannot read.
//
//   build/linux/bench/failing_disk_bench [MS_PER_FAILED_READ]   (default 10)
//
// Two cases, each read as the restore reads a file (pieces of 1 MiB, one salvaging read each),
// whichever way the layer reports a failed read (a short read as on Linux, nothing as on
// Windows):
//   - one bad sector inside two files (their pieces both hold it);
//   - a bad area of 1,000 sectors inside a file of 4 MiB, and then a second file over it.
// For each file: the failed reads, all reads, the seconds, the sectors reported unreadable and
// how many of those could have been read (good sectors lost). The seconds at one second a failed
// read are the failed reads themselves.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disk/sector_access.h"
#include "support/faulty_disks.h"

namespace {

using namespace quenzar;
using Clock = std::chrono::steady_clock;
using testsupport::FaultyDisks;

constexpr std::uint64_t kSectorBytes = 512;
constexpr std::uint64_t kPieceBytes = 1 << 20;  // the restore's pieces
constexpr std::uint64_t kImageSectors = 16384;  // 8 MiB

struct Area {
    std::uint64_t firstSector, sectorCount;
};

struct FileRead {
    const char* name;
    std::uint64_t firstSector, sectorCount;
};

// Reads the file's sectors in pieces of 1 MiB through one handle, as the restore does; prints the
// cost and the outcome.
void readFile(FaultyDisks& disks, const FileRead& file, const Area& bad) {
    const std::uint64_t failedBefore = disks.failedReads();
    const std::uint64_t readsBefore = disks.reads();
    disk::DiskHandle handle = disk::DiskHandle::forDisk('0');
    disk::OpenPhysicalDisk(disks, handle);
    std::uint64_t missingSectors = 0, goodLost = 0;
    std::vector<std::uint8_t> buffer;
    const Clock::time_point start = Clock::now();
    for (std::uint64_t byte = file.firstSector * kSectorBytes; byte < (file.firstSector + file.sectorCount) * kSectorBytes;
         byte += kPieceBytes) {
        buffer.assign(static_cast<std::size_t>(std::min(kPieceBytes, (file.firstSector + file.sectorCount) * kSectorBytes - byte)), 0);
        const disk::BulkReadReport report = disk::readSalvaging(handle, byte, buffer);
        for (const disk::MissingRange& gap : report.missing) {
            for (std::uint64_t s = (byte + gap.firstByte) / kSectorBytes; s < (byte + gap.firstByte + gap.byteCount) / kSectorBytes; ++s) {
                ++missingSectors;
                if (s < bad.firstSector || s >= bad.firstSector + bad.sectorCount) ++goodLost;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("  %-34s failed reads %5llu  reads %6llu  %7.2f s  unreadable sectors %5llu (good ones lost %llu)\n",
                file.name, static_cast<unsigned long long>(disks.failedReads() - failedBefore),
                static_cast<unsigned long long>(disks.reads() - readsBefore), seconds,
                static_cast<unsigned long long>(missingSectors), static_cast<unsigned long long>(goodLost));
}

void runCase(const std::string& image, const char* title, const Area& bad, const std::vector<FileRead>& files,
             std::chrono::microseconds delay) {
    for (const FaultyDisks::Shape shape : {FaultyDisks::Shape::PrefixArrives, FaultyDisks::Shape::NothingArrives}) {
        std::printf("%s, %s:\n", title, shape == FaultyDisks::Shape::PrefixArrives ? "short reads" : "failed reads");
        FaultyDisks disks({image}, shape);
        disks.delayFailedReads(delay);
        disks.failSectors(bad.firstSector, bad.sectorCount);
        for (const FileRead& file : files) readFile(disks, file, bad);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long milliseconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10;
    const std::chrono::microseconds delay(milliseconds * 1000);
    const std::filesystem::path image = std::filesystem::temp_directory_path() / "failing_disk_bench.img";
    {
        std::vector<char> data(kImageSectors * kSectorBytes);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + (i >> 9));
        std::ofstream(image, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    std::printf("every failed read takes %ld ms\n", milliseconds);
    // The sector lies in the second piece of the first file and the first piece of the second.
    runCase(image.string(), "one bad sector in two files", {3000, 1},
            {{"file 1 (LBA 1000, 1.5 MiB)", 1000, 3072}, {"file 2 (LBA 2900, 1 MiB)", 2900, 2048}}, delay);
    runCase(image.string(), "a bad area of 1,000 sectors", {5000, 1000},
            {{"file 1 (LBA 4096, 4 MiB)", 4096, 8192}, {"file 2 (LBA 4500, 1 MiB)", 4500, 2048}}, delay);
    std::filesystem::remove(image);
    return 0;
}
