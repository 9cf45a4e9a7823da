// A disk of 4,096-byte sectors through the real windows: the GPT fixture gpt4k.img (NTFS of
// 4,096-byte sectors, clusters and FILE records at LBA 256). The disk screen with its capacities,
// its LBAs and the note of its sector size; the recovery from the lettered drive through FILTR,
// WAIT and the tree window to a test restore whose files have the MD5s The Sleuth Kit reads, and
// a full restore of every file by the same engine; the virtual-disk dialogs from the boot sector,
// the $MFT and a FILE record, all in the disk's own LBAs; and the sector viewer, which shows a
// sector of 4,096 bytes in eight pages of 512 and decodes a FILE record of 4,096 bytes.
#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/wide_text.h"
#include "dialog_driver.h"
#include "disk/identify_data.h"
#include "disk/inventory.h"
#include "disk/inventory_screen.h"
#include "fixture_manifest.h"
#include "harness.h"
#include "ntfs/file_record.h"
#include "ntfs/virtual_disk.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "recovery/filter_choices.h"
#include "recovery/restore.h"
#include "resources/filter_dialog_ids.h"
#include "resources/menu_ids.h"
#include "resources/posted_command_ids.h"
#include "resources/tree_window_ids.h"
#include "resources/viewer_dialog_ids.h"
#include "resources/virtual_disk_dialog_ids.h"
#include "shell_fixture.h"
#include "viewer/viewer_model.h"

namespace {

namespace text = quenzar::text;
namespace recovery = quenzar::recovery;
namespace ts = quenzar::testsupport;
using quenzar::app::ScreenMode;
using quenzar::ntfs::VirtualDiskDialog;
using quenzar::wintest::DialogProbe;
using quenzar::wintest::kEnglish;
using quenzar::wintest::kRussian;
using quenzar::wintest::Note;
using quenzar::wintest::ShellWindow;
using quenzar::wintest::TempFolder;
using quenzar::wintest::utf16;

constexpr const char* kImage = "gpt4k.img";
constexpr std::uint32_t kSectorBytes = 4096;

const ts::ImageFacts& image() {
    static const ts::Manifest manifest = ts::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    return manifest.image(kImage);
}

const ts::PartitionFacts& volumeFacts() { return *image().partition(0); }

std::uint64_t mftLba() {
    const ts::PartitionFacts& volume = volumeFacts();
    return volume.lbaStart + volume.mftCluster * volume.clusterSize / kSectorBytes;
}

std::unique_ptr<quenzar::platform::DiskSystem> largeSectorDisk() {
    return std::make_unique<quenzar::platform::ImageDiskSystem>(
        std::vector<std::string>{quenzar::wintest::fixtureImage(kImage)});
}

std::string picture(const char* name, text::Language language) {
    return std::string(name) + (language == kRussian ? "-ru" : "-en");
}

// Bytes of the image as the file holds them.
std::string imageBytes(std::uint64_t offset, std::size_t count) {
    std::ifstream file(quenzar::wintest::fixtureImage(kImage), std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(count, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(count));
    return bytes;
}

// The MD5 of a file as 32 lower-case hex digits, through the system's own hash provider.
std::string md5Of(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::string hex;
    if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
        BYTE digest[16] = {};
        DWORD length = sizeof digest;
        if (CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0)) {
            constexpr char kDigits[] = "0123456789abcdef";
            for (const BYTE b : digest) {
                hex += kDigits[b >> 4];
                hex += kDigits[b & 0x0F];
            }
        }
    }
    if (hash != 0) CryptDestroyHash(hash);
    if (provider != 0) CryptReleaseContext(provider, 0);
    return hex;
}

// The MD5s of the files written under a folder, by their names (UTF-8): namesakes of other
// folders gather under one name.
std::map<std::string, std::set<std::string>> md5sByName(const std::filesystem::path& folder) {
    std::map<std::string, std::set<std::string>> found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (!item.is_regular_file()) continue;
        const std::u8string name = item.path().filename().u8string();
        found[std::string(name.begin(), name.end())].insert(md5Of(item.path()));
    }
    return found;
}

// What a restore must give a file of the volume: its contents as written where its clusters still
// hold them, else what its record leads to now (as The Sleuth Kit's icat reads it).
const std::string& expectedMd5(const ts::EntryFacts& entry) { return entry.intact ? entry.md5 : entry.icatMd5; }

