// The virtual-disk dialogs through their controls, on a copy of the first fixture disk whose NTFS
// partition entry is wiped: the disk chosen, the known sector's LBA typed and applied, the
// computed start, cluster size and $MFT read back against the fixture's manifest, a wrong sector
// refused on screen, and "RUN RECONSTRUCTION" carried through the filter dialog and the analysis
// to a tree window that finds what the intact disk's lettered drive holds.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "disk/inventory.h"
#include "fixture_manifest.h"
#include "harness.h"
#include "ntfs/virtual_disk.h"
#include "platform/disk_system.h"
#include "recovery/analysis.h"
#include "resources/filter_dialog_ids.h"
#include "resources/menu_ids.h"
#include "resources/tree_window_ids.h"
#include "resources/virtual_disk_dialog_ids.h"
#include "shell_fixture.h"

namespace {

namespace text = quenzar::text;
namespace recovery = quenzar::recovery;
using quenzar::ntfs::VirtualDiskDialog;
using quenzar::wintest::DialogProbe;
using quenzar::wintest::kEnglish;
using quenzar::wintest::kRussian;
using quenzar::wintest::Note;
using quenzar::wintest::ShellWindow;
using quenzar::wintest::TempFolder;
using quenzar::wintest::utf16;

// A copy of the first fixture disk without the partition entry of its NTFS volume at LBA 2048.
std::string wipedEntryCopy(const TempFolder& folder) {
    const std::filesystem::path copy = folder.path() / "wiped-entry.img";
    std::filesystem::copy_file(quenzar::wintest::fixtureImage("mbr.img"), copy);
    std::fstream disk(copy, std::ios::in | std::ios::out | std::ios::binary);
    const char zeros[16] = {};
    disk.seekp(0x1BE);  // the first slot of the partition table
    disk.write(zeros, sizeof zeros);
    return copy.string();
}

std::wstring number(std::uint64_t value) { return std::to_wstring(value); }

// What the intact disk's lettered drive D: holds, analysed directly with the same filter.
recovery::AnalysisResult analyseLetteredDrive(const recovery::SearchFilter& filter) {
    quenzar::platform::ImageDiskSystem disks(quenzar::wintest::shellTestImages());
    quenzar::disk::InventoryState inventory;
    quenzar::disk::BuildDiskInventory(inventory, disks);
    TempFolder folder;
    recovery::GenerationState generations;
    recovery::AnalysisProgress progress;
    recovery::AnalysisContext context{filter, generations, progress, folder.path()};
    return recovery::runAnalysis(disks, inventory, 'D', context);
}

struct DialogCase {
    VirtualDiskDialog kind;
    int commandId;
    const char* picture;
    int input;
    int apply;
};

constexpr DialogCase kDialogs[] = {
    {VirtualDiskDialog::FromBootSector, CMD_VIRTUAL_FROM_BOOT, "vboot", IDC_VDISK_BOOT_LBA, IDC_VBOOT_APPLY},
    {VirtualDiskDialog::FromMftPosition, CMD_VIRTUAL_FROM_MFT, "vmft", IDC_VDISK_MFT_LBA, IDC_VMFT_APPLY},
    {VirtualDiskDialog::FromFileRecord, CMD_VIRTUAL_FROM_FILE_RECORD, "vfr", IDC_VDISK_RECORD_LBA, IDC_VFR_APPLY},
};

}  // namespace

