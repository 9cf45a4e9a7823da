// The sector viewer through its dialogs and keys: a cluster of a lettered drive chosen in L_SC, a
// refused letter, stepping and the structure presentations by key; an MFT record of a modelled
// virtual disk chosen in VNMFTV and shown as a FILE record; and the disk never written.
#include <windows.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "fixture_manifest.h"
#include "harness.h"
#include "ntfs/file_record.h"
#include "platform/disk_system.h"
#include "resources/menu_ids.h"
#include "resources/posted_command_ids.h"
#include "resources/viewer_dialog_ids.h"
#include "resources/virtual_disk_dialog_ids.h"
#include "shell_fixture.h"

namespace {

namespace text = quenzar::text;
using quenzar::app::ScreenMode;
using quenzar::wintest::DialogProbe;
using quenzar::wintest::kEnglish;
using quenzar::wintest::kRussian;
using quenzar::wintest::Note;
using quenzar::wintest::ShellWindow;
using quenzar::wintest::TempFolder;
using quenzar::wintest::utf16;

const quenzar::testsupport::PartitionFacts& firstVolume() {
    static const auto manifest = quenzar::testsupport::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    return *manifest.image("mbr.img").partition(0);
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// One sector of the first fixture disk as the file holds it.
std::string sectorOfImage(std::uint64_t lba) {
    std::ifstream file(quenzar::wintest::fixtureImage("mbr.img"), std::ios::binary);
    file.seekg(static_cast<std::streamoff>(lba * 512));
    std::string sector(512, '\0');
    file.read(sector.data(), 512);
    return sector;
}

void pressKey(ShellWindow& shell, WPARAM key) {
    SendMessageW(shell.window(), WM_KEYDOWN, key, 1);
    SendMessageW(shell.window(), WM_KEYUP, key, 0xC0000001);
    shell.settle();
}

std::string picture(const char* name, text::Language language) {
    return std::string(name) + (language == kRussian ? "-ru" : "-en");
}

}  // namespace

TEST_CASE(clusterNavigationShowsAClusterAndTheKeysStepThroughTheVolume) {
    const quenzar::testsupport::PartitionFacts& volume = firstVolume();
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        ShellWindow shell(language, true);
        REQUIRE(shell.window() != nullptr);
        bool driven = false;
        quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
            driven = true;
            // The viewer starts at LBA 0, which no lettered drive holds.
            CHECK_EQ(dialog.title(), std::wstring(language == kRussian ? L"Кластер логического диска ?: на HD? "
                                                                       : L"Cluster logical drive ?: on HD? "));
            CHECK(!dialog.enabled(IDC_LSC_OK));
            dialog.type(IDC_LSC_LETTER, L"Q");
            REQUIRE(shell.record.messages.size() == 1);
            CHECK_EQ(shell.record.messages[0].caption,
                     std::string(language == kRussian ? "ТАКОГО ЛОГИЧЕСКОГО  ДИСКА НЕТ!" : "THIS LOGICAL DRIVE IS NOT!"));
            CHECK_EQ(dialog.text(IDC_LSC_LETTER), std::wstring());
            CHECK(!dialog.enabled(IDC_LSC_OK));
            dialog.type(IDC_LSC_LETTER, L"d");
            CHECK_EQ(dialog.title(), std::wstring(language == kRussian ? L"Кластер логического диска D: на HD0 "
                                                                       : L"Cluster logical drive D: on HD0 "));
            CHECK_EQ(dialog.text(IDC_LSC_FIRST_REGION_LABEL + 1), std::wstring(L"$MFT"));
            CHECK_EQ(dialog.text(IDC_LSC_FIRST_REGION_VALUE + 1), std::to_wstring(volume.mftCluster));
            CHECK(dialog.enabled(IDC_LSC_OK));
            dialog.type(IDC_LSC_NUMBER, std::to_wstring(volume.mftCluster));
            quenzar::wintest::saveScreenshot(dialog.window(), picture("l_sc", language).c_str());
            dialog.click(IDC_LSC_OK);
        });
        shell.command(CMD_VIEW_CLUSTER);
        REQUIRE(driven);
        const std::uint64_t mftLba = volume.startLba + volume.mftCluster * volume.sectorsPerCluster();
        CHECK(shell.state.screenMode == ScreenMode::HexViewer);
        CHECK_EQ(shell.state.viewer.position.lba, mftLba);
        // The $MFT's first record is what the viewer read there.
        CHECK(std::string(reinterpret_cast<const char*>(shell.state.viewer.viewBytes.data()), 4) == "FILE");
        CHECK(shell.state.viewerPanels.logical.find("D:") != std::string::npos);
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-hex", language).c_str());

        // Adjustment edits the working copy only: two hex digits, then a character in the column.
        const std::string sectorBefore = sectorOfImage(mftLba);
        pressKey(shell, VK_F9);
        REQUIRE(shell.state.viewer.adjustmentOn);
        for (WPARAM key : {WPARAM{'4'}, WPARAM{'1'}, WPARAM{VK_TAB}, WPARAM{'Z'}}) pressKey(shell, key);
        CHECK_EQ(shell.state.viewer.editSector[0], std::uint8_t{0x41});
        CHECK_EQ(shell.state.viewer.editSector[1], std::uint8_t{'z'});
        CHECK_EQ(shell.state.viewer.viewBytes[0], std::uint8_t{'F'});
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-adjustment", language).c_str());
        pressKey(shell, VK_F12);  // saving is not offered: nothing reaches the disk
        pressKey(shell, VK_ESCAPE);
        CHECK(!shell.state.viewer.adjustmentOn);
        CHECK_EQ(shell.state.viewer.editSector[0], std::uint8_t{'F'});
        CHECK(sectorOfImage(mftLba) == sectorBefore);

        pressKey(shell, VK_DOWN);
        CHECK_EQ(shell.state.viewer.position.lba, mftLba + 1);
        pressKey(shell, VK_UP);
        pressKey(shell, VK_F3);  // the FILE record presentation of the $MFT's first record
        CHECK(shell.state.screenMode == ScreenMode::RecordViewer);
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-record", language).c_str());
        pressKey(shell, VK_HOME);  // the volume's first sector: its boot sector
        CHECK_EQ(shell.state.viewer.position.lba, volume.startLba);
        pressKey(shell, VK_F8);
        CHECK(shell.state.screenMode == ScreenMode::HexViewer);
        CHECK_EQ(shell.state.viewer.screenMode, 'N');
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-ntfs-boot", language).c_str());
        pressKey(shell, VK_END);
        // Cluster navigation on NTFS reaches the drive's end LBA itself.
        CHECK_EQ(shell.state.viewer.position.lba, shell.state.inventory.drive('D').endLba);
        pressKey(shell, VK_F2);
        CHECK_EQ(shell.state.viewer.screenMode, 'H');
    }
}

