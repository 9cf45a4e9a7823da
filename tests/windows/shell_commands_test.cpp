// The main window driven by its commands as the menu sends them: the inventory refresh of the
// first command, the screens and window sizes, the status bar, the language switch with the whole
// menu, the web pages and the power commands (both answered by the test), the start-up checks and
// the painted disk screen.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/main_commands.h"
#include "app/startup.h"
#include "app/web_pages.h"
#include "app/texts/menu_labels.h"
#include "app/texts/shell_texts.h"
#include "harness.h"
#include "recovery/work_file.h"
#include "resources/menu_ids.h"
#include "resources/posted_command_ids.h"
#include "resources/resource_ids.h"
#include "shell_fixture.h"

namespace {

using quenzar::app::ScreenMode;
namespace text = quenzar::text;
using quenzar::wintest::kEnglish;
using quenzar::wintest::kRussian;
using quenzar::wintest::Note;
using quenzar::wintest::ShellWindow;
using quenzar::wintest::utf16;

struct OuterSize {
    long width;
    long height;
    bool operator==(const OuterSize&) const = default;
};
std::string describe(const OuterSize& size) {
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}
OuterSize outerSize(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

bool hasStatusBar(HWND window) { return GetDlgItem(window, QUENZAR_STATUS_BAR) != nullptr; }

std::wstring statusFolderText(HWND window) {
    HWND bar = GetDlgItem(window, QUENZAR_STATUS_BAR);
    if (bar == nullptr) return L"<no status bar>";
    wchar_t text[600] = {};
    SendMessageW(bar, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring menuText(HMENU menu, UINT item, UINT flags) {
    wchar_t text[200] = {};
    const int length = GetMenuStringW(menu, item, text, 200, flags);
    return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

bool isGreyed(HMENU menu, UINT command) { return (GetMenuState(menu, command, MF_BYCOMMAND) & MF_GRAYED) != 0; }

std::wstring describeMode(ScreenMode mode) { return std::wstring(1, static_cast<wchar_t>(mode)); }

}  // namespace

TEST_CASE(firstCommandOfARunRebuildsTheInventoryOnce) {
    ShellWindow shell(kEnglish, false);
    REQUIRE(shell.window() != nullptr);
    CHECK_EQ(shell.state.inventoryBuilds, 0);
    shell.command(CMD_ABOUT);  // even "About a program"
    CHECK_EQ(shell.state.inventoryBuilds, 1);
    CHECK(shell.state.inventoryRefreshed);
    shell.command(CMD_ABOUT);
    shell.command(CMD_RUSSIAN);
    CHECK_EQ(shell.state.inventoryBuilds, 1);
    shell.command(CMD_DISK_INVENTORY);  // the disk screen rebuilds it by itself
    CHECK_EQ(shell.state.inventoryBuilds, 2);

    // With the first command being the disk screen: the refresh, then the command's own build.
    ShellWindow second(kEnglish, false);
    second.command(CMD_DISK_INVENTORY);
    CHECK_EQ(second.state.inventoryBuilds, 2);
}

TEST_CASE(eachCommandShowsItsScreenAtItsWindowSize) {
    struct CommandCase {
        int commandId;
        ScreenMode mode;
        OuterSize size;
        const char* viewSource;
    };
    constexpr CommandCase cases[] = {
        {CMD_DISK_INVENTORY, ScreenMode::Disks, {897, 506}, nullptr},
        {CMD_DISCONNECT_DRIVES, ScreenMode::Disks, {897, 506}, nullptr},
        {CMD_RECONNECT_PARTITIONS, ScreenMode::Disks, {897, 506}, nullptr},
        {CMD_RECOVER_LOGICAL_DRIVE, ScreenMode::Disks, {897, 506}, nullptr},
        {CMD_VIRTUAL_FROM_BOOT, ScreenMode::Disks, {897, 506}, nullptr},
        {CMD_VIRTUAL_FROM_MFT, ScreenMode::Disks, {897, 506}, nullptr},
        {CMD_VIRTUAL_FROM_FILE_RECORD, ScreenMode::Disks, {897, 506}, nullptr},
        {CMD_VIEW_SECTOR, ScreenMode::HexViewer, {735, 605}, "VS"},
        {CMD_VIEW_CLUSTER, ScreenMode::HexViewer, {735, 605}, "VC"},
        {CMD_VIEW_MFT_RECORD, ScreenMode::RecordViewer, {735, 605}, "RM"},
        {CMD_ABOUT, ScreenMode::About, {995, 635}, nullptr},
    };
    // Every command from the about screen and from the viewer, so that a command that should
    // change the screen cannot pass by leaving it as it was.
    for (int startCommand : {CMD_ABOUT, CMD_VIEW_MFT_RECORD}) {
        for (const CommandCase& row : cases) {
            Note note("command " + std::to_string(row.commandId) + " after " + std::to_string(startCommand));
            ShellWindow shell(kRussian, true);
            REQUIRE(shell.window() != nullptr);
            shell.command(startCommand);
            shell.command(row.commandId);
            CHECK_EQ(describeMode(shell.state.screenMode), describeMode(row.mode));
            CHECK_EQ(outerSize(shell.window()), row.size);
            if (row.viewSource != nullptr) {
                CHECK_EQ(std::string(shell.state.viewSource.data(), 2), std::string(row.viewSource));
            }
            // The status bar lives only on the about screen.
            CHECK_EQ(hasStatusBar(shell.window()), row.mode == ScreenMode::About);
        }
    }
}

TEST_CASE(virtualDiskCommandsSetTheHeadingOfTheirDialog) {
    struct HeadingCase {
        int commandId;
        const wchar_t* russian;
        const wchar_t* english;
    };
    const HeadingCase cases[] = {
        {CMD_VIRTUAL_FROM_BOOT, L"Моделирование дерева каталогов по адресу BOOT сектора.",
         L"Modeling directory tree at the address of BOOT sector."},
        {CMD_VIRTUAL_FROM_MFT, L"Моделирование дерево каталогов по адресу начала MFT.",
         L"Modeling tree to the address of the beginning of MFT."},
        {CMD_VIRTUAL_FROM_FILE_RECORD,
         L"Дерево каталогов виртуального диска смоделированного по адресу любой записи таблицы MFT из ее первого "
         L"фрагмента. ",
         L"The directory tree of the virtual disk is modeled on the address of any entry in the MFT from her "
         L"first fragment. "},
    };
    ShellWindow shell(kEnglish, false);
    REQUIRE(shell.window() != nullptr);
    for (text::Language language : {kEnglish, kRussian}) {
        shell.command(language == kRussian ? CMD_RUSSIAN : CMD_ENGLISH);
        for (const HeadingCase& row : cases) {
            Note note(std::string(quenzar::wintest::languageName(language)) + " command " + std::to_string(row.commandId));
            shell.command(row.commandId);
            CHECK_EQ(utf16(shell.state.virtualDiskHeading), std::wstring(language == kRussian ? row.russian : row.english));
        }
    }
}

TEST_CASE(commandsThatLeaveTheScreenAlone) {
    ShellWindow shell(kEnglish, true);
    REQUIRE(shell.window() != nullptr);
    CHECK(hasStatusBar(shell.window()));  // the first screen: about, with its status bar
    for (int commandId : {CMD_ANALYSE_VIRTUAL_DISK, CMD_ANALYSIS_ENDED, CMD_FREE_CONSULTATION,
                          CMD_SEND_RECOVERY_ORDER, CMD_RESTART_COMPUTER, CMD_TURN_OFF_COMPUTER, 12345}) {
        Note note("command " + std::to_string(commandId));
        shell.command(commandId);
        CHECK_EQ(describeMode(shell.state.screenMode), describeMode(ScreenMode::About));
        CHECK_EQ(outerSize(shell.window()), (OuterSize{995, 635}));
        CHECK(hasStatusBar(shell.window()));
    }
    // Restart and turn off go at once, without a question; nothing else reached the outside.
    REQUIRE(shell.record.powerActions.size() == 2);
    CHECK(shell.record.powerActions[0] == quenzar::disk::PowerAction::Restart);
    CHECK(shell.record.powerActions[1] == quenzar::disk::PowerAction::ShutDown);
    CHECK(shell.record.messages.empty());
    CHECK(shell.record.pages.empty());
}

TEST_CASE(supportCommandsOpenTheirPagesInTheCurrentLanguage) {
    struct PageCase {
        int commandId;
        const char* russian;
        const char* english;
    };
    constexpr PageCase cases[] = {
        {CMD_REMOTE_RECOVERY_PAGE, "http://127.0.0.1:9/Ksp.html", "http://127.0.0.1:9/KspEng.html"},
        {CMD_SUPPORT_MAIL_PAGE, "http://127.0.0.1:9/chema.html", "http://127.0.0.1:9/chemaEng.html"},
        {CMD_PROGRAM_PAGE, "http://127.0.0.1:9/QuenzarSalvage.html", "http://127.0.0.1:9/QuenzarSalvage.html"},
        {CMD_LIBRARY_PAGE, "http://127.0.0.1:9/Okno5_SUP.html", "http://127.0.0.1:9/Okno5_SUPEng.html"},
    };
    ShellWindow shell(kRussian, false);
    REQUIRE(shell.window() != nullptr);
    for (text::Language language : {kRussian, kEnglish}) {
        shell.command(language == kRussian ? CMD_RUSSIAN : CMD_ENGLISH);
        for (const PageCase& row : cases) {
            Note note(std::string(quenzar::wintest::languageName(language)) + " command " + std::to_string(row.commandId));
            shell.record.pages.clear();
            shell.command(row.commandId);
            REQUIRE(shell.record.pages.size() == 1);
            CHECK_EQ(shell.record.pages[0], std::string(language == kRussian ? row.russian : row.english));
            CHECK_EQ(describeMode(shell.state.screenMode), describeMode(ScreenMode::About));
        }
    }
    CHECK_EQ(quenzar::app::webServer(nullptr), std::string("quenzar.example"));
    CHECK_EQ(quenzar::app::webServer(""), std::string("quenzar.example"));
    CHECK_EQ(quenzar::app::webServer("127.0.0.1:8080"), std::string("127.0.0.1:8080"));
}

TEST_CASE(languageSwitchRelabelsEveryMenuItemTitleAndStatusBar) {
    ShellWindow shell(kEnglish, true);
    REQUIRE(shell.window() != nullptr);
    HMENU menu = shell.state.mainMenu;
    for (text::Language language : {kEnglish, kRussian, kEnglish}) {
        Note note(language == kRussian ? "Russian" : "English");
        // The start language is set at creation; the others through the menu.
        if (shell.state.texts.uiLanguage != language) shell.command(language == kRussian ? CMD_RUSSIAN : CMD_ENGLISH);
        const bool russian = language == kRussian;
        for (const quenzar::app::texts::MenuLabel& label : quenzar::app::texts::menuLabels()) {
            Note item(quenzar::wintest::describe(label.text.english));
            const std::wstring expected = utf16(russian ? label.text.russian : label.text.english);
            if (label.commandId != 0) {
                CHECK_EQ(menuText(menu, static_cast<UINT>(label.commandId), MF_BYCOMMAND), expected);
                CHECK(!isGreyed(menu, static_cast<UINT>(label.commandId)));
            } else if (label.entryPosition < 0) {
                CHECK_EQ(menuText(menu, static_cast<UINT>(label.barPosition), MF_BYPOSITION), expected);
                CHECK(GetSubMenu(menu, label.barPosition) != nullptr);  // still a popup
            } else {
                HMENU popup = GetSubMenu(menu, label.barPosition);
                CHECK_EQ(menuText(popup, static_cast<UINT>(label.entryPosition), MF_BYPOSITION), expected);
                CHECK(GetSubMenu(popup, label.entryPosition) != nullptr);
            }
        }
        // The Language popup stays as it is; only the current language's item is greyed.
        CHECK_EQ(menuText(menu, 5, MF_BYPOSITION), std::wstring(L"Language"));
        CHECK_EQ(menuText(menu, CMD_ENGLISH, MF_BYCOMMAND), std::wstring(L"English"));
        CHECK_EQ(menuText(menu, CMD_RUSSIAN, MF_BYCOMMAND), std::wstring(L"Russian"));
        CHECK_EQ(isGreyed(menu, CMD_ENGLISH), !russian);
        CHECK_EQ(isGreyed(menu, CMD_RUSSIAN), russian);

        CHECK_EQ(quenzar::wintest::windowTitle(shell.window()),
                 utf16(quenzar::app::texts::pairedText(quenzar::app::texts::TextId::Title, language)));
        const std::wstring status = statusFolderText(shell.window());
        CHECK_EQ(status.substr(0, 20), std::wstring(russian ? L"  Папка программы - " : L"  Program  folder - "));
        CHECK(status.size() > 20);  // the folder follows the label
    }
    // The wordings that look like slips are the program's own and stay exactly so.
    CHECK_EQ(menuText(menu, CMD_RECOVER_LOGICAL_DRIVE, MF_BYCOMMAND), std::wstring(L"With an existing logical disk "));
    shell.command(CMD_RUSSIAN);
    CHECK_EQ(menuText(menu, CMD_ABOUT, MF_BYCOMMAND), std::wstring(L"О прграмме"));
}

TEST_CASE(startUpChecksRefuseWithOneMessageInTheRightLanguage) {
    using quenzar::app::AppState;
    struct RightsCase {
        text::Language language;
        DWORD majorVersion;
        const wchar_t* caption;
        const wchar_t* textStart;
    };
    const RightsCase cases[] = {
        {kEnglish, 5, L"You do not have sufficient access rights.",
         L"The functioning of this program is possible only if You \r\nhave access rights"},
        {kEnglish, 10, L"You do not have sufficient access rights.", L"The functioning of this program"},
        {kEnglish, 6, L"The program is not enough access rights.",
         L"For  the  functioning  of  the  programme   it  needs  access \r\nrights"},
        {kRussian, 5, L"У Вас недостаточно прав доступа.", L"Функционирование этой  программы  возможно  только  при"},
        {kRussian, 6, L"Программе недостаточно прав доступа.", L"Для функционирования этой программы  ей  нужны  права"},
    };
    for (const RightsCase& row : cases) {
        Note note(std::string(quenzar::wintest::languageName(row.language)) + " major " + std::to_string(row.majorVersion));
        AppState state;
        quenzar::wintest::SeamRecord record;
        // No disk 0 at all: the image does not exist, so the rights test fails as on a machine
        // whose first disk cannot be opened.
        quenzar::wintest::prepareState(state, row.language, record,
                                       {quenzar::wintest::fixtureImage("no-such-disk.img")});
        CHECK(quenzar::app::checkWindowsVersion(state, VER_PLATFORM_WIN32_NT, row.majorVersion));
        CHECK(!quenzar::app::checkDiskRights(state));
        REQUIRE(record.messages.size() == 1);
        CHECK_EQ(utf16(record.messages[0].caption), std::wstring(row.caption));
        const std::wstring text = utf16(record.messages[0].text);
        CHECK_EQ(text.substr(0, std::wstring(row.textStart).size()), std::wstring(row.textStart));
        CHECK_EQ(record.messages[0].flags, UINT{MB_ICONERROR});
    }

    // The English short message exactly, and the refusal of a Windows that is not NT.
    AppState state;
    quenzar::wintest::SeamRecord record;
    quenzar::wintest::prepareState(state, kRussian, record, quenzar::wintest::shellTestImages());
    CHECK(quenzar::app::checkDiskRights(state));  // disk 0 opens: no message
    CHECK(!quenzar::app::checkWindowsVersion(state, VER_PLATFORM_WIN32_WINDOWS, 4));
    REQUIRE(record.messages.size() == 1);
    CHECK_EQ(record.messages[0].caption, std::string("An invalid version of the operating system"));
    CHECK_EQ(record.messages[0].text, std::string("The program works only on Windows XP/Vista/7"));
    CHECK_EQ(record.messages[0].flags, UINT{MB_ICONERROR});
    // The Russian messages are as long as the ones users of older versions know.
    CHECK_EQ(quenzar::app::texts::rightsMessage(kRussian, 'X').text.size(), std::size_t{270});
    CHECK_EQ(quenzar::app::texts::rightsMessage(kRussian, '7').text.size(), std::size_t{581});
    const auto shortEnglish = quenzar::app::texts::rightsMessage(kEnglish, 'X');
    CHECK_EQ(shortEnglish.text,
             std::string("The functioning of this program is possible only if You \r\nhave access rights to the "
                         "system administrator.\r\n\r\nIn the moment, You have such rights no.\r\n\r\nLog in with "
                         "administrator privileges, or ask for help to\r\nthe system programmer."));
}

TEST_CASE(sharedTextSlotsFollowTheLanguage) {
    using namespace quenzar::app::texts;
    ShellTexts texts;
    for (text::Language language : {kRussian, kEnglish}) {
        Note note(quenzar::wintest::languageName(language));
        selectTexts(texts, language);
        selectTitle(texts);
        CHECK_EQ(texts.uiLanguage, language);
        CHECK_EQ(texts.titleText, pairedText(TextId::Title, language));
        CHECK_EQ(texts.sloganText, std::string_view(language == kRussian ? "   МЫ ВАМ ПОМОЖЕМ, ГДЕ БЫ ВЫ НИ НАХОДИЛИСЬ! "
                                                                    : "      WE CAN HELP YOU, WHEREVER YOU ARE! "));
        CHECK_EQ(texts.folderLabelText(), std::string_view(language == kRussian ? "  Папка программы - " : "  Program  folder - "));
        // The heading: 124 + CR LF + 124 + CR LF + 123 characters, headings at their columns.
        const std::string_view header = texts.diskHeader();
        CHECK_EQ(header.size(), std::size_t{375});
        CHECK_EQ(header.substr(124, 2), std::string_view("\r\n"));
        CHECK_EQ(header.substr(250, 2), std::string_view("\r\n"));
        if (language == kEnglish) {
            CHECK_EQ(header.substr(5, 36), std::string_view("CONNECTION TYPE DISK AND  PARTITIONS"));
            CHECK_EQ(header.substr(126 + 7, 32), std::string_view("Number - Capacity - Serial numer"));
            CHECK_EQ(header.substr(252 + 50, 20), std::string_view("LBA of the beginning"));
        } else {
            CHECK_EQ(header.substr(4, 10), std::string_view("ТИП КАНАЛА"));
            CHECK_EQ(header.substr(252 + 54, 9), std::string_view("LBA адрес"));
        }
        for (const PairedText* pair = pairedTextsBegin(); pair != pairedTextsEnd(); ++pair) {
            CHECK(!pair->text.russian.empty());
            CHECK(!pair->text.english.empty());
        }
    }
    // The English service text begins as the laboratory's price note always has.
    CHECK(pairedText(TextId::Service, kEnglish).starts_with(
        "The  ultimate  cost  of  providing  services  remote  data  recovery"));
}

namespace {

std::wstring titleSeenByTimer;

// Ends the program's message loop from inside it, the way a user closing the window would, after
// noting the title the window showed.
void CALLBACK closeMainWindow(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND window = FindWindowW(L"Quenzar", nullptr);
    if (window == nullptr) return;
    titleSeenByTimer = quenzar::wintest::windowTitle(window);
    SendMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace

TEST_CASE(wholeStartUpRunsTheWindowAndLeavesAWorkFileItDidNotMake) {
    struct StartCase {
        const wchar_t* commandLine;
        LANGID userLanguage;
        text::Language language;
    };
    constexpr StartCase cases[] = {
        {L"QuenzarSalvage.exe", MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), kRussian},
        {L"QuenzarSalvage.exe /", MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), kEnglish},
        {L"QuenzarSalvage.exe", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), kEnglish},
    };
    for (const StartCase& row : cases) {
        Note note(quenzar::wintest::describe(row.commandLine));
        // A file under the work file's name that this run did not make (one left by another run,
        // or put there by someone else): the end of the run leaves it. Only the work file of an
        // analysis of this run is removed.
        HANDLE workFile = CreateFileW(quenzar::wintest::utf16(quenzar::recovery::kWorkFileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        REQUIRE(workFile != INVALID_HANDLE_VALUE);
        CloseHandle(workFile);

        quenzar::app::AppState state;
        quenzar::wintest::SeamRecord record;
        quenzar::wintest::prepareState(state, kEnglish, record, quenzar::wintest::shellTestImages());
        titleSeenByTimer.clear();
        SetTimer(nullptr, 0, 300, closeMainWindow);
        CHECK_EQ(quenzar::app::startUp(state, row.commandLine, row.userLanguage), 0);

        CHECK_EQ(state.texts.uiLanguage, row.language);
        CHECK_EQ(titleSeenByTimer,
                 utf16(quenzar::app::texts::pairedText(quenzar::app::texts::TextId::Title, row.language)));
        CHECK(record.messages.empty());
        CHECK_EQ(state.inventoryBuilds, 1);
        CHECK(state.inventory.disks[0].isPresent());
        CHECK(GetFileAttributesW(quenzar::wintest::utf16(quenzar::recovery::kWorkFileName).c_str()) !=
              INVALID_FILE_ATTRIBUTES);
        DeleteFileW(quenzar::wintest::utf16(quenzar::recovery::kWorkFileName).c_str());
        // The highest disk that answers is the last image.
        CHECK((state.highestDiskFlags == std::array<std::uint8_t, 8>{0, 0, 0, 0, 1, 0, 0, 0}));
    }
    // A missing work file is no error either.
    quenzar::app::AppState state;
    quenzar::wintest::SeamRecord record;
    quenzar::wintest::prepareState(state, kEnglish, record, quenzar::wintest::shellTestImages());
    SetTimer(nullptr, 0, 300, closeMainWindow);
    CHECK_EQ(quenzar::app::startUp(state, L"QuenzarSalvage.exe /", 0x0409), 0);
}

TEST_CASE(keyPressesRepaintTheWholeScreenAndChangeNothingElse) {
    ShellWindow shell(kEnglish, true);
    REQUIRE(shell.window() != nullptr);
    for (int commandId : {CMD_DISK_INVENTORY, CMD_ABOUT}) {
        shell.command(commandId);
        const ScreenMode mode = shell.state.screenMode;
        const int builds = shell.state.inventoryBuilds;
        RECT client;
        GetClientRect(shell.window(), &client);
        for (WPARAM key : {WPARAM{VK_F2}, WPARAM{VK_DOWN}, WPARAM{VK_NEXT}, WPARAM{'A'}, WPARAM{VK_RETURN}}) {
            Note note("command " + std::to_string(commandId) + ", key " + std::to_string(key));
            ValidateRect(shell.window(), nullptr);
            SendMessageW(shell.window(), WM_KEYDOWN, key, 0);
            RECT update{};
            CHECK(GetUpdateRect(shell.window(), &update, FALSE));
            CHECK(EqualRect(&update, &client));
            SendMessageW(shell.window(), WM_KEYUP, key, 0);
            shell.settle();
            CHECK_EQ(describeMode(shell.state.screenMode), describeMode(mode));
            CHECK_EQ(shell.state.inventoryBuilds, builds);
        }
    }
}

TEST_CASE(screenChangesKeepTheWindowInItsPlace) {
    ShellWindow shell(kRussian, true);
    REQUIRE(shell.window() != nullptr);
    RECT before{};
    GetWindowRect(shell.window(), &before);
    for (int round = 0; round < 3; ++round) {
        for (int commandId : {CMD_DISK_INVENTORY, CMD_VIEW_SECTOR, CMD_VIRTUAL_FROM_MFT, CMD_ABOUT}) {
            Note note("command " + std::to_string(commandId));
            shell.command(commandId);
            RECT now{};
            GetWindowRect(shell.window(), &now);
            CHECK_EQ(now.left, before.left);
            CHECK_EQ(now.top, before.top);
        }
    }
}