TEST_CASE(virtualDiskDialogsModelAWipedEntryVolumeAndAnalyseIt) {
    const auto manifest = quenzar::testsupport::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    const quenzar::testsupport::ImageFacts& image = manifest.image("mbr.img");
    const quenzar::testsupport::PartitionFacts& volume = *image.partition(0);
    REQUIRE(volume.filesystem == "ntfs");
    const std::uint64_t clusterSectors = volume.sectorsPerCluster();
    const std::uint64_t mftLba = volume.startLba + volume.mftCluster * clusterSectors;
    // A file's FILE record in the $MFT's first fragment: two sectors per record.
    const quenzar::testsupport::EntryFacts* file = nullptr;
    for (const auto* entry : image.entriesOf(0)) {
        if (entry->kind == quenzar::testsupport::EntryKind::File && !entry->deleted && entry->record > 40 &&
            entry->record < 200) {
            file = entry;
            break;
        }
    }
    REQUIRE(file != nullptr);
    const std::uint64_t recordLba = mftLba + 2 * file->record;
    const std::uint64_t inputs[] = {volume.startLba, mftLba, recordLba};

    TempFolder folder;
    const std::string wiped = wipedEntryCopy(folder);
    for (text::Language language : {kEnglish, kRussian}) {
        for (std::size_t d = 0; d < std::size(kDialogs); ++d) {
            const DialogCase& row = kDialogs[d];
            Note note(std::string(quenzar::wintest::languageName(language)) + " " + row.picture);
            TempFolder work;
            ShellWindow shell(language, true,
                              std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{wiped}));
            REQUIRE(shell.window() != nullptr);
            shell.state.analysis.workFolder = work.path();
            const std::wstring treeTitle = utf16(quenzar::ntfs::treeWindowTitle(row.kind, language));

            int treeRows = -1;
            auto treeScript = [&](DialogProbe& tree) {
                quenzar::wintest::pumpUntil([&] {
                    return SendDlgItemMessageW(tree.window(), IDC_TREE_LIST, LVM_GETITEMCOUNT, 0, 0) > 0 &&
                           IsWindowEnabled(tree.window());
                });
                treeRows = static_cast<int>(SendDlgItemMessageW(tree.window(), IDC_TREE_LIST, LVM_GETITEMCOUNT, 0, 0));
                tree.close();
            };
            auto filterScript = [&](DialogProbe& filter) {
                quenzar::wintest::onNextDialog(treeScript, treeTitle);
                filter.click(IDC_FILTER_APPLY);
            };
            quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
                CHECK_EQ(dialog.title(), utf16(quenzar::ntfs::dialogTitle(row.kind, language)));
                // No disk is chosen at the start of a run: nothing can be typed yet.
                CHECK(!dialog.enabled(row.input) && !dialog.enabled(IDC_VDISK_RUN));
                CHECK(dialog.enabled(IDC_VDISK_FIRST_DISK) && !dialog.enabled(IDC_VDISK_FIRST_DISK + 1));
                dialog.click(IDC_VDISK_FIRST_DISK);
                REQUIRE(dialog.enabled(row.input));

                // A sector that holds nothing the dialog can model: the MBR.
                dialog.type(row.input, L"0");
                dialog.click(row.apply);
                CHECK(!dialog.enabled(IDC_VDISK_RUN));
                if (row.kind == VirtualDiskDialog::FromFileRecord) {
                    CHECK_EQ(dialog.text(9565), std::wstring(language == kRussian ? L"Запись FILE Record не корректна"
                                                                                  : L"The FILE Record is not correct"));
                    CHECK_EQ(dialog.text(IDC_VDISK_RESULT),
                             std::wstring(language == kRussian ? L"Это не FILE Record" : L"It is not a FILE Record"));
                } else {
                    CHECK_EQ(dialog.text(IDC_VDISK_RESULT), std::wstring());
                }

                // The known sector: the volume's start, cluster size and $MFT as the manifest has them.
                dialog.type(row.input, number(inputs[d]));
                dialog.click(row.apply);
                CHECK_EQ(dialog.text(IDC_VDISK_RESULT), std::wstring(L"MFT"));
                CHECK_EQ(dialog.text(IDC_VDISK_BOOT_LBA), number(volume.startLba));
                CHECK_EQ(dialog.text(IDC_VDISK_CLUSTER_SIZE), number(clusterSectors));
                CHECK_EQ(dialog.text(IDC_VDISK_MFT_CLUSTER), number(volume.mftCluster));
                if (row.kind != VirtualDiskDialog::FromMftPosition) {
                    CHECK_EQ(dialog.text(IDC_VDISK_MFT_LBA), number(mftLba));
                }
                if (row.kind == VirtualDiskDialog::FromBootSector) CHECK(dialog.checked(IDC_VBOOT_NTFS));
                if (row.kind == VirtualDiskDialog::FromFileRecord) {
                    CHECK_EQ(dialog.text(9565), std::wstring(language == kRussian ? L"Запись FILE Record корректна"
                                                                                  : L"The FILE Record is correct"));
                }
                CHECK(dialog.enabled(IDC_VDISK_RUN) && dialog.enabled(IDC_VDISK_CLUSTER) &&
                      dialog.enabled(IDC_VDISK_MFT_NUMBER));
                quenzar::wintest::saveScreenshot(dialog.window(),
                                                 (std::string(row.picture) + (language == kRussian ? "-ru" : "-en")).c_str());
                quenzar::wintest::onNextDialog(filterScript);
                dialog.click(IDC_VDISK_RUN);
            });
            shell.command(row.commandId);
            REQUIRE(quenzar::wintest::pumpUntil([&] { return treeRows >= 0; }, 60'000));
            CHECK(treeRows > 0);
            CHECK(shell.record.messages.empty());
            // The modelled volume is the one the intact disk letters D:.
            const recovery::AnalysisResult lettered = analyseLetteredDrive(shell.state.analysis.filter);
            const recovery::FileStatistics& shown = shell.state.analysis.result.statistics;
            CHECK(shown.matchedInUse > 0);
            CHECK_EQ(shown.matchedInUse, lettered.statistics.matchedInUse);
            CHECK_EQ(shown.filesInUse, lettered.statistics.filesInUse);
            CHECK_EQ(shown.bytesInUse, lettered.statistics.bytesInUse);
        }
    }
}

