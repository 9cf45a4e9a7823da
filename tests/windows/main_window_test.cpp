// The main window, created in this process as the program creates it: class, title in both
// languages, fixed size and style, icon, cursor, and the quit message its destruction posts.
#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

#include "app/main_window.h"
#include "shell_fixture.h"
#include "harness.h"
#include "resources/resource_ids.h"

namespace {

namespace text = quenzar::text;
using quenzar::wintest::kEnglish;
using quenzar::wintest::kRussian;

struct TitleCase {
    bool english;
    const wchar_t* title;
};
// Written here as UTF-16 from the source text: the window must show exactly this after the
// program's own conversion from code page 1251.
constexpr TitleCase kTitleCases[] = {
    {true, L" Quenzar Salvage   V-2.01        File recovery NTFS if windows does not see hard drive"},
    {false, L" Quenzar Salvage   V-2.01         Восстановление файлов NTFS если windows не видит жесткий диск"},
};

std::wstring windowText(HWND window) {
    wchar_t text[512] = {};
    const int length = GetWindowTextW(window, text, 512);
    return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    const int length = GetClassNameW(window, name, 64);
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

}  // namespace

TEST_CASE(mainWindowIsTheFixedSizeQuenzarWindowWithTitleInTheChosenLanguage) {
    for (const TitleCase& expected : kTitleCases) {
        quenzar::wintest::Note note(expected.english ? "English" : "Russian");
        quenzar::wintest::ShellWindow shell(expected.english ? kEnglish : kRussian, false);
        HWND window = shell.window();
        REQUIRE(window != nullptr);

        CHECK_EQ(className(window), std::wstring(L"Quenzar"));
        CHECK_EQ(windowText(window), std::wstring(expected.title));
        CHECK(IsWindowUnicode(window));

        RECT outer{};
        GetWindowRect(window, &outer);
        CHECK_EQ(outer.right - outer.left, 995L);
        CHECK_EQ(outer.bottom - outer.top, 635L);

        const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
        CHECK((style & WS_CAPTION) == WS_CAPTION);
        CHECK((style & WS_SYSMENU) != 0);
        CHECK((style & WS_MINIMIZEBOX) != 0);
        CHECK((style & (WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD | WS_POPUP)) == 0);

        CHECK(GetClassLongPtrW(window, GCLP_HICON) != 0);
        CHECK(GetClassLongPtrW(window, GCLP_HICONSM) != 0);
        CHECK_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(window, GCLP_HCURSOR)),
                 LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_IBEAM)));
        CHECK_EQ(GetClassLongPtrW(window, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
        CHECK(GetMenu(window) == shell.state.mainMenu);
        CHECK(shell.state.aboutPicture != nullptr);

        // The start time for the listing's header: "YYYY.MM.DD  hh:mm " from the local clock.
        const std::string start(shell.state.startTimeText.data(), shell.state.startTimeText.size());
        const std::string shape = "dddd.dd.dd  dd:dd ";
        bool shaped = start.size() == shape.size();
        for (std::size_t i = 0; shaped && i < shape.size(); ++i) {
            shaped = shape[i] == 'd' ? (start[i] >= '0' && start[i] <= '9') : start[i] == shape[i];
        }
        CHECK(shaped);
        SYSTEMTIME now;
        GetLocalTime(&now);
        CHECK_EQ(std::stoi(start.substr(0, 4)), int{now.wYear});

        // Opening the window moves the pointer to client point (228, 38), beside the description.
        POINT expectedPointer{228, 38};
        ClientToScreen(window, &expectedPointer);
        POINT pointer{};
        GetCursorPos(&pointer);
        CHECK_EQ(pointer.x, expectedPointer.x);
        CHECK_EQ(pointer.y, expectedPointer.y);

        // Destroying the window ends the message loop with exit code 0.
        MSG quit{};
        while (PeekMessageW(&quit, nullptr, 0, 0, PM_REMOVE)) {}  // messages of the creation
        CHECK(DestroyWindow(window));
        CHECK(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        CHECK_EQ(quit.message, UINT{WM_QUIT});
        CHECK_EQ(quit.wParam, WPARAM{0});
    }
}

TEST_CASE(iconGroupHoldsThe16And32And48PixelImages) {
    // The group directory of the resource: a 6-byte header whose last word is the image count,
    // then one 14-byte entry per image (width, height, colours, reserved, planes, bit count,
    // byte count, image resource number).
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(QUENZAR_ICON_GROUP),
                                reinterpret_cast<LPCWSTR>(RT_GROUP_ICON));
    REQUIRE(found != nullptr);
    const auto* directory = static_cast<const std::uint8_t*>(LockResource(LoadResource(instance, found)));
    REQUIRE(directory != nullptr);
    const DWORD directoryBytes = SizeofResource(instance, found);
    REQUIRE(directoryBytes >= 6);
    const unsigned imageCount = directory[4] | directory[5] << 8;
    REQUIRE(directoryBytes >= 6 + 14 * imageCount);

    std::set<unsigned> widths;
    for (unsigned image = 0; image < imageCount; ++image) {
        const std::uint8_t* entry = directory + 6 + 14 * image;
        widths.insert(entry[0]);
        CHECK_EQ(entry[0], entry[1]);              // square
        CHECK_EQ(entry[6] | entry[7] << 8, 32);    // 32 bits per pixel, with alpha
    }
    CHECK((widths == std::set<unsigned>{16, 32, 48}));

    // And the system picks an image of each size from the group without scaling one.
    for (int size : {16, 32, 48}) {
        quenzar::wintest::Note note("icon size " + std::to_string(size));
        CHECK(LookupIconIdFromDirectoryEx(const_cast<PBYTE>(directory), TRUE, size, size, LR_DEFAULTCOLOR) != 0);
    }
}

TEST_CASE(languageAtStartComesFromTheCommandLineAndTheUserLanguage) {
    struct LanguageCase {
        const wchar_t* commandLine;
        LANGID userLanguage;
        bool english;
    };
    constexpr LanguageCase cases[] = {
        {L"QuenzarSalvage.exe", MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), false},
        {L"QuenzarSalvage.exe", 0x0819 /* Russian, Moldova */, false},
        {L"QuenzarSalvage.exe", MAKELANGID(LANG_RUSSIAN, SUBLANG_NEUTRAL), false},
        {L"QuenzarSalvage.exe", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), true},
        {L"QuenzarSalvage.exe", MAKELANGID(LANG_UKRAINIAN, SUBLANG_UKRAINIAN_UKRAINE), true},
        {L"QuenzarSalvage.exe /", MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), true},
        {L"\"C:/Tools/QuenzarSalvage.exe\"", MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), true},
        {L"QuenzarSalvage.exe -e", MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), false},
    };
    for (const LanguageCase& row : cases) {
        quenzar::wintest::Note note(quenzar::wintest::describe(row.commandLine) + ", language " +
                                    std::to_string(row.userLanguage));
        CHECK_EQ(quenzar::app::startsInEnglish(row.commandLine, row.userLanguage), row.english);
    }
}