// A cancelled navigation leaves the viewer where it was.
TEST_CASE(cancelledClusterNavigationKeepsThePosition) {
    ShellWindow shell(kEnglish, true);
    REQUIRE(shell.window() != nullptr);
    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        dialog.type(IDC_LSC_LETTER, L"D");
        dialog.type(IDC_LSC_NUMBER, L"3");
        dialog.click(IDC_LSC_OK);
    });
    shell.command(CMD_VIEW_SECTOR);
    const std::uint64_t shown = shell.state.viewer.position.lba;
    CHECK(shown != 0);
    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        dialog.type(IDC_LSC_NUMBER, L"7");
        dialog.close();
    });
    shell.command(CMD_VIEW_SECTOR);
    CHECK_EQ(shell.state.viewer.position.lba, shown);
    CHECK(shell.state.screenMode == ScreenMode::HexViewer);
}

// "No MFT" of a virtual disk modelled on a wiped-entry copy: VNMFTV, record 5 (the root folder)
// shown as a FILE record at two sectors a record from the $MFT's start; the copy is never written.
TEST_CASE(recordNumberDialogShowsTheRecordOfTheVirtualDisk) {
    const quenzar::testsupport::PartitionFacts& volume = firstVolume();
    TempFolder folder;
    const std::filesystem::path copy = folder.path() / "wiped-entry.img";
    std::filesystem::copy_file(quenzar::wintest::fixtureImage("mbr.img"), copy);
    {
        std::fstream disk(copy, std::ios::in | std::ios::out | std::ios::binary);
        const char zeros[16] = {};
        disk.seekp(0x1BE);
        disk.write(zeros, sizeof zeros);
    }
    const std::string before = fileBytes(copy);
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        ShellWindow shell(language, true,
                          std::make_unique<quenzar::platform::ImageDiskSystem>(std::vector<std::string>{copy.string()}));
        REQUIRE(shell.window() != nullptr);
        bool asked = false;
        auto recordScript = [&](DialogProbe& dialog) {
            asked = true;
            CHECK_EQ(dialog.title(), std::wstring(language == kRussian ? L"Показать запись MFT с номером "
                                                                       : L"Show the MFT record number "));
            CHECK_EQ(dialog.text(IDC_VNMFT_BOOT_LBA), std::to_wstring(volume.startLba));
            CHECK_EQ(dialog.text(IDC_VNMFT_DISK), std::wstring(L"0"));
            dialog.type(IDC_VNMFT_RECORD, L"5");
            quenzar::wintest::saveScreenshot(dialog.window(), picture("vnmftv", language).c_str());
            dialog.click(IDC_VNMFT_OK);
        };
        quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
            dialog.click(IDC_VDISK_FIRST_DISK);
            dialog.type(IDC_VDISK_BOOT_LBA, std::to_wstring(volume.startLba));
            dialog.click(IDC_VBOOT_APPLY);
            REQUIRE(dialog.enabled(IDC_VDISK_MFT_NUMBER));
            quenzar::wintest::onNextDialog(recordScript);
            dialog.click(IDC_VDISK_MFT_NUMBER);
        });
        shell.command(CMD_VIRTUAL_FROM_BOOT);
        REQUIRE(quenzar::wintest::pumpUntil([&] { return asked && !quenzar::wintest::dialogScriptPending(); }));
        shell.settle();
        const std::uint64_t mftLba = volume.startLba + volume.mftCluster * volume.sectorsPerCluster();
        CHECK(shell.state.screenMode == ScreenMode::RecordViewer);
        CHECK_EQ(shell.state.viewer.position.lba, mftLba + 2 * 5);
        std::array<std::uint8_t, 1024> record{};
        std::copy_n(shell.state.viewer.viewBytes.begin(), record.size(), record.begin());
        quenzar::ntfs::FileRecordInfo info;
        CHECK_EQ(quenzar::ntfs::decodeFileRecord(record, info), std::uint32_t{0});
        CHECK_EQ(info.ownNumber, std::uint32_t{5});
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-root-record", language).c_str());
    }
    CHECK(fileBytes(copy) == before);
}