// A dialog opened again shows what the last computation left: the disk, the typed sector and
// the results, recomputed for the disk.
TEST_CASE(virtualDiskDialogReopensWithTheStoredInput) {
    TempFolder folder;
    const std::string wiped = wipedEntryCopy(folder);
    ShellWindow shell(kEnglish, true,
                      std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{wiped}));
    REQUIRE(shell.window() != nullptr);
    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        dialog.click(IDC_VDISK_FIRST_DISK);
        dialog.type(IDC_VDISK_BOOT_LBA, L"2048");
        dialog.click(IDC_VBOOT_APPLY);
        dialog.close();
    });
    shell.command(CMD_VIRTUAL_FROM_BOOT);
    bool seen = false;
    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        seen = true;
        CHECK(dialog.checked(IDC_VDISK_FIRST_DISK));
        CHECK_EQ(dialog.text(IDC_VDISK_BOOT_LBA), std::wstring(L"2048"));
        CHECK_EQ(dialog.text(IDC_VDISK_RESULT), std::wstring(L"MFT"));
        CHECK(dialog.checked(IDC_VBOOT_NTFS));
        CHECK(dialog.enabled(IDC_VDISK_RUN));
        dialog.close();
    });
    shell.command(CMD_VIRTUAL_FROM_BOOT);
    CHECK(seen);
    CHECK_EQ(shell.state.volumeParams.entryMode, 'L');
}

