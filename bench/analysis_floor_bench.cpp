// The whole analysis of a volume against the floor it cannot go below: reading the same MFT bytes
// with pread in 4 MiB pieces and nothing else. Prints both, median of the runs, and their ratio.
//
//   build/linux/bench/analysis_floor_bench IMAGE [RUNS] [--cold]
//
// IMAGE is a disk image whose first NTFS volume is analysed (all files, deleted ones too, the
// tree, the work file in a temporary folder). With --cold the page cache is dropped before every
// timed run (root only), so both figures include reading from the disk.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"

namespace {

using namespace quenzar;
using Clock = std::chrono::steady_clock;

void dropPageCache() {
    ::sync();
    std::ofstream("/proc/sys/vm/drop_caches") << "3\n";
}

recovery::AnalysisResult analyse(const std::string& image, const std::filesystem::path& work, char& letter) {
    platform::ImageDiskSystem disks({image});
    disk::InventoryState inventory;
    disk::BuildDiskInventory(inventory, disks);
    for (char candidate = 'C'; candidate <= 'Z' && letter == 0; ++candidate) {
        if (inventory.drive(candidate).fileSystem() == disk::FileSystem::Ntfs) letter = candidate;
    }
    recovery::SearchFilter filter;
    filter.allExtensions = 1;
    filter.searchDeleted = 1;
    recovery::GenerationState generations;
    recovery::AnalysisProgress progress;
    recovery::AnalysisContext context{filter, generations, progress, work};
    return recovery::runAnalysis(disks, inventory, letter, context);
}

// Reads every MFT record the analysis read, row by row of its run table, in 4 MiB pieces.
std::uint64_t readMftFloor(const std::string& image, const recovery::AnalysisGeometry& geometry,
                           std::uint64_t recordCount) {
    const int fd = ::open(image.c_str(), O_RDONLY);
    std::vector<char> buffer(4 << 20);
    std::uint64_t total = 0;
    for (const recovery::GeometryRunRow& row : geometry.runTable) {
        if (row.startLba == 0) break;
        if (row.firstRecord >= recordCount) break;
        const std::uint64_t last = std::min<std::uint64_t>(row.lastRecord, recordCount - 1);
        std::uint64_t bytes = (last - row.firstRecord + 1) * 1024;
        std::uint64_t at = std::uint64_t{row.startLba} * 512;
        while (bytes > 0) {
            const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, buffer.size()));
            const ssize_t got = ::pread(fd, buffer.data(), piece, static_cast<off_t>(at));
            if (got <= 0) break;
            total += static_cast<std::uint64_t>(got);
            bytes -= static_cast<std::uint64_t>(got);
            at += static_cast<std::uint64_t>(got);
        }
    }
    ::close(fd);
    return total;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: analysis_floor_bench IMAGE [RUNS] [--cold]\n");
        return 2;
    }
    const std::string image = argv[1];
    int runs = 5;
    bool cold = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cold") == 0) cold = true;
        else runs = std::max(1, std::atoi(argv[i]));
    }
    const std::filesystem::path work = std::filesystem::temp_directory_path() / "quenzar-floor-bench";
    std::filesystem::create_directories(work);

    char letter = 0;
    const recovery::AnalysisResult first = analyse(image, work, letter);  // warms the cache, finds the runs
    if (first.outcome != recovery::AnalysisOutcome::Completed) {
        std::fprintf(stderr, "analysis_floor_bench: the analysis of %s did not complete\n", image.c_str());
        return 1;
    }
    std::vector<double> floorTimes, analysisTimes;
    std::uint64_t floorBytes = 0;
    for (int run = 0; run < runs; ++run) {
        if (cold) dropPageCache();
        Clock::time_point start = Clock::now();
        floorBytes = readMftFloor(image, first.geometry, first.recordCount);
        floorTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());

        if (cold) dropPageCache();
        start = Clock::now();
        char sameLetter = letter;
        const recovery::AnalysisResult result = analyse(image, work, sameLetter);
        analysisTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        if (result.statistics.filesInUse != first.statistics.filesInUse) return 1;
    }
    std::filesystem::remove_all(work);
    const double floorSeconds = median(floorTimes), analysisSeconds = median(analysisTimes);
    std::printf("%s, %s cache, %d runs: %llu records, %llu MFT bytes\n", image.c_str(), cold ? "cold" : "warm", runs,
                static_cast<unsigned long long>(first.recordCount), static_cast<unsigned long long>(floorBytes));
    std::printf("  floor (pread, 4 MiB pieces)  %8.3f s\n", floorSeconds);
    std::printf("  whole analysis               %8.3f s\n", analysisSeconds);
    std::printf("  ratio                        %8.2f\n", analysisSeconds / floorSeconds);
    return 0;
}
