#include "app/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "app/main_commands.h"
#include "app/recovery/analysis_worker.h"
#include "app/screen_painting.h"
#include "app/viewer/sector_viewer.h"
#include "app/startup.h"
#include "app/status_bar.h"
#include "app/texts/menu_relabel.h"
#include "app/wide_text.h"
#include "disk/inventory.h"
#include "resources/resource_ids.h"

namespace quenzar::app {
namespace {

AppState* stateOf(HWND window) {
    return reinterpret_cast<AppState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void writeStartTime(AppState& state) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04d.%02d.%02d  %02d:%02d ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute);
    std::copy_n(text, state.startTimeText.size(), state.startTimeText.begin());
}

// The highest-numbered disk that answers, for the sector position panel. Identification writes
// into an inventory of its own so that the inventory shown on the disk screen stays as built.
void markHighestDisk(AppState& state) {
    state.highestDiskFlags.fill(0);
    if (!state.disks) return;
    disk::InventoryState probe;
    for (char number = '7'; number >= '0'; --number) {
        disk::IdentifyDisk(probe, *state.disks, number);
        if (probe.disk(number).isPresent()) {
            state.highestDiskFlags[static_cast<std::size_t>(number - '0')] = 1;
            return;
        }
    }
}

void onCreate(AppState& state, HWND window) {
    state.mainWindow = window;
    state.statusFolder = currentFolder1251();
    createStatusBar(state);
    writeStartTime(state);
    state.aboutPicture = static_cast<HBITMAP>(
        LoadImageW(state.instance, MAKEINTRESOURCEW(QUENZAR_ABOUT_PICTURE), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    POINT pointer{228, 38};
    ClientToScreen(window, &pointer);
    SetCursorPos(pointer.x, pointer.y);
    markHighestDisk(state);
    texts::markCurrentLanguage(state.mainMenu, state.texts.uiLanguage);
}

void onDestroy(AppState& state) {
    if (state.aboutPicture != nullptr) DeleteObject(state.aboutPicture);
    state.aboutPicture = nullptr;
    state.statusBar = nullptr;
    state.mainMenu = nullptr;  // destroyed with the window
    state.mainWindow = nullptr;
    PostQuitMessage(0);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    AppState* state = stateOf(window);
    if (state == nullptr) return DefWindowProcW(window, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        onCreate(*state, window);
        return 0;
    case WM_KEYDOWN:
        // The viewer's keys move it or change its presentation; every key repaints the screen.
        if (state->screenMode == ScreenMode::HexViewer || state->screenMode == ScreenMode::RecordViewer) {
            onViewerKey(*state, wParam);
        }
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_KEYUP:
        if (state->screenMode == ScreenMode::HexViewer) onViewerKeyUp(*state, wParam);
        return 0;
    case WM_PAINT:
        paintMainWindow(*state);
        return 0;
    case WM_COMMAND:
        onCommand(*state, LOWORD(wParam));
        return 0;
    case WM_DESTROY:
        onDestroy(*state);
        return 0;
    case kAnalysisFailedMessage:
        reportFailedAnalysis(*state);
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

int runMessageLoop(const AppState& state) {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);  // WM_QUIT: the loop's result
        if (got == -1) return 1;
        // The modeless progress dialog takes its own keys (Tab between its controls).
        HWND progress = state.analysis.progressDialog;
        if (progress != nullptr && IsDialogMessageW(progress, &message)) continue;
        // No accelerator table: every key reaches the window procedure as a key message.
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

bool startsInEnglish(std::wstring_view commandLine, LANGID userDefaultLanguage) {
    if (commandLine.find(L'/') != std::wstring_view::npos) return true;
    return PRIMARYLANGID(userDefaultLanguage) != LANG_RUSSIAN;
}

HWND createMainWindow(AppState& state) {
    if (state.instance == nullptr) state.instance = GetModuleHandleW(nullptr);
    // The controls of the dialogs beyond the basic ones: progress bars, tree and list views.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!registerMainWindowClass(state.instance)) return nullptr;
    state.mainMenu = LoadMenuW(state.instance, L"MENU1");
    if (state.mainMenu == nullptr) return nullptr;
    texts::selectTitle(state.texts);
    texts::relabelMenu(state.mainMenu, state.texts);
    const std::wstring title = wideFrom1251(state.texts.titleText);
    HWND window = CreateWindowExW(0, kMainWindowClass, title.c_str(), kMainWindowStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, kMainWindowWidth, kMainWindowHeight, nullptr, state.mainMenu,
                                  state.instance, &state);
    if (window == nullptr) {
        DestroyMenu(state.mainMenu);
        state.mainMenu = nullptr;
    }
    return window;
}

int runMainWindow(AppState& state) {
    HWND window = createMainWindow(state);
    if (window == nullptr) return 1;
    // Always shown normally, whatever show mode the starter asked for: the window has one size.
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return runMessageLoop(state);
}

}  // namespace quenzar::app