// The search for lost volumes on a copy of the first fixture disk whose partition table is wiped
// whole: both NTFS volumes are found and listed; opening the first one shows V_BOOT with its boot
// sector's LBA and its computed values, opening the second one from a second search does the same.
TEST_CASE(lostVolumesAreFoundAndOpenTheBootSectorDialog) {
    const auto manifest = quenzar::testsupport::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    const quenzar::testsupport::ImageFacts& image = manifest.image("mbr.img");
    const quenzar::testsupport::PartitionFacts* volumes[] = {image.partition(0), image.partition(2)};
    TempFolder folder;
    const std::filesystem::path wiped = folder.path() / "wiped-table.img";
    std::filesystem::copy_file(quenzar::wintest::fixtureImage("mbr.img"), wiped);
    {
        std::fstream disk(wiped, std::ios::in | std::ios::out | std::ios::binary);
        const char zeros[512] = {};
        disk.write(zeros, sizeof zeros);
    }
    for (text::Language language : {kEnglish, kRussian}) {
        for (std::size_t row = 0; row < std::size(volumes); ++row) {
            Note note(std::string(quenzar::wintest::languageName(language)) + " volume " + std::to_string(row));
            const quenzar::testsupport::PartitionFacts& volume = *volumes[row];
            ShellWindow shell(language, true,
                              std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{wiped.string()}));
            REQUIRE(shell.window() != nullptr);
            bool bootDialogSeen = false;
            quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
                CHECK_EQ(dialog.title(), std::wstring(language == kRussian ? L"Поиск потерянных томов NTFS"
                                                                           : L"Search for lost NTFS volumes"));
                CHECK(!dialog.enabled(IDC_VSCAN_SEARCH) && !dialog.enabled(IDC_VSCAN_OPEN));
                dialog.click(IDC_VDISK_FIRST_DISK);
                REQUIRE(dialog.enabled(IDC_VSCAN_SEARCH));
                dialog.click(IDC_VSCAN_SEARCH);
                const HWND list = GetDlgItem(dialog.window(), IDC_VSCAN_LIST);
                REQUIRE(quenzar::wintest::pumpUntil(
                    [&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 2 && dialog.enabled(IDC_VSCAN_SEARCH); }));
                CHECK_EQ(dialog.barPosition(IDC_VSCAN_PROGRESS), 100);
                wchar_t line[200] = {};
                SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(line));
                CHECK(std::wstring(line).rfind(number(volume.startLba), 0) == 0);
                if (row == 0) {
                    quenzar::wintest::saveScreenshot(dialog.window(), language == kRussian ? "vscan-ru" : "vscan-en");
                }
                quenzar::wintest::onNextDialog([&](DialogProbe& boot) {
                    bootDialogSeen = true;
                    CHECK_EQ(boot.title(), utf16(quenzar::ntfs::dialogTitle(VirtualDiskDialog::FromBootSector, language)));
                    CHECK(boot.checked(IDC_VDISK_FIRST_DISK));
                    CHECK_EQ(boot.text(IDC_VDISK_BOOT_LBA), number(volume.startLba));
                    CHECK_EQ(boot.text(IDC_VDISK_RESULT), std::wstring(L"MFT"));
                    CHECK_EQ(boot.text(IDC_VDISK_CLUSTER_SIZE), number(volume.sectorsPerCluster()));
                    CHECK_EQ(boot.text(IDC_VDISK_MFT_CLUSTER), number(volume.mftCluster));
                    CHECK(boot.enabled(IDC_VDISK_RUN));
                    if (row == 0) {
                        quenzar::wintest::saveScreenshot(boot.window(),
                                                         language == kRussian ? "vscan-vboot-ru" : "vscan-vboot-en");
                    }
                    boot.close();
                });
                SendMessageW(list, LB_SETCURSEL, row, 0);
                SendMessageW(dialog.window(), WM_COMMAND, MAKEWPARAM(IDC_VSCAN_LIST, LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(list));
                REQUIRE(dialog.enabled(IDC_VSCAN_OPEN));
                dialog.click(IDC_VSCAN_OPEN);
            });
            shell.command(CMD_FIND_LOST_VOLUMES);
            CHECK(bootDialogSeen);
            CHECK(shell.record.messages.empty());
        }
    }
}

