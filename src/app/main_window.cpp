#include "app/main_window.h"

#include "app/wide_text.h"
#include "resources/resource_ids.h"

namespace quenzar::app {
namespace {

// The runs of blanks are part of the titles: they set the version apart from the description.
constexpr char kEnglishTitle[] = " Quenzar Salvage   V-2.01        File recovery NTFS if windows does not see hard drive";
constexpr char kRussianTitle[] = " Quenzar Salvage   V-2.01         Восстановление файлов NTFS если windows не видит жесткий диск";

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HICON loadProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(QUENZAR_ICON_GROUP), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric),
                                         LR_SHARED));
}

// The class is registered through the wide function so that the window is a Unicode window: an
// ANSI window would pass its title through the system code page and lose the Cyrillic letters
// on a Windows that does not use code page 1251.
bool registerMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = loadProgramIcon(instance, SM_CXICON, SM_CYICON);
    windowClass.hIconSm = loadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_IBEAM));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

std::string_view mainWindowTitle(bool english) { return english ? kEnglishTitle : kRussianTitle; }

bool startsInEnglish(std::wstring_view commandLine, LANGID userDefaultLanguage) {
    if (commandLine.find(L'/') != std::wstring_view::npos) return true;
    return PRIMARYLANGID(userDefaultLanguage) != LANG_RUSSIAN;
}

HWND createMainWindow(HINSTANCE instance, bool english) {
    if (!registerMainWindowClass(instance)) return nullptr;
    const std::wstring title = wideFrom1251(mainWindowTitle(english));
    return CreateWindowExW(0, kMainWindowClass, title.c_str(), kMainWindowStyle, CW_USEDEFAULT,
                           CW_USEDEFAULT, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr,
                           instance, nullptr);
}

}  // namespace quenzar::app