// A file the test restore copies: data in one fragment of at most 64,512 bytes.
bool testRestoreTakes(const ts::EntryFacts& entry) {
    return entry.isFile() && !entry.resident && entry.runCount == 1 && entry.size > 0 &&
           entry.size <= recovery::kTestRestoreMaxBytes && !entry.path.starts_with("$");
}

int listRowCount(const DialogProbe& window) {
    return static_cast<int>(SendDlgItemMessageW(window.window(), IDC_TREE_LIST, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring rowText(const DialogProbe& window, int row) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 256;
    SendDlgItemMessageW(window.window(), IDC_TREE_LIST, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(&item));
    return text;
}

bool waitForTreeJobs(const DialogProbe& window) {
    return quenzar::wintest::pumpUntil([&] { return IsWindowEnabled(window.window()) != FALSE; });
}

// The pixels of a client rectangle of the window as they are on the screen, as 0x00RRGGBB.
std::vector<std::uint32_t> clientPixels(HWND window, const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    POINT origin{area.left, area.top};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(words, words + width * height);
    for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

int darkPixels(HWND window, const RECT& area) {
    int count = 0;
    for (const std::uint32_t p : clientPixels(window, area)) {
        if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 90) ++count;
    }
    return count;
}

int redPixels(HWND window, const RECT& area) {
    int count = 0;
    for (const std::uint32_t p : clientPixels(window, area)) {
        if (((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80) ++count;
    }
    return count;
}

void pressKey(ShellWindow& shell, WPARAM key) {
    SendMessageW(shell.window(), WM_KEYDOWN, key, 1);
    SendMessageW(shell.window(), WM_KEYUP, key, 0xC0000001);
    shell.settle();
}

// The analysis of the drive the disk's partition table letters D:, with a filter.
recovery::AnalysisResult analyseLetteredDrive(const recovery::SearchFilter& filter) {
    quenzar::platform::ImageDiskSystem disks({quenzar::wintest::fixtureImage(kImage)});
    quenzar::disk::InventoryState inventory;
    quenzar::disk::BuildDiskInventory(inventory, disks);
    TempFolder folder;
    recovery::GenerationState generations;
    recovery::AnalysisProgress progress;
    recovery::AnalysisContext context{filter, generations, progress, folder.path()};
    return recovery::runAnalysis(disks, inventory, 'D', context);
}

// Every file of the volume but NTFS's own restored whole by the engine the tree window uses (the
// command line's full restore), from an analysis of the drive with the window's filter.
recovery::RestoreReport restoreEveryFileWhole(const recovery::SearchFilter& filter, const std::filesystem::path& target) {
    quenzar::platform::ImageDiskSystem disks({quenzar::wintest::fixtureImage(kImage)});
    quenzar::disk::InventoryState inventory;
    quenzar::disk::BuildDiskInventory(inventory, disks);
    TempFolder folder;
    recovery::GenerationState generations;
    recovery::AnalysisProgress analysisProgress;
    recovery::AnalysisContext context{filter, generations, analysisProgress, folder.path()};
    const recovery::AnalysisResult analysed = recovery::runAnalysis(disks, inventory, 'D', context);
    REQUIRE(analysed.outcome == recovery::AnalysisOutcome::Completed);
    std::vector<recovery::FileTableEntry> table = analysed.tree.table;
    for (recovery::FileTableEntry& entry : table) {
        if (!entry.isFolder() && entry.name[0] != '$') entry.mark = recovery::kMarked;
    }
    const recovery::RestoreSource source{disks,
                                         inventory.masks,
                                         '0',
                                         analysed.units,
                                         analysed.geometry.volumeStartLba,
                                         analysed.volumeSectorCount,
                                         analysed.statistics.unreadableRecords,
                                         analysed.mftRuns,
                                         analysed.unreadableRecords};
    recovery::RestoreProgress progress;
    std::filesystem::create_directory(target);
    return recovery::restoreMarkedFiles(source, table, target, recovery::RestoreMode::Full, progress);
}

}  // namespace

TEST_CASE(aDiskOfLargeSectorsFromItsScreenToRestoredFiles) {
    const ts::ImageFacts& disk = image();
    const ts::PartitionFacts& volume = volumeFacts();
    REQUIRE(disk.sectorSize == kSectorBytes && volume.sectorSize == kSectorBytes);
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        TempFolder work, target;
        ShellWindow shell(language, true, largeSectorDisk());
        REQUIRE(shell.window() != nullptr);
        shell.state.analysis.workFolder = work.path();

        // The disk screen: the disk of 4,096-byte sectors with its capacity, its LBAs and its
        // drive letter in those sectors, and the note of its sector size in its block.
        shell.command(CMD_DISK_INVENTORY);
        const quenzar::disk::InventoryState& inventory = shell.state.inventory;
        const quenzar::disk::PhysicalDiskInfo& info = inventory.disk('0');
        REQUIRE(info.isPresent());
        CHECK_EQ(info.bytesPerSector, kSectorBytes);
        CHECK_EQ(info.totalSectors, disk.lbaCount);
        CHECK_EQ(info.capacityMb, disk.size / 1'000'000);
        CHECK_EQ(info.partitions[0].startLba, volume.lbaStart);
        const quenzar::disk::LogicalDriveInfo& drive = inventory.drive('D');
        CHECK_EQ(drive.startLba, volume.lbaStart);
        CHECK_EQ(drive.endLba, volume.lbaStart + volume.fsSectors);
        CHECK(drive.capacityText == quenzar::disk::capacityText(volume.fsSectors * kSectorBytes / 1'000'000));
        // The LBA of D: stands in the block's third line, in the disk's own sectors.
        const std::string_view lbaLine = quenzar::disk::screenLine(inventory, quenzar::disk::kScreenHeadingLines + 2);
        CHECK(lbaLine.find(" " + std::to_string(volume.lbaStart)) != std::string_view::npos);
        // The note stands in the blank columns of the block's second line, right of the serial number.
        const int noteLeft = 10 + 7 * static_cast<int>(quenzar::app::texts::kDiskSectorNoteColumn);
        CHECK(darkPixels(shell.window(), RECT{noteLeft, 58 + 16, noteLeft + 7 * 13, 58 + 32}) > 40);
        CHECK_EQ(darkPixels(shell.window(), RECT{noteLeft, 58 + 48 + 16, noteLeft + 7 * 13, 58 + 48 + 32}), 0);
        quenzar::wintest::saveScreenshot(shell.window(), picture("disks-4k", language).c_str());

        // FILTR: every extension (the temporary files of the fixture too), existing and deleted
        // files, drive D:; WAIT; the tree window.
        bool restored = false;
        auto treeScript = [&](DialogProbe& tree) {
            REQUIRE(quenzar::wintest::pumpUntil([&] { return listRowCount(tree) > 0; }));
            REQUIRE(waitForTreeJobs(tree));
            const recovery::FileStatistics& counted = shell.state.analysis.result.statistics;
            CHECK(counted.filesDeleted > 0);
            CHECK_EQ(tree.text(IDC_TREE_FOUND_IN_USE), std::to_wstring(counted.filesInUse));
            CHECK_EQ(tree.text(IDC_TREE_FOUND_DELETED), std::to_wstring(counted.filesDeleted));
            CHECK_EQ(shell.state.analysis.result.units.sectorBytes, kSectorBytes);
            CHECK_EQ(shell.state.analysis.result.units.recordBytes, volume.mftRecordSize);
            CHECK_EQ(shell.state.analysis.volumeStartLba, volume.lbaStart);
            tree.click(IDC_TREE_SELECT_ALL);
            REQUIRE(quenzar::wintest::pumpUntil([&] { return tree.text(IDC_TREE_MARKED_IN_USE) != L"0"; }));
            REQUIRE(waitForTreeJobs(tree));
            shell.record.answers = {IDYES};
            shell.record.folderAnswer = quenzar::app::text1251FromWide(target.path().wstring());
            const std::size_t boxesBefore = shell.record.messages.size();
            tree.click(IDC_TREE_RESTORE);
            REQUIRE(quenzar::wintest::pumpUntil([&] { return shell.record.messages.size() == boxesBefore + 2; }));
            CHECK_EQ(shell.record.messages.back().flags, UINT(MB_ICONINFORMATION));
            REQUIRE(waitForTreeJobs(tree));
            restored = true;
            // The Cyrillic folder opened, for the picture.
            for (int row = 0; row < listRowCount(tree); ++row) {
                if (rowText(tree, row) != L"Документы") continue;
                tree.doubleClickRow(IDC_TREE_LIST, row);
                REQUIRE(waitForTreeJobs(tree));
                break;
            }
            quenzar::wintest::saveScreenshot(tree.window(), picture("pros-4k", language).c_str());
            tree.close();
        };
        quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
            filter.type(IDC_FILTER_DRIVE_LETTER, L"D");
            filter.click(IDC_FILTER_ALL_EXTENSIONS);
            filter.click(IDC_FILTER_NO_SYSTEM_FILES);
            filter.click(IDC_FILTER_DELETED);
            REQUIRE(filter.checked(IDC_FILTER_ALL_EXTENSIONS) && !filter.checked(IDC_FILTER_NO_SYSTEM_FILES));
            REQUIRE(filter.checked(IDC_FILTER_EXISTING) && filter.checked(IDC_FILTER_DELETED));
            quenzar::wintest::onNextDialog(treeScript, utf16(recovery::logicalDriveTreeTitle('D', language)));
            filter.click(IDC_FILTER_APPLY);
        });
        shell.command(CMD_RECOVER_LOGICAL_DRIVE);
        REQUIRE(quenzar::wintest::pumpUntil([&] { return restored && quenzar::wintest::dialogScriptRan(); }, 60'000));

        // The test restore wrote every file it takes with the MD5 The Sleuth Kit reads; the deleted
        // files whose clusters a later file took come back as their records lead to now.
        const auto restoredMd5s = md5sByName(target.path());
        int checked = 0;
        for (const ts::EntryFacts* entry : disk.entriesOf(0)) {
            if (!testRestoreTakes(*entry) || entry->orphan) continue;
            Note file(entry->path);
            const auto found = restoredMd5s.find(entry->name());
            REQUIRE(found != restoredMd5s.end());
            CHECK(found->second.contains(expectedMd5(*entry)));
            ++checked;
        }
        CHECK(checked >= 10);

        // The full restore of every file by the same engine, with the window's filter.
        if (language == kEnglish) {
            const std::filesystem::path whole = work.path() / "whole";
            const recovery::RestoreReport report = restoreEveryFileWhole(shell.state.analysis.filter, whole);
            CHECK(report.complete());
            const auto wholeMd5s = md5sByName(whole);
            int files = 0;
            for (const ts::EntryFacts* entry : disk.entriesOf(0)) {
                if (!entry->isFile() || entry->path.starts_with("$") || entry->md5.empty()) continue;
                Note file(entry->path);
                const auto found = wholeMd5s.find(entry->name());
                REQUIRE(found != wholeMd5s.end());
                CHECK(found->second.contains(expectedMd5(*entry)));
                ++files;
            }
            CHECK(files >= 20);
        }
    }
}

// The three starting points of a virtual disk, typed in the disk's own 4,096-byte LBAs: the
// volume's boot sector, the $MFT's first record, and the FILE record of a file; each computes the
// volume and its analysis finds what the lettered drive holds.
TEST_CASE(virtualDisksOfADiskOfLargeSectorsFromEachKnownSector) {
    const ts::PartitionFacts& volume = volumeFacts();
    const ts::EntryFacts* file = image().entry(0, ts::utf8(u8"Документы/Отчёт за квартал.txt"));
    REQUIRE(file != nullptr);
    const std::uint64_t clusterSectors = volume.clusterSize / kSectorBytes;
    const std::uint64_t recordLba = mftLba() + file->record * volume.mftRecordSize / kSectorBytes;
    struct Row {
        VirtualDiskDialog kind;
        int command;
        int input;
        int apply;
        std::uint64_t lba;
        const char* picture;
    };
    const Row rows[] = {
        {VirtualDiskDialog::FromBootSector, CMD_VIRTUAL_FROM_BOOT, IDC_VDISK_BOOT_LBA, IDC_VBOOT_APPLY, volume.lbaStart,
         "vboot-4k"},
        {VirtualDiskDialog::FromMftPosition, CMD_VIRTUAL_FROM_MFT, IDC_VDISK_MFT_LBA, IDC_VMFT_APPLY, mftLba(), "vmft-4k"},
        {VirtualDiskDialog::FromFileRecord, CMD_VIRTUAL_FROM_FILE_RECORD, IDC_VDISK_RECORD_LBA, IDC_VFR_APPLY, recordLba,
         "vfr-4k"},
    };
    for (text::Language language : {kEnglish, kRussian}) {
        // The search for lost volumes reads the disk in its own sectors: it finds the volume at
        // LBA 256 and opens V_BOOT there.
        {
            Note note(std::string(quenzar::wintest::languageName(language)) + " vscan-4k");
            ShellWindow shell(language, true, largeSectorDisk());
            REQUIRE(shell.window() != nullptr);
            bool bootSeen = false;
            quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
                dialog.click(IDC_VDISK_FIRST_DISK);
                dialog.click(IDC_VSCAN_SEARCH);
                const HWND list = GetDlgItem(dialog.window(), IDC_VSCAN_LIST);
                REQUIRE(quenzar::wintest::pumpUntil(
                    [&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 1 && dialog.enabled(IDC_VSCAN_SEARCH); }));
                wchar_t line[200] = {};
                SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
                CHECK(std::wstring(line).rfind(std::to_wstring(volume.lbaStart) + L" ", 0) == 0);
                // The whole disk was read, all its 4,096-byte sectors.
                CHECK(dialog.text(IDC_VSCAN_STATUS).find(std::to_wstring(image().lbaCount)) != std::wstring::npos);
                SendMessageW(list, LB_SETCURSEL, 0, 0);
                SendMessageW(dialog.window(), WM_COMMAND, MAKEWPARAM(IDC_VSCAN_LIST, LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(list));
                quenzar::wintest::saveScreenshot(dialog.window(), picture("vscan-4k", language).c_str());
                quenzar::wintest::onNextDialog([&](DialogProbe& boot) {
                    bootSeen = true;
                    CHECK_EQ(boot.text(IDC_VDISK_BOOT_LBA), std::to_wstring(volume.lbaStart));
                    CHECK_EQ(boot.text(IDC_VDISK_RESULT), std::wstring(L"MFT"));
                    CHECK_EQ(boot.text(IDC_VDISK_CLUSTER_SIZE), std::to_wstring(clusterSectors));
                    CHECK_EQ(boot.text(IDC_VDISK_MFT_CLUSTER), std::to_wstring(volume.mftCluster));
                    boot.close();
                });
                dialog.click(IDC_VSCAN_OPEN);
            });
            shell.command(CMD_FIND_LOST_VOLUMES);
            CHECK(bootSeen);
        }
        // A search of a large disk of 4,096-byte sectors stopped by its button says how far it
        // read in MiB of the disk's bytes: the fixture grown to 64 GiB (the rest unwritten).
        if (language == kEnglish) {
            Note note("stopped search of 64 GiB");
            TempFolder folder;
            const std::filesystem::path large = folder.path() / "large4k.img";
            std::filesystem::copy_file(quenzar::wintest::fixtureImage(kImage), large);
            std::filesystem::resize_file(large, std::uint64_t{64} << 30);
            ShellWindow shell(language, true,
                              std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{large.string()}));
            REQUIRE(shell.window() != nullptr);
            quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
                dialog.click(IDC_VDISK_FIRST_DISK);
                dialog.click(IDC_VSCAN_SEARCH);
                REQUIRE(quenzar::wintest::pumpUntil([&] {
                    const std::wstring reading = dialog.text(IDC_VSCAN_STATUS);
                    return reading.find(L" of 65536 MiB") != std::wstring::npos && reading.find(L"Read 0 ") != 0;
                }));
                dialog.click(IDC_VSCAN_SEARCH);
                REQUIRE(quenzar::wintest::pumpUntil([&] { return dialog.enabled(IDC_VSCAN_SEARCH); }, 60'000));
                const std::wstring status = dialog.text(IDC_VSCAN_STATUS);
                CHECK(status.rfind(L"The search was stopped after ", 0) == 0);
                CHECK(status.find(L" of 65536 MiB; volumes found: 1") != std::wstring::npos);
                dialog.close();
            });
            shell.command(CMD_FIND_LOST_VOLUMES);
            CHECK(shell.record.messages.empty());
        }
        for (const Row& row : rows) {
            Note note(std::string(quenzar::wintest::languageName(language)) + " " + row.picture);
            TempFolder work;
            ShellWindow shell(language, true, largeSectorDisk());
            REQUIRE(shell.window() != nullptr);
            shell.state.analysis.workFolder = work.path();
            int treeRows = -1;
            auto treeScript = [&](DialogProbe& tree) {
                quenzar::wintest::pumpUntil([&] { return listRowCount(tree) > 0 && IsWindowEnabled(tree.window()); });
                treeRows = listRowCount(tree);
                tree.close();
            };
            quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
                dialog.click(IDC_VDISK_FIRST_DISK);
                REQUIRE(dialog.enabled(row.input));
                dialog.type(row.input, std::to_wstring(row.lba));
                dialog.click(row.apply);
                CHECK_EQ(dialog.text(IDC_VDISK_RESULT), std::wstring(L"MFT"));
                CHECK_EQ(dialog.text(IDC_VDISK_BOOT_LBA), std::to_wstring(volume.lbaStart));
                CHECK_EQ(dialog.text(IDC_VDISK_CLUSTER_SIZE), std::to_wstring(clusterSectors));
                CHECK_EQ(dialog.text(IDC_VDISK_MFT_CLUSTER), std::to_wstring(volume.mftCluster));
                CHECK_EQ(dialog.text(IDC_VDISK_MFT_LBA), std::to_wstring(mftLba()));
                REQUIRE(dialog.enabled(IDC_VDISK_RUN));
                quenzar::wintest::saveScreenshot(dialog.window(), picture(row.picture, language).c_str());
                quenzar::wintest::onNextDialog([&](DialogProbe& filter) {
                    quenzar::wintest::onNextDialog(treeScript, utf16(quenzar::ntfs::treeWindowTitle(row.kind, language)));
                    filter.click(IDC_FILTER_ALL_EXTENSIONS);  // the fixture's files are no documents
                    filter.click(IDC_FILTER_APPLY);
                });
                dialog.click(IDC_VDISK_RUN);
            });
            shell.command(row.command);
            quenzar::wintest::pumpUntil([&] { return treeRows >= 0 || !shell.record.messages.empty(); }, 60'000);
            for (const auto& message : shell.record.messages) CHECK_EQ(message.caption + ": " + message.text, std::string());
            REQUIRE(treeRows > 0);
            // What the lettered drive's analysis finds with the same filter.
            const recovery::AnalysisResult lettered = analyseLetteredDrive(shell.state.analysis.filter);
            REQUIRE(lettered.outcome == recovery::AnalysisOutcome::Completed);
            const recovery::AnalysisResult& shown = shell.state.analysis.result;
            CHECK_EQ(shown.units.sectorBytes, kSectorBytes);
            CHECK_EQ(shown.units.recordBytes, volume.mftRecordSize);
            CHECK_EQ(shown.statistics.matchedInUse, lettered.statistics.matchedInUse);
            CHECK_EQ(shown.statistics.filesInUse, lettered.statistics.filesInUse);
            CHECK_EQ(shown.statistics.bytesInUse, lettered.statistics.bytesInUse);
        }
    }
}