// The two other disks people bring. A first boot sector zeroed: only its backup in the volume's
// last sector and the $MFT are left, so the volume opens in V_MFT at its $MFT's LBA. A volume
// quick-formatted over an older one at the same start: both formattings are listed with the
// creation times of their record 0; the newer opens in V_BOOT, the older, whose $MFT the newer
// overwrote, cannot be opened.
TEST_CASE(lostVolumesOfAZeroedBootSectorAndOfAReformattedVolume) {
    const auto manifest = quenzar::testsupport::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    TempFolder folder;
    const quenzar::testsupport::PartitionFacts& lone = *manifest.image("lba0-ntfs.img").partition(0);
    const std::filesystem::path zeroed = folder.path() / "zeroed-boot.img";
    std::filesystem::copy_file(quenzar::wintest::fixtureImage("lba0-ntfs.img"), zeroed);
    {
        std::fstream disk(zeroed, std::ios::in | std::ios::out | std::ios::binary);
        disk.seekp(static_cast<std::streamoff>(lone.startLba * 512));
        const char zeros[512] = {};
        disk.write(zeros, sizeof zeros);
    }
    const quenzar::testsupport::ImageFacts& reformatted = manifest.image("reformatted.img");
    const quenzar::testsupport::PartitionFacts& current = *reformatted.partition(0);

    for (text::Language language : {kEnglish, kRussian}) {
        const char* suffix = language == kRussian ? "-ru" : "-en";
        {
            Note note(std::string(quenzar::wintest::languageName(language)) + " zeroed boot sector");
            ShellWindow shell(language, true,
                              std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{zeroed.string()}));
            REQUIRE(shell.window() != nullptr);
            const std::uint64_t mftLba = lone.startLba + lone.mftCluster * lone.sectorsPerCluster();
            bool mftDialogSeen = false;
            quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
                dialog.click(IDC_VDISK_FIRST_DISK);
                dialog.click(IDC_VSCAN_SEARCH);
                const HWND list = GetDlgItem(dialog.window(), IDC_VSCAN_LIST);
                REQUIRE(quenzar::wintest::pumpUntil(
                    [&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 1 && dialog.enabled(IDC_VSCAN_SEARCH); }));
                quenzar::wintest::onNextDialog([&](DialogProbe& mft) {
                    mftDialogSeen = true;
                    CHECK_EQ(mft.title(), utf16(quenzar::ntfs::dialogTitle(VirtualDiskDialog::FromMftPosition, language)));
                    CHECK_EQ(mft.text(IDC_VDISK_MFT_LBA), number(mftLba));
                    CHECK_EQ(mft.text(IDC_VDISK_RESULT), std::wstring(L"MFT"));
                    CHECK_EQ(mft.text(IDC_VDISK_BOOT_LBA), number(lone.startLba));
                    CHECK_EQ(mft.text(IDC_VDISK_CLUSTER_SIZE), number(lone.sectorsPerCluster()));
                    CHECK(mft.enabled(IDC_VDISK_RUN));
                    mft.close();
                });
                SendMessageW(list, LB_SETCURSEL, 0, 0);
                SendMessageW(dialog.window(), WM_COMMAND, MAKEWPARAM(IDC_VSCAN_LIST, LBN_DBLCLK),
                             reinterpret_cast<LPARAM>(list));
            });
            shell.command(CMD_FIND_LOST_VOLUMES);
            CHECK(mftDialogSeen);
            CHECK(shell.record.messages.empty());
        }
        {
            Note note(std::string(quenzar::wintest::languageName(language)) + " reformatted volume");
            ShellWindow shell(language, true,
                              std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{
                                  quenzar::wintest::fixtureImage("reformatted.img")}));
            REQUIRE(shell.window() != nullptr);
            bool bootDialogSeen = false;
            quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
                dialog.click(IDC_VDISK_FIRST_DISK);
                dialog.click(IDC_VSCAN_SEARCH);
                const HWND list = GetDlgItem(dialog.window(), IDC_VSCAN_LIST);
                REQUIRE(quenzar::wintest::pumpUntil(
                    [&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 2 && dialog.enabled(IDC_VSCAN_SEARCH); }));
                const auto lineOf = [&](int row) {
                    wchar_t line[200] = {};
                    SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(line));
                    return std::wstring(line);
                };
                // Both at the one start, the newer first, each with its creation time.
                CHECK(lineOf(0).rfind(number(current.startLba), 0) == 0);
                CHECK(lineOf(1).rfind(number(current.startLba), 0) == 0);
                CHECK(lineOf(0).find(L"2024.03.01 12:00") != std::wstring::npos);
                CHECK(lineOf(1).find(L"2019.06.01 08:00") != std::wstring::npos);
                const auto choose = [&](int row) {
                    SendMessageW(list, LB_SETCURSEL, row, 0);
                    SendMessageW(dialog.window(), WM_COMMAND, MAKEWPARAM(IDC_VSCAN_LIST, LBN_SELCHANGE),
                                 reinterpret_cast<LPARAM>(list));
                };
                choose(1);
                CHECK(!dialog.enabled(IDC_VSCAN_OPEN));
                quenzar::wintest::saveScreenshot(dialog.window(), (std::string("vscan-reformatted") + suffix).c_str());
                choose(0);
                REQUIRE(dialog.enabled(IDC_VSCAN_OPEN));
                quenzar::wintest::onNextDialog([&](DialogProbe& boot) {
                    bootDialogSeen = true;
                    CHECK_EQ(boot.text(IDC_VDISK_BOOT_LBA), number(current.startLba));
                    CHECK_EQ(boot.text(IDC_VDISK_CLUSTER_SIZE), number(current.sectorsPerCluster()));
                    CHECK_EQ(boot.text(IDC_VDISK_MFT_CLUSTER), number(current.mftCluster));
                    boot.close();
                });
                dialog.click(IDC_VSCAN_OPEN);
            });
            shell.command(CMD_FIND_LOST_VOLUMES);
            CHECK(bootDialogSeen);
            CHECK(shell.record.messages.empty());
        }
    }
}

