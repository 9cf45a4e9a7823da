// HD_OFF on copies of fixture disks: which disks each mode offers, hiding a disk and giving it
// back to its original bytes, the restart question (the restart itself goes through the test's
// seam), and OK without a chosen disk writing nothing.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "harness.h"
#include "platform/disk_system.h"
#include "resources/disk_dialog_ids.h"
#include "resources/menu_ids.h"
#include "shell_fixture.h"

namespace {

namespace text = quenzar::text;
using quenzar::wintest::DialogProbe;
using quenzar::wintest::kEnglish;
using quenzar::wintest::kRussian;
using quenzar::wintest::ShellWindow;
using quenzar::wintest::TempFolder;

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The disks the dialog lets the person choose, as "01..." digits.
std::string enabledDisks(const DialogProbe& dialog) {
    std::string disks;
    for (int disk = 0; disk < 8; ++disk) {
        if (dialog.enabled(IDC_HDOFF_FIRST_DISK + disk)) disks += static_cast<char>('0' + disk);
    }
    return disks;
}

}  // namespace

TEST_CASE(hideDiskDialogHidesADiskAndGivesItBack) {
    TempFolder folder;
    // Disk 0 is hidden already and is also the disk the test's Windows folder counts as; disk 1
    // is a plain GPT disk.
    const std::filesystem::path hidden = folder.path() / "hidden.img";
    const std::filesystem::path plain = folder.path() / "gpt.img";
    std::filesystem::copy_file(quenzar::wintest::fixtureImage("hidden.img"), hidden);
    std::filesystem::copy_file(quenzar::wintest::fixtureImage("gpt.img"), plain);
    const std::string original = fileBytes(plain);
    ShellWindow shell(kEnglish, true,
                      std::make_unique<quenzar::platform::ImageDiskSystem>(
                          std::vector<std::string>{hidden.string(), plain.string()}));
    REQUIRE(shell.window() != nullptr);

    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        CHECK_EQ(dialog.title(), std::wstring(L"Make the disk for Windows is not marked up with"));
        CHECK_EQ(enabledDisks(dialog), std::string("1"));
        quenzar::wintest::saveScreenshot(dialog.window(), "hd_off-hide-en");
        dialog.click(IDC_HDOFF_FIRST_DISK + 1);
        shell.record.answers = {IDNO};
        dialog.click(IDC_HDOFF_OK);
    });
    shell.command(CMD_DISCONNECT_DRIVES);
    REQUIRE(shell.record.messages.size() == 1);
    CHECK_EQ(shell.record.messages[0].caption, std::string("A SYSTEM REBOOT IS REQUIRED "));
    CHECK(shell.record.powerActions.empty());  // "No": the change waits for the next restart
    const std::string hiddenBytes = fileBytes(plain);
    CHECK_EQ(hiddenBytes.substr(0, 8), std::string("QueNzar "));
    CHECK(hiddenBytes.substr(58 * 512, 2048) == original.substr(0, 2048));

    // OK with no disk chosen changes nothing and asks nothing.
    shell.command(CMD_RUSSIAN);
    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        CHECK_EQ(dialog.title(), std::wstring(L"Сделать диск для Windows не размеченным"));
        CHECK_EQ(enabledDisks(dialog), std::string());  // both disks carry the mark now
        quenzar::wintest::saveScreenshot(dialog.window(), "hd_off-hide-ru");
        dialog.click(IDC_HDOFF_OK);
    });
    shell.command(CMD_DISCONNECT_DRIVES);
    CHECK_EQ(shell.record.messages.size(), std::size_t{1});
    CHECK(fileBytes(plain) == hiddenBytes);

    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        CHECK_EQ(dialog.title(), std::wstring(L"Сделать диск видимым для Windows"));
        CHECK_EQ(enabledDisks(dialog), std::string("01"));
        quenzar::wintest::saveScreenshot(dialog.window(), "hd_off-restore-ru");
        dialog.click(IDC_HDOFF_FIRST_DISK + 1);
        shell.record.answers = {IDYES};
        dialog.click(IDC_HDOFF_OK);
    });
    shell.command(CMD_RECONNECT_PARTITIONS);
    REQUIRE(shell.record.messages.size() == 2);
    CHECK_EQ(quenzar::wintest::utf16(shell.record.messages[1].caption), std::wstring(L"ТРЕБУЕТСЯ ПЕРЕЗАГРУЗКА СИСТЕМЫ "));
    CHECK(shell.record.powerActions == std::vector<quenzar::disk::PowerAction>{quenzar::disk::PowerAction::Restart});
    CHECK(fileBytes(plain) == original.substr(0, 58 * 512) + hiddenBytes.substr(58 * 512, 2048) +
                                  original.substr(62 * 512));

    shell.command(CMD_ENGLISH);
    quenzar::wintest::onNextDialog([&](DialogProbe& dialog) {
        CHECK_EQ(dialog.title(), std::wstring(L"Make the disk visible to Windows"));
        CHECK_EQ(enabledDisks(dialog), std::string("0"));
        quenzar::wintest::saveScreenshot(dialog.window(), "hd_off-restore-en");
        dialog.click(IDC_HDOFF_CANCEL);
    });
    shell.command(CMD_RECONNECT_PARTITIONS);
    CHECK_EQ(shell.record.messages.size(), std::size_t{2});
}