// The viewer on the disk of 4,096-byte sectors: a sector is eight pages of 512 bytes, stepped with
// Up and Down and named in the physical panel; the FILE record presentation decodes a record of
// 4,096 bytes; the record lookup lands on the record's sector; the boot sector and the GPT are read
// at their sectors' starts.
TEST_CASE(viewerShowsTheEightPagesOfALargeSector) {
    const ts::PartitionFacts& volume = volumeFacts();
    const ts::EntryFacts* file = image().entry(0, ts::utf8(u8"Документы/Отчёт за квартал.txt"));
    REQUIRE(file != nullptr);
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        ShellWindow shell(language, true, largeSectorDisk());
        REQUIRE(shell.window() != nullptr);

        // The first visit, the dialog cancelled, shows LBA 0: the protective MBR, and the GPT header
        // read from LBA 1 of 4,096 bytes.
        shell.command(CMD_VIEW_SECTOR);
        const quenzar::viewer::ViewerState& shown = shell.state.viewer;
        CHECK_EQ(shown.position.lba, std::uint64_t{0});
        CHECK_EQ(shown.sectorBytes, kSectorBytes);
        CHECK(std::memcmp(shown.viewBytes.data() + kSectorBytes, "EFI PART", 8) == 0);
        pressKey(shell, VK_F7);
        CHECK_EQ(shown.screenMode, 'P');
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-4k-gpt", language).c_str());

        // The $MFT's cluster: its first record, 4,096 bytes in one sector.
        quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
            dialog.type(IDC_LSC_LETTER, L"D");
            dialog.type(IDC_LSC_NUMBER, std::to_wstring(volume.mftCluster));
            dialog.click(IDC_LSC_OK);
        });
        shell.command(CMD_VIEW_CLUSTER);
        REQUIRE(shell.state.screenMode == ScreenMode::HexViewer);
        CHECK_EQ(shown.position.lba, mftLba());
        CHECK_EQ(shown.page, 0u);
        const std::string record0 = imageBytes(mftLba() * kSectorBytes, kSectorBytes);
        CHECK(std::string(reinterpret_cast<const char*>(shown.viewBytes.data()), kSectorBytes) == record0);
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-4k-page1", language).c_str());

        // Down twice: the third page, bytes 1,024 to 1,535 of the sector.
        pressKey(shell, VK_DOWN);
        pressKey(shell, VK_DOWN);
        CHECK_EQ(shown.position.lba, mftLba());
        CHECK_EQ(shown.page, 2u);
        CHECK(std::string(reinterpret_cast<const char*>(shown.shownPage().data()), 512) == record0.substr(1024, 512));
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-4k-page3", language).c_str());
        // On past the eighth page into the next sector (record 1), and back to the last page.
        for (int step = 0; step < 6; ++step) pressKey(shell, VK_DOWN);
        CHECK_EQ(shown.position.lba, mftLba() + 1);
        CHECK_EQ(shown.page, 0u);
        pressKey(shell, VK_UP);
        CHECK_EQ(shown.position.lba, mftLba());
        CHECK_EQ(shown.page, 7u);
        CHECK(std::string(reinterpret_cast<const char*>(shown.shownPage().data()), 512) == record0.substr(3584, 512));

        // The record presentation decodes the whole 4,096-byte record: no integrity message in red.
        pressKey(shell, VK_F3);
        CHECK(shell.state.screenMode == ScreenMode::RecordViewer);
        CHECK_EQ(redPixels(shell.window(), RECT{240, 430, 700, 450}), 0);
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-4k-record", language).c_str());

        // The volume's first sector, its NTFS boot sector naming 4,096-byte sectors.
        pressKey(shell, VK_HOME);
        CHECK_EQ(shown.position.lba, volume.lbaStart);
        pressKey(shell, VK_F8);
        CHECK_EQ(shown.screenMode, 'N');
        CHECK(std::memcmp(shown.viewBytes.data() + 3, "NTFS", 4) == 0);
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-4k-boot", language).c_str());

        // The record lookup of the virtual disk modelled at LBA 256: the file's record in its sector.
        bool asked = false;
        quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
            dialog.click(IDC_VDISK_FIRST_DISK);
            dialog.type(IDC_VDISK_BOOT_LBA, std::to_wstring(volume.lbaStart));
            dialog.click(IDC_VBOOT_APPLY);
            REQUIRE(dialog.enabled(IDC_VDISK_MFT_NUMBER));
            quenzar::wintest::onNextDialog([&](DialogProbe& lookup) {
                asked = true;
                lookup.type(IDC_VNMFT_RECORD, std::to_wstring(file->record));
                lookup.click(IDC_VNMFT_OK);
            });
            dialog.click(IDC_VDISK_MFT_NUMBER);
        });
        shell.command(CMD_VIRTUAL_FROM_BOOT);
        REQUIRE(quenzar::wintest::pumpUntil([&] { return asked && !quenzar::wintest::dialogScriptPending(); }));
        shell.settle();
        CHECK(shell.state.screenMode == ScreenMode::RecordViewer);
        CHECK_EQ(shown.position.lba, mftLba() + file->record);
        std::array<std::uint8_t, quenzar::ntfs::kLargeRecordSize> record{};
        std::copy_n(shown.viewBytes.begin(), record.size(), record.begin());
        quenzar::ntfs::FileRecordInfo info;
        CHECK_EQ(quenzar::ntfs::decodeFileRecord(record, info), std::uint32_t{0});
        CHECK_EQ(info.ownNumber, static_cast<std::uint32_t>(file->record));
        CHECK_EQ(info.realSize, file->size);
        CHECK(shell.state.viewerPanels.virtualDisk.find(std::to_string(file->record) + " +0") != std::string::npos);
        CHECK_EQ(redPixels(shell.window(), RECT{240, 430, 700, 450}), 0);
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-4k-lookup", language).c_str());
    }
}