// A search of a large disk is stopped by its own button: the dialog says how far it read, lists
// the volumes that part holds, and the button searches again. The disk: the first fixture image grown to
// 64 GiB (the rest unwritten, so it costs no space).
TEST_CASE(lostVolumeSearchIsStoppedByItsButton) {
    TempFolder folder;
    const std::filesystem::path large = folder.path() / "large.img";
    std::filesystem::copy_file(quenzar::wintest::fixtureImage("mbr.img"), large);
    std::filesystem::resize_file(large, std::uint64_t{64} << 30);
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        ShellWindow shell(language, true,
                          std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{large.string()}));
        REQUIRE(shell.window() != nullptr);
        const std::wstring search = language == kRussian ? L"НАЙТИ" : L"SEARCH";
        quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
            dialog.click(IDC_VDISK_FIRST_DISK);
            CHECK_EQ(dialog.text(IDC_VSCAN_SEARCH), search);
            dialog.click(IDC_VSCAN_SEARCH);
            CHECK_EQ(dialog.text(IDC_VSCAN_SEARCH), std::wstring(language == kRussian ? L"СТОП" : L"STOP"));
            REQUIRE(dialog.enabled(IDC_VSCAN_SEARCH));
            quenzar::wintest::saveScreenshot(dialog.window(),
                                             language == kRussian ? "vscan-searching-ru" : "vscan-searching-en");
            // Stopped once the part that holds the image's two volumes (its first 240 MiB) is read.
            REQUIRE(quenzar::wintest::pumpUntil([&] {
                const std::wstring reading = dialog.text(IDC_VSCAN_STATUS);
                const std::size_t digits = reading.find_first_of(L"0123456789");
                return digits != std::wstring::npos && std::stoull(reading.substr(digits)) >= 256;
            }));
            dialog.click(IDC_VSCAN_SEARCH);
            CHECK(!dialog.enabled(IDC_VSCAN_SEARCH));
            REQUIRE(quenzar::wintest::pumpUntil([&] { return dialog.enabled(IDC_VSCAN_SEARCH); }, 60'000));
            CHECK_EQ(dialog.text(IDC_VSCAN_SEARCH), search);
            const std::wstring status = dialog.text(IDC_VSCAN_STATUS);
            CHECK(status.rfind(language == kRussian ? L"Поиск прерван: прочитано " : L"The search was stopped after ", 0) ==
                  0);
            CHECK(status.find(L" 65536 ") != std::wstring::npos);
            CHECK(status.find(language == kRussian ? L"найдено томов: 2" : L"volumes found: 2") != std::wstring::npos);
            CHECK_EQ(SendDlgItemMessageW(dialog.window(), IDC_VSCAN_LIST, LB_GETCOUNT, 0, 0), 2);
            quenzar::wintest::saveScreenshot(dialog.window(), language == kRussian ? "vscan-stopped-ru" : "vscan-stopped-en");
            dialog.close();
        });
        shell.command(CMD_FIND_LOST_VOLUMES);
        CHECK(shell.record.messages.empty());
    }
}
