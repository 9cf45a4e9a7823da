// Restored files as Windows writes them: a sparse file of 4 TiB (the fixture sparse.img, made by
// ntfs-3g) restored whole, in a moment, keeping its holes.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "harness.h"
#include "platform/stdio_file.h"
#include "recovery/analysis.h"
#include "recovery/restore.h"
#include "shell_fixture.h"

namespace {

namespace recovery = quenzar::recovery;
using quenzar::wintest::TempFolder;

constexpr std::uint64_t kTiB = std::uint64_t{1} << 40;

std::vector<char> bytesAt(const std::filesystem::path& file, std::uint64_t offset, std::size_t count) {
    std::vector<char> bytes(count, '\x55');
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    return bytes;
}

bool allZero(const std::vector<char>& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte == 0; });
}

}  // namespace

// The C library's way to set a file's length refuses one beyond the free space of the volume,
// holes or not; the platform's own sets it.
TEST_CASE(aFileOfFourTebibytesGetsItsLengthAsAHole) {
    TempFolder folder;
    const std::filesystem::path file = folder.path() / "hole.bin";
    std::ofstream(file, std::ios::binary).put('Q');
    CHECK(quenzar::platform::markSparse(file));
    REQUIRE(quenzar::platform::setFileLength(file, 4 * kTiB));
    CHECK_EQ(std::filesystem::file_size(file), 4 * kTiB);
    CHECK(bytesAt(file, 0, 1) == std::vector<char>{'Q'});
    CHECK(allZero(bytesAt(file, 2 * kTiB, 4096)));
    REQUIRE(quenzar::platform::setFileLength(file, 1));
    CHECK_EQ(std::filesystem::file_size(file), std::uintmax_t{1});
}

TEST_CASE(aSparseFileOfFourTebibytesIsRestoredWithItsHoles) {
    quenzar::platform::ImageDiskSystem disks({quenzar::wintest::fixtureImage("sparse.img")});
    quenzar::disk::InventoryState inventory;
    quenzar::disk::BuildDiskInventory(inventory, disks);
    TempFolder folder;
    const recovery::SearchFilter filter = recovery::everyFileFilter();
    recovery::GenerationState generations;
    recovery::AnalysisProgress analysisProgress;
    recovery::AnalysisContext context{filter, generations, analysisProgress, folder.path()};
    recovery::AnalysisResult analysed = recovery::runAnalysis(disks, inventory, 'D', context);
    REQUIRE(analysed.outcome == recovery::AnalysisOutcome::Completed);
    std::vector<recovery::FileTableEntry> table = analysed.tree.table;
    for (recovery::FileTableEntry& entry : table) {
        if (!entry.isFolder() && entry.name[0] != '$') entry.mark = recovery::kMarked;
    }
    const quenzar::disk::LogicalDriveInfo& drive = inventory.drive('D');
    const recovery::RestoreSource source{disks,
                                         inventory.masks,
                                         static_cast<char>('0' + drive.diskNumber),
                                         analysed.geometry.sectorsPerCluster,
                                         analysed.geometry.volumeStartLba,
                                         analysed.volumeSectorCount,
                                         analysed.statistics.unreadableRecords};
    const std::filesystem::path target = folder.path() / "restored";
    std::filesystem::create_directory(target);
    recovery::RestoreProgress progress;
    const DWORD started = GetTickCount();
    const recovery::RestoreReport report =
        recovery::restoreMarkedFiles(source, table, target, recovery::RestoreMode::Full, progress);
    const DWORD elapsedMs = GetTickCount() - started;
    CHECK(report.complete());
    CHECK_EQ(report.filesWritten, std::uint64_t{2});
    CHECK(elapsedMs < 30'000);

    const std::filesystem::path huge = target / "Razd0" / "huge-sparse.bin";
    CHECK_EQ(std::filesystem::file_size(huge), 4 * kTiB);
    // Data at its start, at 1 TiB + 28 KiB and in its last 4 KiB; zeros between.
    for (const std::uint64_t island : {std::uint64_t{0}, kTiB + 28 * 1024, 4 * kTiB - 4096}) {
        CHECK(!allZero(bytesAt(huge, island, 4096)));
    }
    CHECK(allZero(bytesAt(huge, 4096, 4096)));
    CHECK(allZero(bytesAt(huge, 3 * kTiB, 4096)));
    // The holes take no space: the file's allocated size is its islands'.
    HANDLE file = CreateFileW(huge.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    FILE_STANDARD_INFO info{};
    const bool known = GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof info) != 0;
    CloseHandle(file);
    CHECK(known);
    CHECK(static_cast<std::uint64_t>(info.AllocationSize.QuadPart) <= std::uint64_t{1} << 20);
}