// The FAT-32 drive E: of the first fixture disk in the structure presentations: its root folder
// (cluster 2) as a directory, its boot sector, its first FAT sector as a table, and the boot
// sector read as a partition table.
TEST_CASE(structurePresentationsOfAFat32Drive) {
    static const auto manifest = quenzar::testsupport::Manifest::loadFromDir(QUENZAR_FIXTURE_DIR);
    const quenzar::testsupport::PartitionFacts& fat = *manifest.image("mbr.img").partition(1);
    REQUIRE(fat.filesystem == "fat32");
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(quenzar::wintest::languageName(language));
        ShellWindow shell(language, true);
        REQUIRE(shell.window() != nullptr);
        quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
            dialog.type(IDC_LSC_LETTER, L"E");
            CHECK_EQ(dialog.text(IDC_LSC_FIRST_REGION_LABEL + 3), std::wstring(L"DATA"));
            dialog.type(IDC_LSC_NUMBER, L"2");
            dialog.click(IDC_LSC_OK);
        });
        shell.command(CMD_VIEW_CLUSTER);
        const std::uint64_t dataStart = fat.startLba + fat.reservedSectors + 2ull * fat.fatSectors;
        CHECK_EQ(shell.state.viewer.position.lba, dataStart);
        pressKey(shell, VK_F4);
        CHECK_EQ(shell.state.viewer.screenMode, 'D');
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-fat-dir", language).c_str());
        pressKey(shell, VK_HOME);
        CHECK_EQ(shell.state.viewer.position.lba, fat.startLba);
        pressKey(shell, VK_F6);
        CHECK_EQ(shell.state.viewer.screenMode, 'B');
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-fat-boot", language).c_str());
        pressKey(shell, VK_F7);
        CHECK_EQ(shell.state.viewer.screenMode, 'P');
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-partition", language).c_str());
        for (std::uint32_t step = 0; step < fat.reservedSectors; ++step) pressKey(shell, VK_DOWN);
        CHECK_EQ(shell.state.viewer.position.lba, fat.startLba + fat.reservedSectors);
        pressKey(shell, VK_F5);  // the drive is FAT-32: its table presentation
        CHECK_EQ(shell.state.viewer.screenMode, 'F');
        quenzar::wintest::saveScreenshot(shell.window(), picture("viewer-fat32-table", language).c_str());
    }
}
