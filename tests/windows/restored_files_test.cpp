// Restored files as Windows writes them: a sparse file of 4 TiB (the fixture sparse.img, made by
// ntfs-3g) restored whole, in a moment, keeping its holes; Chinese, Polish and Greek names (the
// fixture world-names.img) created through the wide functions as the volume holds them.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disk/inventory.h"
#include "fixture_manifest.h"
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

namespace {

// Analyses the first volume (D:) of a fixture image for every file, marks every file whose name
// does not begin with "$" and restores them into `target` as the tree window's restore does.
recovery::RestoreReport restoreEveryFile(const char* image, const TempFolder& folder,
                                         const std::filesystem::path& target, recovery::RestoreMode mode,
                                         recovery::RestoreProgress& progress) {
    quenzar::platform::ImageDiskSystem disks({quenzar::wintest::fixtureImage(image)});
    quenzar::disk::InventoryState inventory;
    quenzar::disk::BuildDiskInventory(inventory, disks);
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
                                         analysed.units,
                                         analysed.geometry.volumeStartLba,
                                         analysed.volumeSectorCount,
                                         analysed.statistics.unreadableRecords};
    std::filesystem::create_directory(target);
    return recovery::restoreMarkedFiles(source, table, target, mode, progress);
}

// The names in one folder as Windows lists them.
std::vector<std::wstring> namesIn(const std::filesystem::path& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder / L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_CASE(aSparseFileOfFourTebibytesIsRestoredWithItsHoles) {
    TempFolder folder;
    const std::filesystem::path target = folder.path() / "restored";
    recovery::RestoreProgress progress;
    const DWORD started = GetTickCount();
    const recovery::RestoreReport report =
        restoreEveryFile("sparse.img", folder, target, recovery::RestoreMode::Full, progress);
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

// Every file of the volume, deleted and empty ones too, is created under the name The Sleuth Kit's fls
// reads on the volume (the manifest's paths), in folders of such names, with its size; the two
// names that differ only in a Chinese letter stay two files.
TEST_CASE(namesInScriptsCodePage1251LacksAreRestoredAsTheVolumeHoldsThem) {
    const auto manifest = quenzar::testsupport::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    TempFolder folder;
    const std::filesystem::path target = folder.path() / "restored";
    recovery::RestoreProgress progress;
    const recovery::RestoreReport report =
        restoreEveryFile("world-names.img", folder, target, recovery::RestoreMode::Full, progress);
    CHECK(report.complete());
    std::uint64_t files = 0;
    for (const quenzar::testsupport::EntryFacts* entry : manifest.image("world-names.img").entriesOf(0)) {
        if (!entry->isFile()) continue;
        ++files;
        const std::filesystem::path file =
            target / L"Razd0" / std::filesystem::path(std::u8string(entry->path.begin(), entry->path.end()));
        CHECK(std::filesystem::is_regular_file(file));
        if (std::filesystem::is_regular_file(file)) CHECK_EQ(std::filesystem::file_size(file), entry->size);
    }
    CHECK_EQ(report.filesWritten, files);
    const std::vector<std::wstring> names = namesIn(target / L"Razd0");
    for (const wchar_t* name : {L"ab\u4E2D.txt", L"ab\u65E5.txt", L"\u4E2D\u6587.txt", L"notes \U0001F4DD 2024.txt"}) {
        CHECK(std::find(names.begin(), names.end(), name) != names.end());
    }
}