// FILE records of 4,096 bytes on a disk of 512-byte sectors (rec4k512.img): the record lookup
// lands on the record's first sector, the presentation decodes all eight sectors of it, and the
// virtual-disk panel names the record and which of its sectors is shown as Down steps sectors.
TEST_CASE(viewerDecodesLargeRecordsOnSmallSectors) {
    static const ts::Manifest manifest = ts::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    const ts::ImageFacts& disk = manifest.image("rec4k512.img");
    const ts::PartitionFacts& volume = *disk.partition(0);
    REQUIRE(disk.sectorSize == 512 && volume.mftRecordSize == 4096);
    const ts::EntryFacts* file = disk.entry(0, "data/big-90000.bin");
    REQUIRE(file != nullptr);
    const std::uint64_t mftStart = volume.startLba + volume.mftCluster * volume.clusterSize / 512;
    ShellWindow shell(kEnglish, true,
                      std::make_unique<quenzar::platform::ImageDiskSystem>(
                          std::vector<std::string>{quenzar::wintest::fixtureImage("rec4k512.img")}));
    REQUIRE(shell.window() != nullptr);
    bool asked = false;
    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        dialog.click(IDC_VDISK_FIRST_DISK);
        dialog.type(IDC_VDISK_BOOT_LBA, std::to_wstring(volume.startLba));
        dialog.click(IDC_VBOOT_APPLY);
        REQUIRE(dialog.enabled(IDC_VDISK_MFT_NUMBER));
        quenzar::wintest::onNextDialog([&](DialogProbe& lookup) {
            asked = true;
            lookup.type(IDC_VNMFT_RECORD, std::to_wstring(file->record));
            lookup.click(IDC_VNMFT_OK);
        });
        dialog.click(IDC_VDISK_MFT_NUMBER);
    });
    shell.command(CMD_VIRTUAL_FROM_BOOT);
    REQUIRE(quenzar::wintest::pumpUntil([&] { return asked && !quenzar::wintest::dialogScriptPending(); }));
    shell.settle();
    const quenzar::viewer::ViewerState& shown = shell.state.viewer;
    CHECK(shell.state.screenMode == ScreenMode::RecordViewer);
    CHECK_EQ(shown.sectorBytes, 512u);
    CHECK_EQ(shown.position.lba, mftStart + file->record * 8);
    std::array<std::uint8_t, quenzar::ntfs::kLargeRecordSize> record{};
    std::copy_n(shown.viewBytes.begin(), record.size(), record.begin());
    quenzar::ntfs::FileRecordInfo info;
    CHECK_EQ(quenzar::ntfs::decodeFileRecord(record, info), std::uint32_t{0});
    CHECK_EQ(info.realSize, file->size);
    CHECK_EQ(redPixels(shell.window(), RECT{240, 430, 700, 450}), 0);
    const std::string number = std::to_string(file->record);
    CHECK(shell.state.viewerPanels.virtualDisk.find(number + " +0") != std::string::npos);
    quenzar::wintest::saveScreenshot(shell.window(), "viewer-rec4k512-record-en");

    // From the $MFT's cluster on, a page is the whole sector here: Down steps a sector, and the
    // panel follows through the eight sectors of record 0 into record 1.
    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        dialog.type(IDC_LSC_LETTER, L"D");
        dialog.type(IDC_LSC_NUMBER, std::to_wstring(volume.mftCluster));
        dialog.click(IDC_LSC_OK);
    });
    shell.command(CMD_VIEW_CLUSTER);
    REQUIRE(shown.position.lba == mftStart);
    for (int step = 0; step < 5; ++step) pressKey(shell, VK_DOWN);
    CHECK_EQ(shown.position.lba, mftStart + 5);
    CHECK_EQ(shown.page, 0u);
    const std::string& panel = shell.state.viewerPanels.virtualDisk;
    CHECK_EQ(panel.substr(panel.size() - 14, 13), std::string("         0 +5"));
    CHECK(quenzar::viewer::sectorPartLine(shown, kEnglish).empty());
    quenzar::wintest::saveScreenshot(shell.window(), "viewer-rec4k512-hex-en");
    for (int step = 0; step < 3; ++step) pressKey(shell, VK_DOWN);
    CHECK_EQ(panel.substr(panel.size() - 14, 13), std::string("         1 +0"));
}
